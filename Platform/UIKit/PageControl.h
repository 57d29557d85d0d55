// Page dots: a page count and the current page.
#pragma once

#include <algorithm>
#include <optional>

#include "Platform/UIKit/Control.h"

namespace uikit {

class PageControl : public Control {
 public:
  long numberOfPages() const { return pages_; }
  void setNumberOfPages(long n) {
    pages_ = std::max(0L, n);
    current_ = pages_ == 0 ? 0 : std::min(current_, pages_ - 1);
  }
  long currentPage() const { return current_; }
  void setCurrentPage(long page) { current_ = pages_ == 0 ? 0 : std::clamp(page, 0L, pages_ - 1); }
  bool hidesForSinglePage = false;
  std::optional<Color> pageIndicatorTintColor;
  std::optional<Color> currentPageIndicatorTintColor;
  // A person taps a dot: the page changes and value-changed fires.
  bool userSelectPage(long page) {
    if (!isTappable() || page < 0 || page >= pages_) return false;
    current_ = page;
    sendActionsForControlEvents(kControlEventValueChanged);
    return true;
  }

 private:
  long pages_ = 0;
  long current_ = 0;
};

}  // namespace uikit
