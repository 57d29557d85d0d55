#include <string>
#include <vector>

#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/PercentDrivenInteractiveTransition.h"
#include "tests/Platform/UIKit/UIKitFixture.h"

namespace uikit::testing {
namespace {

// A band-like presentation: 200 points high at the top of the container.
class BandPresentation : public PresentationController {
 public:
  using PresentationController::PresentationController;
  Rect frameOfPresentedViewInContainerView() const override {
    auto c = containerView();
    return c ? Rect(0, 0, c->bounds().width(), 200) : Rect();
  }
  void presentationTransitionWillBegin() override { log.push_back("willBegin"); }
  void presentationTransitionDidEnd(bool completed) override { log.push_back(completed ? "didEnd" : "didEnd-no"); }
  void dismissalTransitionDidEnd(bool completed) override { log.push_back(completed ? "dismissed" : "kept"); }
  std::vector<std::string> log;
};

class GrowAnimator : public ViewControllerAnimatedTransitioning {
 public:
  explicit GrowAnimator(bool presenting) : presenting_(presenting) {}
  double transitionDuration(const TransitionContext*) override { return 0.3; }
  void animateTransition(const TransitionContextPtr& ctx) override {
    seen = ctx;
    auto moving = presenting_ ? ctx->toViewController() : ctx->fromViewController();
    Rect f = ctx->finalFrameForViewController(moving.get());
    if (presenting_) {
      ctx->containerView()->addSubview(moving->view());
      moving->view()->setFrame(Rect(f.x(), f.y(), f.width(), 0));
    }
    bool presenting = presenting_;
    View::animate(0.3, [=] { moving->view()->setFrame(presenting ? f : Rect(f.x(), f.y(), f.width(), 0)); },
                  [ctx](bool finished) { ctx->completeTransition(finished && !ctx->transitionWasCancelled()); });
  }
  void animationEnded(bool completed) override { ended.push_back(completed); }
  std::weak_ptr<TransitionContext> seen;
  std::vector<bool> ended;

 private:
  bool presenting_;
};

class BandDelegate : public ViewControllerTransitioningDelegate {
 public:
  AnimatorPtr animationControllerForPresentedController(const ViewControllerPtr&, const ViewControllerPtr&,
                                                        const ViewControllerPtr&) override {
    return presentAnimator = std::make_shared<GrowAnimator>(true);
  }
  AnimatorPtr animationControllerForDismissedController(const ViewControllerPtr&) override {
    return dismissAnimator = std::make_shared<GrowAnimator>(false);
  }
  std::shared_ptr<PresentationController> presentationControllerForPresentedViewController(
      const ViewControllerPtr& presented, const ViewControllerPtr& presenting, const ViewControllerPtr&) override {
    return controller = std::make_shared<BandPresentation>(presented, presenting);
  }
  std::shared_ptr<GrowAnimator> presentAnimator, dismissAnimator;
  std::shared_ptr<BandPresentation> controller;
};

class TransitionTest : public UIKitFixture {};

TEST_F(TransitionTest, CustomPresentationCompletesThroughItsContext) {
  auto root = std::make_shared<ViewController>();
  show(root);
  auto band = std::make_shared<ViewController>();
  auto delegate = std::make_shared<BandDelegate>();
  band->modalPresentationStyle = ModalPresentationStyle::kCustom;
  band->setTransitioningDelegate(delegate);
  bool done = false;
  ASSERT_TRUE(root->present(band, true, [&] { done = true; }));
  ASSERT_TRUE(delegate->controller);
  auto ctx = delegate->presentAnimator->seen.lock();
  ASSERT_TRUE(ctx);
  EXPECT_EQ(ctx->fromViewController(), root);
  EXPECT_EQ(ctx->toViewController(), band);
  EXPECT_EQ(ctx->containerView(), delegate->controller->containerView());
  EXPECT_EQ(ctx->finalFrameForViewController(band.get()), Rect(0, 0, 390, 200));
  EXPECT_EQ(band->view()->frame(), Rect(0, 0, 390, 200)) << "final values at once";
  EXPECT_FALSE(done);
  EXPECT_FALSE(root->present(std::make_shared<ViewController>(), false)) << "refused during the transition";
  runFor(0.3);
  EXPECT_TRUE(done);
  EXPECT_TRUE(ctx->isCompleted());
  EXPECT_EQ(delegate->presentAnimator->ended, std::vector<bool>{true});
  EXPECT_EQ(delegate->controller->log, (std::vector<std::string>{"willBegin", "didEnd"}));

  ASSERT_TRUE(band->dismiss(true));
  runFor(0.3);
  EXPECT_EQ(delegate->controller->log.back(), "dismissed");
  EXPECT_EQ(root->presentedViewController(), nullptr);
  EXPECT_EQ(delegate->controller->containerView(), nullptr);
}

TEST_F(TransitionTest, SwipeToDismissAsksTheDelegate) {
  class Adaptive : public AdaptivePresentationControllerDelegate {
   public:
    bool presentationControllerShouldDismiss(PresentationController&) override { return allow; }
    void presentationControllerDidDismiss(PresentationController&) override { ++dismissed; }
    void presentationControllerDidAttemptToDismiss(PresentationController&) override { ++attempts; }
    bool allow = false;
    int dismissed = 0, attempts = 0;
  };
  auto root = std::make_shared<ViewController>();
  show(root);
  auto sheet = std::make_shared<ViewController>();
  ASSERT_TRUE(root->present(sheet, false));
  auto adaptive = std::make_shared<Adaptive>();
  sheet->presentationController()->setDelegate(adaptive);
  EXPECT_FALSE(sheet->presentationController()->userSwipeToDismiss());
  EXPECT_EQ(adaptive->attempts, 1);
  adaptive->allow = true;
  EXPECT_TRUE(sheet->presentationController()->userSwipeToDismiss());
  runFor(0.3);
  EXPECT_EQ(adaptive->dismissed, 1);
  EXPECT_EQ(root->presentedViewController(), nullptr);
}

class PushAnimatorDelegate : public NavigationControllerDelegate {
 public:
  AnimatorPtr navigationControllerAnimationControllerForOperationFromViewControllerToViewController(
      NavigationController&, NavigationControllerOperation op, const ViewControllerPtr&,
      const ViewControllerPtr&) override {
    ops.push_back(op);
    if (op != NavigationControllerOperation::kPush) return nullptr;
    return animator = std::make_shared<GrowAnimator>(true);
  }
  InteractionPtr navigationControllerInteractionControllerForAnimationController(NavigationController&,
                                                                                 const AnimatorPtr& a) override {
    return a == animator ? interaction : nullptr;
  }
  std::vector<NavigationControllerOperation> ops;
  std::shared_ptr<GrowAnimator> animator;
  std::shared_ptr<PercentDrivenInteractiveTransition> interaction =
      std::make_shared<PercentDrivenInteractiveTransition>();
};

TEST_F(TransitionTest, NavigationDelegateAnimatorAndPercentDrivenInteraction) {
  auto a = std::make_shared<ViewController>();
  auto b = std::make_shared<ViewController>();
  auto nav = NavigationController::withRoot(a);
  auto d = std::make_shared<PushAnimatorDelegate>();
  d->interaction->setWantsInteractiveStart(false);
  nav->setDelegate(d);
  show(nav);
  nav->pushViewController(b, true);
  ASSERT_TRUE(d->animator);
  auto ctx = d->animator->seen.lock();
  ASSERT_TRUE(ctx) << "the interaction started the animator itself";
  EXPECT_FALSE(ctx->isInteractive());
  d->interaction->updateInteractiveTransition(0.5);
  EXPECT_DOUBLE_EQ(ctx->percentComplete(), 0.5);
  EXPECT_TRUE(nav->isInTransition());
  runFor(0.3);
  EXPECT_FALSE(nav->isInTransition());
  EXPECT_EQ(nav->topViewController(), b);
  EXPECT_EQ(b->view()->superview(), nav->view());

  // A pop without an animator from the delegate takes the stock path.
  nav->popViewController(true);
  runFor(0.3);
  EXPECT_EQ(d->ops, (std::vector<NavigationControllerOperation>{NavigationControllerOperation::kPush,
                                                                NavigationControllerOperation::kPop}));
  EXPECT_EQ(nav->topViewController(), a);
}

TEST_F(TransitionTest, CancelledInteractivePushLeavesTheStackAsItWas) {
  auto a = std::make_shared<ViewController>();
  auto b = std::make_shared<ViewController>();
  auto nav = NavigationController::withRoot(a);
  auto d = std::make_shared<PushAnimatorDelegate>();
  nav->setDelegate(d);
  show(nav);
  nav->pushViewController(b, true);
  d->interaction->cancelInteractiveTransition();
  runFor(0.3);
  EXPECT_EQ(nav->viewControllers(), std::vector<ViewControllerPtr>{a});
  EXPECT_EQ(b->parentViewController(), nullptr);
  EXPECT_EQ(d->animator->ended, std::vector<bool>{false});
  EXPECT_EQ(a->appearance(), ViewController::Appearance::kAppeared);
}

}  // namespace
}  // namespace uikit::testing
