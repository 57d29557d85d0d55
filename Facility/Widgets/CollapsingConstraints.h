// Constraint edits that keep auto layout consistent: changing the constant
// of every matching constraint, and hiding a view by collapsing its width or
// height (and giving the size back when it is shown).
#pragma once

#include <memory>

#include "Platform/UIKit/LayoutConstraint.h"
#include "Platform/UIKit/View.h"

class CollapsingConstraints {
 public:
  // Changes every constraint of the superview (inSuperview) or of the view
  // that ties this attribute of the view; lays the superview out at once.
  // Returns whether any constraint matched.
  static bool setConstraintConstant(const std::shared_ptr<uikit::View>& view, uikit::LayoutAttribute attribute,
                                    bool inSuperview, double constant);
  // attribute: kWidth or kHeight. Hiding twice changes nothing the second
  // time; while collapsed the view has alpha 0 and its earlier size is kept
  // in a store of its own.
  static void setHiddenCollapsing(const std::shared_ptr<uikit::View>& view, bool hidden,
                                  uikit::LayoutAttribute attribute);
  // The size the view had before it was collapsed (none when not collapsed).
  static std::optional<double> storedSize(const std::shared_ptr<uikit::View>& view);
};
