#include "Facility/Widgets/Confirmation.h"

std::string Confirmation::prompt() const {
  switch (case_) {
    case Case::assignAccessConfirm:
      return "Are you sure you want to assign these access to " + name_ + "?";
    case Case::logoutConfirm:
      return "Are you sure you want to logout?";
    case Case::invitation:
      return "Are you sure you want to send an invitation?";
  }
  return {};
}
