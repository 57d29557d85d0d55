// Bookkeeping of pending block animations: which views each touches, when
// its completion is due, and ending it early when a view's animations are
// removed or the view leaves its window.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Platform/Foundation/DispatchWorkItem.h"

namespace uikit {

class View;

class ViewAnimationRegistry {
 public:
  struct Pending {
    std::vector<std::weak_ptr<View>> views;
    std::function<void(bool)> completion;
    platform::DispatchWorkItemPtr due;
    bool done = false;
  };

  static ViewAnimationRegistry& shared();

  // Runs animations with a fresh pending record open; schedules its end.
  void run(double delay, double duration, const std::function<void()>& animations,
           std::function<void(bool)> completion);
  // A view's animatable property changed.
  void noteChange(View& view);
  // Ends the animations that touch view with finished = false.
  void cancelAnimations(const View& view);
  int countFor(const View& view) const;
  // Forgets every pending animation without running its completion (test teardown).
  void reset();
  void setEnabled(bool enabled) { enabled_ = enabled; }
  bool enabled() const { return enabled_; }
  int disabledDepth = 0;

 private:
  void finish(const std::shared_ptr<Pending>& p, bool finished);
  std::vector<std::shared_ptr<Pending>> open_;     // blocks being run (nesting)
  std::vector<std::shared_ptr<Pending>> pending_;  // awaiting their end
  bool enabled_ = true;
};

}  // namespace uikit
