#include "Platform/UIKit/PageViewController.h"

#include "Platform/UIKit/Device.h"

namespace uikit {

void PageViewController::loadView() {
  auto v = View::make(Device::screenBounds());
  setView(v);
  if (!pages_.empty()) {
    auto pv = pages_.front()->view();
    pv->setFrame(v->bounds());
    v->addSubview(pv);
  }
}

std::vector<ViewControllerPtr> PageViewController::appearanceChildren() const {
  if (pages_.empty()) return {};
  return {pages_.front()};
}

void PageViewController::setViewControllers(const std::vector<ViewControllerPtr>& controllers,
                                            PageNavigationDirection direction, bool animated,
                                            std::function<void(bool)> completion) {
  (void)direction, (void)animated;
  auto keep = sharedAs<PageViewController>();
  ViewControllerPtr old = pages_.empty() ? nullptr : pages_.front();
  std::vector<ViewControllerPtr> next;
  for (const auto& c : controllers) {
    if (c) next.push_back(c);
  }
  ViewControllerPtr shown = next.empty() ? nullptr : next.front();
  const bool onScreen = appearance() == Appearance::kAppeared;
  auto container = viewIfLoaded();
  if (shown != old) {
    if (onScreen && old) old->beginAppearanceTransition(false, animated);
    if (shown && shown->parentViewController().get() != this) {
      addChildViewController(shown);
      shown->didMoveToParentViewController(this);
    }
    if (onScreen && shown) shown->beginAppearanceTransition(true, animated);
    if (container) {
      if (old) {
        if (auto ov = old->viewIfLoaded(); ov && ov->superview() == container) ov->removeFromSuperview();
      }
      if (shown) {
        auto nv = shown->view();
        nv->setFrame(container->bounds());
        container->addSubview(nv);
      }
    }
    if (onScreen && old) old->endAppearanceTransition();
    if (old) {
      old->willMoveToParentViewController(nullptr);
      old->removeFromParentViewController();
    }
    if (onScreen && shown) shown->endAppearanceTransition();
  }
  pages_ = std::move(next);
  if (completion) completion(true);
}

}  // namespace uikit
