#include "Facility/Screens/BuildingCell.h"

#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/ViewStyle.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/Nib.h"

void BuildingCell::setImgVwBuilding(const std::shared_ptr<uikit::ImageView>& view) {
  imgVwBuilding = view;
  if (!view) return;
  if (view->image()) view->setImage(view->image()->withRenderingMode(uikit::ImageRenderingMode::kAlwaysTemplate));
  view->setTintColor(AppColor::black());
}

void BuildingCell::setVwInner(const std::shared_ptr<uikit::View>& view) {
  vwInner = view;
  if (view) ViewStyle::setShadow(*view, AppColor::black(), 1, 2, 0.4F, 3);
}

void BuildingCell::show(const std::optional<std::string>& title, bool chosen) {
  const uikit::Color& ink = chosen ? AppColor::white() : AppColor::gray93();
  if (auto label = lbTitle.lock()) {
    label->setText(title.value_or(""));
    label->setTextColor(ink);
  }
  if (auto card = vwInner.lock()) card->setBackgroundColor(chosen ? AppColor::green() : AppColor::white());
  if (auto icon = imgVwBuilding.lock()) icon->setTintColor(ink);
}

void BuildingCell::registerNib() {
  uikit::Image::registerNamed(kBuildingImage, uikit::Image::filled({30, 30}, AppColor::black()));
  if (uikit::Nib::isRegistered(kNibName)) return;
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    auto cell = uikit::View::make<BuildingCell>(uikit::Rect(0, 0, 80, 90));
    auto inner = uikit::View::make(uikit::Rect(4, 4, 72, 82));
    auto icon = uikit::View::make<uikit::ImageView>(uikit::Rect(21, 10, 30, 30));
    icon->setImage(uikit::Image::named(kBuildingImage));
    auto title = uikit::View::make<GenericLabel>(uikit::Rect(4, 48, 64, 24));
    title->textAlignment = uikit::TextAlignment::kCenter;
    title->setAccessibilityIdentifier("lbBuilding");
    inner->addSubview(icon);
    inner->addSubview(title);
    cell->contentView()->addSubview(inner);
    std::weak_ptr<BuildingCell> weak = cell;
    uikit::NibContents nib;
    nib.topLevelObjects.push_back(cell);
    nib.outlets = {
        {"lbTitle", [weak, title] { if (auto c = weak.lock()) c->lbTitle = title; }},
        {"imgVwBuilding", [weak, icon] { if (auto c = weak.lock()) c->setImgVwBuilding(icon); }},
        {"vwInner", [weak, inner] { if (auto c = weak.lock()) c->setVwInner(inner); }},
    };
    return nib;
  });
}
