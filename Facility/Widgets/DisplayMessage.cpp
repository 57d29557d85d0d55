#include "Facility/Widgets/DisplayMessage.h"

const std::array<std::string, 1>& DisplayMessage::texts() {
  static const std::array<std::string, 1> kTexts = {
      "Bluetooth Sensitivity has been updated!",
  };
  return kTexts;
}
