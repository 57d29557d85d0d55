#include "Platform/UIKit/Control.h"

#include <algorithm>

namespace uikit {

unsigned Control::state() const {
  unsigned s = kControlStateNormal;
  if (highlighted_) s |= kControlStateHighlighted;
  if (!enabled_) s |= kControlStateDisabled;
  if (selected_) s |= kControlStateSelected;
  return s;
}

void Control::addAction(Action action, unsigned events) { actions_.push_back({events, false, {}, std::move(action)}); }

void Control::addTarget(const std::shared_ptr<const void>& target, Action action, unsigned events) {
  actions_.push_back({events, true, target, std::move(action)});
}

void Control::removeActions(unsigned events) {
  for (auto& e : actions_) e.events &= ~events;
  actions_.erase(std::remove_if(actions_.begin(), actions_.end(), [](const Entry& e) { return e.events == 0; }),
                 actions_.end());
}

int Control::actionCount(unsigned events) const {
  int n = 0;
  for (const auto& e : actions_) {
    if ((e.events & events) && (!e.hasTarget || !e.target.expired())) ++n;
  }
  return n;
}

void Control::sendActionsForControlEvents(unsigned events) {
  auto keep = sharedAs<Control>();
  auto entries = actions_;
  for (auto& e : entries) {
    if (!(e.events & events) || !e.action) continue;
    std::shared_ptr<const void> target;
    if (e.hasTarget) {
      target = e.target.lock();
      if (!target) continue;
    }
    e.action(*this);
  }
}

bool Control::isTappable() const { return enabled_ && isUserInteractionEnabled() && isVisibleOnScreen(); }

bool Control::tap() {
  if (!isTappable()) return false;
  setHighlighted(true);
  sendActionsForControlEvents(kControlEventTouchDown);
  setHighlighted(false);
  sendActionsForControlEvents(kControlEventTouchUpInside | kControlEventPrimaryActionTriggered);
  return true;
}

}  // namespace uikit
