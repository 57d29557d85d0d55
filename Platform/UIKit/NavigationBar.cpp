#include "Platform/UIKit/NavigationBar.h"

namespace uikit {

namespace {
std::shared_ptr<NavigationBar>& proxySlot() {
  static std::shared_ptr<NavigationBar> proxy;
  return proxy;
}
}  // namespace

NavigationBar::NavigationBar() {
  auto& proxy = proxySlot();
  if (proxy && proxy.get() != this) {
    barTintColor = proxy->barTintColor;
    isTranslucent = proxy->isTranslucent;
    titleTextAttributes = proxy->titleTextAttributes;
    standardAppearance = proxy->standardAppearance;
    scrollEdgeAppearance = proxy->scrollEdgeAppearance;
    compactScrollEdgeAppearance = proxy->compactScrollEdgeAppearance;
    if (auto tint = proxy->tintColorIfSet()) setTintColor(*tint);
  }
}

NavigationBar& NavigationBar::appearance() {
  auto& proxy = proxySlot();
  if (!proxy) {
    proxy = std::shared_ptr<NavigationBar>(new NavigationBar());
  }
  return *proxy;
}

void NavigationBar::resetAppearance() { proxySlot() = nullptr; }

}  // namespace uikit
