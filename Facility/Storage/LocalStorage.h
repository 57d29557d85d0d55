// Finding the app's scene delegate and the screen on top, and the
// become-active observer.
#pragma once

#include <functional>
#include <memory>

#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/UIKit/ViewController.h"

class SceneDelegate;
class SessionActions;

class LocalStorage {
 public:
  // The delegate of the first connected scene when it is ours, else none.
  // Defined by the app, which owns the scene delegate.
  static std::shared_ptr<SceneDelegate> currentSceneDelegate();
  // The session behind the first connected scene, for the layers below the app.
  static std::shared_ptr<SessionActions> currentSession();
  // Navigation controllers lead to their visible screen, tab bars to their
  // selection, presenters to what they present; none for no start.
  static uikit::ViewControllerPtr topViewController(const uikit::ViewControllerPtr& start);
  // The top screen of the current scene delegate's window, or none.
  static uikit::ViewControllerPtr topViewControllerOfSceneWindow();
  // Registered for the rest of the process; each call adds one.
  static void observeDidBecomeActive(std::function<void(const platform::Notification&)> callback);
};
