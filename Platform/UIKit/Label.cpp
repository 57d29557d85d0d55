#include "Platform/UIKit/Label.h"

#include <algorithm>

#include "Platform/UIKit/GraphicsContext.h"

namespace uikit {

Label::Label() { setUserInteractionEnabled(false); }

Label::Label(const Rect& frame) : View(frame) { setUserInteractionEnabled(false); }

std::optional<std::string> Label::text() const {
  if (attributed_) return attributed_->string();
  return text_;
}

void Label::setText(std::optional<std::string> text) {
  text_ = std::move(text);
  attributed_.reset();
  invalidateIntrinsicContentSize();
  setNeedsDisplay();
}

std::optional<AttributedString> Label::attributedText() const {
  if (attributed_) return attributed_;
  if (!text_) return std::nullopt;
  TextAttributes a;
  a.font = font_;
  a.foregroundColor = textColor_;
  return AttributedString(*text_, a);
}

void Label::setAttributedText(std::optional<AttributedString> text) {
  attributed_ = std::move(text);
  text_.reset();
  invalidateIntrinsicContentSize();
  setNeedsDisplay();
}

std::string Label::displayString() const { return text().value_or(""); }

Size Label::intrinsicContentSizeForWidth(double maxWidth) const {
  std::string s = displayString();
  if (s.empty()) return {0, 0};
  double limit = numberOfLines() == 1 ? 0 : maxWidth;
  if (limit <= 0 && numberOfLines() != 1 && preferredMaxLayoutWidth > 0) limit = preferredMaxLayoutWidth;
  Font f = font_;
  if (attributed_ && attributed_->length() > 0) {
    if (auto af = attributed_->attributesAt(0).font) f = *af;
  }
  Size size = f.sizeOfText(s, limit, numberOfLines());
  if (maxWidth > 0) size.width = std::min(size.width, maxWidth);
  return size;
}

Size Label::intrinsicContentSize() const { return intrinsicContentSizeForWidth(0); }

Size Label::sizeThatFits(Size size) const { return intrinsicContentSizeForWidth(size.width); }

Rect Label::textRectForBounds(const Rect& bounds, int lines) const {
  std::string s = displayString();
  Size size = font_.sizeOfText(s, bounds.width(), lines);
  size.height = std::min(size.height, bounds.height());
  return Rect(bounds.x(), bounds.y() + (bounds.height() - size.height) / 2, size.width, size.height);
}

void Label::drawTextInRect(const Rect& rect) {
  auto* context = GraphicsContext::current();
  std::string s = displayString();
  if (!context || s.empty()) return;
  context->drawText(s, rect, textColor_, font_.pointSize());
}

}  // namespace uikit
