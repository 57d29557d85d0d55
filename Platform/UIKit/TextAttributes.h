// Text attributes as plain values: font, colours, paragraph style.
#pragma once

#include <optional>
#include <string>

#include "Platform/UIKit/Color.h"
#include "Platform/UIKit/Font.h"

namespace uikit {

enum class TextAlignment { kLeft, kCenter, kRight, kJustified, kNatural };
enum class LineBreakMode { kByWordWrapping, kByCharWrapping, kByClipping, kByTruncatingHead, kByTruncatingTail, kByTruncatingMiddle };

struct ParagraphStyle {
  TextAlignment alignment = TextAlignment::kNatural;
  LineBreakMode lineBreakMode = LineBreakMode::kByWordWrapping;
  double lineHeightMultiple = 0;
  double lineSpacing = 0;
  double minimumLineHeight = 0;
  double maximumLineHeight = 0;
  friend bool operator==(const ParagraphStyle&, const ParagraphStyle&) = default;
};

struct TextAttributes {
  std::optional<Font> font;
  std::optional<Color> foregroundColor;
  std::optional<Color> backgroundColor;
  std::optional<ParagraphStyle> paragraphStyle;
  std::optional<double> baselineOffset;
  std::optional<double> kern;
  std::optional<int> underlineStyle;
  std::optional<std::string> link;

  bool empty() const {
    return !font && !foregroundColor && !backgroundColor && !paragraphStyle && !baselineOffset && !kern &&
           !underlineStyle && !link;
  }
  // Fields set in other replace ours.
  void merge(const TextAttributes& other) {
    if (other.font) font = other.font;
    if (other.foregroundColor) foregroundColor = other.foregroundColor;
    if (other.backgroundColor) backgroundColor = other.backgroundColor;
    if (other.paragraphStyle) paragraphStyle = other.paragraphStyle;
    if (other.baselineOffset) baselineOffset = other.baselineOffset;
    if (other.kern) kern = other.kern;
    if (other.underlineStyle) underlineStyle = other.underlineStyle;
    if (other.link) link = other.link;
  }
  friend bool operator==(const TextAttributes&, const TextAttributes&) = default;
};

}  // namespace uikit
