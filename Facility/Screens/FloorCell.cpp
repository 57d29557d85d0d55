#include "Facility/Screens/FloorCell.h"

#include "Platform/UIKit/Nib.h"

void FloorCell::registerNib() {
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    auto cell = uikit::View::make<FloorCell>(uikit::Rect(0, 0, 50, 50));
    auto inner = uikit::View::make(uikit::Rect(2, 2, 46, 46));
    auto label = uikit::View::make<uikit::Label>(uikit::Rect(0, 0, 46, 46));
    label->textAlignment = uikit::TextAlignment::kCenter;
    inner->addSubview(label);
    cell->contentView()->addSubview(inner);
    std::weak_ptr<FloorCell> weak = cell;
    uikit::NibContents nib;
    nib.topLevelObjects.push_back(cell);
    nib.outlets = {
        {"vwInner", [weak, inner] { if (auto c = weak.lock()) c->vwInner = inner; }},
        {"lbFloorNo", [weak, label] { if (auto c = weak.lock()) c->lbFloorNo = label; }},
    };
    return nib;
  });
}
