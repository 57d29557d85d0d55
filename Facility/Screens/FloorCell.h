// A plain floor tile with its number; its user sets the label's text.
#pragma once

#include <memory>

#include "Platform/UIKit/CollectionViewCell.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/View.h"

class FloorCell : public uikit::CollectionViewCell {
 public:
  static constexpr const char* kNibName = "FloorCell";

  std::weak_ptr<uikit::View> vwInner;
  std::weak_ptr<uikit::Label> lbFloorNo;

  using uikit::CollectionViewCell::CollectionViewCell;

  static void registerNib();
};
