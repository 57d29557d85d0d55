#include "Facility/Screens/SelectedFloorCell.h"

#include "Platform/UIKit/Nib.h"

void SelectedFloorCell::registerNib() {
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    auto cell = uikit::View::make<SelectedFloorCell>(uikit::Rect(0, 0, 375, 100));
    auto content = cell->contentView();
    uikit::NibContents nib;
    nib.topLevelObjects.push_back(cell);
    std::weak_ptr<SelectedFloorCell> weak = cell;

    auto caption = uikit::View::make<uikit::Label>(uikit::Rect(20, 0, 335, 30));
    caption->setText("Select Floor");
    content->addSubview(caption);
    nib.outlets.push_back({"lbFloorSelection", [weak, caption] { if (auto c = weak.lock()) c->lbFloorSelection = caption; }});

    // The floor images of the row hang off one vertical-centre constraint,
    // moved down on the row that shows the caption.
    auto row = uikit::View::make(uikit::Rect(0, 20, 375, 60));
    content->addSubview(row);
    auto centerY = uikit::LayoutConstraint::make(row, uikit::LayoutAttribute::kCenterY, uikit::LayoutRelation::kEqual,
                                                 content, uikit::LayoutAttribute::kCenterY, 1, 0);
    centerY->setActive(true);
    nib.outlets.push_back({"cnImgVwFloorCenterY", [weak, centerY] { if (auto c = weak.lock()) c->cnImgVwFloorCenterY = centerY; }});

    for (int slot = 0; slot < 3; ++slot) {
      const double x = 30 + slot * 115;
      auto lift = uikit::View::make<uikit::ImageView>(uikit::Rect(x, 0, 60, 60));
      auto label = uikit::View::make<uikit::Label>(uikit::Rect(x, 15, 60, 30));
      label->textAlignment = uikit::TextAlignment::kCenter;
      auto button = uikit::Button::withType(uikit::ButtonType::kCustom);
      button->setFrame(uikit::Rect(x, 0, 60, 60));
      row->addSubview(lift);
      row->addSubview(label);
      row->addSubview(button);
      const std::string n = std::to_string(slot + 1);
      if (slot == 0) {
        nib.outlets.push_back({"lbFloorNo" + n, [weak, label] { if (auto c = weak.lock()) c->lbFloorNo1 = label; }});
        nib.outlets.push_back({"imgVwFloor" + n, [weak, lift] { if (auto c = weak.lock()) c->imgVwFloor1 = lift; }});
        nib.outlets.push_back({"btnFloor" + n, [weak, button] { if (auto c = weak.lock()) c->btnFloor1 = button; }});
      } else if (slot == 1) {
        nib.outlets.push_back({"lbFloorNo" + n, [weak, label] { if (auto c = weak.lock()) c->lbFloorNo2 = label; }});
        nib.outlets.push_back({"imgVwFloor" + n, [weak, lift] { if (auto c = weak.lock()) c->imgVwFloor2 = lift; }});
        nib.outlets.push_back({"btnFloor" + n, [weak, button] { if (auto c = weak.lock()) c->btnFloor2 = button; }});
      } else {
        nib.outlets.push_back({"lbFloorNo" + n, [weak, label] { if (auto c = weak.lock()) c->lbFloorNo3 = label; }});
        nib.outlets.push_back({"imgVwFloor" + n, [weak, lift] { if (auto c = weak.lock()) c->imgVwFloor3 = lift; }});
        nib.outlets.push_back({"btnFloor" + n, [weak, button] { if (auto c = weak.lock()) c->btnFloor3 = button; }});
      }
    }
    return nib;
  });
}
