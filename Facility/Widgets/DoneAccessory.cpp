#include "Facility/Widgets/DoneAccessory.h"

#include "Facility/Support/Device.h"

std::shared_ptr<uikit::Toolbar> DoneAccessory::makeBar(uikit::KeyboardAppearance appearance, bool tintBarForDark,
                                                       const std::shared_ptr<const void>& target,
                                                       std::function<void()> action) {
  auto bar = uikit::View::make<uikit::Toolbar>(uikit::Rect(0, 0, Device::screenWidth(), 50));
  bool dark = appearance == uikit::KeyboardAppearance::kDark;
  if (dark) {
    bar->isTranslucent = true;
  } else {
    bar->barStyle = uikit::BarStyle::kDefault;
  }
  auto done = uikit::BarButtonItem::withTitle(kDoneTitle, uikit::BarButtonItemStyle::kDone);
  done->setTarget(target, [action = std::move(action)](uikit::BarButtonItem&) {
    if (action) action();
  });
  if (dark) {
    done->tintColor = uikit::Color::white();
    if (tintBarForDark) bar->barTintColor = uikit::Color::black();
  }
  bar->items = {uikit::BarButtonItem::withSystemItem(uikit::BarButtonSystemItem::kFlexibleSpace), done};
  bar->sizeToFit();
  return bar;
}

void DoneAccessory::setDoneAccessory(const std::shared_ptr<uikit::TextField>& field, bool enabled) {
  if (!enabled || !field) return;
  std::weak_ptr<uikit::TextField> weak = field;
  field->inputAccessoryView = makeBar(field->keyboardAppearance, false, field, [weak] {
    if (auto f = weak.lock()) doneButtonAction(*f);
  });
}

void DoneAccessory::setDoneAccessory(const std::shared_ptr<uikit::TextView>& view, bool enabled) {
  if (!enabled || !view) return;
  std::weak_ptr<uikit::TextView> weak = view;
  view->inputAccessoryView = makeBar(view->keyboardAppearance, true, view, [weak] {
    if (auto v = weak.lock()) doneButtonAction(*v);
  });
}

uikit::BarButtonItemPtr DoneAccessory::doneButton(const std::shared_ptr<uikit::View>& accessory) {
  auto bar = std::dynamic_pointer_cast<uikit::Toolbar>(accessory);
  return bar ? bar->itemTitled(kDoneTitle) : nullptr;
}
