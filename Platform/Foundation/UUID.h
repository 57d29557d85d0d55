// Random (version 4) universally unique identifiers and their text form.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class UUID {
 public:
  // A fresh random identifier from the system's secure source.
  UUID();
  // All zero bytes.
  static UUID zero();
  // Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" (hexadecimal, either case).
  static std::optional<UUID> fromString(std::string_view text);

  // Upper-case text with dashes: 36 characters.
  std::string uuidString() const;
  const std::array<std::uint8_t, 16>& bytes() const { return bytes_; }

  friend bool operator==(const UUID& a, const UUID& b) { return a.bytes_ == b.bytes_; }

 private:
  struct ZeroTag {};
  explicit UUID(ZeroTag) {}
  std::array<std::uint8_t, 16> bytes_{};
};

}  // namespace platform
