// A window: the root of a view hierarchy with a replaceable root controller.
#pragma once

#include <memory>

#include "Platform/UIKit/View.h"

namespace uikit {

class ViewController;
class WindowScene;

// Posted when another window becomes key; object: the window that resigned
// (std::shared_ptr<Window>).
inline constexpr const char* kWindowDidResignKeyNotification = "UIWindowDidResignKeyNotification";

class Window : public View {
 public:
  Window();
  explicit Window(const std::shared_ptr<WindowScene>& scene);
  ~Window() override;

  std::shared_ptr<ViewController> rootViewController() const { return root_; }
  // Replaces the root: the old root's presentations are taken down, its view
  // leaves and the new root's view fills the window; appearance callbacks
  // run when the window is visible.
  void setRootViewController(const std::shared_ptr<ViewController>& controller);

  void makeKeyAndVisible();
  void makeKeyWindow();
  bool isKeyWindow() const;
  std::shared_ptr<WindowScene> windowScene() const { return scene_.lock(); }
  void setWindowScene(const std::shared_ptr<WindowScene>& scene);
  double windowLevel = 0;

  EdgeInsets safeAreaInsets() const override;

  // The status bar shows what the screen on top prefers (the top of the
  // presented chain, and of a navigation stack), read when a screen asks for
  // an appearance update.
  bool isStatusBarHidden() const { return statusBarHidden_; }
  void updateStatusBarAppearance();

 private:
  std::shared_ptr<ViewController> root_;
  std::weak_ptr<WindowScene> scene_;
  bool statusBarHidden_ = false;
};

}  // namespace uikit
