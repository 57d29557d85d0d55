#include "Platform/UIKit/AttributedString.h"

#include <algorithm>

#include "Platform/UIKit/Utf16.h"

namespace uikit {

AttributedString::AttributedString(std::string text, TextAttributes attributes)
    : text_(Utf16::fromUtf8(text)), attrs_(text_.size(), attributes) {}

std::string AttributedString::string() const { return Utf16::toUtf8(text_); }

Range AttributedString::clamp(Range r) const {
  std::size_t loc = std::min(r.location, text_.size());
  return {loc, std::min(r.length, text_.size() - loc)};
}

TextAttributes AttributedString::attributesAt(std::size_t index, Range* effectiveRange) const {
  if (index >= text_.size()) {
    if (effectiveRange) *effectiveRange = {index, 0};
    return {};
  }
  if (effectiveRange) {
    std::size_t b = index, e = index + 1;
    while (b > 0 && attrs_[b - 1] == attrs_[index]) --b;
    while (e < attrs_.size() && attrs_[e] == attrs_[index]) ++e;
    *effectiveRange = {b, e - b};
  }
  return attrs_[index];
}

void AttributedString::setAttributes(const TextAttributes& attributes, Range range) {
  Range r = clamp(range);
  for (std::size_t i = r.location; i < r.location + r.length; ++i) attrs_[i] = attributes;
}

void AttributedString::addAttributes(const TextAttributes& attributes, Range range) {
  Range r = clamp(range);
  for (std::size_t i = r.location; i < r.location + r.length; ++i) attrs_[i].merge(attributes);
}

void AttributedString::append(const AttributedString& other) {
  text_ += other.text_;
  attrs_.insert(attrs_.end(), other.attrs_.begin(), other.attrs_.end());
}

AttributedString AttributedString::substring(Range range) const {
  Range r = clamp(range);
  AttributedString out;
  out.text_ = text_.substr(r.location, r.length);
  out.attrs_.assign(attrs_.begin() + static_cast<std::ptrdiff_t>(r.location),
                    attrs_.begin() + static_cast<std::ptrdiff_t>(r.location + r.length));
  return out;
}

void AttributedString::replaceCharacters(Range range, const AttributedString& with) {
  Range r = clamp(range);
  text_.replace(r.location, r.length, with.text_);
  auto first = attrs_.begin() + static_cast<std::ptrdiff_t>(r.location);
  attrs_.erase(first, first + static_cast<std::ptrdiff_t>(r.length));
  attrs_.insert(attrs_.begin() + static_cast<std::ptrdiff_t>(r.location), with.attrs_.begin(), with.attrs_.end());
}

std::vector<AttributedString::Run> AttributedString::runs() const {
  std::vector<Run> out;
  std::size_t i = 0;
  while (i < text_.size()) {
    Range r;
    TextAttributes a = attributesAt(i, &r);
    out.push_back({r, a});
    i = r.location + r.length;
  }
  return out;
}

}  // namespace uikit
