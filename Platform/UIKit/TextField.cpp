#include "Platform/UIKit/TextField.h"

#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Utf16.h"

namespace uikit {

TextField::TextField() = default;

TextField::TextField(const Rect& frame) : Control(frame) {}

void TextField::setText(std::optional<std::string> text) {
  text_ = std::move(text);
  attributedText_.reset();
}

std::optional<AttributedString> TextField::attributedText() const {
  if (attributedText_) return attributedText_;
  if (!text_) return std::nullopt;
  TextAttributes a;
  a.font = font;
  if (textColor) a.foregroundColor = *textColor;
  return AttributedString(*text_, a);
}

void TextField::setAttributedText(std::optional<AttributedString> text) {
  attributedText_ = std::move(text);
  text_ = attributedText_ ? std::optional<std::string>(attributedText_->string()) : std::nullopt;
}

std::optional<std::string> TextField::placeholder() const {
  if (attributedPlaceholder_) return attributedPlaceholder_->string();
  return std::nullopt;
}

void TextField::setPlaceholder(std::optional<std::string> placeholder) {
  if (placeholder) {
    attributedPlaceholder_ = AttributedString(*placeholder);
  } else {
    attributedPlaceholder_.reset();
  }
}

void TextField::setLeftView(std::shared_ptr<View> v) {
  if (leftView_) leftView_->removeFromSuperview();
  leftView_ = std::move(v);
  if (leftView_) addSubview(leftView_);
}

void TextField::setRightView(std::shared_ptr<View> v) {
  if (rightView_) rightView_->removeFromSuperview();
  rightView_ = std::move(v);
  if (rightView_) addSubview(rightView_);
}

std::optional<std::string> TextField::textInputMode() const {
  if (!editing_) return std::nullopt;
  return std::string("en-US");
}

bool TextField::canBecomeFirstResponder() const { return isEnabled() && isUserInteractionEnabled(); }

bool TextField::becomeFirstResponder() {
  if (isFirstResponder()) return true;
  if (!canBecomeFirstResponder()) return false;
  auto keep = sharedAs<TextField>();
  if (auto d = delegate(); d && !d->textFieldShouldBeginEditing(*this)) return false;
  Keyboard::shared().transferring = true;
  bool ok = Responder::becomeFirstResponder();
  Keyboard::shared().transferring = false;
  if (!ok) return false;
  editing_ = true;
  if (auto d = delegate()) d->textFieldDidBeginEditing(*this);
  sendActionsForControlEvents(kControlEventEditingDidBegin);
  double h = inputView ? inputView->frame().height() : Device::current().keyboardHeight;
  if (inputAccessoryView) h += inputAccessoryView->frame().height();
  Keyboard::shared().show(h);
  return true;
}

bool TextField::resignFirstResponder() {
  if (!isFirstResponder()) return true;
  auto keep = sharedAs<TextField>();
  if (auto d = delegate(); d && !d->textFieldShouldEndEditing(*this)) return false;
  if (!Responder::resignFirstResponder()) return false;
  editing_ = false;
  if (auto d = delegate()) d->textFieldDidEndEditing(*this);
  sendActionsForControlEvents(kControlEventEditingDidEnd);
  Keyboard::shared().hide();
  return true;
}

void TextField::noteEdited() {
  sendActionsForControlEvents(kControlEventEditingChanged);
  platform::NotificationCenter::defaultCenter().post(kTextFieldTextDidChangeNotification);
}

bool TextField::replaceRange(Range range, const std::string& replacement) {
  if (!isFirstResponder() && !becomeFirstResponder()) return false;
  auto keep = sharedAs<TextField>();
  if (auto d = delegate();
      d && !d->textFieldShouldChangeCharactersInRangeReplacementString(*this, range, replacement)) {
    return false;
  }
  std::string current = text_.value_or("");
  setText(Utf16::replace(current, range, replacement));
  noteEdited();
  return true;
}

int TextField::typeText(const std::string& text) {
  if (!isFirstResponder() && !becomeFirstResponder()) return 0;
  int accepted = 0;
  std::u16string u = Utf16::fromUtf8(text);
  for (std::size_t i = 0; i < u.size(); ++i) {
    std::size_t len = (u[i] >= 0xD800 && u[i] < 0xDC00 && i + 1 < u.size()) ? 2 : 1;
    std::string ch = Utf16::toUtf8(u.substr(i, len));
    i += len - 1;
    std::size_t end = Utf16::length(text_.value_or(""));
    if (replaceRange({end, 0}, ch)) ++accepted;
  }
  return accepted;
}

bool TextField::paste(const std::string& text) {
  std::size_t end = Utf16::length(text_.value_or(""));
  return replaceRange({end, 0}, text);
}

bool TextField::deleteBackward() {
  std::u16string u = Utf16::fromUtf8(text_.value_or(""));
  if (u.empty()) return false;
  std::size_t len = (u.size() >= 2 && u.back() >= 0xDC00 && u.back() < 0xE000) ? 2 : 1;
  return replaceRange({u.size() - len, len}, "");
}

bool TextField::pressReturn() {
  auto keep = sharedAs<TextField>();
  bool ok = true;
  if (auto d = delegate()) ok = d->textFieldShouldReturn(*this);
  if (ok) sendActionsForControlEvents(kControlEventEditingDidEndOnExit);
  return ok;
}

Size TextField::intrinsicContentSize() const {
  std::string shown = text_.value_or(placeholder().value_or(""));
  Size s = font.sizeOfText(shown, 0, 1);
  return {s.width, std::max(s.height, font.lineHeight()) + 4};
}

}  // namespace uikit
