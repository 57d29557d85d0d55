// ASCII lowercasing for the engine's case-blind comparisons. Only the
// engine's own source files include this header.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

inline std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}
