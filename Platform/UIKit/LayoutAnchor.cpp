#include "Platform/UIKit/LayoutAnchor.h"

#include "Platform/UIKit/View.h"

namespace uikit {

LayoutConstraintPtr LayoutAnchor::make(const LayoutAnchor* other, LayoutRelation rel, double multiplier,
                                       double constant) const {
  auto second = other ? other->view() : nullptr;
  return LayoutConstraint::make(view(), attribute_, rel, second,
                                other ? other->attribute_ : LayoutAttribute::kNotAnAttribute, multiplier, constant);
}

LayoutConstraintPtr LayoutAnchor::constraintEqualToAnchor(const LayoutAnchor& other, double constant) const {
  return make(&other, LayoutRelation::kEqual, 1, constant);
}

LayoutConstraintPtr LayoutAnchor::constraintLessThanOrEqualToAnchor(const LayoutAnchor& other, double constant) const {
  return make(&other, LayoutRelation::kLessThanOrEqual, 1, constant);
}

LayoutConstraintPtr LayoutAnchor::constraintGreaterThanOrEqualToAnchor(const LayoutAnchor& other,
                                                                       double constant) const {
  return make(&other, LayoutRelation::kGreaterThanOrEqual, 1, constant);
}

LayoutConstraintPtr LayoutAnchor::constraintEqualToAnchor(const LayoutAnchor& other, double multiplier,
                                                          double constant) const {
  return make(&other, LayoutRelation::kEqual, multiplier, constant);
}

LayoutConstraintPtr LayoutAnchor::constraintEqualToConstant(double constant) const {
  return make(nullptr, LayoutRelation::kEqual, 1, constant);
}

LayoutConstraintPtr LayoutAnchor::constraintLessThanOrEqualToConstant(double constant) const {
  return make(nullptr, LayoutRelation::kLessThanOrEqual, 1, constant);
}

LayoutConstraintPtr LayoutAnchor::constraintGreaterThanOrEqualToConstant(double constant) const {
  return make(nullptr, LayoutRelation::kGreaterThanOrEqual, 1, constant);
}

}  // namespace uikit
