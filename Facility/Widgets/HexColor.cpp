#include "Facility/Widgets/HexColor.h"

#include <cctype>
#include <cstdint>

uikit::Color HexColor::colorWithHexString(std::string_view hexString) {
  auto isBlank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!hexString.empty() && isBlank(hexString.front())) hexString.remove_prefix(1);
  while (!hexString.empty() && isBlank(hexString.back())) hexString.remove_suffix(1);
  if (!hexString.empty() && hexString.front() == '#') hexString.remove_prefix(1);
  // Only the low 24 bits matter, so overflowing digits cannot change them.
  std::uint64_t value = 0;
  for (char c : hexString) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) break;
    int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) - 'a' + 10);
    value = ((value << 4) | static_cast<std::uint64_t>(digit)) & 0xFFFFFFu;
  }
  double r = static_cast<double>((value >> 16) & 0xFF) / 255.0;
  double g = static_cast<double>((value >> 8) & 0xFF) / 255.0;
  double b = static_cast<double>(value & 0xFF) / 255.0;
  return uikit::Color(r, g, b, 1.0);
}
