#include "Platform/UIKit/AlertController.h"

#include <algorithm>

namespace uikit {

AlertController::AlertController(std::optional<std::string> title, std::optional<std::string> message,
                                 AlertControllerStyle style)
    : alertTitle_(std::move(title)), message_(std::move(message)), style_(style) {
  modalPresentationStyle = ModalPresentationStyle::kOverFullScreen;
  modalTransitionStyle = ModalTransitionStyle::kCrossDissolve;
}

void AlertController::addAction(const AlertActionPtr& action) {
  if (action) actions_.push_back(action);
}

std::vector<std::string> AlertController::displayedActionTitles() const {
  std::vector<AlertActionPtr> order = actions_;
  auto cancel = std::find_if(order.begin(), order.end(),
                             [](const AlertActionPtr& a) { return a->style() == AlertActionStyle::kCancel; });
  if (cancel != order.end() && (style_ == AlertControllerStyle::kActionSheet || order.size() > 2)) {
    auto c = *cancel;
    order.erase(cancel);
    order.push_back(c);
  } else if (cancel != order.end() && order.size() == 2) {
    auto c = *cancel;
    order.erase(cancel);
    order.insert(order.begin(), c);
  }
  std::vector<std::string> titles;
  for (const auto& a : order) titles.push_back(a->title().value_or(""));
  return titles;
}

void AlertController::addTextFieldWithConfigurationHandler(const std::function<void(TextField&)>& configure) {
  auto field = std::make_shared<TextField>();
  if (configure) configure(*field);
  textFields_.push_back(field);
}

bool AlertController::pressActionWithTitle(const std::string& title) {
  if (pressed_ || !presentingViewController() || isBeingPresented() || isBeingDismissed()) return false;
  auto it = std::find_if(actions_.begin(), actions_.end(), [&](const AlertActionPtr& a) {
    return a->isEnabled && a->title().value_or("") == title;
  });
  if (it == actions_.end()) return false;
  AlertActionPtr action = *it;
  pressed_ = true;
  auto self = sharedAs<AlertController>();
  // The handler runs once the alert is gone, so it may present again.
  return dismiss(true, [self, action] {
    if (action->handler()) action->handler()(*action);
  });
}

}  // namespace uikit
