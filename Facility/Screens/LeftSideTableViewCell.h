// A filter group row: its name and, on the current group, the count of
// ticked options. Made from the filter scenes' prototype.
#pragma once

#include <memory>

#include "Facility/Widgets/GenericLabel.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/TableViewCell.h"

class LeftSideTableViewCell : public uikit::TableViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "LeftSideTableViewCell";

  std::weak_ptr<uikit::Label> lblName;
  std::weak_ptr<GenericLabel> lblCount;

  static std::shared_ptr<uikit::TableViewCell> instantiatePrototype();
};
