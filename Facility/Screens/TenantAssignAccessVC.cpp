#include "Facility/Screens/TenantAssignAccessVC.h"

#include <memory>

#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/Storyboard.h"

void TenantAssignAccessVC::viewDidLoad() {
  PlaceholderScreen::viewDidLoad();
  auto label = std::make_shared<uikit::Label>();
  label->setText("userId: " + userId.value_or("-") + ", userName: " + userName.value_or("-") +
                 ", isFromUserDashboard: " + (isFromUserDashboard ? "true" : "false"));
  label->setAccessibilityIdentifier("values");
  view()->addSubview(label);
}

void TenantAssignAccessVC::registerScene() {
  uikit::Storyboard::registerScene(kStoryboard, "TenantAssignAccessVC", [] {
    uikit::StoryboardSceneContents contents;
    contents.controller = std::make_shared<TenantAssignAccessVC>();
    return contents;
  });
}
