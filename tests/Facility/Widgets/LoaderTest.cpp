#include "Facility/Widgets/AppLoader.h"

#include <gtest/gtest.h>

#include <thread>

#include "Platform/UIKit/LayoutConstraint.h"
#include "Platform/UIKit/NavigationController.h"
#include "tests/Facility/Widgets/WidgetsFixture.h"

namespace {

using uikit::LayoutAttribute;

class LoaderTest : public widgets_test::WidgetsFixture {
 protected:
  void TearDown() override {
    AppLoader::shared().hide();
    runUntilIdle();
    AppLoader::shared().hostViewController = nullptr;
    WidgetsFixture::TearDown();
  }
  AppLoader& loader = AppLoader::shared();

  // Priority of the box's constraint between the two items and attributes.
  std::optional<float> priority(const std::shared_ptr<uikit::View>& first, LayoutAttribute a,
                                const std::shared_ptr<uikit::View>& second, LayoutAttribute b) {
    for (const auto& c : loader.boxView->constraints()) {
      if (c->firstItem() == first && c->firstAttribute() == a && c->secondItem() == second &&
          c->secondAttribute() == b) {
        return c->priority();
      }
    }
    return std::nullopt;
  }
  bool spinnerShown() const { return loader.spinner->superview() != nullptr && loader.spinner->isAnimating(); }
};

TEST_F(LoaderTest, MessageBoxPrioritiesDependOnWhetherThereIsText) {
  show(std::make_shared<uikit::ViewController>());
  struct Case {
    const char* name;
    std::optional<std::string> message;
    float spinnerTop, spinnerLeading, spinnerCenterY, captionTop, captionLeading, captionBottom;
  };
  const Case cases[] = {
      {"text", "Please wait...", 1000, 750, 750, 1000, 1000, 1000},
      {"blank text counts as text", "", 1000, 750, 750, 1000, 1000, 1000},
      {"no text", std::nullopt, 750, 1000, 1000, 750, 750, 749},
  };
  auto& box = loader.boxView;
  auto& spinner = loader.spinner;
  auto& caption = loader.messageLabel;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    loader.showWithMessage(nullptr, c.message);
    runUntilIdle();
    EXPECT_EQ(caption->text(), c.message);
    EXPECT_EQ(box->constraints().size(), 8u) << "the box's constraints are rebuilt, not added to";
    EXPECT_EQ(priority(spinner, LayoutAttribute::kTop, box, LayoutAttribute::kTop), c.spinnerTop);
    EXPECT_EQ(priority(spinner, LayoutAttribute::kLeading, box, LayoutAttribute::kLeading), c.spinnerLeading);
    EXPECT_EQ(priority(spinner, LayoutAttribute::kCenterY, box, LayoutAttribute::kCenterY), c.spinnerCenterY);
    EXPECT_EQ(priority(caption, LayoutAttribute::kTop, spinner, LayoutAttribute::kBottom), c.captionTop);
    EXPECT_EQ(priority(caption, LayoutAttribute::kLeading, box, LayoutAttribute::kLeading), c.captionLeading);
    EXPECT_EQ(priority(caption, LayoutAttribute::kBottom, box, LayoutAttribute::kBottom), c.captionBottom);
    EXPECT_EQ(priority(spinner, LayoutAttribute::kCenterX, box, LayoutAttribute::kCenterX),
              uikit::kLayoutPriorityRequired);
  }
}

TEST_F(LoaderTest, HostIsTheGivenScreenElseTheTopmostAndTheLastShowWins) {
  auto root = std::make_shared<uikit::ViewController>();
  auto pushed = std::make_shared<uikit::ViewController>();
  auto nav = uikit::NavigationController::withRoot(root);
  show(nav);
  nav->pushViewController(pushed, false);
  runUntilIdle();

  loader.show();
  runUntilIdle();
  EXPECT_EQ(loader.hostViewController, pushed);
  EXPECT_EQ(loader.spinner->superview(), pushed->view());

  loader.showWithMessage(root, "Loading...");
  runUntilIdle();
  EXPECT_EQ(loader.hostViewController, root);
  EXPECT_EQ(loader.backgroundView->superview(), root->view());
  EXPECT_EQ(loader.spinner->superview(), loader.boxView);

  loader.hide();
  runUntilIdle();
  EXPECT_FALSE(loader.backgroundView->superview());
  EXPECT_FALSE(loader.spinner->superview());
  EXPECT_FALSE(loader.isAnimating);
  EXPECT_EQ(loader.messageLabel->text(), "Loading...") << "the caption keeps its text until the next show";
}

TEST_F(LoaderTest, AHiddenLoaderLetsItsScreenGo) {
  for (bool withMessage : {false, true}) {
    SCOPED_TRACE(withMessage ? "with message" : "spinner");
    std::weak_ptr<uikit::ViewController> gone;
    {
      auto screen = std::make_shared<uikit::ViewController>();
      gone = screen;
      if (withMessage) loader.showWithMessage(screen, "Loading..."); else loader.show(screen);
      runUntilIdle();
      loader.hide();
      runUntilIdle();
    }
    EXPECT_TRUE(gone.expired());
  }
}

TEST_F(LoaderTest, AHideOnlyRemovesTheShowsItSaw) {
  show(std::make_shared<uikit::ViewController>());

  // The next request's show, made from the previous reply's completion.
  loader.show();
  runUntilIdle();
  int completed = 0;
  loader.hideThenComplete<int>(7, [&](int v) {
    completed = v;
    loader.show();
  });
  runUntilIdle();
  EXPECT_EQ(completed, 7);
  EXPECT_TRUE(spinnerShown());
  EXPECT_TRUE(loader.isAnimating);

  // A rebuild by hand after clearing is a show of its own.
  loader.hide();
  loader.removeLoaderViews();
  loader.presentIndicator();
  runUntilIdle();
  EXPECT_TRUE(spinnerShown());

  // With no show in between, one hide removes it however many shows came before.
  loader.show();
  loader.showWithMessage(nullptr, "x");
  loader.hide();
  runUntilIdle();
  EXPECT_FALSE(loader.spinner->superview());
  EXPECT_FALSE(loader.backgroundView->superview());
  EXPECT_FALSE(loader.isAnimating);

  // A hide with nothing shown changes nothing visible.
  loader.hide();
  runUntilIdle();
  EXPECT_FALSE(loader.spinner->superview());
}

TEST_F(LoaderTest, HideFromAnotherThreadRemovesOnTheMainQueue) {
  show(std::make_shared<uikit::ViewController>());
  loader.showWithBlankMessage();
  runUntilIdle();
  ASSERT_TRUE(spinnerShown());
  std::thread([&] { loader.hide(); }).join();
  EXPECT_TRUE(spinnerShown()) << "nothing is removed off the main queue";
  runUntilIdle();
  EXPECT_FALSE(loader.backgroundView->superview());
}

}  // namespace
