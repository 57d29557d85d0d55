#include "Platform/UIKit/TextView.h"

#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Utf16.h"

namespace uikit {

TextView::TextView() = default;

void TextView::setText(const std::string& text) {
  text_ = text;
  attributed_.reset();
  auto observers = observers_;
  for (auto& [token, fn] : observers) {
    if (fn) fn(text_);
  }
}

std::optional<AttributedString> TextView::attributedText() const {
  if (attributed_) return attributed_;
  TextAttributes a;
  a.font = font;
  if (textColor) a.foregroundColor = *textColor;
  return AttributedString(text_, a);
}

void TextView::setAttributedText(const AttributedString& text) {
  setText(text.string());
  attributed_ = text;
}

int TextView::addTextObserver(std::function<void(const std::string&)> observer) {
  int token = nextToken_++;
  observers_[token] = std::move(observer);
  return token;
}

void TextView::removeTextObserver(int token) { observers_.erase(token); }

bool TextView::becomeFirstResponder() {
  if (isFirstResponder()) return true;
  if (!canBecomeFirstResponder()) return false;
  auto keep = sharedAs<TextView>();
  if (auto d = textViewDelegate(); d && !d->textViewShouldBeginEditing(*this)) return false;
  Keyboard::shared().transferring = true;
  bool ok = Responder::becomeFirstResponder();
  Keyboard::shared().transferring = false;
  if (!ok) return false;
  editing_ = true;
  if (auto d = textViewDelegate()) d->textViewDidBeginEditing(*this);
  double h = inputView ? inputView->frame().height() : Device::current().keyboardHeight;
  if (inputAccessoryView) h += inputAccessoryView->frame().height();
  Keyboard::shared().show(h);
  return true;
}

bool TextView::resignFirstResponder() {
  if (!isFirstResponder()) return true;
  auto keep = sharedAs<TextView>();
  if (auto d = textViewDelegate(); d && !d->textViewShouldEndEditing(*this)) return false;
  if (!Responder::resignFirstResponder()) return false;
  editing_ = false;
  if (auto d = textViewDelegate()) d->textViewDidEndEditing(*this);
  Keyboard::shared().hide();
  return true;
}

bool TextView::replaceRange(Range range, const std::string& replacement) {
  if (!isFirstResponder() && !becomeFirstResponder()) return false;
  auto keep = sharedAs<TextView>();
  if (auto d = textViewDelegate(); d && !d->textViewShouldChangeTextInRangeReplacementText(*this, range, replacement)) {
    return false;
  }
  text_ = Utf16::replace(text_, range, replacement);
  attributed_.reset();
  if (auto d = textViewDelegate()) d->textViewDidChange(*this);
  return true;
}

int TextView::typeText(const std::string& text) {
  int accepted = 0;
  std::u16string u = Utf16::fromUtf8(text);
  for (std::size_t i = 0; i < u.size(); ++i) {
    std::size_t len = (u[i] >= 0xD800 && u[i] < 0xDC00 && i + 1 < u.size()) ? 2 : 1;
    std::string ch = Utf16::toUtf8(u.substr(i, len));
    i += len - 1;
    if (replaceRange({Utf16::length(text_), 0}, ch)) ++accepted;
  }
  return accepted;
}

}  // namespace uikit
