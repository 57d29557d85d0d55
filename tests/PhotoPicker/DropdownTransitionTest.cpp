#include <gtest/gtest.h>

#include <memory>

#include "PhotoPicker/DropdownAnimator.h"
#include "PhotoPicker/DropdownPresentationController.h"
#include "PhotoPicker/DropdownTransitionDelegate.h"
#include "Platform/UIKit/NavigationController.h"
#include "tests/Platform/UIKit/UIKitFixture.h"

namespace photopicker {
namespace {

using uikit::Rect;

class DropdownTransitionTest : public uikit::testing::UIKitFixture {
 protected:
  void SetUp() override {
    UIKitFixture::SetUp();
    picker = uikit::NavigationController::withRoot(std::make_shared<uikit::ViewController>());
    picker->navigationBar()->barTintColor = uikit::Color::systemRed();
    show(picker);
    list = std::make_shared<uikit::ViewController>();
    list->modalPresentationStyle = uikit::ModalPresentationStyle::kCustom;
    list->setTransitioningDelegate(transitions);
  }

  double barBottom() const {
    auto bar = picker->navigationBar();
    return bar->convertRectToView(bar->bounds(), nullptr).maxY();
  }

  std::shared_ptr<uikit::NavigationController> picker;
  std::shared_ptr<uikit::ViewController> list;
  std::shared_ptr<DropdownTransitionDelegate> transitions = std::make_shared<DropdownTransitionDelegate>();
};

TEST_F(DropdownTransitionTest, TheBandUnfoldsUnderTheBarAndAnOutsideTapFoldsItOnce) {
  ASSERT_TRUE(picker->present(list, true));
  auto controller = std::dynamic_pointer_cast<DropdownPresentationController>(list->presentationController());
  ASSERT_TRUE(controller);
  auto container = controller->containerView();
  ASSERT_TRUE(container);
  EXPECT_GT(barBottom(), 44) << "the bar sits below the status bar";
  EXPECT_EQ(list->view()->frame(), Rect(0, barBottom(), 390, 200)) << "the picker's width, 200 high";
  EXPECT_EQ(list->view()->backgroundColor(), uikit::Color::systemRed()) << "the band continues the bar";
  ASSERT_FALSE(container->subviews().empty());
  EXPECT_EQ(container->subviews().front(), controller->backgroundView()) << "behind everything";
  EXPECT_EQ(controller->backgroundView()->frame(), container->bounds());
  EXPECT_EQ(controller->backgroundView()->backgroundColor(), uikit::Color::clear());

  runFor(0.29);
  EXPECT_TRUE(list->isBeingPresented()) << "0.3 s";
  runFor(0.02);
  EXPECT_FALSE(list->isBeingPresented());

  auto tap = std::dynamic_pointer_cast<uikit::TapGestureRecognizer>(controller->backgroundView()->gestureRecognizers().front());
  ASSERT_TRUE(tap);
  EXPECT_TRUE(tap->fire());
  EXPECT_TRUE(list->isBeingDismissed());
  EXPECT_EQ(list->view()->frame(), Rect(0, barBottom(), 390, 0)) << "folds up into its top edge";
  tap->fire();  // a second tap while it folds dismisses nothing more
  runFor(0.31);
  EXPECT_EQ(picker->presentedViewController(), nullptr);
}

TEST_F(DropdownTransitionTest, ALateBackgroundTapLeavesThePickerAlone) {
  auto host = std::make_shared<uikit::ViewController>();
  show(host);
  ASSERT_TRUE(host->present(picker, false));
  ASSERT_TRUE(picker->present(list, false));
  auto controller = std::dynamic_pointer_cast<DropdownPresentationController>(list->presentationController());
  ASSERT_TRUE(controller);
  auto tap = std::dynamic_pointer_cast<uikit::TapGestureRecognizer>(controller->backgroundView()->gestureRecognizers().front());
  runFor(0.31);
  ASSERT_TRUE(picker->dismiss(false));
  runFor(0.31);
  ASSERT_EQ(picker->presentedViewController(), nullptr);
  tap->fire();
  runFor(0.5);
  EXPECT_EQ(host->presentedViewController(), picker) << "the picker is not dismissed in the list's place";
}

TEST_F(DropdownTransitionTest, FrameWithoutANavigationControllerOrContainer) {
  auto plain = std::make_shared<uikit::ViewController>();
  show(plain);
  DropdownPresentationController detached(list, plain);
  EXPECT_EQ(detached.frameOfPresentedViewInContainerView(), Rect()) << "no container yet";
  EXPECT_EQ(detached.sizeForChildContentContainer(*list, {320, 480}), (uikit::Size{320, 200}));
  EXPECT_DOUBLE_EQ(detached.dropDownHeight(), 200);

  ASSERT_TRUE(plain->present(list, false));
  EXPECT_EQ(list->view()->frame(), Rect(0, 0, 390, 200)) << "a plain presenter: at the top";
}

TEST_F(DropdownTransitionTest, AnimatorWithoutItsScreenCompletesAtOnce) {
  struct Case {
    DropdownAnimator::Context context;
    bool cancelled;
  } cases[] = {{DropdownAnimator::Context::kPresent, false}, {DropdownAnimator::Context::kDismiss, true}};
  for (const auto& c : cases) {
    auto ctx = std::make_shared<uikit::TransitionContext>(uikit::View::make(Rect(0, 0, 10, 10)), nullptr, nullptr, true);
    std::optional<bool> completed;
    ctx->setCompletionHandler([&](bool done) { completed = done; });
    if (c.cancelled) ctx->cancelInteractiveTransition();
    DropdownAnimator animator(c.context);
    EXPECT_DOUBLE_EQ(animator.transitionDuration(ctx.get()), 0.3);
    animator.animateTransition(ctx);
    ASSERT_TRUE(completed.has_value());
    EXPECT_EQ(*completed, !c.cancelled);
  }
}

}  // namespace
}  // namespace photopicker
