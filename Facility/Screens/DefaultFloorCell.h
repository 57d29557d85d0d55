// A building's two default floors as lift buttons: the first with an up
// arrow (destination), the second with a down arrow (boarding).
#pragma once

#include <memory>

#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/CollectionViewCell.h"
#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/Label.h"

class DefaultFloorCell : public uikit::CollectionViewCell {
 public:
  static constexpr const char* kNibName = "DefaultFloorCell";

  std::weak_ptr<uikit::Label> lbDefaultFloor1;
  std::weak_ptr<uikit::ImageView> imgVwFloorDefault1;
  std::weak_ptr<uikit::ImageView> imgVwUpDefault1;
  std::weak_ptr<uikit::ImageView> imgVwDownDefault1;
  std::weak_ptr<uikit::Button> btnFloorDefault1;
  std::weak_ptr<uikit::Label> lbDefaultFloor2;
  std::weak_ptr<uikit::ImageView> imgVwFloorDefault2;
  std::weak_ptr<uikit::ImageView> imgVwUpDefault2;
  std::weak_ptr<uikit::ImageView> imgVwDownDefault2;
  std::weak_ptr<uikit::Button> btnFloorDefault2;

  using uikit::CollectionViewCell::CollectionViewCell;

  static void registerNib();
};
