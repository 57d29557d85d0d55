#include "Facility/Screens/AddNewComplaintVC.h"

#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/Storyboard.h"

void AddNewComplaintVC::viewDidLoad() {
  PlaceholderScreen::viewDidLoad();
  auto button = uikit::Button::withType(uikit::ButtonType::kSystem);
  button->setFrame(uikit::Rect(20, 120, 200, 44));
  button->setTitle("Save");
  button->setAccessibilityIdentifier("btnSave");
  std::weak_ptr<AddNewComplaintVC> weak = sharedAs<AddNewComplaintVC>();
  button->addTarget(weak.lock(), [weak](uikit::Control&) {
    if (auto self = weak.lock()) self->save();
  }, uikit::kControlEventTouchUpInside);
  view()->addSubview(button);
}

void AddNewComplaintVC::save() {
  // A second tap during the pop would count the complaint twice.
  if (saved_) return;
  saved_ = true;
  auto keep = sharedAs<AddNewComplaintVC>();
  if (actionUpdateCount) actionUpdateCount();
  if (auto navigation = navigationController()) navigation->popToRootViewController(true);
}

void AddNewComplaintVC::registerScene() {
  uikit::Storyboard::registerScene(kStoryboard, "AddNewComplaintVC", [] {
    uikit::StoryboardSceneContents contents;
    contents.controller = std::make_shared<AddNewComplaintVC>();
    return contents;
  });
}
