// The app's storyboards; a scene's identifier is its screen's class name.
#pragma once

#include <memory>
#include <string>

#include "Platform/UIKit/ViewController.h"

enum class StoryboardName { main, facilityAdmin, user, tenantAdmin };

namespace Storyboards {
std::string rawValue(StoryboardName name);
// The scene named after the class: the screen itself or, until that screen
// is part of the program, its placeholder. None for anything else.
uikit::ViewControllerPtr instantiateScreen(StoryboardName storyboard, const std::string& className);
}  // namespace Storyboards
