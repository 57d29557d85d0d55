#include "Facility/Widgets/CollapsingConstraints.h"

#include <vector>


namespace {

using uikit::LayoutAttribute;
using uikit::LayoutConstraintPtr;

constexpr const char* kEdgesKey = "collapse.edgeConstraints";
constexpr const char* kSelfKey = "collapse.selfConstraint";
constexpr const char* kSizeKey = "collapse.size";

bool isRightOrTrailing(LayoutAttribute a) { return a == LayoutAttribute::kRight || a == LayoutAttribute::kTrailing; }

LayoutConstraintPtr sizeConstraint(const std::shared_ptr<uikit::View>& view, LayoutAttribute attribute) {
  for (const auto& c : view->constraints()) {
    if (c->firstItem() == view && c->firstAttribute() == attribute &&
        c->secondAttribute() == LayoutAttribute::kNotAnAttribute && !c->secondItem()) {
      return c;
    }
  }
  return nullptr;
}

LayoutConstraintPtr newSizeConstraint(const std::shared_ptr<uikit::View>& view, LayoutAttribute attribute,
                                      double constant) {
  auto c = uikit::LayoutConstraint::make(view, attribute, uikit::LayoutRelation::kEqual, nullptr,
                                         LayoutAttribute::kNotAnAttribute, 1, constant);
  view->addConstraint(c);
  return c;
}

}  // namespace

bool CollapsingConstraints::setConstraintConstant(const std::shared_ptr<uikit::View>& view,
                                                  LayoutAttribute attribute, bool inSuperview, double constant) {
  auto super = view->superview();
  if (inSuperview && !super) return false;
  std::vector<LayoutConstraintPtr> constraints = inSuperview ? super->constraints() : view->constraints();
  if (constraints.empty()) return false;
  bool changed = false;
  for (const auto& c : constraints) {
    if ((c->firstItem() == view && c->firstAttribute() == attribute) ||
        (c->secondItem() == view && c->secondAttribute() == attribute)) {
      c->setConstant(constant);
      changed = true;
    }
  }
  if (super) {
    super->setNeedsLayout();
    super->layoutIfNeeded();
  }
  return changed;
}

std::optional<double> CollapsingConstraints::storedSize(const std::shared_ptr<uikit::View>& view) {
  if (!view->isHidden()) return std::nullopt;
  const double* size = view->associated<double>(kSizeKey);
  return size ? std::optional<double>(*size) : std::nullopt;
}

void CollapsingConstraints::setHiddenCollapsing(const std::shared_ptr<uikit::View>& view, bool hidden,
                                                LayoutAttribute attribute) {
  if (view->isHidden() == hidden) return;
  bool height = attribute == LayoutAttribute::kHeight;
  LayoutConstraintPtr size = sizeConstraint(view, attribute);

  if (hidden) {
    // Edge constraints that would hold the size open go away while hidden.
    std::vector<LayoutConstraintPtr> edges;
    for (const auto& c : view->constraints()) {
      bool match = height ? (c->firstAttribute() == LayoutAttribute::kBottom &&
                             c->secondAttribute() == LayoutAttribute::kBottom)
                          : (isRightOrTrailing(c->firstAttribute()) && isRightOrTrailing(c->secondAttribute()));
      if (match) edges.push_back(c);
    }
    if (!edges.empty()) {
      view->removeConstraints(edges);
      view->setAssociatedObject(kEdgesKey, edges);
    }
    for (const auto& c : view->constraints()) {
      if (c->firstItem() == view && c->secondItem() == view && c->firstAttribute() != c->secondAttribute()) {
        view->removeConstraint(c);
        view->setAssociatedObject(kSelfKey, c);
        break;
      }
    }
    double before;
    if (size) {
      before = size->constant();
      size->setConstant(0);
    } else {
      view->layoutIfNeeded();
      before = height ? view->frame().height() : view->frame().width();
      newSizeConstraint(view, attribute, 0);
    }
    view->setAssociatedObject(kSizeKey, before);
    view->setAlpha(0);
    view->setHidden(true);
    return;
  }

  const double* stored = view->associated<double>(kSizeKey);
  double before = stored ? *stored : 0;
  if (size) {
    size->setConstant(before);
  } else {
    newSizeConstraint(view, attribute, before);
  }
  if (const auto* edges = view->associated<std::vector<LayoutConstraintPtr>>(kEdgesKey)) {
    view->addConstraints(*edges);
    view->setAssociatedObject(kEdgesKey, {});
  }
  if (const auto* stored = view->associated<LayoutConstraintPtr>(kSelfKey)) {
    LayoutConstraintPtr kept = *stored;
    view->setAssociatedObject(kSelfKey, {});
    if (size) view->removeConstraint(size);
    view->addConstraint(kept);
  } else {
    view->layoutIfNeeded();
    uikit::Size fitting = view->systemLayoutSizeFittingSize();
    double measured = height ? fitting.height : fitting.width;
    if (size) {
      size->setConstant(measured);
    } else {
      newSizeConstraint(view, attribute, measured);
    }
  }
  view->setAssociatedObject(kSizeKey, {});
  view->setAlpha(1);
  view->setHidden(false);
}
