#include "Facility/Widgets/AppAlert.h"

const std::array<std::string, 6>& AppAlert::texts() {
  static const std::array<std::string, 6> kTexts = {
      "Alert",
      "Ok",
      "Cancel",
      "Sorry",
      "Success",
      "Confirm",
  };
  return kTexts;
}
