#include "Facility/Screens/StoryboardName.h"

#include "Facility/Screens/PlaceholderScreen.h"
#include "Platform/UIKit/Storyboard.h"

namespace Storyboards {

std::string rawValue(StoryboardName name) {
  switch (name) {
    case StoryboardName::main: return "Main";
    case StoryboardName::facilityAdmin: return "FacilityAdmin";
    case StoryboardName::user: return "User";
    case StoryboardName::tenantAdmin: return "TenantAdmin";
  }
  return "Main";
}

uikit::ViewControllerPtr instantiateScreen(StoryboardName storyboard, const std::string& className) {
  auto sb = uikit::Storyboard::named(rawValue(storyboard));
  if (!sb) return nullptr;
  auto controller = sb->instantiateViewController(className);
  if (!controller) return nullptr;
  if (controller->className() == className) return controller;
  if (auto placeholder = std::dynamic_pointer_cast<PlaceholderScreen>(controller)) {
    if (placeholder->screenName() == className) return controller;
  }
  return nullptr;
}

}  // namespace Storyboards
