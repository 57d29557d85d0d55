// Segments with titles; one selected (or none, -1).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "Platform/UIKit/Control.h"
#include "Platform/UIKit/TextAttributes.h"

namespace uikit {

class SegmentedControl : public Control {
 public:
  static constexpr long kNoSegment = -1;
  SegmentedControl() = default;
  explicit SegmentedControl(std::vector<std::string> titles) : titles_(std::move(titles)) {}

  long numberOfSegments() const { return static_cast<long>(titles_.size()); }
  void insertSegmentWithTitle(const std::string& title, long index, bool animated = false);
  void removeAllSegments();
  void setTitle(const std::string& title, long segment);
  std::string titleForSegmentAtIndex(long segment) const;
  long selectedSegmentIndex() const { return selected_; }
  void setSelectedSegmentIndex(long index);
  void setTitleTextAttributes(const TextAttributes& attributes, unsigned state) { attributes_[state] = attributes; }
  const TextAttributes* titleTextAttributes(unsigned state) const;
  std::optional<Color> selectedSegmentTintColor;

  // A person taps segment index: selection, then value-changed.
  bool userSelectSegment(long index);

 private:
  std::vector<std::string> titles_;
  long selected_ = kNoSegment;
  std::map<unsigned, TextAttributes> attributes_;
};

}  // namespace uikit
