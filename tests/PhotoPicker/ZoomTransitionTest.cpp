#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>

#include "PhotoPicker/ImageView.h"
#include "PhotoPicker/PreviewViewController.h"
#include "PhotoPicker/ZoomAnimator.h"
#include "PhotoPicker/ZoomInteractionController.h"
#include "PhotoPicker/ZoomTransitionDelegate.h"
#include "Platform/UIKit/NavigationController.h"
#include "PickerFixture.h"

namespace photopicker {
namespace {

using uikit::Rect;

uikit::ImagePtr picture(double w, double h) { return uikit::Image::filled({w, h}, uikit::Color::gray()); }

// The grid: one cell's image view inside a cell at (20, 100).
class GridStandIn : public uikit::ViewController {
 public:
  void viewDidLoad() override {
    cell->addSubview(cellImage);
    view()->addSubview(cell);
    view()->setBackgroundColor(uikit::Color::white());
  }
  std::shared_ptr<uikit::View> cell = uikit::View::make(Rect(20, 100, 120, 120));
  std::shared_ptr<uikit::ImageView> cellImage = std::make_shared<uikit::ImageView>(Rect(0, 0, 120, 120));
};

class ZoomTransitionTest : public testing::PickerFixture {
 protected:
  void SetUp() override {
    PickerFixture::SetUp();
    grid = std::make_shared<GridStandIn>();
    nav = uikit::NavigationController::withRoot(grid);
    nav->setDelegate(zoom);
    show(nav);
    grid->cellImage->setImage(picture(120, 120));
    grid->cellImage->setContentMode(uikit::ContentMode::kScaleAspectFill);
    preview = PreviewViewController::create<PreviewViewController>();
    preview->settings = std::make_shared<Settings>();
    preview->view()->setBackgroundColor(uikit::Color::black());
    preview->imageView()->setImage(picture(400, 300));
    zoom->setZoomedOutView(grid->cellImage);
    zoom->setZoomedInView(preview->imageView());
  }

  // Pushes the preview and lets the expansion end.
  void pushPreview() {
    ASSERT_TRUE(nav->pushViewController(preview, true));
    runFor(0.26);
    ASSERT_EQ(nav->topViewController(), preview);
  }

  std::shared_ptr<uikit::PanGestureRecognizer> drag() const {
    for (const auto& g : preview->view()->gestureRecognizers()) {
      if (auto pan = std::dynamic_pointer_cast<uikit::PanGestureRecognizer>(g)) return pan;
    }
    return nullptr;
  }

  std::shared_ptr<ZoomTransitionDelegate> zoom = std::make_shared<ZoomTransitionDelegate>();
  std::shared_ptr<GridStandIn> grid;
  std::shared_ptr<uikit::NavigationController> nav;
  std::shared_ptr<PreviewViewController> preview;
};

TEST_F(ZoomTransitionTest, OnlyPreviewsZoomAndOnlyTheExpansionIsInteractive) {
  using Op = uikit::NavigationControllerOperation;
  auto other = std::make_shared<uikit::ViewController>();
  struct Case {
    Op op;
    uikit::ViewControllerPtr from, to;
    uikit::AnimatorPtr expected;
  } cases[] = {
      {Op::kPush, grid, preview, zoom->expandAnimator()},
      {Op::kPop, preview, grid, zoom->shrinkAnimator()},
      {Op::kPush, grid, other, nullptr},
      {Op::kPop, other, grid, nullptr},
      {Op::kPush, preview, other, nullptr},
      {Op::kNone, grid, preview, nullptr},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(zoom->navigationControllerAnimationControllerForOperationFromViewControllerToViewController(*nav, c.op,
                                                                                                      c.from, c.to),
              c.expected);
  }
  EXPECT_EQ(zoom->navigationControllerInteractionControllerForAnimationController(*nav, zoom->expandAnimator()),
            zoom->interactionController());
  EXPECT_EQ(zoom->navigationControllerInteractionControllerForAnimationController(*nav, zoom->shrinkAnimator()),
            nullptr);
  EXPECT_FALSE(zoom->interactionController()->wantsInteractiveStart());

  EXPECT_EQ(zoom->expandAnimator()->sourceImageView, grid->cellImage);
  EXPECT_EQ(zoom->expandAnimator()->destinationImageView, preview->imageView());
  EXPECT_EQ(zoom->shrinkAnimator()->sourceImageView, preview->imageView());
  EXPECT_EQ(zoom->shrinkAnimator()->destinationImageView, grid->cellImage);
}

TEST_F(ZoomTransitionTest, ThePhotoFliesToThePreviewAndTheCellStaysHidden) {
  ASSERT_TRUE(nav->pushViewController(preview, true));
  auto container = nav->view();
  std::shared_ptr<ImageView> flying;
  for (const auto& v : container->subviews()) {
    if (auto f = std::dynamic_pointer_cast<ImageView>(v)) flying = f;
  }
  ASSERT_TRUE(flying) << "the flying image is in the container";
  EXPECT_EQ(container->subviews().back(), flying) << "above the preview";
  EXPECT_EQ(flying->image(), preview->imageView()->image()) << "expanding shows the destination's image";
  EXPECT_TRUE(flying->clipsToBounds());
  Rect end = preview->imageView()->superview()->convertRectToView(preview->imageView()->bounds(), container.get());
  EXPECT_EQ(flying->frame(), end);
  EXPECT_EQ(flying->contentMode(), preview->imageView()->contentMode());
  EXPECT_TRUE(grid->cellImage->isHidden());
  EXPECT_TRUE(preview->imageView()->isHidden());
  EXPECT_DOUBLE_EQ(grid->view()->alpha(), 0) << "the grid fades out";
  EXPECT_DOUBLE_EQ(preview->view()->alpha(), 1);

  runFor(0.24);
  EXPECT_TRUE(flying->superview()) << "0.25 s";
  runFor(0.02);
  EXPECT_FALSE(flying->superview());
  EXPECT_FALSE(preview->imageView()->isHidden());
  EXPECT_TRUE(grid->cellImage->isHidden()) << "until the preview shrinks back into it";
  EXPECT_DOUBLE_EQ(grid->view()->alpha(), 1);
  EXPECT_EQ(nav->topViewController(), preview);
}

TEST_F(ZoomTransitionTest, DragTable) {
  pushPreview();
  auto pan = drag();
  ASSERT_TRUE(pan);
  auto controller = zoom->interactionController();
  EXPECT_EQ(controller->sourceView(), preview->view());
  EXPECT_EQ(controller->destinationView(), grid->view());

  EXPECT_FALSE(pan->begin({0, 0}, {0, -5})) << "a drag that starts upward does not begin";
  EXPECT_FALSE(zoom->interactionController()->separationView()->superview());

  double h = grid->view()->frame().height();
  struct Case {
    double ty;
    double scale;
    bool completes;
  } cases[] = {
      {35, 1 - 35 / h, false},
      {-20, 1, false},
      {69, 1 - 69 / h, false},
      {70, 1 - 70 / h, true},
      {h + 50, 0.1, true},  // never zero or mirrored
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(pan->begin({0, 0}, {0, 1}));
    EXPECT_EQ(controller->separationView()->superview(), nav->view());
    EXPECT_EQ(controller->separationView()->backgroundColor(), uikit::Color::black());
    EXPECT_EQ(preview->view()->backgroundColor(), uikit::Color::black().withAlphaComponent(0));
    pan->move({10, c.ty});
    auto t = preview->view()->transform();
    EXPECT_NEAR(t.a, c.scale, 1e-12) << c.ty;
    EXPECT_NEAR(t.d, c.scale, 1e-12) << c.ty;
    EXPECT_NEAR(t.tx, 10, 1e-9) << "follows the finger";
    EXPECT_NEAR(t.ty, c.ty, 1e-9) << "follows the finger";
    EXPECT_NEAR(controller->separationView()->backgroundColor()->alpha(), c.scale, 1e-12);
    EXPECT_EQ(controller->hasCompleted(), c.completes) << c.ty;
    if (c.completes) {
      pan->cancel();  // a cancelled gesture snaps back whatever the distance
    } else {
      pan->end();
    }
    EXPECT_TRUE(preview->view()->transform().isIdentity()) << "back at once";
    EXPECT_EQ(preview->view()->backgroundColor(), uikit::Color::black());
    EXPECT_FALSE(controller->separationView()->superview());
    EXPECT_NE(grid->view()->superview(), nav->view());
    EXPECT_EQ(nav->topViewController(), preview);
  }
}

TEST_F(ZoomTransitionTest, DraggingFarEnoughPopsWithTheShrink) {
  pushPreview();
  auto pan = drag();
  ASSERT_TRUE(pan);
  ASSERT_TRUE(pan->begin());
  pan->move({0, 80});
  pan->end();
  EXPECT_FALSE(zoom->interactionController()->separationView()->superview());
  EXPECT_TRUE(nav->isInTransition()) << "popping with the shrink animation";
  EXPECT_TRUE(grid->cellImage->isHidden());
  runFor(0.26);
  EXPECT_EQ(nav->topViewController(), grid);
  EXPECT_FALSE(grid->cellImage->isHidden()) << "the photo is back in its cell";
}

TEST_F(ZoomTransitionTest, AGridHeightOfZeroDoesNotScale) {
  pushPreview();
  auto pan = drag();
  ASSERT_TRUE(pan);
  ASSERT_TRUE(pan->begin());
  grid->view()->setFrame(Rect(0, 0, 375, 0));
  pan->move({0, 30});
  EXPECT_DOUBLE_EQ(preview->view()->transform().a, 1);
  EXPECT_DOUBLE_EQ(preview->view()->transform().ty, 30);
  pan->end();
}

TEST_F(ZoomTransitionTest, NonPanRecognisersNeverStartADrag) {
  pushPreview();
  uikit::TapGestureRecognizer tap;
  EXPECT_FALSE(zoom->interactionController()->gestureRecognizerShouldBegin(tap));
}

TEST_F(ZoomTransitionTest, AnimatorMissingAnImageViewCompletesAtOnce) {
  struct Case {
    ZoomAnimator::Mode mode;
    bool cancelled;
  } cases[] = {{ZoomAnimator::Mode::kExpand, false}, {ZoomAnimator::Mode::kShrink, true}};
  for (const auto& c : cases) {
    auto ctx = std::make_shared<uikit::TransitionContext>(nav->view(), grid, preview, true);
    std::optional<bool> completed;
    ctx->setCompletionHandler([&](bool done) { completed = done; });
    if (c.cancelled) ctx->cancelInteractiveTransition();
    ZoomAnimator animator(c.mode);
    animator.sourceImageView = grid->cellImage;  // no destination
    EXPECT_DOUBLE_EQ(animator.transitionDuration(ctx.get()), 0.25);
    animator.animateTransition(ctx);
    ASSERT_TRUE(completed.has_value());
    EXPECT_EQ(*completed, !c.cancelled);
    EXPECT_FALSE(grid->cellImage->isHidden()) << "nothing was hidden";
  }
}

TEST_F(ZoomTransitionTest, ShrinkingFallsBackToTheOtherImage) {
  auto ctx = std::make_shared<uikit::TransitionContext>(nav->view(), preview, grid, true);
  ZoomAnimator animator(ZoomAnimator::Mode::kShrink);
  auto empty = std::make_shared<uikit::ImageView>(Rect(0, 0, 10, 10));
  animator.sourceImageView = empty;
  animator.destinationImageView = grid->cellImage;
  animator.animateTransition(ctx);
  auto flying = std::dynamic_pointer_cast<ImageView>(nav->view()->subviews().back());
  ASSERT_TRUE(flying);
  EXPECT_EQ(flying->image(), grid->cellImage->image());
  EXPECT_EQ(flying->frame(), Rect(20, 100, 120, 120)) << "into the cell";
  EXPECT_EQ(flying->contentMode(), uikit::ContentMode::kScaleAspectFill);
  runFor(0.26);
  EXPECT_TRUE(ctx->isCompleted());
}

}  // namespace
}  // namespace photopicker
