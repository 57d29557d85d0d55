#include "Platform/UIKit/LayoutConstraint.h"

#include <cstdio>
#include <vector>

#include "Platform/UIKit/View.h"

namespace uikit {

const char* layoutAttributeName(LayoutAttribute a) {
  switch (a) {
    case LayoutAttribute::kNotAnAttribute: return "notAnAttribute";
    case LayoutAttribute::kLeft: return "left";
    case LayoutAttribute::kRight: return "right";
    case LayoutAttribute::kTop: return "top";
    case LayoutAttribute::kBottom: return "bottom";
    case LayoutAttribute::kLeading: return "leading";
    case LayoutAttribute::kTrailing: return "trailing";
    case LayoutAttribute::kWidth: return "width";
    case LayoutAttribute::kHeight: return "height";
    case LayoutAttribute::kCenterX: return "centerX";
    case LayoutAttribute::kCenterY: return "centerY";
    case LayoutAttribute::kLastBaseline: return "lastBaseline";
    case LayoutAttribute::kFirstBaseline: return "firstBaseline";
  }
  return "?";
}

LayoutConstraintPtr LayoutConstraint::make(const std::shared_ptr<View>& first, LayoutAttribute firstAttribute,
                                           LayoutRelation relation, const std::shared_ptr<View>& second,
                                           LayoutAttribute secondAttribute, double multiplier, double constant) {
  auto c = std::make_shared<LayoutConstraint>();
  c->first_ = first;
  c->second_ = second;
  c->firstAttribute_ = firstAttribute;
  c->secondAttribute_ = second ? secondAttribute : LayoutAttribute::kNotAnAttribute;
  c->relation_ = relation;
  c->multiplier_ = multiplier;
  c->constant_ = constant;
  return c;
}

namespace {
// The nearest common ancestor of the items (the single item when alone).
std::shared_ptr<View> ownerFor(const std::shared_ptr<View>& a, const std::shared_ptr<View>& b) {
  if (!a) return b;
  if (!b) return a;
  for (auto x = a; x; x = x->superview()) {
    if (b->isDescendantOfView(*x)) return x;
  }
  return nullptr;
}
}  // namespace

void LayoutConstraint::setActive(bool active) {
  if (active == active_) return;
  if (active) {
    auto owner = ownerFor(firstItem(), secondItem());
    if (!owner) {
      // Items without a common ancestor: kept with the first item, as data.
      owner = firstItem();
    }
    if (owner) owner->addConstraint(sharedAs<LayoutConstraint>());
  } else {
    if (auto owner = owner_.lock()) {
      owner->removeConstraint(sharedAs<LayoutConstraint>());
    }
    active_ = false;
    owner_.reset();
  }
}

void LayoutConstraint::activate(const std::vector<LayoutConstraintPtr>& constraints) {
  for (const auto& c : constraints) {
    if (c) c->setActive(true);
  }
}

void LayoutConstraint::deactivate(const std::vector<LayoutConstraintPtr>& constraints) {
  for (const auto& c : constraints) {
    if (c) c->setActive(false);
  }
}

std::string LayoutConstraint::description() const {
  auto f = firstItem();
  auto s = secondItem();
  const char* rel = relation_ == LayoutRelation::kEqual ? "==" : relation_ == LayoutRelation::kLessThanOrEqual ? "<=" : ">=";
  char buf[160];
  std::snprintf(buf, sizeof buf, " * %g + %g @%g", multiplier_, constant_, static_cast<double>(priority_));
  return (f ? f->className() : std::string("nil")) + "." + layoutAttributeName(firstAttribute_) + " " + rel + " " +
         (s ? s->className() + "." + layoutAttributeName(secondAttribute_) : std::string("")) + buf;
}

}  // namespace uikit
