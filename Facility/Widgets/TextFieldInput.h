// Input settings of a text field: typing limits, and a wheel date picker or
// a list picker as its input with callbacks on Done. The settings live on
// the field; the field's delegate becomes this object, kept alive with it.
#pragma once

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Storage/LoginEntity.h"
#include "Platform/Foundation/DateFormatter.h"
#include "Platform/Foundation/Value.h"
#include "Platform/UIKit/DatePicker.h"
#include "Platform/UIKit/PickerView.h"
#include "Platform/UIKit/TextField.h"

class TextFieldInput : public uikit::TextFieldDelegate,
                       public uikit::PickerViewDataSource,
                       public uikit::PickerViewDelegate,
                       public std::enable_shared_from_this<TextFieldInput> {
 public:
  // A row is a string, a dictionary (of strings, or of values of any kind)
  // or a stored record; dictionaries and records show their value for the
  // dictionary key when that value is a string.
  using Row = std::any;
  using Dictionary = std::map<std::string, std::string>;
  using ValueDictionary = platform::Value::Dictionary;
  using Record = std::shared_ptr<LoginEntity>;
  using DateHandler = std::function<void(double)>;
  using PickerHandler = std::function<void(const std::string& title, long row, long component)>;
  using IndexHandler = std::function<void(uikit::TextField&, long)>;
  using FieldHandler = std::function<void(uikit::TextField&)>;

  // The field's settings object, made (and made its delegate) on first use.
  static std::shared_ptr<TextFieldInput> of(const std::shared_ptr<uikit::TextField>& field);

  // Typing limits.
  void setMaxLength(int maximum) { maxLength_ = maximum; }
  void setTypeDisable(std::string value) { typeDisable_ = std::move(value); }
  void setAllowedCharacters(std::optional<std::string> allowed) { allowed_ = std::move(allowed); }
  void setProtectedPrefixLength(std::optional<std::size_t> n) { protectedPrefix_ = n; }

  // Pickers.
  std::shared_ptr<uikit::DatePicker> datePicker();
  std::shared_ptr<uikit::PickerView> pickerView();
  platform::DateFormatter& dateFormatter();
  void setDatePickerInput(const std::string& format, std::optional<double> defaultDate, bool isPrefilledDate,
                          DateHandler handler);
  void setListPickerInput(std::vector<Row> rows, std::optional<std::string> defaultValue, PickerHandler handler);
  void setDictionaryPickerInput(std::string dictionaryKey, std::vector<Row> rows, PickerHandler handler);
  void setSelectedIndexHandler(long index, IndexHandler handler);
  void setBeginEditingHandler(IndexHandler handler) { beginEditing_ = std::move(handler); }
  void setEndEditingHandler(FieldHandler handler) { endEditing_ = std::move(handler); }
  // Runs on every edit of the text (the field's editing-changed action).
  void setTextChangeHandler(FieldHandler handler);
  void textFieldDidChange(uikit::TextField& field);
  void resetInputSettings();

  // The Done button of the input's bar (installed by the picker set-ups).
  void btnDoneTapped();
  void btnCancelTapped();

  std::optional<long> selectedRow() const { return selectedRow_; }
  std::optional<double> selectedDate() const { return selectedDate_; }

  // Delegate answers.
  void textFieldDidBeginEditing(uikit::TextField& field) override;
  void textFieldDidEndEditing(uikit::TextField& field) override;
  bool textFieldShouldChangeCharactersInRangeReplacementString(uikit::TextField& field, uikit::Range range,
                                                               const std::string& replacement) override;
  long numberOfComponentsInPickerView(uikit::PickerView&) override { return 1; }
  long pickerViewNumberOfRowsInComponent(uikit::PickerView&, long) override {
    return static_cast<long>(rows_ ? rows_->size() : 0);
  }
  std::optional<std::string> pickerViewTitleForRowForComponent(uikit::PickerView&, long row, long) override;
  void pickerViewDidSelectRowInComponent(uikit::PickerView&, long row, long component) override;

  explicit TextFieldInput(std::weak_ptr<uikit::TextField> field) : field_(std::move(field)) {}

 private:
  std::optional<std::string> titleOf(const Row& row) const;
  std::optional<std::string> recordTitle(const Row& row) const;
  std::optional<long> dictionaryRowMatching(const std::string& text) const;
  void handleDateSelection();
  void installDoneBar(uikit::TextField& field);
  // Puts the wheel and the Done bar on the field with these rows; false when the field is gone.
  bool installPicker(std::vector<Row> rows, PickerHandler handler);

  std::weak_ptr<uikit::TextField> field_;
  std::optional<int> maxLength_;
  std::optional<std::string> typeDisable_;
  std::optional<std::string> allowed_;
  std::optional<std::size_t> protectedPrefix_;

  std::shared_ptr<uikit::DatePicker> datePicker_;
  std::shared_ptr<uikit::PickerView> pickerView_;
  std::unique_ptr<platform::DateFormatter> formatter_;
  DateHandler dateHandler_;
  std::optional<double> defaultDate_;
  std::optional<double> selectedDate_;
  bool isPrefilledDate_ = false;
  std::optional<std::vector<Row>> rows_;
  std::optional<std::string> dictionaryKey_;
  std::optional<std::string> defaultValue_;
  PickerHandler pickerHandler_;
  std::optional<long> selectedRow_;
  std::optional<long> selectedComponent_;
  std::optional<long> selectedIndex_;
  IndexHandler endEditingIndex_;
  IndexHandler beginEditing_;
  FieldHandler endEditing_;
  FieldHandler textChange_;
  bool textChangeWired_ = false;
};
