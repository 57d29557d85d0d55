#include "Platform/Foundation/UUID.h"

#include <sys/random.h>

#include <cerrno>
#include <random>

namespace platform {

namespace {

void FillRandom(std::array<std::uint8_t, 16>& bytes) {
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    ssize_t n = getrandom(bytes.data() + filled, bytes.size() - filled, 0);
    if (n > 0) {
      filled += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EINTR) {
      break;
    }
  }
  if (filled == bytes.size()) return;
  // Without getrandom (very old kernels) the library's device still gives
  // identifiers that do not repeat in practice.
  std::random_device device;
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(device());
}

int UuidHexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsDashPosition(std::size_t i) { return i == 8 || i == 13 || i == 18 || i == 23; }

}  // namespace

UUID::UUID() {
  FillRandom(bytes_);
  bytes_[6] = static_cast<std::uint8_t>((bytes_[6] & 0x0F) | 0x40);  // version 4
  bytes_[8] = static_cast<std::uint8_t>((bytes_[8] & 0x3F) | 0x80);  // RFC 4122 variant
}

UUID UUID::zero() { return UUID(ZeroTag{}); }

std::optional<UUID> UUID::fromString(std::string_view text) {
  if (text.size() != 36) return std::nullopt;
  UUID result(ZeroTag{});
  std::size_t byte = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (IsDashPosition(i)) {
      if (text[i] != '-') return std::nullopt;
      ++i;
      continue;
    }
    int high = UuidHexValue(text[i]);
    int low = UuidHexValue(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    result.bytes_[byte++] = static_cast<std::uint8_t>(high * 16 + low);
    i += 2;
  }
  return result;
}

std::string UUID::uuidString() const {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(36);
  for (std::size_t i = 0; i < bytes_.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text.push_back('-');
    text.push_back(kDigits[bytes_[i] >> 4]);
    text.push_back(kDigits[bytes_[i] & 0x0F]);
  }
  return text;
}

}  // namespace platform
