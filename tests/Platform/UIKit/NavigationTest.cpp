#include <string>
#include <vector>

#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/TabBarController.h"
#include "tests/Platform/UIKit/UIKitFixture.h"

namespace uikit::testing {
namespace {

class Named : public ViewController {
 public:
  Named(std::string name, std::vector<std::string>* log) : name_(std::move(name)), log_(log) {}
  void viewWillAppear(bool) override { log_->push_back(name_ + ".willAppear"); }
  void viewDidAppear(bool) override { log_->push_back(name_ + ".didAppear"); }
  void viewWillDisappear(bool) override { log_->push_back(name_ + ".willDisappear"); }
  void viewDidDisappear(bool) override { log_->push_back(name_ + ".didDisappear"); }

 private:
  std::string name_;
  std::vector<std::string>* log_;
};

class NavigationTest : public UIKitFixture {};

TEST_F(NavigationTest, PushPopAndPopToRootKeepTheStackAndCallbacksInStep) {
  std::vector<std::string> log;
  auto a = std::make_shared<Named>("a", &log);
  auto b = std::make_shared<Named>("b", &log);
  auto c = std::make_shared<Named>("c", &log);
  auto nav = NavigationController::withRoot(a);
  show(nav);
  EXPECT_EQ(log, (std::vector<std::string>{"a.willAppear", "a.didAppear"}));
  log.clear();

  ASSERT_TRUE(nav->pushViewController(b, true));
  EXPECT_EQ(nav->topViewController(), b);
  EXPECT_EQ(b->navigationController(), nav);
  EXPECT_EQ(log, (std::vector<std::string>{"a.willDisappear", "b.willAppear"}));
  runFor(0.3);
  EXPECT_EQ(log, (std::vector<std::string>{"a.willDisappear", "b.willAppear", "a.didDisappear", "b.didAppear"}));
  EXPECT_EQ(a->view()->superview(), nullptr) << "only the top screen's view stays";
  EXPECT_EQ(b->view()->superview(), nav->view());

  ASSERT_TRUE(nav->pushViewController(c, false));
  EXPECT_FALSE(nav->pushViewController(c, false)) << "the same screen twice";
  EXPECT_EQ(nav->viewControllers(), (std::vector<ViewControllerPtr>{a, b, c}));
  EXPECT_EQ(nav->navigationBar()->items.size(), 3u);

  log.clear();
  auto popped = nav->popToRootViewController(false);
  EXPECT_EQ(popped, (std::vector<ViewControllerPtr>{b, c}));
  EXPECT_EQ(nav->viewControllers(), (std::vector<ViewControllerPtr>{a}));
  EXPECT_EQ(log, (std::vector<std::string>{"c.willDisappear", "a.willAppear", "c.didDisappear", "a.didAppear"}))
      << "screens in the middle never appear";
  EXPECT_EQ(b->parentViewController(), nullptr);
  EXPECT_EQ(nav->popViewController(true), nullptr) << "the root stays";
}

TEST_F(NavigationTest, BackButtonPopsAndVisibleControllerFollowsPresentation) {
  auto a = std::make_shared<ViewController>();
  auto b = std::make_shared<ViewController>();
  auto nav = NavigationController::withRoot(a);
  show(nav);
  nav->pushViewController(b, false);
  EXPECT_EQ(nav->visibleViewController(), b);
  auto modal = std::make_shared<ViewController>();
  ASSERT_TRUE(nav->present(modal, false));
  EXPECT_EQ(nav->visibleViewController(), modal);
  EXPECT_EQ(nav->topViewController(), b);
  modal->dismiss(false);
  EXPECT_TRUE(nav->tapBackButton());
  runFor(0.3);
  EXPECT_EQ(nav->topViewController(), a);
  EXPECT_FALSE(nav->tapBackButton());
}

// The relations a topmost-screen search walks.
ViewControllerPtr topmost(const ViewControllerPtr& start) {
  if (!start) return nullptr;
  if (auto nav = std::dynamic_pointer_cast<NavigationController>(start)) return topmost(nav->visibleViewController());
  if (auto tab = std::dynamic_pointer_cast<TabBarController>(start); tab && tab->selectedViewController()) {
    return topmost(tab->selectedViewController());
  }
  if (auto p = start->presentedViewController()) return topmost(p);
  return start;
}

TEST_F(NavigationTest, ControllerRelationsForTheTopmostSearch) {
  auto inner = std::make_shared<ViewController>();
  auto nav = NavigationController::withRoot(inner);
  auto other = std::make_shared<ViewController>();
  auto tab = std::make_shared<TabBarController>();
  tab->setViewControllers({other, nav});
  show(tab);
  EXPECT_EQ(tab->selectedViewController(), other);
  EXPECT_EQ(topmost(tab), other);
  ASSERT_TRUE(tab->userSelectTab(1));
  EXPECT_EQ(topmost(tab), inner);
  EXPECT_EQ(inner->tabBarController(), tab);
  auto modal = std::make_shared<ViewController>();
  ASSERT_TRUE(inner->present(modal, false));
  EXPECT_EQ(tab->presentedViewController(), modal) << "presented from the root of the containment";
  EXPECT_EQ(topmost(tab), modal);
  auto sheet = NavigationController::withRoot(std::make_shared<ViewController>());
  ASSERT_TRUE(modal->present(sheet, false));
  EXPECT_EQ(topmost(tab), sheet->topViewController());
  auto empty = std::make_shared<TabBarController>();
  EXPECT_EQ(empty->selectedViewController(), nullptr);
  EXPECT_EQ(topmost(empty), empty);
}

TEST_F(NavigationTest, TabSelectionSwapsAppearance) {
  std::vector<std::string> log;
  auto one = std::make_shared<Named>("one", &log);
  auto two = std::make_shared<Named>("two", &log);
  auto tab = std::make_shared<TabBarController>();
  tab->setViewControllers({one, two});
  show(tab);
  log.clear();
  tab->setSelectedIndex(1);
  EXPECT_EQ(log, (std::vector<std::string>{"one.willDisappear", "two.willAppear", "one.didDisappear", "two.didAppear"}));
  EXPECT_EQ(tab->selectedIndex(), 1u);
}

class CountingNavDelegate : public NavigationControllerDelegate {
 public:
  void navigationControllerWillShowViewControllerAnimated(NavigationController&, const ViewControllerPtr& vc,
                                                          bool) override {
    willShow.push_back(vc);
  }
  void navigationControllerDidShowViewControllerAnimated(NavigationController&, const ViewControllerPtr& vc,
                                                         bool) override {
    didShow.push_back(vc);
  }
  std::vector<ViewControllerPtr> willShow, didShow;
};

TEST_F(NavigationTest, DelegateHearsEachShow) {
  auto a = std::make_shared<ViewController>();
  auto b = std::make_shared<ViewController>();
  auto nav = NavigationController::withRoot(a);
  auto d = std::make_shared<CountingNavDelegate>();
  nav->setDelegate(d);
  show(nav);
  nav->pushViewController(b, true);
  EXPECT_EQ(d->willShow, std::vector<ViewControllerPtr>{b});
  EXPECT_TRUE(d->didShow.empty());
  runFor(0.3);
  EXPECT_EQ(d->didShow, std::vector<ViewControllerPtr>{b});
}

}  // namespace
}  // namespace uikit::testing
