// Pages of screens shown one at a time (a single page, no spine). Setting
// the pages makes the first one the shown child; the page it replaces
// disappears and leaves containment. Page turns are not animated: the
// completion runs before setViewControllers returns.
#pragma once

#include <functional>
#include <vector>

#include "Platform/UIKit/ViewController.h"

namespace uikit {

enum class PageNavigationDirection { kForward, kReverse };

class PageViewController : public ViewController {
 public:
  const std::vector<ViewControllerPtr>& viewControllers() const { return pages_; }
  // Shows the first of controllers (an empty list shows nothing); null
  // entries are skipped. completion gets true once the page is shown.
  void setViewControllers(const std::vector<ViewControllerPtr>& controllers, PageNavigationDirection direction,
                          bool animated, std::function<void(bool)> completion = nullptr);

  void loadView() override;

 protected:
  std::vector<ViewControllerPtr> appearanceChildren() const override;

 private:
  std::vector<ViewControllerPtr> pages_;
};

}  // namespace uikit
