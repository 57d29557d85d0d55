// Replaced appearance implementations, the main-bundle flag and the page
// view controller.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Platform/UIKit/MainBundleClasses.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/PageViewController.h"
#include "Platform/UIKit/ViewControllerAppearanceHooks.h"
#include "tests/Platform/UIKit/UIKitFixture.h"

namespace uikit::testing {
namespace {

using Strings = std::vector<std::string>;

Strings* gTrace = nullptr;

void Note(const std::string& s) {
  if (gTrace) gTrace->push_back(s);
}

class TracedScreen : public ViewController {
 public:
  explicit TracedScreen(std::string tag) : tag_(std::move(tag)) {}
  void viewDidAppear(bool) override { Note(tag_ + ".didAppear"); }
  void viewDidDisappear(bool) override { Note(tag_ + ".didDisappear"); }

 protected:
  std::string tag_;
};

class OtherScreen : public TracedScreen {
 public:
  using TracedScreen::TracedScreen;
};

// Also notes moves in and out of containment.
class PageScreen : public TracedScreen {
 public:
  using TracedScreen::TracedScreen;
  void willMoveToParentViewController(ViewController* parent) override {
    Note(tag_ + (parent ? ".willMoveIn" : ".willMoveOut"));
  }
};

class ViewControllerHooksTest : public UIKitFixture {
 protected:
  void SetUp() override {
    UIKitFixture::SetUp();
    gTrace = &trace;
  }
  void TearDown() override {
    gTrace = nullptr;
    ViewControllerAppearanceHooks::resetAll();
    MainBundleClasses::reset();
    UIKitFixture::TearDown();
  }
  // Replaces a class's callback with: the replaced one, then a note.
  static void hook(const std::string& className, AppearanceCallback callback, const std::string& note) {
    auto previous = ViewControllerAppearanceHooks::current(className, callback);
    ViewControllerAppearanceHooks::replace(className, callback, [previous, note](ViewController& vc, bool animated) {
      previous(vc, animated);
      Note(note + " " + vc.className());
    });
  }
  Strings trace;
};

TEST_F(ViewControllerHooksTest, ReplacementsRunAfterTheOwnCallbackAndFollowClassLookup) {
  hook(ViewControllerAppearanceHooks::kBaseClassName, AppearanceCallback::kViewDidAppear, "base.appear");
  hook(ViewControllerAppearanceHooks::kBaseClassName, AppearanceCallback::kViewDidDisappear, "base.disappear");
  // A replacement for one class, stacked on the inherited (base) one.
  hook("OtherScreen", AppearanceCallback::kViewDidAppear, "other.appear");

  auto root = NavigationController::withRoot(std::make_shared<TracedScreen>("a"));
  show(root);
  trace.clear();
  root->pushViewController(std::make_shared<OtherScreen>("b"), false);
  runUntilIdle();
  EXPECT_EQ(trace, (Strings{"a.didDisappear", "base.disappear TracedScreen", "b.didAppear",
                            "base.appear OtherScreen", "other.appear OtherScreen"}));

  // Dropping the class's replacement falls back to the inherited one.
  ViewControllerAppearanceHooks::replace("OtherScreen", AppearanceCallback::kViewDidAppear, nullptr);
  trace.clear();
  root->popViewController(false);
  root->pushViewController(std::make_shared<OtherScreen>("c"), false);
  runUntilIdle();
  EXPECT_EQ(trace, (Strings{"b.didDisappear", "base.disappear OtherScreen", "a.didAppear",
                            "base.appear TracedScreen", "a.didDisappear", "base.disappear TracedScreen",
                            "c.didAppear", "base.appear OtherScreen"}));

  // Without replacements only the own callbacks run.
  ViewControllerAppearanceHooks::resetAll();
  trace.clear();
  root->popViewController(false);
  runUntilIdle();
  EXPECT_EQ(trace, (Strings{"c.didDisappear", "a.didAppear"}));
}

TEST_F(ViewControllerHooksTest, MainBundleFlagHoldsOnlyRegisteredClasses) {
  MainBundleClasses::add("TracedScreen");
  MainBundleClasses::add("");
  TracedScreen mine("m");
  OtherScreen subclass("s");
  PageViewController toolkit;
  EXPECT_TRUE(MainBundleClasses::isFromMainBundle(mine));
  EXPECT_FALSE(MainBundleClasses::isFromMainBundle(subclass)) << "registration is per class name";
  EXPECT_FALSE(MainBundleClasses::isFromMainBundle(toolkit));
  EXPECT_FALSE(MainBundleClasses::contains(""));
  MainBundleClasses::reset();
  EXPECT_FALSE(MainBundleClasses::contains("TracedScreen"));
}

TEST_F(ViewControllerHooksTest, PageViewControllerShowsTheFirstPageAsItsChild) {
  auto pages = std::make_shared<PageViewController>();
  auto one = std::make_shared<PageScreen>("one");
  auto two = std::make_shared<PageScreen>("two");
  auto three = std::make_shared<PageScreen>("three");
  pages->setViewControllers({one, two}, PageNavigationDirection::kForward, false);
  EXPECT_TRUE(trace == Strings{"one.willMoveIn"}) << "off screen: containment only";

  trace.clear();
  show(pages);
  EXPECT_EQ(trace, (Strings{"one.didAppear"}));
  EXPECT_EQ(pages->viewControllers(), (std::vector<ViewControllerPtr>{one, two}));
  EXPECT_EQ(one->parentViewController(), pages);
  EXPECT_EQ(one->view()->superview(), pages->view());

  trace.clear();
  bool finished = false;
  pages->setViewControllers({three}, PageNavigationDirection::kReverse, true, [&](bool done) { finished = done; });
  EXPECT_TRUE(finished);
  EXPECT_EQ(trace, (Strings{"three.willMoveIn", "one.didDisappear", "one.willMoveOut", "three.didAppear"}));
  EXPECT_EQ(one->parentViewController(), nullptr);
  EXPECT_EQ(one->view()->superview(), nullptr);
  EXPECT_EQ(pages->childViewControllers(), (std::vector<ViewControllerPtr>{three}));

  // The shown page follows its container's appearance.
  trace.clear();
  window->setRootViewController(std::make_shared<ViewController>());
  EXPECT_EQ(trace, (Strings{"three.didDisappear"}));

  // Setting the same first page again changes nothing; an empty list shows none.
  trace.clear();
  pages->setViewControllers({three, nullptr, one}, PageNavigationDirection::kForward, false);
  EXPECT_TRUE(trace.empty());
  EXPECT_EQ(pages->viewControllers(), (std::vector<ViewControllerPtr>{three, one}));
  pages->setViewControllers({}, PageNavigationDirection::kForward, false);
  EXPECT_TRUE(pages->viewControllers().empty());
  EXPECT_TRUE(pages->childViewControllers().empty());
}

}  // namespace
}  // namespace uikit::testing
