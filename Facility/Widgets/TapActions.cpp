#include "Facility/Widgets/TapActions.h"

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
    view->setAssociatedObject(kTapKey, std::move(action));
  } else {
    view->setAssociatedObject(kTapKey, {});
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
  const std::any* stored = view->associatedObject(kTapKey);
  if (!stored) return;
  if (const Action* action = std::any_cast<Action>(stored)) {
    // A copy: the action may replace itself.
    Action run = *action;
    if (run) run();
  } else {
    platform::LogInfo("no action");
  }
}

void TapActions::addAction(const std::shared_ptr<uikit::Button>& button,
                           std::function<void(uikit::Button&)> action) {
  // The target added the first time runs whatever closure is stored then.
  bool wired = button->associatedObject(kButtonKey) != nullptr;
  button->setAssociatedObject(kButtonKey, std::move(action));
  if (wired) return;
  std::weak_ptr<uikit::Button> weak = button;
  button->addTarget(button, [weak](uikit::Control&) {
    auto b = weak.lock();
    if (!b) return;
    if (const auto* a = b->associated<std::function<void(uikit::Button&)>>(kButtonKey); a && *a) {
      auto run = *a;
      run(*b);
    }
  }, uikit::kControlEventTouchUpInside);
}

void TapActions::setAction(const std::shared_ptr<uikit::BarButtonItem>& item,
                           std::function<void(uikit::BarButtonItem&)> action) {
  item->setAssociatedObject(kBarItemKey, std::move(action));
  std::weak_ptr<uikit::BarButtonItem> weak = item;
  item->setAction([weak](uikit::BarButtonItem&) {
    auto i = weak.lock();
    if (!i) return;
    if (const auto* a = i->associated<std::function<void(uikit::BarButtonItem&)>>(kBarItemKey); a && *a) {
      auto run = *a;
      run(*i);
    }
  });
}

void TapActions::setAction(const std::shared_ptr<uikit::SegmentedControl>& control,
                           std::function<void(uikit::SegmentedControl&)> action) {
  bool wired = control->associatedObject(kSegmentKey) != nullptr;
  control->setAssociatedObject(kSegmentKey, std::move(action));
  if (wired) return;
  std::weak_ptr<uikit::SegmentedControl> weak = control;
  control->addTarget(control, [weak](uikit::Control&) {
    auto c = weak.lock();
    if (!c) return;
    if (const auto* a = c->associated<std::function<void(uikit::SegmentedControl&)>>(kSegmentKey); a && *a) {
      auto run = *a;
      run(*c);
    }
  }, uikit::kControlEventValueChanged);
}
