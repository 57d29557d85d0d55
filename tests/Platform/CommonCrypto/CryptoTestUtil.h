#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/CommonCrypto/Hex.h"

namespace cryptotest {

// Test vectors are written with spaces between groups; a final odd digit is
// dropped.
inline std::vector<std::uint8_t> FromHex(std::string_view hex) {
  std::string clean;
  for (char c : hex)
    if (c != ' ') clean += c;
  clean.resize(clean.size() / 2 * 2);
  return platform::Hex::decode(clean).value_or(std::vector<std::uint8_t>{});
}

inline std::vector<std::uint8_t> FromText(std::string_view text) { return {text.begin(), text.end()}; }

}  // namespace cryptotest
