#include "Facility/Widgets/TextFieldInput.h"

#include "Facility/Widgets/DoneAccessory.h"
#include "Platform/TextLayout/TextLayout.h"
#include "Platform/UIKit/ControlState.h"
#include "Platform/UIKit/Utf16.h"

namespace {
constexpr const char* kInputKey = "textFieldInput";

std::size_t characters(const std::string& text) {
  return platform::TextLayout::graphemeCount(uikit::Utf16::fromUtf8(text));
}

std::u32string codePoints(const std::string& text) {
  std::u16string u = uikit::Utf16::fromUtf8(text);
  std::u32string out;
  for (std::size_t i = 0; i < u.size(); ++i) {
    char32_t c = u[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < u.size() && u[i + 1] >= 0xDC00 && u[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (u[i + 1] - 0xDC00);
      ++i;
    }
    out.push_back(c);
  }
  return out;
}
}  // namespace

std::shared_ptr<TextFieldInput> TextFieldInput::of(const std::shared_ptr<uikit::TextField>& field) {
  const auto* existing = field->associated<std::shared_ptr<TextFieldInput>>(kInputKey);
  std::shared_ptr<TextFieldInput> input = existing ? *existing : std::make_shared<TextFieldInput>(field);
  if (!existing) field->setAssociatedObject(kInputKey, input);
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

void TextFieldInput::installDoneBar(uikit::TextField& field) {
  // A bar the field already has keeps its place; only its Done is taken over.
  auto done = DoneAccessory::doneButton(field.inputAccessoryView);
  if (!done) {
    field.inputAccessoryView = DoneAccessory::makeBar(field.keyboardAppearance, false, shared_from_this(), nullptr);
    done = DoneAccessory::doneButton(field.inputAccessoryView);
  }
  std::weak_ptr<TextFieldInput> weak = weak_from_this();
  done->setTarget(shared_from_this(), [weak](uikit::BarButtonItem&) {
    if (auto self = weak.lock()) self->btnDoneTapped();
  });
}

void TextFieldInput::setDatePickerInput(const std::string& format, std::optional<double> defaultDate,
                                        bool isPrefilledDate, DateHandler handler) {
  auto field = field_.lock();
  if (!field) return;
  field->inputView = datePicker();
  installDoneBar(*field);
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
  if (installPicker(std::move(rows), std::move(handler))) defaultValue_ = std::move(defaultValue);
}

void TextFieldInput::setDictionaryPickerInput(std::string dictionaryKey, std::vector<Row> rows,
                                              PickerHandler handler) {
  if (installPicker(std::move(rows), std::move(handler))) dictionaryKey_ = std::move(dictionaryKey);
}

bool TextFieldInput::installPicker(std::vector<Row> rows, PickerHandler handler) {
  auto field = field_.lock();
  if (!field) return false;
  field->inputView = pickerView();
  installDoneBar(*field);
  rows_ = std::move(rows);
  pickerView_->reloadAllComponents();
  pickerHandler_ = std::move(handler);
  return true;
}

void TextFieldInput::setSelectedIndexHandler(long index, IndexHandler handler) {
  selectedIndex_ = index;
  endEditingIndex_ = std::move(handler);
}

void TextFieldInput::setTextChangeHandler(FieldHandler handler) {
  textChange_ = std::move(handler);
  auto field = field_.lock();
  if (!field || textChangeWired_) return;
  textChangeWired_ = true;
  std::weak_ptr<TextFieldInput> weak = weak_from_this();
  field->addTarget(shared_from_this(), [weak](uikit::Control& sender) {
    auto self = weak.lock();
    auto* changed = dynamic_cast<uikit::TextField*>(&sender);
    if (self && changed) self->textFieldDidChange(*changed);
  }, uikit::kControlEventEditingChanged);
}

void TextFieldInput::textFieldDidChange(uikit::TextField& field) {
  if (textChange_) textChange_(field);
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
  textChange_ = nullptr;
  maxLength_.reset();
  typeDisable_.reset();
  allowed_.reset();
  protectedPrefix_.reset();
}

std::optional<std::string> TextFieldInput::recordTitle(const Row& row) const {
  const auto* record = std::any_cast<Record>(&row);
  if (!record || !*record || !dictionaryKey_) return std::nullopt;
  platform::Value value = (*record)->valueForKey(*dictionaryKey_);
  if (const std::string* text = value.getString()) return *text;
  return std::nullopt;
}

std::optional<std::string> TextFieldInput::titleOf(const Row& row) const {
  if (const auto* s = std::any_cast<std::string>(&row)) return *s;
  if (!dictionaryKey_) return std::nullopt;
  if (const auto* d = std::any_cast<Dictionary>(&row)) {
    auto it = d->find(*dictionaryKey_);
    if (it != d->end()) return it->second;
    return std::nullopt;
  }
  if (const auto* d = std::any_cast<ValueDictionary>(&row)) {
    auto it = d->find(*dictionaryKey_);
    if (it == d->end()) return std::nullopt;
    if (const std::string* text = it->second.getString()) return *text;
    return std::nullopt;
  }
  return recordTitle(row);
}

std::optional<long> TextFieldInput::dictionaryRowMatching(const std::string& text) const {
  for (std::size_t i = 0; i < rows_->size(); ++i) {
    const Row& row = (*rows_)[i];
    bool isDictionary = std::any_cast<Dictionary>(&row) || std::any_cast<ValueDictionary>(&row);
    if (!isDictionary) continue;
    auto title = titleOf(row);
    if (title && *title == text) return static_cast<long>(i);
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
    long found = 0;
    if (std::any_cast<std::string>(&rows.front())) {
      auto matchRow = [&](const std::string& wanted) -> std::optional<long> {
        for (std::size_t i = 0; i < rows.size(); ++i) {
          const auto* s = std::any_cast<std::string>(&rows[i]);
          if (s && *s == wanted) return static_cast<long>(i);
        }
        return std::nullopt;
      };
      auto match = matchRow(field.text().value_or(""));
      if (!match && defaultValue_) match = matchRow(*defaultValue_);
      found = match.value_or(0);
      pickerView_->selectRow(found, 0, false);
    } else if (std::any_cast<Record>(&rows.front())) {
      if (!dictionaryKey_) return;
      std::optional<long> match;
      if (auto text = field.text()) {
        for (std::size_t i = 0; i < rows.size() && !match; ++i) {
          auto title = recordTitle(rows[i]);
          if (title && *title == *text) match = static_cast<long>(i);
        }
      }
      found = match.value_or(0);
      // The wheel shows row 0 too when nothing matches, so it always
      // agrees with the row that Done reports.
      pickerView_->selectRow(found, 0, false);
    } else {
      if (!dictionaryKey_) return;
      found = dictionaryRowMatching(field.text().value_or("")).value_or(0);
      pickerView_->selectRow(found, 0, false);
    }
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
    // A copy: the handler may reconfigure this field (a reloaded row).
    const DateHandler handler = dateHandler_;
    handler(*selectedDate_);
  } else if (pickerHandler_ && selectedRow_ && selectedComponent_ && rows_ && *selectedRow_ >= 0 &&
             *selectedRow_ < static_cast<long>(rows_->size())) {
    // Copies: the handler may replace the rows or the handler itself.
    const Row row = (*rows_)[static_cast<std::size_t>(*selectedRow_)];
    const PickerHandler handler = pickerHandler_;
    const long index = *selectedRow_;
    const long component = *selectedComponent_;
    if (const auto* s = std::any_cast<std::string>(&row)) {
      field->setText(*s);
      handler(*s, index, component);
    } else if (std::any_cast<Record>(&row)) {
      if (auto title = recordTitle(row)) {
        handler(*title, index, component);
        field->setText(*title);
      }
    } else {
      // Dictionary rows: the handler writes the text itself.
      handler(field->text().value_or(""), index, component);
      field->setText(field->text().value_or(""));
    }
  }
  field->resignFirstResponder();
}

void TextFieldInput::btnCancelTapped() {
  if (auto field = field_.lock()) field->resignFirstResponder();
}

void TextFieldInput::textFieldDidEndEditing(uikit::TextField& field) {
  // Copies: a handler may reset this field's settings (a reloaded row).
  if (const FieldHandler handler = endEditing_) handler(field);
  if (const IndexHandler handler = endEditingIndex_; handler && selectedIndex_) handler(field, *selectedIndex_);
}

bool TextFieldInput::textFieldShouldChangeCharactersInRangeReplacementString(uikit::TextField& field,
                                                                             uikit::Range range,
                                                                             const std::string& replacement) {
  if (typeDisable_ && *typeDisable_ == "true") return false;
  std::string current = field.text().value_or("");
  if (protectedPrefix_ && characters(current) >= *protectedPrefix_ && range.location < *protectedPrefix_) {
    return false;
  }
  if (!field.textInputMode()) return false;
  if (maxLength_) {
    // Judge the text the edit would leave: longer than the maximum and
    // longer than now is refused, so a paste cannot pass the limit while
    // deleting from an over-long text still works.
    std::size_t after = characters(uikit::Utf16::replace(current, range, replacement));
    std::size_t before = characters(current);
    if (after > static_cast<std::size_t>(*maxLength_) && after > before) return false;
  }
  if (allowed_) {
    std::u32string allowedPoints = codePoints(*allowed_);
    for (char32_t c : codePoints(replacement)) {
      if (allowedPoints.find(c) == std::u32string::npos) return false;
    }
  }
  return true;
}
