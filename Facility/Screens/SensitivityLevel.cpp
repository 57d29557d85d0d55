#include "Facility/Screens/SensitivityLevel.h"

const std::array<std::string, 3>& SensitivityLevel::texts() {
  static const std::array<std::string, 3> kTexts = {"Low", "Medium", "High"};
  return kTexts;
}
