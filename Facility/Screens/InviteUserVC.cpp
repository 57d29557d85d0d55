#include "Facility/Screens/InviteUserVC.h"

#include <memory>
#include <string>

#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/Storyboard.h"

void InviteUserVC::viewDidLoad() {
  PlaceholderScreen::viewDidLoad();
  std::string text = "arrCategories:";
  for (const auto& category : arrCategories) {
    text += " " + category.text.value_or("") + " (" + category.value.value_or("") + ")";
  }
  auto label = std::make_shared<uikit::Label>();
  label->setText(text);
  label->setAccessibilityIdentifier("values");
  view()->addSubview(label);
}

void InviteUserVC::registerScene() {
  uikit::Storyboard::registerScene(kStoryboard, "InviteUserVC", [] {
    uikit::StoryboardSceneContents contents;
    contents.controller = std::make_shared<InviteUserVC>();
    return contents;
  });
}
