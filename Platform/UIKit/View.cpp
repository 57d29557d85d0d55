#include "Platform/UIKit/View.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>

#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/GestureRecognizer.h"
#include "Platform/UIKit/ViewAnimationRegistry.h"
#include "Platform/UIKit/ViewController.h"
#include "Platform/UIKit/Window.h"

namespace uikit {

View::View() = default;

View::View(const Rect& frame) { setFrame(frame); }

View::~View() { *selfCell_ = nullptr; }

const LayerPtr& View::layerPtr() const {
  if (!layer_) {
    layer_ = makeLayer();
    layer_->setFrame(frame());
    auto cell = selfCell_;
    layer_->setRemoveAllAnimationsHook([cell] {
      if (*cell) ViewAnimationRegistry::shared().cancelAnimations(**cell);
    });
    layer_->setDrawHook([cell] {
      // The view is never const itself; layers reach it through this cell.
      if (!*cell) return;
      auto* view = const_cast<View*>(*cell);
      view->needsDisplay_ = false;
      view->drawRect(view->bounds());
    });
  }
  return layer_;
}

LayerPtr View::makeLayer() const { return std::make_shared<Layer>(); }

// ---- geometry ----

Rect View::frame() const {
  if (transform_.isIdentity()) {
    return Rect(center_.x - boundsSize_.width / 2, center_.y - boundsSize_.height / 2, boundsSize_.width,
                boundsSize_.height);
  }
  double hw = boundsSize_.width / 2, hh = boundsSize_.height / 2;
  Point corners[4] = {{-hw, -hh}, {hw, -hh}, {-hw, hh}, {hw, hh}};
  double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
  for (auto c : corners) {
    Point t = transform_.apply(c);
    minX = std::min(minX, t.x);
    maxX = std::max(maxX, t.x);
    minY = std::min(minY, t.y);
    maxY = std::max(maxY, t.y);
  }
  return Rect(center_.x + minX, center_.y + minY, maxX - minX, maxY - minY);
}

void View::setFrame(const Rect& f) {
  noteAnimatableChange();
  bool resized = f.size != boundsSize_;
  center_ = {f.midX(), f.midY()};
  boundsSize_ = f.size;
  if (layer_) layer_->setFrame(frame());
  if (resized) setNeedsLayout();
}

void View::setBounds(const Rect& b) {
  noteAnimatableChange();
  bool resized = b.size != boundsSize_;
  boundsOrigin_ = b.origin;
  boundsSize_ = b.size;
  if (layer_) layer_->setFrame(frame());
  if (resized) setNeedsLayout();
}

void View::setCenter(Point c) {
  noteAnimatableChange();
  center_ = c;
  if (layer_) layer_->setFrame(frame());
}

void View::setTransform(const AffineTransform& t) {
  noteAnimatableChange();
  transform_ = t;
  if (layer_) layer_->setFrame(frame());
}

void View::setAlpha(double a) {
  noteAnimatableChange();
  alpha_ = a;
  layer().opacity = a;
}

void View::setHidden(bool h) { hidden_ = h; }

void View::setBackgroundColor(std::optional<Color> color) {
  noteAnimatableChange();
  backgroundColor_ = color;
  layer().backgroundColor = std::move(color);
}

Color View::tintColor() const {
  for (const View* v = this; v; v = v->superview_.lock().get()) {
    if (v->tintColor_) return *v->tintColor_;
  }
  return Color::systemBlue();
}

void View::noteAnimatableChange() {
  if (weak_from_this().expired()) return;
  ViewAnimationRegistry::shared().noteChange(*this);
}

// ---- hierarchy ----

ViewPtr View::viewWithTag(long tag) {
  if (tag_ == tag) return sharedAs<View>();
  for (const auto& sub : subviews_) {
    if (auto found = sub->viewWithTag(tag)) return found;
  }
  return nullptr;
}

std::shared_ptr<Window> View::window() const {
  const View* v = this;
  while (v) {
    if (auto w = dynamic_cast<const Window*>(v)) return std::const_pointer_cast<Window>(w->sharedAs<Window>());
    v = v->superview_.lock().get();
  }
  return nullptr;
}

bool View::isVisibleOnScreen() const {
  for (const View* v = this; v; v = v->superview_.lock().get()) {
    if (v->hidden_ || v->alpha_ <= 0.01) return false;
  }
  return true;
}

void View::addSubview(const ViewPtr& view) { insertSubview(view, subviews_.size()); }

void View::insertSubview(const ViewPtr& view, std::size_t index) {
  if (!view || view.get() == this || isDescendantOfView(*view)) return;
  auto keep = view;  // stays alive while it moves between parents
  auto oldParent = view->superview();
  Window* oldWindow = view->window().get();
  auto newWindowPtr = window();
  Window* newWindow = newWindowPtr.get();
  if (oldParent.get() == this) {
    auto it = std::find(subviews_.begin(), subviews_.end(), view);
    std::size_t cur = static_cast<std::size_t>(it - subviews_.begin());
    subviews_.erase(it);
    if (index > cur) --index;
    index = std::min(index, subviews_.size());
    subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), view);
    return;
  }
  view->willMoveToSuperview(this);
  if (oldWindow != newWindow) view->moveToWindow(newWindow, oldWindow);
  if (oldParent) {
    oldParent->willRemoveSubview(*view);
    auto& v = oldParent->subviews_;
    v.erase(std::remove(v.begin(), v.end(), view), v.end());
  }
  index = std::min(index, subviews_.size());
  subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), view);
  view->superview_ = sharedAs<View>();
  layer().addSublayer(view->layerPtr());
  view->didMoveToSuperview();
  didAddSubview(*view);
  setNeedsLayout();
}

void View::insertSubviewBelow(const ViewPtr& view, const ViewPtr& sibling) {
  auto it = std::find(subviews_.begin(), subviews_.end(), sibling);
  insertSubview(view, it == subviews_.end() ? subviews_.size() : static_cast<std::size_t>(it - subviews_.begin()));
}

void View::insertSubviewAbove(const ViewPtr& view, const ViewPtr& sibling) {
  auto it = std::find(subviews_.begin(), subviews_.end(), sibling);
  insertSubview(view,
                it == subviews_.end() ? subviews_.size() : static_cast<std::size_t>(it - subviews_.begin()) + 1);
}

void View::bringSubviewToFront(const ViewPtr& view) {
  auto it = std::find(subviews_.begin(), subviews_.end(), view);
  if (it == subviews_.end()) return;
  subviews_.erase(it);
  subviews_.push_back(view);
}

void View::sendSubviewToBack(const ViewPtr& view) {
  auto it = std::find(subviews_.begin(), subviews_.end(), view);
  if (it == subviews_.end()) return;
  subviews_.erase(it);
  subviews_.insert(subviews_.begin(), view);
}

void View::removeFromSuperview() {
  auto parent = superview();
  if (!parent) return;
  auto self = sharedAs<View>();
  auto oldWindowPtr = window();
  willMoveToSuperview(nullptr);
  if (oldWindowPtr) moveToWindow(nullptr, oldWindowPtr.get());
  parent->willRemoveSubview(*this);
  auto& v = parent->subviews_;
  v.erase(std::remove_if(v.begin(), v.end(), [this](const ViewPtr& p) { return p.get() == this; }), v.end());
  superview_.reset();
  if (layer_) layer_->removeFromSuperlayer();
  // Constraints that tie this view to its old ancestors go with the move.
  for (View* a = parent.get(); a; a = a->superview_.lock().get()) {
    auto& cs = a->constraints_;
    for (auto it = cs.begin(); it != cs.end();) {
      auto f = (*it)->firstItem();
      auto s = (*it)->secondItem();
      bool touches = (f && (f.get() == this || f->isDescendantOfView(*this))) ||
                     (s && (s.get() == this || s->isDescendantOfView(*this)));
      if (touches) {
        (*it)->active_ = false;
        (*it)->owner_.reset();
        it = cs.erase(it);
      } else {
        ++it;
      }
    }
  }
  didMoveToSuperview();
  parent->setNeedsLayout();
}

void View::moveToWindow(Window* newWindow, Window* oldWindow) {
  willMoveToWindow(newWindow);
  if (oldWindow && !newWindow) {
    // Leaving the window ends the view's running animations, unfinished.
    ViewAnimationRegistry::shared().cancelAnimations(*this);
    if (isFirstResponder()) resignFirstResponder();
  }
  for (const auto& sub : subviews_) sub->moveToWindow(newWindow, oldWindow);
  didMoveToWindow();
}

bool View::isDescendantOfView(const View& view) const {
  for (const View* v = this; v; v = v->superview_.lock().get()) {
    if (v == &view) return true;
  }
  return false;
}

// ---- constraints ----

void View::addConstraint(const LayoutConstraintPtr& c) {
  if (!c) return;
  if (std::find(constraints_.begin(), constraints_.end(), c) == constraints_.end()) constraints_.push_back(c);
  c->active_ = true;
  c->owner_ = sharedAs<View>();
  setNeedsLayout();
}

void View::addConstraints(const std::vector<LayoutConstraintPtr>& cs) {
  for (const auto& c : cs) addConstraint(c);
}

void View::removeConstraint(const LayoutConstraintPtr& c) {
  auto it = std::find(constraints_.begin(), constraints_.end(), c);
  if (it == constraints_.end()) return;
  constraints_.erase(it);
  c->active_ = false;
  c->owner_.reset();
  setNeedsLayout();
}

void View::removeConstraints(const std::vector<LayoutConstraintPtr>& cs) {
  for (const auto& c : cs) removeConstraint(c);
}

// ---- layout engine ----

namespace {

bool isHorizontal(LayoutAttribute a) {
  switch (a) {
    case LayoutAttribute::kLeft:
    case LayoutAttribute::kRight:
    case LayoutAttribute::kLeading:
    case LayoutAttribute::kTrailing:
    case LayoutAttribute::kWidth:
    case LayoutAttribute::kCenterX:
      return true;
    default:
      return false;
  }
}

enum class Edge { kMin, kMax, kCenter, kSize, kNone };

Edge edgeOf(LayoutAttribute a) {
  switch (a) {
    case LayoutAttribute::kLeft:
    case LayoutAttribute::kLeading:
    case LayoutAttribute::kTop:
      return Edge::kMin;
    case LayoutAttribute::kRight:
    case LayoutAttribute::kTrailing:
    case LayoutAttribute::kBottom:
      return Edge::kMax;
    case LayoutAttribute::kCenterX:
    case LayoutAttribute::kCenterY:
      return Edge::kCenter;
    case LayoutAttribute::kWidth:
    case LayoutAttribute::kHeight:
      return Edge::kSize;
    default:
      return Edge::kNone;
  }
}

// A constraint seen from one view S: S.edge rel other.otherEdge * m + c.
struct Rel {
  Edge edge;
  const View* other;  // null: a constant
  Edge otherEdge;
  LayoutRelation relation;
  double multiplier;
  double constant;
  float priority;
};

LayoutRelation flip(LayoutRelation r) {
  if (r == LayoutRelation::kLessThanOrEqual) return LayoutRelation::kGreaterThanOrEqual;
  if (r == LayoutRelation::kGreaterThanOrEqual) return LayoutRelation::kLessThanOrEqual;
  return r;
}

// Constraints of the axis that mention view, normalised with view first.
std::vector<Rel> relationsOf(const View& view, bool horizontal, const std::vector<const View*>& owners) {
  std::vector<Rel> out;
  for (const View* owner : owners) {
    if (!owner) continue;
    for (const auto& c : owner->constraints()) {
      if (!c->isActive() || isHorizontal(c->firstAttribute()) != horizontal) continue;
      auto f = c->firstItem();
      auto s = c->secondItem();
      if (f.get() == &view) {
        out.push_back({edgeOf(c->firstAttribute()), s.get(), edgeOf(c->secondAttribute()), c->relation(),
                       c->multiplier(), c->constant(), c->priority()});
      } else if (s.get() == &view && f && c->multiplier() != 0) {
        // f.a = view.b * m + c  <=>  view.b = f.a / m - c / m
        out.push_back({edgeOf(c->secondAttribute()), f.get(), edgeOf(c->firstAttribute()), flip(c->relation()),
                       1.0 / c->multiplier(), -c->constant() / c->multiplier(), c->priority()});
      }
    }
  }
  return out;
}

double axisSize(const Size& s, bool horizontal) { return horizontal ? s.width : s.height; }

struct Candidate {
  double extent;
  float priority;
};

}  // namespace

Size View::sizeThatFits(Size size) const {
  (void)size;
  Size s = intrinsicContentSize();
  if (s.width < 0 || s.height < 0) return bounds().size;
  return s;
}

void View::sizeToFit() {
  Size s = sizeThatFits(bounds().size);
  Rect f = frame();
  setFrame(Rect(f.origin, s));
}

Size View::contentFittingSize(double maxWidth) const {
  Size intrinsic = intrinsicContentSizeForWidth(maxWidth);
  Size result{std::max(0.0, intrinsic.width), std::max(0.0, intrinsic.height)};
  if (subviews_.empty()) return result;

  for (int axis = 0; axis < 2; ++axis) {
    bool horizontal = axis == 0;
    std::vector<Candidate> candidates;
    // Sizes of the subviews and their leading/top offsets from this view.
    std::vector<const View*> subs;
    for (const auto& s : subviews_) subs.push_back(s.get());
    auto subviewSize = [&](const View* s) -> Size {
      double avail = 0;
      if (horizontal) return s->systemLayoutSizeFittingSize({0, 0});
      // Vertical: measure with the width the horizontal chain allows.
      if (maxWidth > 0) {
        double lead = 0, trail = 0;
        bool hasLead = false, hasTrail = false;
        for (const Rel& r : relationsOf(*s, true, {this, s})) {
          if (r.other != this || r.relation != LayoutRelation::kEqual) continue;
          if (r.edge == Edge::kMin && r.otherEdge == Edge::kMin) { lead = r.constant; hasLead = true; }
          if (r.edge == Edge::kMax && r.otherEdge == Edge::kMax) { trail = -r.constant; hasTrail = true; }
          if (r.edge == Edge::kCenter && r.otherEdge == Edge::kCenter && hasLead) trail = lead;
        }
        (void)hasTrail;
        avail = maxWidth - lead - trail;
      }
      return s->systemLayoutSizeFittingSize({avail > 0 ? avail : 0, 0});
    };
    // Offset of a subview's min edge from our min edge, with the weakest
    // priority along the chain that fixes it.
    struct Offset {
      bool known = false;
      double value = 0;
      float priority = 0;
    };
    std::vector<int> visiting(subs.size(), 0);
    auto indexOf = [&](const View* v) -> int {
      for (std::size_t i = 0; i < subs.size(); ++i) {
        if (subs[i] == v) return static_cast<int>(i);
      }
      return -1;
    };
    std::function<std::vector<Offset>(int)> minOffsets = [&](int i) -> std::vector<Offset> {
      // Chains are followed without caching: a result cut short by a cycle
      // must not stand for the full answer.
      if (visiting[static_cast<std::size_t>(i)] == 1) return {};
      visiting[static_cast<std::size_t>(i)] = 1;
      const View* s = subs[static_cast<std::size_t>(i)];
      std::vector<Offset> out;
      double size = axisSize(subviewSize(s), horizontal);
      for (const Rel& r : relationsOf(*s, horizontal, {this, s})) {
        if (r.relation != LayoutRelation::kEqual) continue;
        if (r.other == this && r.otherEdge == Edge::kMin) {
          double base = r.constant;
          if (r.edge == Edge::kMin) out.push_back({true, base, r.priority});
          if (r.edge == Edge::kCenter) out.push_back({true, base - size / 2, r.priority});
          if (r.edge == Edge::kMax) out.push_back({true, base - size, r.priority});
        } else if (r.other && r.other != this) {
          int j = indexOf(r.other);
          if (j < 0) continue;
          double otherSize = axisSize(subviewSize(r.other), horizontal);
          for (const Offset& o : minOffsets(j)) {
            double edgePos = o.value;
            if (r.otherEdge == Edge::kMax) edgePos += otherSize;
            if (r.otherEdge == Edge::kCenter) edgePos += otherSize / 2;
            if (r.otherEdge == Edge::kSize) continue;
            double base = edgePos + r.constant;
            float pr = std::min(o.priority, r.priority);
            if (r.edge == Edge::kMin) out.push_back({true, base, pr});
            if (r.edge == Edge::kCenter) out.push_back({true, base - size / 2, pr});
            if (r.edge == Edge::kMax) out.push_back({true, base - size, pr});
          }
        }
      }
      visiting[static_cast<std::size_t>(i)] = 0;
      return out;
    };
    for (std::size_t i = 0; i < subs.size(); ++i) {
      const View* s = subs[i];
      double size = axisSize(subviewSize(s), horizontal);
      auto offsets = minOffsets(static_cast<int>(i));
      for (const Rel& r : relationsOf(*s, horizontal, {this, s})) {
        if (r.other != this || r.relation != LayoutRelation::kEqual) continue;
        if (r.edge == Edge::kMax && r.otherEdge == Edge::kMax) {
          for (const Offset& o : offsets) {
            candidates.push_back({o.value + size - r.constant, std::min(o.priority, r.priority)});
          }
        }
        if (r.edge == Edge::kCenter && r.otherEdge == Edge::kCenter && r.multiplier == 1) {
          // Centred: the extent mirrors the min-edge offset around the centre.
          for (const Offset& o : offsets) {
            candidates.push_back({2 * o.value + size - 2 * r.constant, std::min(o.priority, r.priority)});
          }
        }
      }
    }
    if (!candidates.empty()) {
      float best = 0;
      for (const auto& c : candidates) best = std::max(best, c.priority);
      double extent = 0;
      for (const auto& c : candidates) {
        if (c.priority == best) extent = std::max(extent, c.extent);
      }
      if (horizontal) {
        result.width = std::max(result.width, extent);
      } else {
        result.height = std::max(result.height, extent);
      }
    }
  }
  return result;
}

Size View::systemLayoutSizeFittingSize(Size target) const {
  std::optional<double> fixed[2];
  double upper[2] = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
  double lower[2] = {0, 0};
  float fixedPriority[2] = {0, 0};
  for (const auto& c : constraints_) {
    if (!c->isActive() || c->firstItem().get() != this || c->secondItem()) continue;
    int axis = c->firstAttribute() == LayoutAttribute::kWidth ? 0 : c->firstAttribute() == LayoutAttribute::kHeight ? 1 : -1;
    if (axis < 0) continue;
    if (c->relation() == LayoutRelation::kEqual) {
      if (!fixed[axis] || c->priority() > fixedPriority[axis]) {
        fixed[axis] = c->constant();
        fixedPriority[axis] = c->priority();
      }
    } else if (c->relation() == LayoutRelation::kLessThanOrEqual) {
      upper[axis] = std::min(upper[axis], c->constant());
    } else {
      lower[axis] = std::max(lower[axis], c->constant());
    }
  }
  double maxWidth = target.width > 0 ? target.width : 0;
  if (fixed[0]) maxWidth = *fixed[0];
  if (std::isfinite(upper[0])) maxWidth = maxWidth > 0 ? std::min(maxWidth, upper[0]) : upper[0];
  Size content = (fixed[0] && fixed[1]) ? Size{*fixed[0], *fixed[1]} : contentFittingSize(maxWidth);
  double w = fixed[0] ? *fixed[0] : std::clamp(content.width, lower[0], std::max(lower[0], upper[0]));
  double h = fixed[1] ? *fixed[1] : std::clamp(content.height, lower[1], std::max(lower[1], upper[1]));
  return {w, h};
}

void View::applyConstraintLayout() {
  // Two passes so that siblings placed in the first are known in the second.
  for (int pass = 0; pass < 2; ++pass) {
    for (const auto& subPtr : subviews_) {
      View* s = subPtr.get();
      if (s->translatesAutoresizing_) continue;
      Rect f = s->frame();
      double pos[2] = {f.x(), f.y()};
      double size[2] = {f.width(), f.height()};
      Size fit{-1, -1};
      for (int axis = 0; axis < 2; ++axis) {
        bool horizontal = axis == 0;
        auto rels = relationsOf(*s, horizontal, {this, s});
        double parentSize = horizontal ? bounds().width() : bounds().height();
        std::optional<double> minPos, maxPos, centerPos, sz;
        float szPriority = -1;
        for (const Rel& r : rels) {
          if (r.relation != LayoutRelation::kEqual) continue;
          auto posOf = [&](const View* o, Edge e) -> std::optional<double> {
            if (o == this) {
              if (e == Edge::kMin) return 0.0;
              if (e == Edge::kMax) return parentSize;
              if (e == Edge::kCenter) return parentSize / 2;
              return std::nullopt;
            }
            if (o && o->superview_.lock().get() == this) {
              Rect of = o->frame();
              double mn = horizontal ? of.x() : of.y();
              double ln = horizontal ? of.width() : of.height();
              if (e == Edge::kMin) return mn;
              if (e == Edge::kMax) return mn + ln;
              if (e == Edge::kCenter) return mn + ln / 2;
            }
            return std::nullopt;
          };
          if (r.edge == Edge::kSize) {
            double value;
            if (!r.other) {
              value = r.constant;
            } else if (r.other == this && r.otherEdge == Edge::kSize) {
              value = parentSize * r.multiplier + r.constant;
            } else if (r.other->superview_.lock().get() == this && r.otherEdge == Edge::kSize) {
              Rect of = r.other->frame();
              value = (horizontal ? of.width() : of.height()) * r.multiplier + r.constant;
            } else {
              continue;
            }
            if (r.priority > szPriority) {
              sz = value;
              szPriority = r.priority;
            }
            continue;
          }
          auto base = posOf(r.other, r.otherEdge);
          if (!base) continue;
          double value = (r.other == this && r.otherEdge == Edge::kCenter) ? parentSize / 2 * r.multiplier + r.constant
                                                                          : *base + r.constant;
          if (r.edge == Edge::kMin && !minPos) minPos = value;
          if (r.edge == Edge::kMax && !maxPos) maxPos = value;
          if (r.edge == Edge::kCenter && !centerPos) centerPos = value;
        }
        double length;
        if (sz) {
          length = *sz;
        } else if (minPos && maxPos) {
          length = *maxPos - *minPos;
        } else {
          if (fit.width < 0) fit = s->systemLayoutSizeFittingSize({horizontal ? 0 : size[0], 0});
          length = horizontal ? fit.width : fit.height;
          if (!horizontal && fit.width >= 0 && size[0] > 0) {
            length = s->systemLayoutSizeFittingSize({size[0], 0}).height;
          }
        }
        size[axis] = std::max(0.0, length);
        if (minPos) {
          pos[axis] = *minPos;
        } else if (centerPos) {
          pos[axis] = *centerPos - size[axis] / 2;
        } else if (maxPos) {
          pos[axis] = *maxPos - size[axis];
        }
      }
      Rect nf(pos[0], pos[1], size[0], size[1]);
      if (nf != s->frame()) s->setFrame(nf);
    }
  }
}

void View::layoutSubviews() { applyConstraintLayout(); }

void View::layoutSubtree() {
  auto vc = viewController_.lock();
  if (vc) vc->viewWillLayoutSubviews();
  layoutSubviews();
  if (vc) vc->viewDidLayoutSubviews();
  auto subs = subviews_;
  for (const auto& s : subs) s->layoutSubtree();
}

void View::layoutIfNeeded() { layoutSubtree(); }

EdgeInsets View::safeAreaInsets() const {
  auto w = window();
  if (!w) return {};
  EdgeInsets wi = w->safeAreaInsets();
  if (w.get() == this) return wi;
  Rect r = convertRectToView(bounds(), w.get());
  Rect wb = w->bounds();
  EdgeInsets out;
  out.top = std::max(0.0, wi.top - r.y());
  out.left = std::max(0.0, wi.left - r.x());
  out.bottom = std::max(0.0, r.maxY() - (wb.height() - wi.bottom));
  out.right = std::max(0.0, r.maxX() - (wb.width() - wi.right));
  return out;
}

// ---- coordinates ----

Point View::originInRoot() const {
  // The position of our bounds origin in root coordinates.
  Point p{0, 0};
  const View* v = this;
  while (v) {
    auto parent = v->superview_.lock();
    Rect f = v->frame();
    p.x += f.x() - v->boundsOrigin_.x;
    p.y += f.y() - v->boundsOrigin_.y;
    if (!parent) {
      // The root's own frame origin is the root coordinate origin.
      p.x -= f.x();
      p.y -= f.y();
    }
    v = parent.get();
  }
  return p;
}

Point View::convertPointToView(Point pt, const View* view) const {
  Point a = originInRoot();
  Point b = view ? view->originInRoot() : Point{0, 0};
  return {pt.x + a.x - b.x, pt.y + a.y - b.y};
}

Point View::convertPointFromView(Point pt, const View* view) const {
  Point a = view ? view->originInRoot() : Point{0, 0};
  Point b = originInRoot();
  return {pt.x + a.x - b.x, pt.y + a.y - b.y};
}

Rect View::convertRectToView(const Rect& r, const View* view) const {
  return Rect(convertPointToView(r.origin, view), r.size);
}

Rect View::convertRectFromView(const Rect& r, const View* view) const {
  return Rect(convertPointFromView(r.origin, view), r.size);
}

// ---- gestures ----

void View::addGestureRecognizer(const std::shared_ptr<GestureRecognizer>& g) {
  if (!g) return;
  if (auto old = g->view(); old && old.get() != this) old->removeGestureRecognizer(g);
  if (std::find(gestures_.begin(), gestures_.end(), g) == gestures_.end()) gestures_.push_back(g);
  g->setView(sharedAs<View>());
}

void View::removeGestureRecognizer(const std::shared_ptr<GestureRecognizer>& g) {
  auto it = std::find(gestures_.begin(), gestures_.end(), g);
  if (it == gestures_.end()) return;
  // `g` may be the list's own element (a caller passing
  // gestureRecognizers().back()): keep the recogniser past the erase.
  const std::shared_ptr<GestureRecognizer> removed = *it;
  gestures_.erase(it);
  removed->setView(nullptr);
}

// ---- traits ----

TraitCollection View::traitCollection() const {
  const auto& device = Device::current();
  TraitCollection t;
  t.userInterfaceStyle = UserInterfaceStyle::kLight;
  t.verticalSizeClass = UserInterfaceSizeClass::kRegular;
  t.horizontalSizeClass =
      device.model == "iPad" ? UserInterfaceSizeClass::kRegular : UserInterfaceSizeClass::kCompact;
  std::vector<const View*> chain{this};
  for (auto v = superview(); v; v = v->superview()) chain.push_back(v.get());
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) t = (*it)->traitOverride_.over(t);
  return t;
}

void View::setOverrideTraitCollection(const TraitCollection& traits) {
  std::vector<std::pair<View*, TraitCollection>> before;
  std::function<void(View&)> collect = [&](View& v) {
    before.emplace_back(&v, v.traitCollection());
    for (const auto& sub : v.subviews_) collect(*sub);
  };
  collect(*this);
  traitOverride_ = traits;
  // The views stay alive: the subtree is owned by the receiver, which the
  // caller holds.
  for (const auto& [view, previous] : before) {
    if (view->traitCollection() == previous) continue;
    view->traitCollectionDidChange(previous);
    if (auto vc = view->owningViewController()) vc->traitCollectionDidChange(previous);
  }
}

void View::setOverrideUserInterfaceStyle(UserInterfaceStyle style) {
  TraitCollection t = traitOverride_;
  t.userInterfaceStyle = style;
  setOverrideTraitCollection(t);
}

ImagePtr View::snapshotImage() const {
  Size s = bounds().size;
  if (s.width <= 0 || s.height <= 0) return nullptr;
  return Image::filled(s, backgroundColor_.value_or(Color::clear()));
}

// ---- animations ----

void View::animate(double duration, std::function<void()> animations, std::function<void(bool)> completion) {
  animate(duration, 0, kAnimationNone, std::move(animations), std::move(completion));
}

void View::animate(double duration, double delay, unsigned options, std::function<void()> animations,
                   std::function<void(bool)> completion) {
  (void)options;
  ViewAnimationRegistry::shared().run(delay, duration, animations, std::move(completion));
}

void View::animateWithSpring(double duration, double delay, double dampingRatio, double initialVelocity,
                             unsigned options, std::function<void()> animations,
                             std::function<void(bool)> completion) {
  (void)dampingRatio;
  (void)initialVelocity;
  animate(duration, delay, options, std::move(animations), std::move(completion));
}

void View::transitionWithView(const ViewPtr& view, double duration, unsigned options,
                              std::function<void()> animations, std::function<void(bool)> completion) {
  (void)options;
  ViewAnimationRegistry::shared().run(0, duration, [&] {
    if (view) view->noteAnimatableChange();
    if (animations) animations();
  }, std::move(completion));
}

void View::performWithoutAnimation(const std::function<void()>& actions) {
  auto& r = ViewAnimationRegistry::shared();
  ++r.disabledDepth;
  if (actions) actions();
  --r.disabledDepth;
}

void View::setAnimationsEnabled(bool enabled) { ViewAnimationRegistry::shared().setEnabled(enabled); }

bool View::areAnimationsEnabled() { return ViewAnimationRegistry::shared().enabled(); }

int View::runningAnimationCount() const { return ViewAnimationRegistry::shared().countFor(*this); }

std::string View::description() const {
  Rect f = frame();
  char buf[128];
  std::snprintf(buf, sizeof buf, "; frame = (%g %g; %g %g)", f.x(), f.y(), f.width(), f.height());
  std::string s = Object::description();
  s.pop_back();
  s += buf;
  if (tag_) s += "; tag = " + std::to_string(tag_);
  if (!accessibilityIdentifier_.empty()) s += "; id = " + accessibilityIdentifier_;
  return s + ">";
}

}  // namespace uikit
