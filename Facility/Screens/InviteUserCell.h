// One row of the visitor form: a title above a text field. For the meeting
// hours the row gives the field an hour wheel (0-999) and a minute wheel in
// place of a keyboard and reports the pick when editing ends.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Facility/Widgets/GenericLabel.h"
#include "Facility/Widgets/SimpleTextField.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/PickerView.h"
#include "Platform/UIKit/TableViewCell.h"
#include "Platform/UIKit/TextField.h"

class InviteUserCell : public uikit::TableViewCell,
                       public uikit::PickerViewDataSource,
                       public uikit::PickerViewDelegate,
                       public uikit::TextFieldDelegate {
 public:
  static constexpr const char* kNibName = "InviteUserCell";
  using TimeCompletion = std::function<void(long hour, long minutes)>;

  using uikit::TableViewCell::TableViewCell;

  std::shared_ptr<uikit::PickerView> pickerTime = std::make_shared<uikit::PickerView>();
  // Kept across reuse: a fresh row reports 0 hours and 1 minute.
  long hour = 0;
  long minutes = 1;
  TimeCompletion selectTimeCompletion = [](long, long) {};
  std::weak_ptr<GenericLabel> lbTitle;
  std::weak_ptr<SimpleTextField> txtField;

  // Makes the wheels the field's input and the row its delegate.
  void configureTimePicker(TimeCompletion completion);
  // Shows "hh:mm" from a text such as "7:5"; a blank text changes nothing.
  void setTime(std::string_view text);
  // "Hr" and "Min" over their wheels, replacing earlier ones.
  void placeComponentLabels(const std::vector<std::string>& titles, uikit::PickerView& picker);
  const std::vector<std::shared_ptr<uikit::Label>>& componentLabels() const { return componentLabels_; }

  // Two digits at least: 7 gives "07", 150 stays "150".
  static std::string twoDigits(long value);

  long numberOfComponentsInPickerView(uikit::PickerView& picker) override;
  long pickerViewNumberOfRowsInComponent(uikit::PickerView& picker, long component) override;
  double pickerViewWidthForComponent(uikit::PickerView& picker, long component) override;
  std::optional<std::string> pickerViewTitleForRowForComponent(uikit::PickerView& picker, long row,
                                                               long component) override;
  void pickerViewDidSelectRowInComponent(uikit::PickerView& picker, long row, long component) override;

  void textFieldDidBeginEditing(uikit::TextField& field) override;
  void textFieldDidEndEditing(uikit::TextField& field) override;
  // The wheels are the only input.
  bool textFieldShouldChangeCharactersInRangeReplacementString(uikit::TextField& field, uikit::Range range,
                                                               const std::string& replacement) override;

  static void registerNib();

 private:
  std::vector<std::shared_ptr<uikit::Label>> componentLabels_;
};
