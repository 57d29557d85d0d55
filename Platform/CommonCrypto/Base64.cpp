#include "Platform/CommonCrypto/Base64.h"

#include <array>

namespace platform {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<int, 256> MakeReverse() {
  std::array<int, 256> table{};
  for (auto& v : table) v = -1;
  for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = i;
  return table;
}
constexpr std::array<int, 256> kReverse = MakeReverse();

std::string Encode(const std::uint8_t* p, std::size_t n) {
  std::string out;
  out.reserve((n + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= n; i += 3) {
    const std::uint32_t v = (std::uint32_t{p[i]} << 16) | (std::uint32_t{p[i + 1]} << 8) | p[i + 2];
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  if (const std::size_t rest = n - i; rest) {
    std::uint32_t v = std::uint32_t{p[i]} << 16;
    if (rest == 2) v |= std::uint32_t{p[i + 1]} << 8;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

}  // namespace

std::string Base64::encode(std::span<const std::uint8_t> data) { return Encode(data.data(), data.size()); }

std::string Base64::encode(std::string_view text) {
  return Encode(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

Result<std::vector<std::uint8_t>> Base64::decode(std::string_view text) {
  if (text.size() % 4 != 0) return Status::InvalidArgument("Base64 length is not a multiple of 4");
  std::vector<std::uint8_t> out;
  out.reserve(text.size() / 4 * 3);
  for (std::size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    int pads = 0;
    if (last) {
      if (text[i + 3] == '=') pads = text[i + 2] == '=' ? 2 : 1;
    }
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      if (k >= 4 - static_cast<std::size_t>(pads)) {
        v <<= 6;
        continue;
      }
      const int d = kReverse[static_cast<unsigned char>(text[i + k])];
      if (d < 0) return Status::InvalidArgument("Base64 has an invalid character at offset " + std::to_string(i + k));
      v = (v << 6) | static_cast<std::uint32_t>(d);
    }
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    if (pads < 2) out.push_back(static_cast<std::uint8_t>(v >> 8));
    if (pads < 1) out.push_back(static_cast<std::uint8_t>(v));
  }
  return out;
}

}  // namespace platform
