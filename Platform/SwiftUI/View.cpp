#include "Platform/SwiftUI/View.h"

namespace swiftui {

View View::onAppear(Action action) const {
  View copy = *this;
  if (action) copy.appearActions_.push_back(std::move(action));
  return copy;
}

View View::onDisappear(Action action) const {
  View copy = *this;
  if (action) copy.disappearActions_.push_back(std::move(action));
  return copy;
}

void View::appear() {
  if (appeared_) return;
  appeared_ = true;
  // An action may drop the last copy of what it captured; run from a copy.
  const std::vector<Action> actions = appearActions_;
  for (const Action& action : actions) action();
}

void View::disappear() {
  if (!appeared_) return;
  appeared_ = false;
  const std::vector<Action> actions = disappearActions_;
  for (const Action& action : actions) action();
}

}  // namespace swiftui
