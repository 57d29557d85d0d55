#include "Facility/Screens/FacilityRaiseComplainCell.h"

#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/ViewStyle.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/Nib.h"

void FacilityRaiseComplainCell::awakeFromNib() {
  uikit::TableViewCell::awakeFromNib();
  if (auto card = containerView.lock()) ViewStyle::setShadow(*card, AppColor::black(), 1, 2, 0.4F, 3);
}

void FacilityRaiseComplainCell::actionFilterApply() {
  if (actionRaiseComplain) actionRaiseComplain();
}

void FacilityRaiseComplainCell::registerNib() {
  if (uikit::Nib::isRegistered(kNibName)) return;
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    constexpr double kWidth = 350;
    auto cell = std::make_shared<FacilityRaiseComplainCell>();
    cell->setFrame(uikit::Rect(0, 0, kWidth + 20, kHeight));
    cell->contentView()->setFrame(cell->bounds());
    auto container = uikit::View::make(uikit::Rect(10, 5, kWidth, kHeight - 10));
    auto caption = uikit::View::make<uikit::Label>(uikit::Rect(10, 10, kWidth - 20, 24));
    caption->setText("Facing an issue?");
    auto raise = uikit::Button::withType(uikit::ButtonType::kCustom);
    raise->setFrame(uikit::Rect(10, 45, kWidth - 20, 44));
    raise->setTitle("Raise Complaint");
    raise->setAccessibilityIdentifier("btnRaiseComplain");
    container->addSubview(caption);
    container->addSubview(raise);
    cell->contentView()->addSubview(container);
    std::weak_ptr<FacilityRaiseComplainCell> weak = cell;
    raise->addTarget(cell, [weak](uikit::Control&) {
      if (auto c = weak.lock()) c->actionFilterApply();
    }, uikit::kControlEventTouchUpInside);
    uikit::NibContents contents;
    contents.topLevelObjects.push_back(cell);
    contents.outlets.push_back({"containerView", [weak, container] { if (auto c = weak.lock()) c->containerView = container; }});
    return contents;
  });
}
