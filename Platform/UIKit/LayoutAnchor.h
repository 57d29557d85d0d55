// An anchor of a view (an edge, centre or dimension) for building constraints.
#pragma once

#include <memory>

#include "Platform/UIKit/LayoutConstraint.h"

namespace uikit {

class View;

// An anchor of a view for building constraints.
class LayoutAnchor {
 public:
  LayoutAnchor(std::weak_ptr<View> view, LayoutAttribute attribute) : view_(std::move(view)), attribute_(attribute) {}
  LayoutConstraintPtr constraintEqualToAnchor(const LayoutAnchor& other, double constant = 0) const;
  LayoutConstraintPtr constraintLessThanOrEqualToAnchor(const LayoutAnchor& other, double constant = 0) const;
  LayoutConstraintPtr constraintGreaterThanOrEqualToAnchor(const LayoutAnchor& other, double constant = 0) const;
  LayoutConstraintPtr constraintEqualToAnchor(const LayoutAnchor& other, double multiplier, double constant) const;
  // Dimension anchors only.
  LayoutConstraintPtr constraintEqualToConstant(double constant) const;
  LayoutConstraintPtr constraintLessThanOrEqualToConstant(double constant) const;
  LayoutConstraintPtr constraintGreaterThanOrEqualToConstant(double constant) const;

  std::shared_ptr<View> view() const { return view_.lock(); }
  LayoutAttribute attribute() const { return attribute_; }

 private:
  LayoutConstraintPtr make(const LayoutAnchor* other, LayoutRelation rel, double multiplier, double constant) const;
  std::weak_ptr<View> view_;
  LayoutAttribute attribute_;
};

}  // namespace uikit
