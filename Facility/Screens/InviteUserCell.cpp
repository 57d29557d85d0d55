#include "Facility/Screens/InviteUserCell.h"

#include <charconv>

#include "Platform/Foundation/Utf8.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Nib.h"

namespace {

constexpr long kHourRows = 1000;
constexpr long kMinuteRows = 60;

// A whole part that is a non-negative decimal number, else 0.
long numberOf(std::string_view part) {
  long value = 0;
  const char* first = part.data();
  const char* last = part.data() + part.size();
  if (first != last && *first == '+') ++first;
  auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last || value < 0) return 0;
  return value;
}

}  // namespace

std::string InviteUserCell::twoDigits(long value) {
  std::string digits = value <= 9 ? "0" : "";
  digits.append(std::to_string(value));
  return digits;
}

void InviteUserCell::configureTimePicker(TimeCompletion completion) {
  if (completion) selectTimeCompletion = std::move(completion);
  auto self = sharedAs<InviteUserCell>();
  pickerTime->setDataSource(self);
  pickerTime->setDelegate(self);
  placeComponentLabels({"Hr", "Min"}, *pickerTime);
  if (auto field = txtField.lock()) {
    field->inputView = pickerTime;
    field->setDelegate(self);
  }
}

void InviteUserCell::placeComponentLabels(const std::vector<std::string>& titles, uikit::PickerView& picker) {
  const long wheels = picker.numberOfComponents();
  if (wheels <= 0) return;
  const double width = uikit::Device::screenBounds().width() / static_cast<double>(wheels);
  componentLabels_.resize(titles.size());
  for (std::size_t i = 0; i < titles.size() && static_cast<long>(i) < wheels; ++i) {
    if (componentLabels_[i]) componentLabels_[i]->removeFromSuperview();
    auto label = std::make_shared<uikit::Label>();
    label->setText(titles[i]);
    label->setFrame(uikit::Rect(picker.frame().x() + width * static_cast<double>(i), 10.0, width, 20.0));
    label->setFont(uikit::Font::boldSystemFont(20.0));
    label->setBackgroundColor(uikit::Color::clear());
    label->setTextColor(uikit::Color::black());
    label->textAlignment = uikit::TextAlignment::kCenter;
    picker.addSubview(label);
    componentLabels_[i] = label;
  }
}

void InviteUserCell::setTime(std::string_view text) {
  if (platform::Utf8::isBlank(text)) return;
  const auto colon = text.find(':');
  hour = numberOf(text.substr(0, colon));
  minutes = colon == std::string_view::npos ? 0 : numberOf(text.substr(colon + 1));
  if (auto field = txtField.lock()) field->setText(twoDigits(hour) + ":" + twoDigits(minutes));
  pickerTime->reloadAllComponents();
}

long InviteUserCell::numberOfComponentsInPickerView(uikit::PickerView&) { return 2; }

long InviteUserCell::pickerViewNumberOfRowsInComponent(uikit::PickerView&, long component) {
  if (component == 0) return kHourRows;
  if (component == 1) return kMinuteRows;
  return 0;
}

double InviteUserCell::pickerViewWidthForComponent(uikit::PickerView& picker, long) {
  return picker.bounds().width() / 3;
}

std::optional<std::string> InviteUserCell::pickerViewTitleForRowForComponent(uikit::PickerView&, long row, long) {
  return twoDigits(row);
}

void InviteUserCell::pickerViewDidSelectRowInComponent(uikit::PickerView&, long row, long component) {
  if (component == 0) hour = row;
  if (component == 1) minutes = row;
}

void InviteUserCell::textFieldDidBeginEditing(uikit::TextField&) {
  pickerTime->selectRow(hour, 0, true);
  pickerTime->selectRow(minutes, 1, true);
}

void InviteUserCell::textFieldDidEndEditing(uikit::TextField&) {
  auto report = selectTimeCompletion;
  if (report) report(hour, minutes);
}

bool InviteUserCell::textFieldShouldChangeCharactersInRangeReplacementString(uikit::TextField&, uikit::Range,
                                                                             const std::string&) {
  return false;
}

void InviteUserCell::registerNib() {
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    const double width = uikit::Device::screenBounds().width();
    auto cell = std::make_shared<InviteUserCell>(uikit::TableViewCellStyle::kDefault, kNibName);
    cell->setFrame(uikit::Rect(0, 0, width, 64));
    auto content = cell->contentView();
    cell->addSubview(content);
    content->setFrame(cell->bounds());
    auto title = uikit::View::make<GenericLabel>(uikit::Rect(16, 4, width - 32, 18));
    auto field = uikit::View::make<SimpleTextField>(uikit::Rect(16, 24, width - 32, 36));
    content->addSubview(title);
    content->addSubview(field);
    // The fitting height: title and field stacked with their margins, so
    // the ten rows fit a phone screen.
    for (const auto& [view, top, height] :
         {std::tuple{uikit::ViewPtr(title), 4.0, 18.0}, std::tuple{uikit::ViewPtr(field), 24.0, 36.0}}) {
      view->setTranslatesAutoresizingMaskIntoConstraints(false);
      uikit::LayoutConstraint::activate({
          view->topAnchor().constraintEqualToAnchor(content->topAnchor(), top),
          view->leadingAnchor().constraintEqualToAnchor(content->leadingAnchor(), 16),
          view->trailingAnchor().constraintEqualToAnchor(content->trailingAnchor(), -16),
          view->heightAnchor().constraintEqualToConstant(height),
      });
    }
    uikit::LayoutConstraint::activate({field->bottomAnchor().constraintEqualToAnchor(content->bottomAnchor(), -4)});
    std::weak_ptr<InviteUserCell> weak = cell;
    uikit::NibContents nib;
    nib.topLevelObjects.push_back(cell);
    nib.outlets = {
        {"lbTitle", [weak, title] { if (auto c = weak.lock()) c->lbTitle = title; }},
        {"txtField", [weak, field] { if (auto c = weak.lock()) c->txtField = field; }},
    };
    return nib;
  });
}
