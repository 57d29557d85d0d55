// One row of up to three selectable floors as lift buttons; the first row
// also shows the selection caption.
#pragma once

#include <memory>

#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/CollectionViewCell.h"
#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/LayoutConstraint.h"

class SelectedFloorCell : public uikit::CollectionViewCell {
 public:
  static constexpr const char* kNibName = "SelectedFloorCell";

  std::weak_ptr<uikit::LayoutConstraint> cnImgVwFloorCenterY;
  std::weak_ptr<uikit::Label> lbFloorSelection;
  std::weak_ptr<uikit::Label> lbFloorNo1;
  std::weak_ptr<uikit::ImageView> imgVwFloor1;
  std::weak_ptr<uikit::Button> btnFloor1;
  std::weak_ptr<uikit::Label> lbFloorNo2;
  std::weak_ptr<uikit::ImageView> imgVwFloor2;
  std::weak_ptr<uikit::Button> btnFloor2;
  std::weak_ptr<uikit::Label> lbFloorNo3;
  std::weak_ptr<uikit::ImageView> imgVwFloor3;
  std::weak_ptr<uikit::Button> btnFloor3;

  using uikit::CollectionViewCell::CollectionViewCell;

  static void registerNib();
};
