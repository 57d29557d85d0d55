#include "Analytics/Engine/APMDataAdditions.h"

#include "Platform/CommonCrypto/Digest.h"

platform::Bytes apm_MD5Data(const platform::Bytes& data) { return platform::Digest::md5(data); }

int64_t apm_64LeastSignificantBits(const platform::Bytes& data) {
  uint64_t value = 0;
  size_t start = data.size() > 8 ? data.size() - 8 : 0;
  for (size_t i = start; i < data.size(); ++i) value = (value << 8) | data[i];
  return static_cast<int64_t>(value);
}

int64_t apm_64LSBMD5(const platform::Bytes& data) { return apm_64LeastSignificantBits(apm_MD5Data(data)); }
