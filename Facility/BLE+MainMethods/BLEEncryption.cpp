#include "Facility/BLE+MainMethods/BLEEncryption.h"

#include <algorithm>
#include <cstdint>

#include "Platform/CommonCrypto/AES.h"
#include "Platform/CommonCrypto/Base64.h"
#include "Platform/CommonCrypto/Hex.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/UserDefaults.h"

namespace {

struct Values {
  std::optional<std::string> key;
  std::optional<std::string> peripheralId;
  std::optional<std::string> tag;
  std::optional<std::string> type;
  std::optional<platform::Bytes> data;
  std::optional<std::string> destination;
  std::optional<std::string> boarding;
  std::optional<std::string> selected;
};

Values& V() {
  static Values values;
  return values;
}

enum class Direction { kEncrypt, kDecrypt };

std::optional<platform::Bytes> Crypt(const platform::Bytes& input, Direction direction) {
  const auto& data = V().data;
  if (!data || data->size() < 4) return std::nullopt;
  std::uint8_t b2 = (*data)[2], b3 = (*data)[3];
  std::optional<platform::Bytes> key;
  if (direction == Direction::kEncrypt && b2 == 0 && b3 == 0) {
    key = BLEEncryption::hexToBytes(BLEEncryption::kBuiltInKey);
  } else if (V().key) {
    key = BLEEncryption::hexToBytes(*V().key);
  }
  if (!key || key->size() < platform::AES::kKeySize128) return std::nullopt;
  key->resize(platform::AES::kKeySize128);
  std::uint8_t iv[platform::AES::kBlockSize] = {b2, b3};
  auto result = direction == Direction::kEncrypt
                    ? platform::AES::encryptCBC(*key, iv, input, platform::AES::Padding::kNone)
                    : platform::AES::decryptCBC(*key, iv, input, platform::AES::Padding::kNone);
  if (!result.ok()) return std::nullopt;
  return std::move(result).value();
}

}  // namespace

void BLEEncryption::setEncryptionKey(std::optional<std::string> key) { V().key = std::move(key); }
void BLEEncryption::setPeriphearalId(std::optional<std::string> identifier) { V().peripheralId = std::move(identifier); }
void BLEEncryption::setTagId(std::optional<std::string> tag) { V().tag = std::move(tag); }
void BLEEncryption::setDeviceType(std::optional<std::string> type) { V().type = std::move(type); }
void BLEEncryption::setDeviceData(std::optional<platform::Bytes> data) { V().data = std::move(data); }
void BLEEncryption::setDestinationFloor(std::optional<std::string> floor) { V().destination = std::move(floor); }
void BLEEncryption::setBoardingFloor(std::optional<std::string> floor) { V().boarding = std::move(floor); }
void BLEEncryption::setSelectedFloor(std::optional<std::string> floor) { V().selected = std::move(floor); }
const std::optional<std::string>& BLEEncryption::periphearalId() { return V().peripheralId; }

std::int32_t BLEEncryption::intValue(const std::optional<std::string>& text) {
  if (!text) return 0;
  return static_cast<std::int32_t>(
      std::clamp<std::int64_t>(platform::UserDefaults::leadingInteger(*text), INT32_MIN, INT32_MAX));
}

platform::Bytes BLEEncryption::punchFrame() {
  platform::Bytes f(kFrameSize, 0);
  const std::uint8_t head[] = {0xAA, 0x13, 0x00, 0x01, 0x01, 0x01, 0xB0, 0x01, 0x07, 0x00};
  std::copy(std::begin(head), std::end(head), f.begin());
  auto tag = static_cast<std::uint32_t>(intValue(V().tag));
  for (int i = 0; i < 4; ++i) f[10 + i] = static_cast<std::uint8_t>(tag >> (8 * i));
  f[14] = static_cast<std::uint8_t>(intValue(V().destination));
  f[15] = static_cast<std::uint8_t>(intValue(V().boarding));
  f[16] = static_cast<std::uint8_t>(intValue(V().selected));
  f[17] = calculateLRC(f.data(), 17);
  f[18] = 0xBB;
  return f;
}

bool BLEEncryption::isFramedType(const std::optional<std::string>& type) {
  return type && (*type == "01" || *type == "07" || *type == "1" || *type == "7");
}

std::optional<std::string> BLEEncryption::punchCommand() {
  auto encrypted = AES128Encrypt(punchFrame());
  if (!encrypted) {
    platform::LogWarning("BLEEncryption: the punch frame could not be encrypted");
    return std::nullopt;
  }
  std::string result = platform::Base64::encode(*encrypted);
  if (isFramedType(V().type)) result = "\r\n" + result + "\r\n";
  if (platform::IsLoggable(platform::LogLevel::kDebug)) platform::LogDebug("Result String is: " + result);
  return result;
}

std::uint8_t BLEEncryption::calculateLRC(const std::uint8_t* bytes, std::uint32_t length) {
  std::uint8_t lrc = 0;
  for (std::uint32_t i = 0; i < length; ++i) lrc ^= bytes[i];
  return lrc;
}

std::optional<platform::Bytes> BLEEncryption::AES128Encrypt(const platform::Bytes& data) {
  return Crypt(data, Direction::kEncrypt);
}

std::optional<platform::Bytes> BLEEncryption::AES128Decrypt(const platform::Bytes& data) {
  return Crypt(data, Direction::kDecrypt);
}

std::optional<platform::Bytes> BLEEncryption::hexToBytes(std::string_view text) {
  return platform::Hex::decode(text.substr(0, text.size() / 2 * 2));
}

std::string BLEEncryption::hexRepresentationWithSpaces_AS(const platform::Bytes& data) {
  return platform::Hex::encode(data);
}

bool BLEEncryption::usesBuiltInKey(const platform::Bytes& manufacturerData) {
  return manufacturerData.size() >= 4 && manufacturerData[2] == 0 && manufacturerData[3] == 0;
}

bool BLEEncryption::isUsableKey(std::string_view key) {
  if (key.size() < 32) return false;
  auto bytes = hexToBytes(key);
  return bytes && bytes->size() >= 16;
}
