// An alert or action sheet: title, message and ordered actions. A person
// presses an action by its title: the alert is dismissed and, when the
// dismissal has completed, the action's handler runs.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/UIKit/AlertAction.h"
#include "Platform/UIKit/TextField.h"
#include "Platform/UIKit/ViewController.h"

namespace uikit {

enum class AlertControllerStyle { kActionSheet, kAlert };

class AlertController : public ViewController {
 public:
  AlertController(std::optional<std::string> title, std::optional<std::string> message, AlertControllerStyle style);
  static std::shared_ptr<AlertController> make(std::optional<std::string> title, std::optional<std::string> message,
                                               AlertControllerStyle style = AlertControllerStyle::kAlert) {
    return std::make_shared<AlertController>(std::move(title), std::move(message), style);
  }

  const std::optional<std::string>& alertTitle() const { return alertTitle_; }
  void setAlertTitle(std::optional<std::string> t) { alertTitle_ = std::move(t); }
  const std::optional<std::string>& message() const { return message_; }
  void setMessage(std::optional<std::string> m) { message_ = std::move(m); }
  AlertControllerStyle preferredStyle() const { return style_; }

  void addAction(const AlertActionPtr& action);
  // Actions in the order added.
  const std::vector<AlertActionPtr>& actions() const { return actions_; }
  // Titles in the order shown: as added, except that on an alert a cancel
  // action goes last when there are more than two buttons, and first (left)
  // when there are exactly two.
  std::vector<std::string> displayedActionTitles() const;
  AlertActionPtr preferredAction;
  void addTextFieldWithConfigurationHandler(const std::function<void(TextField&)>& configure);
  const std::vector<std::shared_ptr<TextField>>& textFields() const { return textFields_; }

  // Presses the first enabled action with the title. Returns false when there
  // is none, when the alert is not on screen, or during its transitions.
  bool pressActionWithTitle(const std::string& title);

 private:
  std::optional<std::string> alertTitle_;
  std::optional<std::string> message_;
  AlertControllerStyle style_;
  std::vector<AlertActionPtr> actions_;
  std::vector<std::shared_ptr<TextField>> textFields_;
  bool pressed_ = false;
};

}  // namespace uikit
