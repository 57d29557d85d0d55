// One door of the user dashboard's carousel: a round badge with the door
// image and the reader's name. Only the name is filled in code.
#pragma once

#include <memory>

#include "Platform/UIKit/CollectionViewCell.h"
#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/View.h"

class DeviceCellNew : public uikit::CollectionViewCell {
 public:
  static constexpr const char* kNibName = "DeviceCellNew";
  static constexpr const char* kDoorImage = "door";

  using uikit::CollectionViewCell::CollectionViewCell;

  // Outlets.
  std::weak_ptr<uikit::View> vwInner;
  std::weak_ptr<uikit::View> vwRound;
  std::weak_ptr<uikit::Label> lbDeviceName;
  std::weak_ptr<uikit::ImageView> imgVwDoor;

  void awakeFromNib() override;
  void layoutSubviews() override;

  // Declares the nib "DeviceCellNew".
  static void registerNib();
};
