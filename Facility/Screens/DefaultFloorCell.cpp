#include "Facility/Screens/DefaultFloorCell.h"

#include "Platform/UIKit/Nib.h"

void DefaultFloorCell::registerNib() {
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    auto cell = uikit::View::make<DefaultFloorCell>(uikit::Rect(0, 0, 275, 200));
    auto content = cell->contentView();
    uikit::NibContents nib;
    nib.topLevelObjects.push_back(cell);
    std::weak_ptr<DefaultFloorCell> weak = cell;
    // Two slots side by side: arrow above the lift button, floor label below.
    for (int slot = 0; slot < 2; ++slot) {
      const double x = 20 + slot * 135;
      auto up = uikit::View::make<uikit::ImageView>(uikit::Rect(x + 37, 10, 26, 26));
      auto down = uikit::View::make<uikit::ImageView>(uikit::Rect(x + 37, 10, 26, 26));
      auto lift = uikit::View::make<uikit::ImageView>(uikit::Rect(x, 45, 100, 100));
      auto label = uikit::View::make<uikit::Label>(uikit::Rect(x, 155, 100, 30));
      label->textAlignment = uikit::TextAlignment::kCenter;
      auto button = uikit::Button::withType(uikit::ButtonType::kCustom);
      // The whole slot, label included, is the button.
      button->setFrame(uikit::Rect(x, 10, 100, 180));
      for (const auto& v : std::initializer_list<uikit::ViewPtr>{up, down, lift, label, button}) content->addSubview(v);
      if (slot == 0) {
        nib.outlets.push_back({"lbDefaultFloor1", [weak, label] { if (auto c = weak.lock()) c->lbDefaultFloor1 = label; }});
        nib.outlets.push_back({"imgVwFloorDefault1", [weak, lift] { if (auto c = weak.lock()) c->imgVwFloorDefault1 = lift; }});
        nib.outlets.push_back({"imgVwUpDefault1", [weak, up] { if (auto c = weak.lock()) c->imgVwUpDefault1 = up; }});
        nib.outlets.push_back({"imgVwDownDefault1", [weak, down] { if (auto c = weak.lock()) c->imgVwDownDefault1 = down; }});
        nib.outlets.push_back({"btnFloorDefault1", [weak, button] { if (auto c = weak.lock()) c->btnFloorDefault1 = button; }});
      } else {
        nib.outlets.push_back({"lbDefaultFloor2", [weak, label] { if (auto c = weak.lock()) c->lbDefaultFloor2 = label; }});
        nib.outlets.push_back({"imgVwFloorDefault2", [weak, lift] { if (auto c = weak.lock()) c->imgVwFloorDefault2 = lift; }});
        nib.outlets.push_back({"imgVwUpDefault2", [weak, up] { if (auto c = weak.lock()) c->imgVwUpDefault2 = up; }});
        nib.outlets.push_back({"imgVwDownDefault2", [weak, down] { if (auto c = weak.lock()) c->imgVwDownDefault2 = down; }});
        nib.outlets.push_back({"btnFloorDefault2", [weak, button] { if (auto c = weak.lock()) c->btnFloorDefault2 = button; }});
      }
    }
    return nib;
  });
}
