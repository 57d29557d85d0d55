// One tile of the access-assignment grid: a floor or parking space that
// turns green while ticked. Its row fills the button and handles the taps.
#pragma once

#include <memory>

#include "Facility/Models/MDLBaseAssignFloor.h"
#include "Facility/Widgets/GenericButton.h"
#include "Facility/Widgets/GenericView.h"
#include "Platform/UIKit/CollectionViewCell.h"

class FloorNumberCell : public uikit::CollectionViewCell {
 public:
  static constexpr const char* kNibName = "FloorNumberCell";
  static constexpr double kInset = 2;

  using uikit::CollectionViewCell::CollectionViewCell;

  // Never set by the row; the record travels in the button's tap closure.
  std::shared_ptr<MDLBaseAssignFloor> floor;

  std::shared_ptr<GenericView> vwInner() const { return vwInner_.lock(); }
  // Connecting the inner view gives it its rounded gray border.
  void setVwInner(const std::shared_ptr<GenericView>& view);
  std::weak_ptr<GenericButton> btnFloorNumber;

  // The tile follows the item size the row's layout gives it.
  void layoutSubviews() override;

  static void registerNib();

 private:
  std::weak_ptr<GenericView> vwInner_;
};
