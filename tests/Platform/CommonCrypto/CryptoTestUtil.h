#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cryptotest {

inline std::vector<std::uint8_t> FromHex(std::string_view hex) {
  std::vector<std::uint8_t> out;
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
  };
  std::string clean;
  for (char c : hex)
    if (c != ' ') clean += c;
  for (std::size_t i = 0; i + 1 < clean.size(); i += 2)
    out.push_back(static_cast<std::uint8_t>(nibble(clean[i]) << 4 | nibble(clean[i + 1])));
  return out;
}

inline std::vector<std::uint8_t> FromText(std::string_view text) { return {text.begin(), text.end()}; }

}  // namespace cryptotest
