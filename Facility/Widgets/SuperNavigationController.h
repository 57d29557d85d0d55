// The app's navigation controller: a named subclass, so screens can tell
// the app's stacks apart; it behaves exactly like its base.
#pragma once

#include "Platform/UIKit/NavigationController.h"

class SuperNavigationController : public uikit::NavigationController {
 public:
  using uikit::NavigationController::NavigationController;
  ~SuperNavigationController() override;
};
