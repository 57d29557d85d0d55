#include "Platform/UIKit/TabBarController.h"

#include <algorithm>

#include "Platform/UIKit/Device.h"

namespace uikit {

TabBarController::TabBarController() : tabBar_(std::make_shared<TabBar>()) {}

void TabBarController::loadView() {
  auto v = View::make(Device::screenBounds());
  setView(v);
  Rect b = v->bounds();
  double h = 49 + Device::current().safeAreaInsets.bottom;
  tabBar_->setFrame(Rect(0, b.height() - h, b.width(), h));
  v->addSubview(tabBar_);
  if (auto sel = selectedViewController()) {
    auto cv = sel->view();
    cv->setFrame(b);
    v->insertSubview(cv, 0);
  }
}

std::vector<ViewControllerPtr> TabBarController::appearanceChildren() const {
  if (auto s = selectedViewController()) return {s};
  return {};
}

ViewControllerPtr TabBarController::selectedViewController() const {
  return selected_ < tabs_.size() ? tabs_[selected_] : nullptr;
}

void TabBarController::setViewControllers(const std::vector<ViewControllerPtr>& controllers, bool animated) {
  (void)animated;
  auto old = selectedViewController();
  bool onScreen = appearance() == Appearance::kAppeared;
  for (const auto& t : tabs_) {
    if (std::find(controllers.begin(), controllers.end(), t) != controllers.end()) continue;
    if (t == old && onScreen) {
      t->beginAppearanceTransition(false, false);
      if (auto v = t->viewIfLoaded()) v->removeFromSuperview();
      t->endAppearanceTransition();
    } else if (auto v = t->viewIfLoaded(); v && v->superview() == viewIfLoaded()) {
      v->removeFromSuperview();
    }
    t->removeFromParentViewController();
  }
  tabs_.clear();
  tabBar_->items.clear();
  for (const auto& c : controllers) {
    if (!c) continue;
    if (c->parentViewController().get() != this) addChildViewController(c);
    tabs_.push_back(c);
    tabBar_->items.push_back(std::shared_ptr<TabBarItem>(c, &c->tabBarItem()));
  }
  std::size_t index = 0;
  if (old) {
    auto it = std::find(tabs_.begin(), tabs_.end(), old);
    if (it != tabs_.end()) index = static_cast<std::size_t>(it - tabs_.begin());
  }
  selected_ = kNotFound;
  if (!tabs_.empty()) show(index);
}

void TabBarController::setSelectedIndex(std::size_t index) {
  if (index >= tabs_.size()) return;
  show(index);
}

void TabBarController::setSelectedViewController(const ViewControllerPtr& vc) {
  auto it = std::find(tabs_.begin(), tabs_.end(), vc);
  if (it != tabs_.end()) show(static_cast<std::size_t>(it - tabs_.begin()));
}

bool TabBarController::userSelectTab(std::size_t index) {
  if (index >= tabs_.size()) return false;
  auto vc = tabs_[index];
  auto d = delegate();
  if (d && !d->tabBarControllerShouldSelectViewController(*this, vc)) return false;
  show(index);
  if (d) d->tabBarControllerDidSelectViewController(*this, vc);
  return true;
}

void TabBarController::show(std::size_t index) {
  if (index == selected_) return;
  auto old = selectedViewController();
  auto next = tabs_[index];
  bool onScreen = appearance() == Appearance::kAppeared;
  auto container = viewIfLoaded();
  if (onScreen && old) old->beginAppearanceTransition(false, false);
  if (onScreen) next->beginAppearanceTransition(true, false);
  selected_ = index;
  tabBar_->selectedItem = tabBar_->items[index];
  if (container) {
    if (old) {
      if (auto ov = old->viewIfLoaded(); ov && ov->superview() == container) ov->removeFromSuperview();
    }
    auto nv = next->view();
    nv->setFrame(container->bounds());
    container->insertSubviewBelow(nv, tabBar_);
  }
  if (onScreen && old) old->endAppearanceTransition();
  if (onScreen) next->endAppearanceTransition();
}

}  // namespace uikit
