// A deterministic text-layout engine over the toolkit's font metrics: lines
// broken greedily at word boundaries (a word wider than the line is broken
// between characters), hard breaks at line feeds, and hit testing. Ranges
// are UTF-16 units, as attributed strings use them; each line's range
// includes its trailing blanks and line feed, so lines cover the text.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "Platform/UIKit/AttributedString.h"
#include "Platform/UIKit/Geometry.h"

namespace platform {

struct TextLine {
  uikit::Range range;
  double width = 0;       // of the visible characters (trailing blanks excluded)
  double ascent = 0;
  double descent = 0;     // positive
  double top = 0;         // distance of the line's top from the text's top
  double height() const { return ascent + descent; }
};

class TextLayout {
 public:
  // maxWidth <= 0: no wrapping.
  static std::vector<TextLine> lines(const uikit::AttributedString& text, double maxWidth);
  // Bounding height of the laid-out text.
  static double height(const std::vector<TextLine>& lines);
  // The character index under a point (y measured down from the text's
  // top); none outside every line. flush: 0 left, 0.5 centre, 1 right.
  static std::optional<std::size_t> characterIndexAt(const uikit::AttributedString& text,
                                                     const std::vector<TextLine>& lines, uikit::Point point,
                                                     double flush, double width, std::size_t maxLines = 0);
  // Word ranges (ICU word boundaries; punctuation and blanks are not words).
  static std::vector<uikit::Range> words(std::u16string_view text);
  // Grapheme-cluster boundaries, from 0 to the length.
  static std::vector<std::size_t> graphemeBoundaries(std::u16string_view text);
  static std::size_t graphemeCount(std::u16string_view text) { return graphemeBoundaries(text).size() - 1; }
};

}  // namespace platform
