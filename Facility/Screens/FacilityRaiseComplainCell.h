// The tenant dashboard's invitation to raise a complaint, shown while the
// tenant has no open complaint.
#pragma once

#include <functional>
#include <memory>

#include "Platform/UIKit/TableViewCell.h"

class FacilityRaiseComplainCell : public uikit::TableViewCell {
 public:
  static constexpr const char* kNibName = "FacilityRaiseComplainCell";
  static constexpr double kHeight = 110.0;

  using uikit::TableViewCell::TableViewCell;

  std::weak_ptr<uikit::View> containerView;
  std::function<void()> actionRaiseComplain;

  void awakeFromNib() override;
  // The raise button.
  void actionFilterApply();

  // Declares the nib "FacilityRaiseComplainCell".
  static void registerNib();
};
