#include "Platform/UIKit/SegmentedControl.h"

#include <algorithm>

namespace uikit {

void SegmentedControl::insertSegmentWithTitle(const std::string& title, long index, bool animated) {
  (void)animated;
  long at = std::clamp(index, 0L, numberOfSegments());
  titles_.insert(titles_.begin() + at, title);
  if (selected_ >= at) ++selected_;
}

void SegmentedControl::removeAllSegments() {
  titles_.clear();
  selected_ = kNoSegment;
}

void SegmentedControl::setTitle(const std::string& title, long segment) {
  if (segment >= 0 && segment < numberOfSegments()) titles_[static_cast<std::size_t>(segment)] = title;
}

std::string SegmentedControl::titleForSegmentAtIndex(long segment) const {
  if (segment < 0 || segment >= numberOfSegments()) return {};
  return titles_[static_cast<std::size_t>(segment)];
}

void SegmentedControl::setSelectedSegmentIndex(long index) {
  selected_ = (index >= 0 && index < numberOfSegments()) ? index : kNoSegment;
}

const TextAttributes* SegmentedControl::titleTextAttributes(unsigned state) const {
  auto it = attributes_.find(state);
  return it == attributes_.end() ? nullptr : &it->second;
}

bool SegmentedControl::userSelectSegment(long index) {
  if (!isTappable() || index < 0 || index >= numberOfSegments()) return false;
  selected_ = index;
  sendActionsForControlEvents(kControlEventValueChanged);
  return true;
}

}  // namespace uikit
