#include "Facility/Screens/PlaceholderScreen.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/Storyboard.h"

void PlaceholderScreen::viewDidLoad() {
  auto label = std::make_shared<uikit::Label>();
  label->setText(screenName_ + " (not built yet)");
  label->setAccessibilityIdentifier("placeholder");
  view()->addSubview(label);
}

void PlaceholderScreen::registerMissingScenes() {
  // Every screen the start-up can show is built now; a stand-in goes here
  // while its screen is not.
  static const std::vector<std::pair<const char*, const char*>> kScenes = {};
  for (const auto& [storyboard, identifier] : kScenes) {
    auto existing = uikit::Storyboard::named(storyboard);
    if (existing) {
      auto ids = existing->identifiers();
      if (std::find(ids.begin(), ids.end(), identifier) != ids.end()) continue;
    }
    std::string name = identifier;
    uikit::Storyboard::registerScene(storyboard, identifier, [name] {
      uikit::StoryboardSceneContents contents;
      contents.controller = std::make_shared<PlaceholderScreen>(name);
      return contents;
    });
  }
}
