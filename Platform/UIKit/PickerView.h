// A wheel picker with data source and delegate; selection per component.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/UIKit/View.h"

namespace uikit {

class PickerView;

class PickerViewDataSource {
 public:
  virtual ~PickerViewDataSource() = default;
  virtual long numberOfComponentsInPickerView(PickerView& picker) = 0;
  virtual long pickerViewNumberOfRowsInComponent(PickerView& picker, long component) = 0;
};

class PickerViewDelegate {
 public:
  virtual ~PickerViewDelegate() = default;
  virtual std::optional<std::string> pickerViewTitleForRowForComponent(PickerView& picker, long row, long component) {
    (void)picker, (void)row, (void)component;
    return std::nullopt;
  }
  virtual void pickerViewDidSelectRowInComponent(PickerView& picker, long row, long component) {
    (void)picker, (void)row, (void)component;
  }
  // Negative: the wheels share the picker's width equally.
  virtual double pickerViewWidthForComponent(PickerView& picker, long component) {
    (void)picker, (void)component;
    return -1;
  }
};

class PickerView : public View {
 public:
  PickerView();

  void setDataSource(const std::shared_ptr<PickerViewDataSource>& d) { dataSource_ = d; reloadAllComponents(); }
  void setDelegate(const std::shared_ptr<PickerViewDelegate>& d) { delegate_ = d; }
  std::shared_ptr<PickerViewDataSource> dataSource() const { return dataSource_.lock(); }
  std::shared_ptr<PickerViewDelegate> delegate() const { return delegate_.lock(); }

  long numberOfComponents() const;
  long numberOfRowsInComponent(long component) const;
  // Re-reads the counts; selections outside the new counts are clamped.
  void reloadAllComponents();
  void reloadComponent(long component);
  void selectRow(long row, long component, bool animated);
  // -1 when the component has no rows.
  long selectedRowInComponent(long component) const;
  std::optional<std::string> titleForRow(long row, long component) const;
  // The delegate's width for the wheel, else an equal share of the width.
  double widthForComponent(long component) const;
  int reloadCount() const { return reloads_; }

  // A person turns the wheel to row: selection, then the delegate hears it.
  bool userSelectRow(long row, long component);

 private:
  std::weak_ptr<PickerViewDataSource> dataSource_;
  std::weak_ptr<PickerViewDelegate> delegate_;
  std::vector<long> selected_;
  int reloads_ = 0;
};

}  // namespace uikit
