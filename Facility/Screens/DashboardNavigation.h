// What the dashboards' bar buttons and role switch do alike: the role
// switch screen, the notification list, and the new window root once a
// role has been chosen.
#pragma once

#include <memory>

#include "Facility/Screens/UserSelectionDelegate.h"
#include "Platform/UIKit/ViewController.h"

class DashboardNavigation {
 public:
  // Pushes, animated, on the screen's navigation controller; nothing
  // without a screen or a navigation controller.
  static void push(uikit::ViewController& from, const uikit::ViewControllerPtr& screen);
  // The role switch, which reports the chosen role to delegate.
  static void openProfile(uikit::ViewController& from, const std::shared_ptr<UserSelectionDelegate>& delegate);
  static void openNotifications(uikit::ViewController& from);
  // The stored role becomes the scene's user type and the window gets the
  // dashboard of that role; nothing without a scene.
  static void rebuildRootForStoredRole();
};
