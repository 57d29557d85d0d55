// What the live scanner reads on a number plate: only ASCII letters and
// digits are kept, upper-cased; a plate number is two letters, any letters
// or digits, then at least three digits.
#pragma once

#include <string>

class VehicleNumberText {
 public:
  static std::string clean(const std::string& transcript);
  // For a cleaned text.
  static bool isPlateNumber(const std::string& cleaned);
};
