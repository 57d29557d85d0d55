#include "Facility/Widgets/TextFieldInput.h"

#include "Facility/Widgets/AssociatedObjects.h"
#include "Platform/UIKit/ControlState.h"
#include "Platform/UIKit/Utf16.h"

namespace {
constexpr const char* kInputKey = "textFieldInput";
}

std::shared_ptr<TextFieldInput> TextFieldInput::of(const std::shared_ptr<uikit::TextField>& field) {
  auto existing = AssociatedObjects::value<std::shared_ptr<TextFieldInput>>(field, kInputKey);
  std::shared_ptr<TextFieldInput> input = existing ? *existing : std::make_shared<TextFieldInput>(field);
  if (!existing) AssociatedObjects::set(field, kInputKey, input);
  field->setDelegate(input);
  return input;
}

std::shared_ptr<uikit::DatePicker> TextFieldInput::datePicker() {
  if (!datePicker_) {
    datePicker_ = std::make_shared<uikit::DatePicker>();
    datePicker_->preferredDatePickerStyle = uikit::DatePickerStyle::kWheels;
    std::weak_ptr<TextFieldInput> weak = weak_from_this();
    datePicker_->addAction([weak](uikit::Control&) {
      if (auto self = weak.lock()) self->handleDateSelection();
    }, uikit::kControlEventValueChanged);
  }
  return datePicker_;
}

std::shared_ptr<uikit::PickerView> TextFieldInput::pickerView() {
  if (!pickerView_) {
    pickerView_ = std::make_shared<uikit::PickerView>();
    pickerView_->setDataSource(shared_from_this());
    pickerView_->setDelegate(shared_from_this());
  }
  return pickerView_;
}

platform::DateFormatter& TextFieldInput::dateFormatter() {
  if (!formatter_) formatter_ = std::make_unique<platform::DateFormatter>();
  return *formatter_;
}

void TextFieldInput::setDatePickerInput(const std::string& format, std::optional<double> defaultDate,
                                        bool isPrefilledDate, DateHandler handler) {
  auto field = field_.lock();
  if (!field) return;
  field->inputView = datePicker();
  dateFormatter().setDateFormat(format);
  dateHandler_ = std::move(handler);
  if (defaultDate) datePicker_->setDate(*defaultDate);
  selectedDate_ = datePicker_->date();
  defaultDate_ = defaultDate;
  isPrefilledDate_ = isPrefilledDate;
}

void TextFieldInput::handleDateSelection() {
  defaultDate_ = datePicker_->date();
  selectedDate_ = datePicker_->date();
}

void TextFieldInput::setListPickerInput(std::vector<Row> rows, std::optional<std::string> defaultValue,
                                        PickerHandler handler) {
  auto field = field_.lock();
  if (!field) return;
  field->inputView = pickerView();
  rows_ = std::move(rows);
  pickerView_->reloadAllComponents();
  pickerHandler_ = std::move(handler);
  defaultValue_ = std::move(defaultValue);
}

void TextFieldInput::setDictionaryPickerInput(std::string dictionaryKey, std::vector<Row> rows,
                                              PickerHandler handler) {
  auto field = field_.lock();
  if (!field) return;
  field->inputView = pickerView();
  rows_ = std::move(rows);
  pickerView_->reloadAllComponents();
  pickerHandler_ = std::move(handler);
  dictionaryKey_ = std::move(dictionaryKey);
}

void TextFieldInput::setSelectedIndexHandler(long index, IndexHandler handler) {
  selectedIndex_ = index;
  endEditingIndex_ = std::move(handler);
}

void TextFieldInput::resetInputSettings() {
  // The date picker and the selected index stay; the rest is made again.
  pickerView_.reset();
  formatter_.reset();
  dateHandler_ = nullptr;
  defaultDate_.reset();
  selectedDate_.reset();
  isPrefilledDate_ = false;
  rows_.reset();
  dictionaryKey_.reset();
  defaultValue_.reset();
  pickerHandler_ = nullptr;
  selectedRow_.reset();
  selectedComponent_.reset();
  endEditingIndex_ = nullptr;
  beginEditing_ = nullptr;
  endEditing_ = nullptr;
  maxLength_.reset();
  typeDisable_.reset();
  allowed_.reset();
  protectedPrefix_.reset();
}

std::optional<std::string> TextFieldInput::titleOf(const Row& row) const {
  if (const auto* s = std::any_cast<std::string>(&row)) return *s;
  if (const auto* d = std::any_cast<Dictionary>(&row)) {
    if (!dictionaryKey_) return std::nullopt;
    auto it = d->find(*dictionaryKey_);
    if (it != d->end()) return it->second;
  }
  return std::nullopt;
}

std::optional<std::string> TextFieldInput::pickerViewTitleForRowForComponent(uikit::PickerView&, long row, long) {
  if (!rows_ || row < 0 || row >= static_cast<long>(rows_->size())) return std::nullopt;
  return titleOf((*rows_)[static_cast<std::size_t>(row)]);
}

void TextFieldInput::pickerViewDidSelectRowInComponent(uikit::PickerView&, long row, long component) {
  if (!rows_ || row < 0 || row >= static_cast<long>(rows_->size())) return;
  selectedRow_ = row;
  selectedComponent_ = component;
}

void TextFieldInput::textFieldDidBeginEditing(uikit::TextField& field) {
  if (datePicker_ && field.inputView == datePicker_) {
    if (defaultDate_) {
      datePicker_->setDate(*defaultDate_);
      if (isPrefilledDate_) {
        field.setText(formatter_ ? std::optional<std::string>(formatter_->stringFromDate(platform::Date{*defaultDate_}))
                                 : std::nullopt);
      }
    }
    return;
  }
  if (pickerView_ && field.inputView == pickerView_) {
    if (!rows_ || rows_->empty()) return;
    const auto& rows = *rows_;
    std::string text = field.text().value_or("");
    long found = -1;
    if (std::any_cast<std::string>(&rows.front())) {
      auto matchRow = [&](const std::string& wanted) -> long {
        for (std::size_t i = 0; i < rows.size(); ++i) {
          const auto* s = std::any_cast<std::string>(&rows[i]);
          if (s && *s == wanted) return static_cast<long>(i);
        }
        return -1;
      };
      found = matchRow(text);
      if (found < 0 && defaultValue_) found = matchRow(*defaultValue_);
      if (found < 0) found = 0;
    } else {
      if (!dictionaryKey_) return;
      for (std::size_t i = 0; i < rows.size() && found < 0; ++i) {
        const auto* d = std::any_cast<Dictionary>(&rows[i]);
        if (!d) continue;
        auto it = d->find(*dictionaryKey_);
        if (it != d->end() && it->second == text) found = static_cast<long>(i);
      }
      if (found < 0) found = 0;
    }
    pickerView_->selectRow(found, 0, false);
    selectedRow_ = found;
    selectedComponent_ = 0;
    return;
  }
  if (beginEditing_ && selectedIndex_) beginEditing_(field, *selectedIndex_);
}

void TextFieldInput::btnDoneTapped() {
  auto field = field_.lock();
  if (!field) return;
  if (datePicker_ && field->inputView == datePicker_ && dateHandler_ && selectedDate_) {
    dateHandler_(*selectedDate_);
  } else if (pickerHandler_ && selectedRow_ && selectedComponent_ && rows_ && *selectedRow_ >= 0 &&
             *selectedRow_ < static_cast<long>(rows_->size())) {
    const Row& row = (*rows_)[static_cast<std::size_t>(*selectedRow_)];
    if (const auto* s = std::any_cast<std::string>(&row)) {
      field->setText(*s);
      pickerHandler_(*s, *selectedRow_, *selectedComponent_);
    } else {
      // Dictionary rows: the handler writes the text itself.
      pickerHandler_(field->text().value_or(""), *selectedRow_, *selectedComponent_);
      field->setText(field->text().value_or(""));
    }
  }
  field->resignFirstResponder();
}

void TextFieldInput::btnCancelTapped() {
  if (auto field = field_.lock()) field->resignFirstResponder();
}

void TextFieldInput::textFieldDidEndEditing(uikit::TextField& field) {
  if (endEditing_) endEditing_(field);
  if (endEditingIndex_ && selectedIndex_) endEditingIndex_(field, *selectedIndex_);
}

bool TextFieldInput::textFieldShouldChangeCharactersInRangeReplacementString(uikit::TextField& field,
                                                                             uikit::Range range,
                                                                             const std::string& replacement) {
  if (typeDisable_ && *typeDisable_ == "true") return false;
  std::string current = field.text().value_or("");
  if (protectedPrefix_ && uikit::Utf16::length(current) >= *protectedPrefix_ && range.location < *protectedPrefix_) {
    return false;
  }
  if (!field.textInputMode()) return false;
  if (maxLength_) {
    // Judge the text the edit would leave: longer than the maximum and
    // longer than now is refused, so a paste cannot pass the limit while
    // deleting from an over-long text still works.
    std::string result = uikit::Utf16::replace(current, range, replacement);
    std::size_t after = uikit::Utf16::characterCount(result);
    std::size_t before = uikit::Utf16::characterCount(current);
    if (after > static_cast<std::size_t>(*maxLength_) && after > before) return false;
  }
  if (allowed_) {
    auto allowedPoints = uikit::Utf16::fromUtf8(*allowed_);
    for (char16_t c : uikit::Utf16::fromUtf8(replacement)) {
      if (allowedPoints.find(c) == std::u16string::npos) return false;
    }
  }
  return true;
}
