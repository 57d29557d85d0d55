#include "Platform/CoreLocation/CLBeaconRegion.h"

#include "Platform/CommonCrypto/Hex.h"

namespace corelocation {

CLBeaconRegion::CLBeaconRegion(std::string uuid, std::string identifier)
    : uuid_(std::move(uuid)), identifier_(std::move(identifier)) {}

std::optional<platform::Value::Dictionary> CLBeaconRegion::peripheralDataWithMeasuredPower(
    std::optional<int> power) const {
  std::string digits;
  for (char c : uuid_)
    if (c != '-') digits += c;
  auto decoded = platform::Hex::decode(digits);
  if (!decoded || decoded->size() != 16) return std::nullopt;
  platform::Bytes bytes = std::move(*decoded);
  bytes.insert(bytes.end(), {0, 0, 0, 0});
  bytes.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(power.value_or(-59))));
  return platform::Value::Dictionary{{kBeaconKey, platform::Value(std::move(bytes))}};
}

}  // namespace corelocation
