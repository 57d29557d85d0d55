#include "Facility/Screens/FacilityAdminNotificationCell.h"

#include "Facility/Widgets/HexColor.h"
#include "Facility/Widgets/ViewStyle.h"
#include "Platform/UIKit/Font.h"
#include "Platform/UIKit/Nib.h"

namespace {
constexpr const char* kNotificationFont = "Gotham-Medium";
constexpr const char* kBookFont = "Gotham-Book";
}  // namespace

void FacilityAdminNotificationCell::setContainerView(const std::shared_ptr<uikit::View>& view) {
  containerView_ = view;
  if (view) styleContainer(*view);
}

void FacilityAdminNotificationCell::setLblTitle(const std::shared_ptr<uikit::Label>& label) {
  lblTitle_ = label;
  if (label) styleLabel(*label, kNotificationFont, 14, uikit::TextAlignment::kLeft);
}

void FacilityAdminNotificationCell::setLblNotifMsg(const std::shared_ptr<uikit::Label>& label) {
  lblNotifMsg_ = label;
  if (label) styleLabel(*label, kBookFont, 13, uikit::TextAlignment::kLeft);
}

void FacilityAdminNotificationCell::setLblDate(const std::shared_ptr<uikit::Label>& label) {
  lblDate_ = label;
  if (label) styleLabel(*label, kBookFont, 12, uikit::TextAlignment::kRight);
}

void FacilityAdminNotificationCell::awakeFromNib() {
  uikit::TableViewCell::awakeFromNib();
  setContainerView(containerView());
  setLblTitle(lblTitle());
  setLblNotifMsg(lblNotifMsg());
  setLblDate(lblDate());
}

void FacilityAdminNotificationCell::styleContainer(uikit::View& view) {
  view.setBackgroundColor(uikit::Color::white());
  ViewStyle::setShadow(view, uikit::Color::black(), 0.0, 2.0, 0.1f, 4.0);
  // The layer's radius alone: clipping to it would cut the shadow off.
  view.layer().cornerRadius = 4.0;
}

void FacilityAdminNotificationCell::styleLabel(uikit::Label& label, const char* fontName, double size,
                                               uikit::TextAlignment alignment) {
  label.setFont(uikit::Font::namedOrSystem(fontName, size));
  label.textAlignment = alignment;
  label.setTextColor(HexColor::colorWithHexString(kTextColor));
  label.setNumberOfLines(0);
}

std::shared_ptr<uikit::TableViewCell> FacilityAdminNotificationCell::instantiatePrototype() {
  auto cell = std::make_shared<FacilityAdminNotificationCell>();
  cell->setReuseIdentifier(kReuseIdentifier);
  // Rows are read only: a tap leaves no highlight behind.
  cell->selectionStyle = uikit::TableViewCellSelectionStyle::kNone;
  auto container = uikit::View::make(uikit::Rect(10, 5, 300, 90));
  auto title = uikit::View::make<uikit::Label>(uikit::Rect(10, 10, 280, 20));
  auto message = uikit::View::make<uikit::Label>(uikit::Rect(10, 35, 280, 30));
  auto date = uikit::View::make<uikit::Label>(uikit::Rect(150, 70, 140, 15));
  container->addSubview(title);
  container->addSubview(message);
  container->addSubview(date);
  cell->contentView()->addSubview(container);
  uikit::Nib::wire(
      {
          {"containerView", [cell, container] { cell->setContainerView(container); }},
          {"lblTitle", [cell, title] { cell->setLblTitle(title); }},
          {"lblNotifMsg", [cell, message] { cell->setLblNotifMsg(message); }},
          {"lblDate", [cell, date] { cell->setLblDate(date); }},
      },
      {cell});
  return cell;
}
