// A filter option row: its name and a tick box. Made from the filter
// scenes' prototype.
#pragma once

#include <memory>

#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/TableViewCell.h"

class RightSideTableViewCell : public uikit::TableViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "RightSideTableViewCell";

  std::weak_ptr<uikit::Label> lblName;
  std::weak_ptr<uikit::ImageView> imgTickmark;

  static std::shared_ptr<uikit::TableViewCell> instantiatePrototype();
};
