#include "Platform/UIKit/PickerView.h"

#include <algorithm>

namespace uikit {

PickerView::PickerView() : View(Rect(0, 0, 320, 216)) {}

long PickerView::numberOfComponents() const {
  auto ds = const_cast<PickerView*>(this)->dataSource();
  return ds ? std::max(0L, ds->numberOfComponentsInPickerView(*const_cast<PickerView*>(this))) : 0;
}

long PickerView::numberOfRowsInComponent(long component) const {
  auto ds = dataSource();
  if (!ds || component < 0 || component >= numberOfComponents()) return 0;
  return std::max(0L, ds->pickerViewNumberOfRowsInComponent(*const_cast<PickerView*>(this), component));
}

void PickerView::reloadAllComponents() {
  ++reloads_;
  long n = numberOfComponents();
  selected_.resize(static_cast<std::size_t>(n), 0);
  for (long c = 0; c < n; ++c) reloadComponent(c);
}

void PickerView::reloadComponent(long component) {
  if (component < 0 || component >= static_cast<long>(selected_.size())) return;
  long rows = numberOfRowsInComponent(component);
  auto& s = selected_[static_cast<std::size_t>(component)];
  s = rows == 0 ? 0 : std::clamp(s, 0L, rows - 1);
}

void PickerView::selectRow(long row, long component, bool animated) {
  (void)animated;
  if (component < 0) return;
  if (component >= static_cast<long>(selected_.size())) selected_.resize(static_cast<std::size_t>(component + 1), 0);
  long rows = numberOfRowsInComponent(component);
  if (rows == 0) return;
  selected_[static_cast<std::size_t>(component)] = std::clamp(row, 0L, rows - 1);
}

long PickerView::selectedRowInComponent(long component) const {
  if (component < 0 || component >= static_cast<long>(selected_.size())) return -1;
  if (numberOfRowsInComponent(component) == 0) return -1;
  return selected_[static_cast<std::size_t>(component)];
}

std::optional<std::string> PickerView::titleForRow(long row, long component) const {
  auto d = delegate();
  if (!d) return std::nullopt;
  return d->pickerViewTitleForRowForComponent(*const_cast<PickerView*>(this), row, component);
}

double PickerView::widthForComponent(long component) const {
  const long n = numberOfComponents();
  if (component < 0 || component >= n) return 0;
  if (auto d = delegate()) {
    const double width = d->pickerViewWidthForComponent(*const_cast<PickerView*>(this), component);
    if (width >= 0) return width;
  }
  return bounds().width() / static_cast<double>(n);
}

bool PickerView::userSelectRow(long row, long component) {
  if (row < 0 || row >= numberOfRowsInComponent(component)) return false;
  selectRow(row, component, true);
  auto keep = sharedAs<PickerView>();
  if (auto d = delegate()) d->pickerViewDidSelectRowInComponent(*this, row, component);
  return true;
}

}  // namespace uikit
