#include "Platform/TextLayout/TextLayout.h"

#include <unicode/ubrk.h>

#include <algorithm>
#include <cmath>

#include "Platform/UIKit/Utf16.h"

namespace platform {

namespace {

std::vector<std::size_t> boundaries(std::u16string_view text, UBreakIteratorType type,
                                    std::vector<std::size_t>* wordEnds = nullptr) {
  std::vector<std::size_t> out{0};
  if (text.empty()) return out;
  UErrorCode status = U_ZERO_ERROR;
  UBreakIterator* it = ubrk_open(type, "en_US", reinterpret_cast<const UChar*>(text.data()),
                                 static_cast<int32_t>(text.size()), &status);
  if (U_FAILURE(status) || !it) {
    for (std::size_t i = 1; i <= text.size(); ++i) out.push_back(i);
    return out;
  }
  for (int32_t p = ubrk_next(it); p != UBRK_DONE; p = ubrk_next(it)) {
    out.push_back(static_cast<std::size_t>(p));
    if (wordEnds && ubrk_getRuleStatus(it) != UBRK_WORD_NONE) wordEnds->push_back(static_cast<std::size_t>(p));
  }
  ubrk_close(it);
  return out;
}

uikit::Font fontAt(const uikit::AttributedString& text, std::size_t i) {
  auto a = text.attributesAt(i);
  return a.font ? *a.font : uikit::Font::systemFont(17);
}

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

std::vector<std::size_t> TextLayout::graphemeBoundaries(std::u16string_view text) {
  return boundaries(text, UBRK_CHARACTER);
}

std::vector<uikit::Range> TextLayout::words(std::u16string_view text) {
  std::vector<std::size_t> ends;
  auto all = boundaries(text, UBRK_WORD, &ends);
  std::vector<uikit::Range> out;
  for (std::size_t i = 1; i < all.size(); ++i) {
    if (std::find(ends.begin(), ends.end(), all[i]) != ends.end()) out.push_back({all[i - 1], all[i] - all[i - 1]});
  }
  return out;
}

std::vector<TextLine> TextLayout::lines(const uikit::AttributedString& text, double maxWidth) {
  std::vector<TextLine> out;
  std::u16string u = uikit::Utf16::fromUtf8(text.string());
  if (u.empty()) return out;
  auto g = graphemeBoundaries(u);
  // Width of each grapheme cluster from its font.
  std::vector<double> widths(g.size() - 1);
  for (std::size_t i = 0; i + 1 < g.size(); ++i) {
    std::u16string_view cluster(u.data() + g[i], g[i + 1] - g[i]);
    widths[i] = (cluster == u"\n") ? 0 : fontAt(text, g[i]).widthOfText(uikit::Utf16::toUtf8(cluster));
  }
  double top = 0;
  auto finish = [&](std::size_t startCluster, std::size_t endCluster) {
    TextLine line;
    line.range = {g[startCluster], g[endCluster] - g[startCluster]};
    std::size_t visibleEnd = endCluster;
    while (visibleEnd > startCluster) {
      char16_t c = u[g[visibleEnd - 1]];
      if (!isBlank(c) && c != u'\n') break;
      --visibleEnd;
    }
    for (std::size_t k = startCluster; k < visibleEnd; ++k) line.width += widths[k];
    uikit::Font f = fontAt(text, g[startCluster]);
    line.ascent = f.ascender();
    line.descent = -f.descender();
    line.top = top;
    top += line.height();
    out.push_back(line);
  };
  std::size_t clusters = g.size() - 1;
  std::size_t start = 0;
  while (start < clusters) {
    // Extend over whole words while they fit; blanks may hang past the edge.
    double width = 0;
    double pendingBlanks = 0;
    std::size_t end = start;
    std::size_t lastBreak = start;  // end of the last whole word with its blanks
    bool hardBreak = false;
    while (end < clusters) {
      char16_t c = u[g[end]];
      if (c == u'\n') {
        ++end;
        hardBreak = true;
        break;
      }
      if (isBlank(c)) {
        pendingBlanks += widths[end];
        ++end;
        lastBreak = end;
        continue;
      }
      if (maxWidth > 0 && end > start && width + pendingBlanks + widths[end] > maxWidth) break;
      width += pendingBlanks + widths[end];
      pendingBlanks = 0;
      ++end;
    }
    if (!hardBreak && end < clusters) {
      if (lastBreak > start) {
        end = lastBreak;  // break after the last word that fitted
      }
      // else: one word wider than the line, broken between characters
    }
    finish(start, end);
    start = end;
  }
  return out;
}

double TextLayout::height(const std::vector<TextLine>& lines) {
  return lines.empty() ? 0 : lines.back().top + lines.back().height();
}

std::optional<std::size_t> TextLayout::characterIndexAt(const uikit::AttributedString& text,
                                                        const std::vector<TextLine>& lines, uikit::Point point,
                                                        double flush, double width, std::size_t maxLines) {
  std::size_t count = lines.size();
  if (maxLines > 0) count = std::min(count, maxLines);
  if (count == 0) return std::nullopt;
  std::u16string u = uikit::Utf16::fromUtf8(text.string());
  auto g = graphemeBoundaries(u);
  for (std::size_t i = 0; i < count; ++i) {
    const TextLine& line = lines[i];
    if (point.y < line.top) return std::nullopt;  // above this line
    if (point.y >= line.top + line.height()) continue;
    double pen = std::max(0.0, (width - line.width) * flush);
    if (point.x < pen || point.x > pen + line.width) return std::nullopt;
    double x = pen;
    for (std::size_t k = 0; k + 1 < g.size(); ++k) {
      if (g[k] < line.range.location || g[k] >= line.range.location + line.range.length) continue;
      std::u16string_view cluster(u.data() + g[k], g[k + 1] - g[k]);
      double w = fontAt(text, g[k]).widthOfText(uikit::Utf16::toUtf8(cluster));
      if (point.x < x + w) return g[k];
      x += w;
    }
    return line.range.location + line.range.length - 1;
  }
  return std::nullopt;
}

}  // namespace platform
