// Finding the app's scene delegate and the screen on top, and the
// become-active observer.
#pragma once

#include <functional>
#include <memory>

#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/UIKit/ViewController.h"

class SceneDelegate;

class LocalStorage {
 public:
  // The delegate of the first connected scene when it is ours, else none.
  static std::shared_ptr<SceneDelegate> currentSceneDelegate();
  // Navigation controllers lead to their visible screen, tab bars to their
  // selection, presenters to what they present; none for no start.
  static uikit::ViewControllerPtr topViewController(const uikit::ViewControllerPtr& start);
  // The top screen of the current scene delegate's window, or none.
  static uikit::ViewControllerPtr topViewControllerOfSceneWindow();
  // Registered for the rest of the process; each call adds one.
  static void observeDidBecomeActive(std::function<void(const platform::Notification&)> callback);
};
