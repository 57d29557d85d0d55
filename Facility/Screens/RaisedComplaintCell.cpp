#include "Facility/Screens/RaisedComplaintCell.h"

#include "Facility/Support/AppColor.h"
#include "Platform/UIKit/Font.h"
#include "Platform/UIKit/Nib.h"

namespace {
constexpr const char* kComplaintTitleFont = "Gotham-Medium";
constexpr const char* kBookFont = "Gotham-Book";
constexpr double kFontSize = 13;
}  // namespace

void RaisedComplaintCell::setLblComplainTitle(const std::shared_ptr<uikit::Label>& label) {
  lblComplainTitle_ = label;
  if (label) label->setFont(uikit::Font::namedOrSystem(kComplaintTitleFont, kFontSize));
}

void RaisedComplaintCell::setLblSuitableTime(const std::shared_ptr<uikit::Label>& label) {
  lblSuitableTime_ = label;
  if (label) label->setFont(uikit::Font::namedOrSystem(kBookFont, kFontSize));
}

void RaisedComplaintCell::setLblComplainStatus(const std::shared_ptr<uikit::Label>& label) {
  lblComplainStatus_ = label;
  if (label) label->setFont(uikit::Font::namedOrSystem(kBookFont, kFontSize));
}

void RaisedComplaintCell::setLblComplainDesciption(const std::shared_ptr<uikit::Label>& label) {
  lblComplainDesciption_ = label;
  if (label) label->setFont(uikit::Font::namedOrSystem(kBookFont, kFontSize));
}

void RaisedComplaintCell::awakeFromNib() {
  uikit::TableViewCell::awakeFromNib();
  if (auto container = containerView.lock()) {
    container->layer().cornerRadius = 4.0;
    container->layer().borderColor = AppColor::darkGray();
    container->layer().borderWidth = 0.7;
  }
  if (auto status = lblComplainStatus()) {
    status->layer().cornerRadius = status->bounds().height() / 2;
    status->setClipsToBounds(true);
  }
}

std::shared_ptr<uikit::TableViewCell> RaisedComplaintCell::instantiatePrototype() {
  auto cell = std::make_shared<RaisedComplaintCell>();
  cell->setReuseIdentifier(kReuseIdentifier);
  cell->selectionStyle = uikit::TableViewCellSelectionStyle::kNone;
  auto container = uikit::View::make(uikit::Rect(10, 5, 300, 90));
  auto title = uikit::View::make<uikit::Label>(uikit::Rect(10, 10, 200, 20));
  auto status = uikit::View::make<uikit::Label>(uikit::Rect(220, 10, 70, 24));
  auto time = uikit::View::make<uikit::Label>(uikit::Rect(10, 35, 280, 20));
  auto description = uikit::View::make<uikit::Label>(uikit::Rect(10, 60, 280, 25));
  for (const auto& label : {title, status, time, description}) container->addSubview(label);
  cell->contentView()->addSubview(container);
  uikit::Nib::wire(
      {
          {"containerView", [cell, container] { cell->containerView = container; }},
          {"lblComplainTitle", [cell, title] { cell->setLblComplainTitle(title); }},
          {"lblSuitableTime", [cell, time] { cell->setLblSuitableTime(time); }},
          {"lblComplainStatus", [cell, status] { cell->setLblComplainStatus(status); }},
          {"lblComplainDesciption", [cell, description] { cell->setLblComplainDesciption(description); }},
      },
      {cell});
  return cell;
}
