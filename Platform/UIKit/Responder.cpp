#include "Platform/UIKit/Responder.h"

namespace uikit {

namespace {
std::weak_ptr<Responder>& firstResponderSlot() {
  static std::weak_ptr<Responder> slot;
  return slot;
}
}  // namespace

std::shared_ptr<Responder> Responder::currentFirstResponder() { return firstResponderSlot().lock(); }

void Responder::setCurrentFirstResponder(const std::shared_ptr<Responder>& responder) {
  firstResponderSlot() = responder;
}

bool Responder::isFirstResponder() const {
  auto cur = firstResponderSlot().lock();
  return cur && cur.get() == this;
}

bool Responder::becomeFirstResponder() {
  if (isFirstResponder()) return true;
  if (!canBecomeFirstResponder()) return false;
  auto cur = currentFirstResponder();
  if (cur && !cur->resignFirstResponder()) return false;
  setCurrentFirstResponder(sharedAs<Responder>());
  return true;
}

bool Responder::resignFirstResponder() {
  if (!isFirstResponder()) return true;
  if (!canResignFirstResponder()) return false;
  setCurrentFirstResponder(nullptr);
  return true;
}

}  // namespace uikit
