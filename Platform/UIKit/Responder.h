// The responder chain and the one first responder of the process.
#pragma once

#include <memory>

#include "Platform/UIKit/Object.h"

namespace uikit {

class Responder : public Object {
 public:
  virtual std::shared_ptr<Responder> nextResponder() const { return nullptr; }
  virtual bool canBecomeFirstResponder() const { return false; }
  virtual bool canResignFirstResponder() const { return true; }
  // True when the receiver is the first responder afterwards.
  virtual bool becomeFirstResponder();
  virtual bool resignFirstResponder();
  bool isFirstResponder() const;

  static std::shared_ptr<Responder> currentFirstResponder();

 protected:
  // For subclasses that move focus themselves after their own checks.
  static void setCurrentFirstResponder(const std::shared_ptr<Responder>& responder);
};

}  // namespace uikit
