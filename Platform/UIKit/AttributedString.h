// A text with attributes per character. Indexes and ranges are UTF-16 units.
#pragma once

#include <string>
#include <vector>

#include "Platform/UIKit/Geometry.h"
#include "Platform/UIKit/TextAttributes.h"

namespace uikit {

class AttributedString {
 public:
  AttributedString() = default;
  explicit AttributedString(std::string text, TextAttributes attributes = {});

  std::string string() const;
  std::size_t length() const { return text_.size(); }
  bool empty() const { return text_.empty(); }

  // Attributes at index; effectiveRange receives the run that holds them.
  TextAttributes attributesAt(std::size_t index, Range* effectiveRange = nullptr) const;
  void setAttributes(const TextAttributes& attributes, Range range);
  // Merges the set fields of attributes over range.
  void addAttributes(const TextAttributes& attributes, Range range);
  void append(const AttributedString& other);
  AttributedString substring(Range range) const;
  void replaceCharacters(Range range, const AttributedString& with);

  // Runs of equal attributes, in order.
  struct Run {
    Range range;
    TextAttributes attributes;
  };
  std::vector<Run> runs() const;

  friend bool operator==(const AttributedString&, const AttributedString&) = default;

 private:
  Range clamp(Range r) const;
  std::u16string text_;
  std::vector<TextAttributes> attrs_;
};

}  // namespace uikit
