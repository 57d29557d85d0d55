// A stack view: arranged subviews laid out along an axis with spacing.
#pragma once

#include <vector>

#include "Platform/UIKit/View.h"

namespace uikit {

enum class LayoutAxis { kHorizontal, kVertical };
enum class StackViewDistribution { kFill, kFillEqually, kFillProportionally, kEqualSpacing, kEqualCentering };
enum class StackViewAlignment { kFill, kLeading, kCenter, kTrailing, kTop = kLeading, kBottom = kTrailing };

class StackView : public View {
 public:
  const std::vector<ViewPtr>& arrangedSubviews() const { return arranged_; }
  void addArrangedSubview(const ViewPtr& view);
  void insertArrangedSubview(const ViewPtr& view, std::size_t index);
  // Leaves the view a subview, as the platform does.
  void removeArrangedSubview(const ViewPtr& view);

  LayoutAxis axis = LayoutAxis::kHorizontal;
  StackViewDistribution distribution = StackViewDistribution::kFill;
  StackViewAlignment alignment = StackViewAlignment::kFill;
  double spacing = 0;

  void layoutSubviews() override;

 protected:
  Size contentFittingSize(double maxWidth) const override;

 private:
  std::vector<ViewPtr> visibleArranged() const;
  std::vector<ViewPtr> arranged_;
};

}  // namespace uikit
