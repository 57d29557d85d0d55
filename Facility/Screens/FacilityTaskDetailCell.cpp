#include "Facility/Screens/FacilityTaskDetailCell.h"

#include "Facility/Support/AppColor.h"
#include "Platform/UIKit/Font.h"
#include "Platform/UIKit/Nib.h"

void FacilityTaskDetailCell::awakeFromNib() {
  uikit::TableViewCell::awakeFromNib();
  if (auto container = containerView.lock()) {
    container->layer().cornerRadius = 4.0;
    container->layer().borderColor = AppColor::darkGray();
    container->layer().borderWidth = 0.7;
  }
  if (auto area = lblIssueArea.lock()) {
    area->layer().cornerRadius = area->bounds().height() / 2;
    area->setClipsToBounds(true);
  }
}

std::shared_ptr<uikit::TableViewCell> FacilityTaskDetailCell::instantiatePrototype() {
  auto cell = std::make_shared<FacilityTaskDetailCell>();
  cell->setReuseIdentifier(kReuseIdentifier);
  cell->selectionStyle = uikit::TableViewCellSelectionStyle::kNone;
  auto container = uikit::View::make(uikit::Rect(10, 5, 300, 110));
  auto status = uikit::View::make<uikit::ImageView>(uikit::Rect(270, 10, 20, 20));
  auto title = uikit::View::make<uikit::Label>(uikit::Rect(10, 10, 180, 20));
  title->setFont(uikit::Font::namedOrSystem("Gotham-Medium", 14));
  auto area = uikit::View::make<uikit::Label>(uikit::Rect(195, 10, 70, 22));
  area->setFont(uikit::Font::namedOrSystem("Gotham-Book", 11));
  area->setBackgroundColor(AppColor::paleBlue());
  auto time = uikit::View::make<uikit::Label>(uikit::Rect(10, 35, 280, 20));
  auto client = uikit::View::make<uikit::Label>(uikit::Rect(10, 58, 280, 20));
  auto details = uikit::View::make<uikit::Label>(uikit::Rect(10, 81, 280, 24));
  for (const auto& label : {time, client, details}) label->setFont(uikit::Font::namedOrSystem("Gotham-Book", 12));
  container->addSubview(status);
  for (const auto& label : {title, area, time, client, details}) container->addSubview(label);
  cell->contentView()->addSubview(container);
  uikit::Nib::wire(
      {
          {"containerView", [cell, container] { cell->containerView = container; }},
          {"imgViewTaskStatus", [cell, status] { cell->imgViewTaskStatus = status; }},
          {"lblTaskTitle", [cell, title] { cell->lblTaskTitle = title; }},
          {"lblReportingTime", [cell, time] { cell->lblReportingTime = time; }},
          {"lblIssueArea", [cell, area] { cell->lblIssueArea = area; }},
          {"lblClientName", [cell, client] { cell->lblClientName = client; }},
          {"lblIssueDetails", [cell, details] { cell->lblIssueDetails = details; }},
      },
      {cell});
  return cell;
}
