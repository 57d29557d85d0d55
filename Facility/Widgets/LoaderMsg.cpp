#include "Facility/Widgets/LoaderMsg.h"

const std::array<std::string, 4>& LoaderMsg::texts() {
  static const std::array<std::string, 4> kTexts = {
      "Please wait...",
      "Verifying...",
      "Authenticating...",
      "Connecting...",
  };
  return kTexts;
}
