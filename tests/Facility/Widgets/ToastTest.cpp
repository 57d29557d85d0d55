#include <string>
#include <vector>

#include "Facility/Widgets/AppToastAlert.h"
#include "Facility/Widgets/FailureToast.h"
#include "Facility/Widgets/HudAlert.h"
#include "Facility/Models/MDLAssignAccess.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/PKHUDSuccessView.h"
#include "tests/Facility/Widgets/WidgetsFixture.h"

namespace widgets_test {
namespace {

class ToastTest : public WidgetsFixture {
 protected:
  void SetUp() override {
    WidgetsFixture::SetUp();
    root = std::make_shared<uikit::ViewController>();
    show(root);
  }
  bool onScreen() const {
    auto c = AppToastAlert::containerView();
    return c->superview() != nullptr && c->window() != nullptr;
  }
  uikit::LayoutConstraintPtr verticalConstraint() const {
    auto c = AppToastAlert::containerView();
    for (const auto& k : c->superview()->constraints()) {
      if (k->firstItem() == c && k->firstAttribute() != uikit::LayoutAttribute::kCenterX) return k;
    }
    return nullptr;
  }
  uikit::ViewControllerPtr root;
};

TEST_F(ToastTest, FadesInStaysAndIsRemovedAfterOneAndAHalfSeconds) {
  AppToastAlert::show(ToastPosition::bottom, "Saved");
  auto container = AppToastAlert::containerView();
  auto label = AppToastAlert::messageLabel();
  ASSERT_TRUE(onScreen());
  EXPECT_EQ(container->superview(), root->view());
  EXPECT_EQ(container->tag(), 200);
  EXPECT_EQ(label->text(), std::optional<std::string>("Saved"));
  EXPECT_EQ(label->superview(), container);
  EXPECT_DOUBLE_EQ(container->backgroundColor()->alpha(), 1.0);
  EXPECT_DOUBLE_EQ(label->textColor().alpha(), 1.0);
  EXPECT_EQ(container->runningAnimationCount(), 1) << "the 0.5 s fade-in";

  runFor(0.99);
  EXPECT_TRUE(onScreen());
  EXPECT_DOUBLE_EQ(container->backgroundColor()->alpha(), 1.0);
  runFor(0.02);  // the fade-out starts at 1.0 s; only the box fades
  EXPECT_TRUE(onScreen());
  EXPECT_DOUBLE_EQ(container->backgroundColor()->alpha(), 0.0);
  EXPECT_DOUBLE_EQ(label->textColor().alpha(), 1.0);
  runFor(0.47);
  EXPECT_TRUE(onScreen());
  runFor(0.03);
  EXPECT_FALSE(onScreen());
  EXPECT_TRUE(container->subviews().empty());
  EXPECT_FALSE(AppToastAlert::timer()->isValid());
}

TEST_F(ToastTest, VerticalPlacementPerPositionAndWidthLimit) {
  struct Case {
    ToastPosition position;
    uikit::LayoutAttribute attribute;
    double notched, plain;
  };
  for (const Case& c : std::vector<Case>{{ToastPosition::top, uikit::LayoutAttribute::kTop, 108, 84},
                                          {ToastPosition::center, uikit::LayoutAttribute::kCenterY, 0, 0},
                                          {ToastPosition::bottom, uikit::LayoutAttribute::kBottom, -54, -20}}) {
    EXPECT_EQ(AppToastAlert::verticalConstant(c.position, true), c.notched);
    EXPECT_EQ(AppToastAlert::verticalConstant(c.position, false), c.plain);
    AppToastAlert::show(c.position, "x");
    auto k = verticalConstraint();
    ASSERT_TRUE(k);
    EXPECT_EQ(k->firstAttribute(), c.attribute);
    EXPECT_EQ(k->secondItem(), root->view());
    EXPECT_EQ(k->constant(), c.notched) << "the default phone is 844 points high";
  }
  // Exactly one width limit, screen width minus 20, however many toasts.
  int limits = 0;
  for (const auto& k : AppToastAlert::containerView()->constraints()) {
    if (k->firstAttribute() == uikit::LayoutAttribute::kWidth) {
      ++limits;
      EXPECT_EQ(k->relation(), uikit::LayoutRelation::kLessThanOrEqual);
      EXPECT_EQ(k->constant(), 390 - 20);
      EXPECT_FALSE(k->secondItem());
    }
  }
  EXPECT_EQ(limits, 1);
  EXPECT_EQ(AppToastAlert::containerView()->constraints().size(), 5u) << "width + four label edges";
}

TEST_F(ToastTest, SecondToastReplacesTheFirstAndGetsItsFullTime) {
  AppToastAlert::show(ToastPosition::bottom, "first");
  runFor(0.3);
  AppToastAlert::show(ToastPosition::bottom, "second");
  EXPECT_EQ(AppToastAlert::messageLabel()->text(), std::optional<std::string>("second"));
  runFor(1.49);
  EXPECT_TRUE(onScreen()) << "the first toast's timer must not end the second";
  runFor(0.02);
  EXPECT_FALSE(onScreen());
}

TEST_F(ToastTest, ToastAfterAScreenChangeIsNotCutShort) {
  AppToastAlert::show(ToastPosition::bottom, "first");
  runFor(1.2);  // the first toast is fading out on the old screen
  auto other = std::make_shared<uikit::ViewController>();
  show(other);
  AppToastAlert::show(ToastPosition::bottom, "second");
  EXPECT_EQ(AppToastAlert::containerView()->superview(), other->view());
  runFor(0.5);
  EXPECT_TRUE(onScreen()) << "the old fade-out's completion must not remove the new toast";
  runFor(0.99);
  EXPECT_TRUE(onScreen());
  runFor(0.02);
  EXPECT_FALSE(onScreen());
}

TEST_F(ToastTest, WithoutAWindowNothingIsShown) {
  scene_delegate->setWindow(nullptr);
  AppToastAlert::show(ToastPosition::bottom, "nowhere");
  EXPECT_EQ(AppToastAlert::containerView()->superview(), nullptr);
  runFor(2);
}

TEST_F(ToastTest, FailureToastTextChoice) {
  struct Case {
    std::optional<std::string> message;
    std::optional<AFError> error;
    std::string shown;
  };
  AFError err{AFError::Kind::sessionTaskFailed, "The request timed out."};
  for (const Case& c : std::vector<Case>{{"Server says no", err, "Server says no"},
                                          {std::nullopt, err, "The request timed out."},
                                          {std::nullopt, std::nullopt, "Something went wrong!"},
                                          {"", std::nullopt, ""}}) {
    DataResponse<MDLAssignAccess> response;
    response.error = c.error;
    showFailureToast(response, c.message);
    EXPECT_EQ(AppToastAlert::messageLabel()->text(), std::optional<std::string>(c.shown));
    EXPECT_TRUE(onScreen());
    auto k = verticalConstraint();
    ASSERT_TRUE(k);
    EXPECT_EQ(k->firstAttribute(), uikit::LayoutAttribute::kBottom);
  }
}

TEST_F(ToastTest, HudSuccessRunsTheCompletionOnceAfterHiding) {
  std::vector<bool> calls;
  HudAlert::showSuccess([&](bool finished) { calls.push_back(finished); });
  auto& hud = uikit::PKHUD::sharedHUD();
  EXPECT_TRUE(hud.isVisible());
  auto success = std::dynamic_pointer_cast<uikit::PKHUDSuccessView>(hud.contentView);
  ASSERT_TRUE(success);
  EXPECT_FALSE(success->title());
  EXPECT_FALSE(success->subtitle());
  runFor(0.29);
  EXPECT_TRUE(calls.empty());
  runFor(0.3 + uikit::PKHUD::kHideAnimationDuration);
  EXPECT_EQ(calls, std::vector<bool>{true});
  runFor(2);
  EXPECT_EQ(calls.size(), 1u);
}

}  // namespace
}  // namespace widgets_test
