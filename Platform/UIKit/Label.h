// A label: plain or attributed text with font, colour, alignment, line limit.
#pragma once

#include <optional>
#include <string>

#include "Platform/UIKit/AttributedString.h"
#include "Platform/UIKit/View.h"

namespace uikit {

class Label : public View {
 public:
  Label();
  explicit Label(const Rect& frame);

  // Plain text; setting it replaces the attributed text.
  virtual std::optional<std::string> text() const;
  virtual void setText(std::optional<std::string> text);
  // Attributed text; setting it replaces the plain text.
  virtual std::optional<AttributedString> attributedText() const;
  virtual void setAttributedText(std::optional<AttributedString> text);

  const Font& font() const { return font_; }
  void setFont(const Font& font) { font_ = font; invalidateIntrinsicContentSize(); }
  const Color& textColor() const { return textColor_; }
  void setTextColor(const Color& c) { textColor_ = c; }
  TextAlignment textAlignment = TextAlignment::kNatural;
  virtual int numberOfLines() const { return numberOfLines_; }
  virtual void setNumberOfLines(int n) { numberOfLines_ = n; invalidateIntrinsicContentSize(); }
  LineBreakMode lineBreakMode = LineBreakMode::kByTruncatingTail;
  bool isEnabled = true;
  bool isHighlighted = false;
  std::optional<Color> highlightedTextColor;
  bool adjustsFontSizeToFitWidth = false;
  double minimumScaleFactor = 0;
  double preferredMaxLayoutWidth = 0;

  Size intrinsicContentSize() const override;
  Size intrinsicContentSizeForWidth(double maxWidth) const override;
  Size sizeThatFits(Size size) const override;
  // The rectangle the text takes in bounds with up to lines lines.
  Rect textRectForBounds(const Rect& bounds, int lines) const;
  // Draws the text into rect of the current graphics context, in the text
  // colour and the font's size.
  virtual void drawTextInRect(const Rect& rect);
  void drawRect(const Rect& rect) override { drawTextInRect(rect); }

 private:
  std::string displayString() const;
  std::optional<std::string> text_;
  std::optional<AttributedString> attributed_;
  Font font_ = Font::systemFont(17);
  Color textColor_ = Color::black();
  int numberOfLines_ = 1;
};

}  // namespace uikit
