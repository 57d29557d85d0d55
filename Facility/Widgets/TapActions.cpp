#include "Facility/Widgets/TapActions.h"

#include "Facility/Widgets/AssociatedObjects.h"
#include "Platform/Foundation/Log.h"
#include "Platform/UIKit/ControlState.h"

namespace {
constexpr const char* kTapKey = "tapGestureAction";
constexpr const char* kButtonKey = "buttonTouchAction";
constexpr const char* kBarItemKey = "barButtonAction";
constexpr const char* kSegmentKey = "segmentValueChangedAction";
}  // namespace

std::shared_ptr<uikit::TapGestureRecognizer> TapActions::addTapGesture(const std::shared_ptr<uikit::View>& view,
                                                                        Action action) {
  view->setUserInteractionEnabled(true);
  if (action) {
    AssociatedObjects::set(view, kTapKey, std::move(action));
  } else {
    AssociatedObjects::remove(view, kTapKey);
  }
  auto recognizer = std::make_shared<uikit::TapGestureRecognizer>();
  std::weak_ptr<uikit::View> weak = view;
  recognizer->addTarget(view, [weak](uikit::GestureRecognizer&) {
    if (auto v = weak.lock()) handleTapGestureRecognizer(v);
  });
  view->addGestureRecognizer(recognizer);
  return recognizer;
}

void TapActions::handleTapGestureRecognizer(const std::shared_ptr<uikit::View>& view) {
  const std::any* stored = AssociatedObjects::get(view, kTapKey);
  if (!stored) return;
  if (const Action* action = std::any_cast<Action>(stored)) {
    if (*action) (*action)();
  } else {
    platform::LogInfo("no action");
  }
}

void TapActions::addAction(const std::shared_ptr<uikit::Button>& button,
                           std::function<void(uikit::Button&)> action) {
  AssociatedObjects::set(button, kButtonKey, std::move(action));
  std::weak_ptr<uikit::Button> weak = button;
  button->removeActions(uikit::kControlEventTouchUpInside);
  button->addTarget(button, [weak](uikit::Control&) {
    auto b = weak.lock();
    if (!b) return;
    if (auto a = AssociatedObjects::value<std::function<void(uikit::Button&)>>(b, kButtonKey); a && *a) (*a)(*b);
  }, uikit::kControlEventTouchUpInside);
}

void TapActions::setAction(const std::shared_ptr<uikit::BarButtonItem>& item,
                           std::function<void(uikit::BarButtonItem&)> action) {
  AssociatedObjects::set(item, kBarItemKey, std::move(action));
  std::weak_ptr<uikit::BarButtonItem> weak = item;
  item->setAction([weak](uikit::BarButtonItem&) {
    auto i = weak.lock();
    if (!i) return;
    if (auto a = AssociatedObjects::value<std::function<void(uikit::BarButtonItem&)>>(i, kBarItemKey); a && *a) (*a)(*i);
  });
}

void TapActions::setAction(const std::shared_ptr<uikit::SegmentedControl>& control,
                           std::function<void(uikit::SegmentedControl&)> action) {
  AssociatedObjects::set(control, kSegmentKey, std::move(action));
  std::weak_ptr<uikit::SegmentedControl> weak = control;
  control->removeActions(uikit::kControlEventValueChanged);
  control->addTarget(control, [weak](uikit::Control&) {
    auto c = weak.lock();
    if (!c) return;
    if (auto a = AssociatedObjects::value<std::function<void(uikit::SegmentedControl&)>>(c, kSegmentKey); a && *a) {
      (*a)(*c);
    }
  }, uikit::kControlEventValueChanged);
}
