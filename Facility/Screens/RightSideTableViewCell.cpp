#include "Facility/Screens/RightSideTableViewCell.h"

#include "Platform/UIKit/Nib.h"

std::shared_ptr<uikit::TableViewCell> RightSideTableViewCell::instantiatePrototype() {
  auto cell = std::make_shared<RightSideTableViewCell>();
  cell->setReuseIdentifier(kReuseIdentifier);
  auto tick = uikit::View::make<uikit::ImageView>(uikit::Rect(10, 10, 20, 20));
  auto name = uikit::View::make<uikit::Label>(uikit::Rect(40, 10, 180, 20));
  cell->contentView()->addSubview(tick);
  cell->contentView()->addSubview(name);
  uikit::Nib::wire(
      {
          {"lblName", [cell, name] { cell->lblName = name; }},
          {"imgTickmark", [cell, tick] { cell->imgTickmark = tick; }},
      },
      {cell});
  return cell;
}
