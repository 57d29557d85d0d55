#include "Analytics/Engine/APMNumericUtil.h"

#include <cerrno>
#include <cstring>

#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Platform/CommonCrypto/SecureRandom.h"

int64_t APMNumericUtil::randomInt64() {
  auto bytes = platform::SecureRandom::bytes(sizeof(int64_t));
  if (!bytes.ok() || bytes->size() != sizeof(int64_t)) {
    APMMeasurementMonitor().logWithLevel(5, 26004, "Unable to generate random integer",
                                         std::string(std::strerror(errno)));
    return 0;
  }
  int64_t value = 0;
  std::memcpy(&value, bytes->data(), sizeof value);
  return value;
}
