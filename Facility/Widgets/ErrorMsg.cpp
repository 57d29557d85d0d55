#include "Facility/Widgets/ErrorMsg.h"

const std::array<std::string, 1>& ErrorMsg::texts() {
  static const std::array<std::string, 1> kTexts = {
      "No internet connection available, Please connect to internet to proceed",
  };
  return kTexts;
}
