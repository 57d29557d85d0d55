#include "Facility/Screens/LeftSideTableViewCell.h"

#include "Platform/UIKit/Nib.h"

std::shared_ptr<uikit::TableViewCell> LeftSideTableViewCell::instantiatePrototype() {
  auto cell = std::make_shared<LeftSideTableViewCell>();
  cell->setReuseIdentifier(kReuseIdentifier);
  auto name = uikit::View::make<uikit::Label>(uikit::Rect(10, 10, 90, 20));
  auto count = uikit::View::make<GenericLabel>(uikit::Rect(100, 10, 20, 20));
  // A white count on the current group's green row.
  count->setTag(7);
  cell->contentView()->addSubview(name);
  cell->contentView()->addSubview(count);
  uikit::Nib::wire(
      {
          {"lblName", [cell, name] { cell->lblName = name; }},
          {"lblCount", [cell, count] { cell->lblCount = count; }},
      },
      {cell});
  return cell;
}
