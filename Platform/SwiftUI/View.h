// A minimal declarative view: a value that carries the appearance and
// disappearance actions its modifiers attached. Copies share nothing mutable:
// modifying returns a new view. The hosting code (tests) calls appear() and
// disappear() as the view enters and leaves the screen; appear() runs every
// appearance action in the order attached, once per appearance.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Platform/SwiftUI/ViewModifier.h"

namespace swiftui {

class View {
 public:
  using Action = std::function<void()>;

  explicit View(std::string name = "") : name_(std::move(name)) {}

  const std::string& name() const { return name_; }

  View onAppear(Action action) const;
  View onDisappear(Action action) const;
  // The modifier's body applied to this view.
  View modifier(const ViewModifier& modifier) const { return modifier.body(*this); }

  // A second appear() without a disappear() in between does nothing.
  void appear();
  void disappear();
  bool isAppeared() const { return appeared_; }

 private:
  std::string name_;
  std::vector<Action> appearActions_;
  std::vector<Action> disappearActions_;
  bool appeared_ = false;
};

}  // namespace swiftui
