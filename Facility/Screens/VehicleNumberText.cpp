#include "Facility/Screens/VehicleNumberText.h"

namespace {

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string VehicleNumberText::clean(const std::string& transcript) {
  std::string out;
  for (char c : transcript) {
    // Bytes of multi-byte characters are never ASCII letters or digits.
    if (isAsciiDigit(c)) {
      out += c;
    } else if (isAsciiLetter(c)) {
      out += static_cast<char>(c >= 'a' ? c - 'a' + 'A' : c);
    }
  }
  return out;
}

bool VehicleNumberText::isPlateNumber(const std::string& cleaned) {
  if (cleaned.size() < 5 || !isAsciiLetter(cleaned[0]) || !isAsciiLetter(cleaned[1])) return false;
  for (char c : cleaned) {
    if (!isAsciiLetter(c) && !isAsciiDigit(c)) return false;
  }
  std::size_t digits = 0;
  for (auto it = cleaned.rbegin(); it != cleaned.rend() && isAsciiDigit(*it); ++it) ++digits;
  return digits >= 3;
}
