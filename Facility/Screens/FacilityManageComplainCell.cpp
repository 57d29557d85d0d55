#include "Facility/Screens/FacilityManageComplainCell.h"

#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/ViewStyle.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/Nib.h"

void FacilityManageComplainCell::awakeFromNib() {
  uikit::TableViewCell::awakeFromNib();
  if (auto card = containerView.lock()) ViewStyle::setShadow(*card, AppColor::black(), 1, 2, 0.4F, 3);
}

void FacilityManageComplainCell::setOpenImageContainerView(const std::shared_ptr<uikit::View>& view) {
  openImageContainerView = view;
  if (!view) return;
  view->layer().cornerRadius = 12;
  view->layer().masksToBounds = true;
  ViewStyle::setBorderColor(*view, AppColor::green());
  ViewStyle::setBorderWidth(*view, 1);
}

void FacilityManageComplainCell::setOpenCountContainerView(const std::shared_ptr<uikit::View>& view) {
  openCountContainerView = view;
  if (!view) return;
  view->setBackgroundColor(AppColor::white());
  view->layer().cornerRadius = 6;
  view->layer().masksToBounds = true;
  ViewStyle::setBorderColor(*view, AppColor::green());
  ViewStyle::setBorderWidth(*view, 1);
}

void FacilityManageComplainCell::actionOpenApply() {
  if (actionOpenComplain) actionOpenComplain();
}

void FacilityManageComplainCell::actionNewApply() {
  if (actionAddComplain) actionAddComplain();
}

void FacilityManageComplainCell::registerNib() {
  uikit::Image::registerNamed(kFolderImage, uikit::Image::filled({30, 30}, AppColor::green()));
  if (uikit::Nib::isRegistered(kNibName)) return;
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    constexpr double kWidth = 350;
    auto cell = std::make_shared<FacilityManageComplainCell>();
    cell->setFrame(uikit::Rect(0, 0, kWidth + 20, kHeight));
    cell->contentView()->setFrame(cell->bounds());
    auto container = uikit::View::make(uikit::Rect(10, 5, kWidth, kHeight - 10));
    auto caption = uikit::View::make<uikit::Label>(uikit::Rect(10, 10, kWidth - 20, 24));
    caption->setText("Manage Complaints");
    auto iconFrame = uikit::View::make(uikit::Rect(10, 45, 44, 44));
    auto icon = uikit::View::make<uikit::ImageView>(uikit::Rect(7, 7, 30, 30));
    icon->setImage(uikit::Image::named(kFolderImage));
    iconFrame->addSubview(icon);
    auto countFrame = uikit::View::make(uikit::Rect(64, 50, 100, 34));
    auto count = uikit::View::make<uikit::Label>(uikit::Rect(5, 5, 90, 24));
    count->setAccessibilityIdentifier("lblOpenCount");
    countFrame->addSubview(count);
    auto open = uikit::Button::withType(uikit::ButtonType::kCustom);
    open->setFrame(uikit::Rect(10, 45, 160, 44));
    open->setAccessibilityIdentifier("btnOpenComplain");
    auto add = uikit::Button::withType(uikit::ButtonType::kCustom);
    add->setFrame(uikit::Rect(kWidth - 150, 45, 140, 44));
    add->setTitle("New Complaint");
    add->setAccessibilityIdentifier("btnAddComplain");
    for (const auto& v : std::vector<std::shared_ptr<uikit::View>>{caption, iconFrame, countFrame, open, add}) {
      container->addSubview(v);
    }
    cell->contentView()->addSubview(container);
    std::weak_ptr<FacilityManageComplainCell> weak = cell;
    open->addTarget(cell, [weak](uikit::Control&) {
      if (auto c = weak.lock()) c->actionOpenApply();
    }, uikit::kControlEventTouchUpInside);
    add->addTarget(cell, [weak](uikit::Control&) {
      if (auto c = weak.lock()) c->actionNewApply();
    }, uikit::kControlEventTouchUpInside);
    uikit::NibContents contents;
    contents.topLevelObjects.push_back(cell);
    contents.outlets = {
        {"containerView", [weak, container] { if (auto c = weak.lock()) c->containerView = container; }},
        {"lblManageComplainText", [weak, caption] { if (auto c = weak.lock()) c->lblManageComplainText = caption; }},
        {"imgOpenFolder", [weak, icon] { if (auto c = weak.lock()) c->imgOpenFolder = icon; }},
        {"openImageContainerView", [weak, iconFrame] { if (auto c = weak.lock()) c->setOpenImageContainerView(iconFrame); }},
        {"openCountContainerView", [weak, countFrame] { if (auto c = weak.lock()) c->setOpenCountContainerView(countFrame); }},
        {"lblOpenCount", [weak, count] { if (auto c = weak.lock()) c->lblOpenCount = count; }},
    };
    return contents;
  });
}
