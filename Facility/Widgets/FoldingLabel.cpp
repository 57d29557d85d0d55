#include "Facility/Widgets/FoldingLabel.h"

#include <cmath>

#include "Platform/TextLayout/TextLayout.h"
#include "Platform/UIKit/Utf16.h"

namespace {

using platform::TextLayout;
using uikit::AttributedString;
using uikit::Range;

AttributedString sub(const AttributedString& s, std::size_t from, std::size_t to) {
  return s.substring({from, to > from ? to - from : 0});
}

}  // namespace

FoldingLabel::FoldingLabel() { commonSetup(); }

FoldingLabel::FoldingLabel(const uikit::Rect& frame) : uikit::Label(frame) { commonSetup(); }

void FoldingLabel::commonSetup() {
  setUserInteractionEnabled(true);
  lineBreakMode = uikit::LineBreakMode::kByClipping;
  collapsedNumberOfLines = uikit::Label::numberOfLines();
  expandedLink_.reset();
  uikit::TextAttributes bold;
  bold.font = uikit::Font::boldSystemFont(font().pointSize());
  collapsedLink_ = AttributedString("More", bold);
  setEllipsis(AttributedString("..."));
}

AttributedString FoldingLabel::withLabelFont(AttributedString s) const {
  if (s.empty() || s.attributesAt(0).font) return s;
  uikit::TextAttributes f;
  f.font = font();
  s.addAttributes(f, {0, s.length()});
  return s;
}

void FoldingLabel::setCollapsedAttributedLink(AttributedString link) { collapsedLink_ = withLabelFont(std::move(link)); }

void FoldingLabel::setEllipsis(std::optional<AttributedString> ellipsis) {
  ellipsis_ = ellipsis ? std::optional<AttributedString>(withLabelFont(std::move(*ellipsis))) : std::nullopt;
}

void FoldingLabel::setExpandedLink(const std::string& link, const uikit::TextAttributes& attributes,
                                   std::optional<uikit::TextAlignment> alignment) {
  uikit::TextAttributes a = attributes;
  if (alignment) {
    expandedLinkPosition = alignment;
    uikit::ParagraphStyle p;
    p.alignment = *alignment;
    a.paragraphStyle = p;
  }
  expandedLink_ = AttributedString(link, a);
}

void FoldingLabel::setNumberOfLines(int n) {
  uikit::Label::setNumberOfLines(n);
  collapsedNumberOfLines = uikit::Label::numberOfLines();
}

std::optional<std::string> FoldingLabel::text() const {
  auto a = uikit::Label::attributedText();
  if (!a) return std::nullopt;
  return a->string();
}

void FoldingLabel::setText(std::optional<std::string> text) {
  if (!text) {
    setAttributedText(std::nullopt);
  } else {
    setAttributedText(AttributedString(*text));
  }
}

std::optional<AttributedString> FoldingLabel::attributedText() const { return uikit::Label::attributedText(); }

AttributedString FoldingLabel::highlighted(const AttributedString& link) const {
  AttributedString out = link;
  if (link.empty()) return out;
  auto first = link.attributesAt(0).foregroundColor;
  uikit::TextAttributes dim;
  dim.foregroundColor = (first ? *first : uikit::Color::black()).withAlphaComponent(0.5);
  out.addAttributes(dim, {0, out.length()});
  return out;
}

void FoldingLabel::setAttributedText(std::optional<AttributedString> value) {
  if (!value) {
    expandedText_.reset();
    collapsedText_.reset();
    uikit::Label::setAttributedText(std::nullopt);
    return;
  }
  AttributedString t = withLabelFont(std::move(*value));
  if (t.empty()) {
    expandedText_.reset();
    collapsedText_.reset();
    uikit::Label::setAttributedText(std::nullopt);
    return;
  }
  uikit::Font f = t.attributesAt(0).font.value_or(font());
  uikit::TextAttributes para;
  uikit::ParagraphStyle style;
  style.lineHeightMultiple = 1.05;
  style.alignment = uikit::TextAlignment::kLeft;
  style.lineSpacing = 0;
  style.minimumLineHeight = f.lineHeight();
  style.maximumLineHeight = f.lineHeight();
  para.paragraphStyle = style;
  para.baselineOffset = 0.08 * f.pointSize();
  t.addAttributes(para, {0, t.length()});

  AttributedString link = linkHighlighted ? highlighted(collapsedLink_) : collapsedLink_;
  collapsedText_ = collapsedTextOf(t, link);
  std::optional<AttributedString> e = expandedLink_;
  if (e && linkHighlighted) e = highlighted(*e);
  expandedText_ = expandedTextOf(t, e);
  uikit::Label::setAttributedText(collapsed_ ? collapsedText_ : expandedText_);
}

AttributedString FoldingLabel::collapsedTextOf(const AttributedString& text, const AttributedString& link) {
  auto lines = TextLayout::lines(text, frame().width());
  int n = collapsedNumberOfLines;
  if (n < 1 || static_cast<std::size_t>(n) >= lines.size()) {
    collapsedLinkRange_.reset();  // nothing is cut, so there is no link to tap
    return text;
  }
  std::u16string u = uikit::Utf16::fromUtf8(text.string());
  uikit::TextAttributes labelFont;
  labelFont.font = font();
  AttributedString blank(" ", labelFont);
  std::size_t k = static_cast<std::size_t>(n - 1);
  AttributedString replacement;
  if (textReplacementType == TextReplacementType::word) {
    auto wordsOf = [&](std::size_t i) {
      const Range& r = lines[i].range;
      return TextLayout::words(std::u16string_view(u).substr(r.location, r.length));
    };
    std::size_t chosen = 0;
    for (std::size_t i = k + 1; i-- > 0;) {
      if (wordsOf(i).size() >= 2) {
        chosen = i;
        break;
      }
    }
    k = chosen;
    const Range& r = lines[k].range;
    AttributedString s = text.substring(r);
    auto words = wordsOf(k);
    double lineHeight = font().lineHeight();
    bool found = false;
    for (auto it = words.rbegin(); it != words.rend(); ++it) {
      AttributedString candidate = sub(s, 0, it->location);
      if (ellipsis_) {
        candidate.append(*ellipsis_);
        candidate.append(blank);
      }
      candidate.append(link);
      if (TextLayout::height(TextLayout::lines(candidate, frame().width())) <= lineHeight + 1e-9) {
        replacement = candidate;
        found = true;
        break;
      }
    }
    if (!found) replacement = s;  // nothing fits: the line stays whole, without link
  } else {
    AttributedString s = text.substring(lines[k].range);
    std::u16string su = uikit::Utf16::fromUtf8(s.string());
    auto nl = su.find(u'\n');
    if (nl != std::u16string::npos) {
      s.replaceCharacters({nl, 1}, AttributedString());
      su.erase(nl, 1);
    }
    AttributedString tail;
    if (ellipsis_) {
      tail.append(*ellipsis_);
      tail.append(blank);
    }
    tail.append(link);
    auto sb = TextLayout::graphemeBoundaries(su);
    std::size_t sCount = sb.size() - 1;
    std::size_t kCount = TextLayout::graphemeCount(uikit::Utf16::fromUtf8(tail.string()));
    std::size_t keep = sCount >= kCount ? sCount - kCount : sCount;
    replacement = sub(s, 0, sb[keep]);
    replacement.append(tail);
  }
  AttributedString out = sub(text, 0, lines[k].range.location);
  out.append(replacement);
  collapsedLinkRange_ = Range{out.length() - std::min(out.length(), link.length()), std::min(out.length(), link.length())};
  return out;
}

AttributedString FoldingLabel::expandedTextOf(const AttributedString& text,
                                              const std::optional<AttributedString>& link) {
  AttributedString out = text;
  if (!link) {
    expandedLinkRange_.reset();
    return out;
  }
  auto lines = TextLayout::lines(out, frame().width());
  int n = collapsedNumberOfLines;
  if (n >= 1 && static_cast<std::size_t>(n) < lines.size()) {
    uikit::TextAttributes first = out.attributesAt(out.length() - 1);
    out.append(AttributedString(expandedLinkPosition ? "\n" : "  ", first));
    AttributedString e = link->empty() ? *link : AttributedString(link->string(), link->attributesAt(0));
    e = withLabelFont(e);
    out.append(e);
    expandedLinkRange_ = Range{out.length() - e.length(), e.length()};
  } else {
    expandedLinkRange_.reset();  // no link appended, so none to tap
  }
  return out;
}

void FoldingLabel::setCollapsed(bool collapsed) {
  collapsed_ = collapsed;
  uikit::Label::setAttributedText(collapsed_ ? collapsedText_ : expandedText_);
  uikit::Label::setNumberOfLines(collapsed_ ? collapsedNumberOfLines : 0);
  if (auto v = animationView.lock()) {
    uikit::View::animate(0.5, [v] { v->layoutIfNeeded(); });
  }
}

std::optional<std::size_t> FoldingLabel::characterIndexAtPoint(uikit::Point point) const {
  auto text = uikit::Label::attributedText();
  if (!text) return std::nullopt;
  uikit::Rect b = bounds();
  if (point.x < 0 || point.y < 0 || point.x > b.width() || point.y > b.height()) return std::nullopt;
  double flush = 0;
  if (textAlignment == uikit::TextAlignment::kCenter) flush = 0.5;
  if (textAlignment == uikit::TextAlignment::kRight) flush = 1;
  auto lines = TextLayout::lines(*text, b.width());
  int limit = uikit::Label::numberOfLines();
  return TextLayout::characterIndexAt(*text, lines, point, flush, b.width(),
                                      limit >= 1 ? static_cast<std::size_t>(limit) : 0);
}

bool FoldingLabel::onLink(uikit::Point point, const std::optional<Range>& range) const {
  if (!range) return false;
  auto i = characterIndexAtPoint(point);
  return i && *i >= range->location && *i < range->location + range->length;
}

void FoldingLabel::display() { setNeedsDisplay(); }

void FoldingLabel::touchesBegan(uikit::Point point) {
  if (collapsed_ && onLink(point, collapsedLinkRange_)) {
    linkHighlighted = true;
    display();
  }
}

void FoldingLabel::touchesMoved(uikit::Point point) {
  if (collapsed_ && onLink(point, collapsedLinkRange_)) {
    linkHighlighted = false;
    display();
  }
}

void FoldingLabel::touchesCancelled(uikit::Point point) { touchesMoved(point); }

void FoldingLabel::touchesEnded(uikit::Point point) {
  auto d = delegate.lock();
  if (collapsed_) {
    if (shouldExpand && onLink(point, collapsedLinkRange_)) {
      linkHighlighted = false;
      display();
      if (d) d->willExpandLabel(*this);
      setCollapsed(false);
      if (d) d->didExpandLabel(*this);
    }
  } else if (shouldCollapse && onLink(point, expandedLinkRange_)) {
    if (d) d->willCollapseLabel(*this);
    setCollapsed(true);
    if (d) d->didCollapseLabel(*this);
    linkHighlighted = isHighlighted;
    display();
  }
}
