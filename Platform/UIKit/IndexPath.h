// A section and a row (or item) of a list.
#pragma once

#include <compare>
#include <string>

namespace uikit {

struct IndexPath {
  long section = 0;
  long row = 0;
  long item() const { return row; }
  static IndexPath forRow(long row, long section) { return {section, row}; }
  static IndexPath forItem(long item, long section) { return {section, item}; }
  std::string description() const {
    std::string text = "[";
    text.append(std::to_string(section)).append(", ").append(std::to_string(row)).append("]");
    return text;
  }
  friend auto operator<=>(const IndexPath&, const IndexPath&) = default;
};

}  // namespace uikit
