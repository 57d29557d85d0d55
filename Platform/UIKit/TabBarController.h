// Tabs of screens; the selected one is shown and receives appearance calls.
#pragma once

#include <memory>
#include <vector>

#include "Platform/UIKit/TabBar.h"
#include "Platform/UIKit/ViewController.h"

namespace uikit {

class TabBarController;

class TabBarControllerDelegate {
 public:
  virtual ~TabBarControllerDelegate() = default;
  virtual bool tabBarControllerShouldSelectViewController(TabBarController& tab, const ViewControllerPtr& vc) {
    (void)tab, (void)vc;
    return true;
  }
  virtual void tabBarControllerDidSelectViewController(TabBarController& tab, const ViewControllerPtr& vc) {
    (void)tab, (void)vc;
  }
};


class TabBarController : public ViewController {
 public:
  static constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);
  TabBarController();

  void setDelegate(const std::shared_ptr<TabBarControllerDelegate>& d) { delegate_ = d; }
  std::shared_ptr<TabBarControllerDelegate> delegate() const { return delegate_.lock(); }

  const std::vector<ViewControllerPtr>& viewControllers() const { return tabs_; }
  void setViewControllers(const std::vector<ViewControllerPtr>& controllers, bool animated = false);
  std::size_t selectedIndex() const { return selected_; }
  void setSelectedIndex(std::size_t index);
  ViewControllerPtr selectedViewController() const;
  void setSelectedViewController(const ViewControllerPtr& vc);
  std::shared_ptr<TabBar> tabBar() const { return tabBar_; }
  // The user taps a tab: the delegate may refuse. Returns whether selected.
  bool userSelectTab(std::size_t index);

  void loadView() override;

 protected:
  std::vector<ViewControllerPtr> appearanceChildren() const override;

 private:
  void show(std::size_t index);
  std::vector<ViewControllerPtr> tabs_;
  std::size_t selected_ = kNotFound;
  std::shared_ptr<TabBar> tabBar_;
  std::weak_ptr<TabBarControllerDelegate> delegate_;
};

}  // namespace uikit
