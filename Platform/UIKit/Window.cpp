#include "Platform/UIKit/Window.h"

#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/WindowScene.h"
#include "Platform/UIKit/ViewController.h"

namespace uikit {

Window::Window() : View(Device::screenBounds()) { setHidden(true); }

Window::Window(const std::shared_ptr<WindowScene>& scene) : Window() { scene_ = scene; }

Window::~Window() = default;

void Window::setWindowScene(const std::shared_ptr<WindowScene>& scene) { scene_ = scene; }

void Window::setRootViewController(const std::shared_ptr<ViewController>& controller) {
  if (controller == root_) return;
  auto keep = sharedAs<Window>();
  bool visible = !isHidden();
  auto old = root_;
  if (old) {
    old->tearDownPresentations();
    if (visible) old->beginAppearanceTransition(false, false);
    if (auto v = old->viewIfLoaded()) v->removeFromSuperview();
    if (visible) old->endAppearanceTransition();
  }
  root_ = controller;
  if (!controller) return;
  auto v = controller->view();
  v->setFrame(bounds());
  if (visible) controller->beginAppearanceTransition(true, false);
  insertSubview(v, 0);
  v->layoutIfNeeded();
  if (visible) controller->endAppearanceTransition();
}

void Window::makeKeyAndVisible() {
  auto self = sharedAs<Window>();
  if (auto scene = windowScene()) {
    bool known = false;
    for (const auto& w : scene->windows()) known |= w == self;
    if (!known) scene->addWindow(self);
  }
  Application::shared().registerWindow(self);
  makeKeyWindow();
  if (isHidden()) {
    setHidden(false);
    if (root_) {
      root_->beginAppearanceTransition(true, false);
      if (auto v = root_->view()) v->layoutIfNeeded();
      root_->endAppearanceTransition();
    }
  }
}

void Window::makeKeyWindow() {
  auto self = sharedAs<Window>();
  Application::shared().registerWindow(self);
  auto previous = Application::shared().keyWindow();
  Application::shared().setKeyWindow(self);
  if (previous && previous != self) {
    platform::NotificationCenter::defaultCenter().post(
        platform::Notification{kWindowDidResignKeyNotification, {}, previous});
  }
}

bool Window::isKeyWindow() const { return Application::shared().keyWindow().get() == this; }

EdgeInsets Window::safeAreaInsets() const { return Device::current().safeAreaInsets; }

void Window::updateStatusBarAppearance() {
  auto top = root_;
  while (top) {
    if (auto presented = top->presentedViewController(); presented && !presented->isBeingDismissed()) {
      top = presented;
    } else if (auto nav = std::dynamic_pointer_cast<NavigationController>(top); nav && nav->topViewController()) {
      top = nav->topViewController();
    } else {
      break;
    }
  }
  statusBarHidden_ = top && top->prefersStatusBarHidden();
}

}  // namespace uikit
