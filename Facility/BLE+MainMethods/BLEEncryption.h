// The punch frame: 32 bytes built from the tag and floors, AES-128-CBC
// encrypted (no padding) and Base64 encoded, framed in CR/LF for the Dorva
// reader family. The values of one punch are kept class-wide and set one by
// one before punchCommand() runs; everything here runs on the main thread.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Foundation/Value.h"

class BLEEncryption {
 public:
  static constexpr const char* kBuiltInKey = "9f3a71c0be5d2846a1f07c3e58d92b64";
  static constexpr std::size_t kFrameSize = 32;

  static void setEncryptionKey(std::optional<std::string> key);
  static void setPeriphearalId(std::optional<std::string> identifier);
  static void setTagId(std::optional<std::string> tag);
  static void setDeviceType(std::optional<std::string> type);
  // Absent clears the data: a value from another reader must never be reused.
  static void setDeviceData(std::optional<platform::Bytes> data);
  static void setDestinationFloor(std::optional<std::string> floor);
  static void setBoardingFloor(std::optional<std::string> floor);
  static void setSelectedFloor(std::optional<std::string> floor);

  static const std::optional<std::string>& periphearalId();

  // The 32 plain bytes of the frame from the current values.
  static platform::Bytes punchFrame();
  // The text to write, or none when the frame could not be encrypted.
  static std::optional<std::string> punchCommand();

  // XOR of the first `length` bytes; 0 for none.
  static std::uint8_t calculateLRC(const std::uint8_t* bytes, std::uint32_t length);
  static std::optional<platform::Bytes> AES128Encrypt(const platform::Bytes& data);
  static std::optional<platform::Bytes> AES128Decrypt(const platform::Bytes& data);

  // Pairs of hex digits to bytes; a final odd digit is ignored; none when a
  // pair is not hexadecimal.
  static std::optional<platform::Bytes> hexToBytes(std::string_view text);
  // Lowercase hex, two digits per byte, no separator.
  static std::string hexRepresentationWithSpaces_AS(const platform::Bytes& data);

  // The platform's integer value of a text: leading spaces, sign, digits;
  // 0 without digits; saturated to the 32-bit range.
  static std::int32_t intValue(const std::optional<std::string>& text);
  // True when the manufacturer data selects the built-in key (bytes 2-3 zero).
  static bool usesBuiltInKey(const platform::Bytes& manufacturerData);
  // True when a key text decodes to at least 16 key bytes.
  static bool isUsableKey(std::string_view key);
  // CR/LF framing applies to these type texts only.
  static bool isFramedType(const std::optional<std::string>& type);
};
