#include "Facility/Screens/FloorNumberCell.h"

#include "Platform/UIKit/Nib.h"

void FloorNumberCell::setVwInner(const std::shared_ptr<GenericView>& view) {
  vwInner_ = view;
  if (!view) return;
  auto& layer = view->layer();
  layer.cornerRadius = 3.0;
  layer.masksToBounds = true;
  layer.borderColor = uikit::Color::rgb255(180, 180, 180);
  layer.borderWidth = 1.0;
  view->setClipsToBounds(true);
}

void FloorNumberCell::layoutSubviews() {
  uikit::CollectionViewCell::layoutSubviews();
  const uikit::Rect b = bounds();
  const uikit::Rect inner(kInset, kInset, std::max(0.0, b.width() - 2 * kInset), std::max(0.0, b.height() - 2 * kInset));
  if (auto v = vwInner()) {
    v->setFrame(inner);
    if (auto button = btnFloorNumber.lock()) button->setFrame(uikit::Rect(0, 0, inner.width(), inner.height()));
  }
}

void FloorNumberCell::registerNib() {
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    auto cell = uikit::View::make<FloorNumberCell>(uikit::Rect(0, 0, 50, 40));
    auto inner = uikit::View::make<GenericView>(uikit::Rect(kInset, kInset, 46, 36));
    auto button = uikit::View::make<GenericButton>(uikit::Rect(0, 0, 46, 36));
    inner->addSubview(button);
    cell->contentView()->addSubview(inner);
    std::weak_ptr<FloorNumberCell> weak = cell;
    uikit::NibContents nib;
    nib.topLevelObjects.push_back(cell);
    nib.outlets = {
        {"vwInner", [weak, inner] { if (auto c = weak.lock()) c->setVwInner(inner); }},
        {"btnFloorNumber", [weak, button] { if (auto c = weak.lock()) c->btnFloorNumber = button; }},
    };
    return nib;
  });
}
