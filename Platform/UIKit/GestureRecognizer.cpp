#include "Platform/UIKit/GestureRecognizer.h"

#include "Platform/UIKit/View.h"

namespace uikit {

void GestureRecognizer::addTarget(Action action) { targets_.push_back({false, {}, std::move(action)}); }

void GestureRecognizer::addTarget(const std::shared_ptr<const void>& target, Action action) {
  targets_.push_back({true, target, std::move(action)});
}

Point GestureRecognizer::locationInView(const View* v) const {
  auto mine = view();
  if (!mine || !v || v == mine.get()) return location_;
  return mine->convertPointToView(location_, v);
}

void GestureRecognizer::requireGestureRecognizerToFail(const std::shared_ptr<GestureRecognizer>& other) {
  if (other && other.get() != this) mustFail_.push_back(other);
}

std::vector<std::shared_ptr<GestureRecognizer>> GestureRecognizer::failureRequirements() const {
  std::vector<std::shared_ptr<GestureRecognizer>> out;
  for (const auto& w : mustFail_) {
    if (auto g = w.lock()) out.push_back(g);
  }
  return out;
}

bool GestureRecognizer::canFire() {
  auto v = view();
  if (!enabled_ || !v || !v->isUserInteractionEnabled()) return false;
  for (const auto& other : failureRequirements()) {
    auto s = other->state();
    if (s == GestureState::kBegan || s == GestureState::kChanged) return false;
  }
  if (auto d = delegate(); d && !d->gestureRecognizerShouldBegin(*this)) return false;
  return true;
}

void GestureRecognizer::setState(GestureState s) {
  state_ = s;
  if (s == GestureState::kBegan || s == GestureState::kChanged || s == GestureState::kEnded ||
      s == GestureState::kCancelled) {
    sendActions();
  }
}

void GestureRecognizer::sendActions() {
  auto keep = sharedAs<GestureRecognizer>();
  auto targets = targets_;
  for (auto& t : targets) {
    std::shared_ptr<const void> owner;
    if (t.hasOwner) {
      owner = t.owner.lock();
      if (!owner) continue;
    }
    if (t.action) t.action(*this);
  }
}

bool TapGestureRecognizer::fire(Point location) {
  setLocation(location);
  if (!canFire()) return false;
  setState(GestureState::kEnded);
  setState(GestureState::kPossible);
  return true;
}

bool LongPressGestureRecognizer::fire(Point location) {
  setLocation(location);
  if (!canFire()) return false;
  setState(GestureState::kBegan);
  setState(GestureState::kEnded);
  setState(GestureState::kPossible);
  return true;
}

bool PanGestureRecognizer::begin(Point location, Point initialTranslation) {
  setLocation(location);
  translation_ = initialTranslation;
  if (!canFire()) {
    setState(GestureState::kFailed);
    return false;
  }
  setState(GestureState::kBegan);
  return true;
}

void PanGestureRecognizer::move(Point translation, Point velocity) {
  if (state() != GestureState::kBegan && state() != GestureState::kChanged) return;
  translation_ = translation;
  velocity_ = velocity;
  setState(GestureState::kChanged);
}

void PanGestureRecognizer::end() {
  if (state() != GestureState::kBegan && state() != GestureState::kChanged) return;
  setState(GestureState::kEnded);
}

void PanGestureRecognizer::cancel() {
  if (state() != GestureState::kBegan && state() != GestureState::kChanged) return;
  setState(GestureState::kCancelled);
}

}  // namespace uikit
