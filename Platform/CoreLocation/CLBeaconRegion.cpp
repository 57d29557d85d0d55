#include "Platform/CoreLocation/CLBeaconRegion.h"

#include <cctype>

namespace corelocation {

CLBeaconRegion::CLBeaconRegion(std::string uuid, std::string identifier)
    : uuid_(std::move(uuid)), identifier_(std::move(identifier)) {}

std::optional<platform::Value::Dictionary> CLBeaconRegion::peripheralDataWithMeasuredPower(
    std::optional<int> power) const {
  platform::Bytes bytes;
  int high = -1;
  for (char c : uuid_) {
    if (c == '-') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    int v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10;
    if (high < 0) {
      high = v;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high * 16 + v));
      high = -1;
    }
  }
  if (bytes.size() != 16 || high >= 0) return std::nullopt;
  bytes.insert(bytes.end(), {0, 0, 0, 0});
  bytes.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(power.value_or(-59))));
  return platform::Value::Dictionary{{kBeaconKey, platform::Value(std::move(bytes))}};
}

}  // namespace corelocation
