// One button of an alert: title, style and the handler run when pressed.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Platform/UIKit/Object.h"

namespace uikit {

class AlertAction;
using AlertActionPtr = std::shared_ptr<AlertAction>;

enum class AlertActionStyle { kDefault, kCancel, kDestructive };

class AlertAction : public Object {
 public:
  using Handler = std::function<void(AlertAction&)>;
  AlertAction(std::optional<std::string> title, AlertActionStyle style, Handler handler)
      : title_(std::move(title)), style_(style), handler_(std::move(handler)) {}
  static AlertActionPtr make(std::optional<std::string> title, AlertActionStyle style, Handler handler = nullptr) {
    return std::make_shared<AlertAction>(std::move(title), style, std::move(handler));
  }

  const std::optional<std::string>& title() const { return title_; }
  AlertActionStyle style() const { return style_; }
  bool isEnabled = true;
  const Handler& handler() const { return handler_; }

 private:
  std::optional<std::string> title_;
  AlertActionStyle style_;
  Handler handler_;
};

}  // namespace uikit
