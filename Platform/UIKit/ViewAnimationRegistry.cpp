#include "Platform/UIKit/ViewAnimationRegistry.h"

#include <algorithm>

#include "Platform/Foundation/RunLoop.h"
#include "Platform/UIKit/View.h"

namespace uikit {

ViewAnimationRegistry& ViewAnimationRegistry::shared() {
  static ViewAnimationRegistry registry;
  return registry;
}

void ViewAnimationRegistry::run(double delay, double duration, const std::function<void()>& animations,
                                std::function<void(bool)> completion) {
  auto p = std::make_shared<Pending>();
  p->completion = std::move(completion);
  open_.push_back(p);
  if (animations) animations();
  open_.erase(std::find(open_.begin(), open_.end(), p));
  bool animated = enabled_ && disabledDepth == 0;
  // A block that changed nothing animatable ends in the next turn.
  double total = (animated && !p->views.empty()) ? std::max(0.0, delay) + std::max(0.0, duration) : 0.0;
  pending_.push_back(p);
  std::weak_ptr<Pending> weak = p;
  p->due = platform::RunLoop::main().asyncAfter(total, [this, weak] {
    if (auto self = weak.lock()) {
      // A view that was released meanwhile has left its window.
      bool alive = std::all_of(self->views.begin(), self->views.end(),
                               [](const std::weak_ptr<View>& v) { return !v.expired(); });
      finish(self, alive);
    }
  });
}

void ViewAnimationRegistry::noteChange(View& view) {
  if (open_.empty()) return;
  auto& p = open_.back();
  for (const auto& w : p->views) {
    if (auto v = w.lock(); v && v.get() == &view) return;
  }
  p->views.push_back(view.sharedAs<View>());
}

void ViewAnimationRegistry::cancelAnimations(const View& view) {
  std::vector<std::shared_ptr<Pending>> hit;
  for (const auto& p : pending_) {
    for (const auto& w : p->views) {
      if (auto v = w.lock(); v && v.get() == &view) {
        hit.push_back(p);
        break;
      }
    }
  }
  for (const auto& p : hit) {
    if (p->due) p->due->cancel();
    p->due = nullptr;
    // The completion runs in a later turn, never inside the caller's call.
    pending_.erase(std::find(pending_.begin(), pending_.end(), p));
    platform::RunLoop::main().async([this, p] { finish(p, false); });
  }
}

int ViewAnimationRegistry::countFor(const View& view) const {
  int n = 0;
  for (const auto& p : pending_) {
    for (const auto& w : p->views) {
      if (auto v = w.lock(); v && v.get() == &view) {
        ++n;
        break;
      }
    }
  }
  return n;
}

void ViewAnimationRegistry::reset() {
  for (const auto& p : pending_) {
    if (p->due) p->due->cancel();
    p->done = true;
  }
  pending_.clear();
  open_.clear();
  disabledDepth = 0;
  enabled_ = true;
}

void ViewAnimationRegistry::finish(const std::shared_ptr<Pending>& p, bool finished) {
  if (p->done) return;
  p->done = true;
  auto it = std::find(pending_.begin(), pending_.end(), p);
  if (it != pending_.end()) pending_.erase(it);
  auto completion = std::move(p->completion);
  p->completion = nullptr;
  if (completion) completion(finished);
}

}  // namespace uikit
