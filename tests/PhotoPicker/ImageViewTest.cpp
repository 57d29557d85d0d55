#include "PhotoPicker/ImageView.h"

#include <gtest/gtest.h>

#include "Platform/UIKit/Image.h"

namespace photopicker {
namespace {

using uikit::ContentMode;
using uikit::Rect;

uikit::ImagePtr image(double w, double h) { return uikit::Image::filled({w, h}, uikit::Color::gray()); }

std::shared_ptr<ImageView> wrapper(uikit::ImagePtr picture) {
  auto view = uikit::View::make<ImageView>(Rect(0, 0, 100, 100));
  view->setImage(std::move(picture));
  return view;
}

TEST(ImageViewTest, PlacesTheInnerViewByItsOwnContentMode) {
  struct Case {
    ContentMode mode;
    Rect inner;
  } cases[] = {
      {ContentMode::kScaleToFill, Rect(0, 0, 100, 100)},
      {ContentMode::kScaleAspectFit, Rect(0, 25, 100, 50)},
      {ContentMode::kScaleAspectFill, Rect(-50, 0, 200, 100)},
      {ContentMode::kCenter, Rect(-50, 0, 200, 100)},
      {ContentMode::kTop, Rect(-50, 0, 200, 100)},
      {ContentMode::kBottom, Rect(-50, 0, 200, 100)},
      {ContentMode::kLeft, Rect(0, 0, 200, 100)},
      {ContentMode::kRight, Rect(-100, 0, 200, 100)},
      {ContentMode::kTopLeft, Rect(0, 0, 200, 100)},
      {ContentMode::kTopRight, Rect(-100, 0, 200, 100)},
      {ContentMode::kBottomLeft, Rect(0, 0, 200, 100)},
      {ContentMode::kBottomRight, Rect(-100, 0, 200, 100)},
  };
  for (const auto& c : cases) {
    auto view = wrapper(image(200, 100));
    view->setContentMode(c.mode);  // lays out at once
    EXPECT_EQ(view->imageView()->frame(), c.inner) << static_cast<int>(c.mode);
    EXPECT_EQ(view->imageView()->contentMode(), ContentMode::kScaleToFill) << "the inner mode is never changed";
  }
  // A tall image measures its offsets vertically.
  auto tall = wrapper(image(50, 200));
  tall->setContentMode(ContentMode::kBottomRight);
  EXPECT_EQ(tall->imageView()->frame(), Rect(50, -100, 50, 200));
}

TEST(ImageViewTest, FollowsTheOuterFrameAndKeepsRedrawFrames) {
  auto view = wrapper(image(200, 100));
  ASSERT_EQ(view->subviews().size(), 1u);
  EXPECT_EQ(view->subviews()[0], view->imageView());
  view->setContentMode(ContentMode::kScaleAspectFit);
  view->setFrame(Rect(0, 0, 50, 50));
  view->layoutIfNeeded();
  EXPECT_EQ(view->imageView()->frame(), Rect(0, 12.5, 50, 25));

  view->imageView()->setFrame(Rect(3, 4, 5, 6));
  view->setContentMode(ContentMode::kRedraw);
  EXPECT_EQ(view->imageView()->frame(), Rect(3, 4, 5, 6)) << "redraw leaves the frame as it is";
}

TEST(ImageViewTest, NoImageOrNoAreaGivesAZeroFrame) {
  auto view = wrapper(image(200, 100));
  view->setContentMode(ContentMode::kScaleAspectFit);
  view->setImage(nullptr);
  EXPECT_EQ(view->imageView()->frame(), Rect()) << "at once, without another layout";

  view->setHighlightedImage(image(10, 10));
  view->imageView()->setFrame(Rect(1, 1, 1, 1));
  EXPECT_EQ(view->imageView()->frame(), Rect(1, 1, 1, 1)) << "the highlighted image does not lay out";
  EXPECT_TRUE(view->highlightedImage());

  auto flat = uikit::View::make<ImageView>(Rect(0, 0, 0, 0));
  flat->setContentMode(ContentMode::kScaleAspectFill);
  flat->setImage(image(20, 10));
  EXPECT_EQ(flat->imageView()->frame(), Rect()) << "a view without area shows nothing rather than infinities";
}

TEST(ImageViewTest, PassesInteractionAndTintToTheInnerView) {
  auto view = wrapper(image(10, 10));
  EXPECT_FALSE(view->imageView()->isUserInteractionEnabled());
  view->setUserInteractionEnabled(true);
  EXPECT_TRUE(view->imageView()->isUserInteractionEnabled());
  view->setUserInteractionEnabled(false);
  EXPECT_FALSE(view->imageView()->isUserInteractionEnabled());

  view->setTintColor(uikit::Color::systemRed());
  EXPECT_EQ(view->imageView()->tintColor(), uikit::Color::systemRed());
  auto parent = uikit::View::make(Rect(0, 0, 10, 10));
  parent->setTintColor(uikit::Color::gray());
  parent->addSubview(view);
  view->setTintColor(std::nullopt);
  EXPECT_EQ(view->imageView()->tintColor(), uikit::Color::gray()) << "the tint as read back, inherited";

  // Calls made through the base class reach the overrides.
  uikit::View& base = *view;
  base.setContentMode(ContentMode::kScaleToFill);
  EXPECT_EQ(view->imageView()->frame(), Rect(0, 0, 100, 100));
}

TEST(ImageViewTest, ForwardsHighlightAndAnimationState) {
  auto a = image(1, 1), b = image(2, 2);
  ImageView view(a, b);
  EXPECT_EQ(view.image(), a);
  EXPECT_EQ(view.highlightedImage(), b);
  view.setIsHighlighted(true);
  EXPECT_TRUE(view.imageView()->isHighlighted);
  view.setAnimationImages({a, b});
  view.setHighlightedAnimationImages({b});
  view.setAnimationDuration(1.5);
  view.setAnimationRepeatCount(2);
  view.startAnimating();
  EXPECT_EQ(view.imageView()->animationImages.size(), 2u);
  EXPECT_EQ(view.imageView()->highlightedAnimationImages.size(), 1u);
  EXPECT_DOUBLE_EQ(view.imageView()->animationDuration, 1.5);
  EXPECT_EQ(view.imageView()->animationRepeatCount, 2);
  EXPECT_TRUE(view.isAnimating());
  view.stopAnimating();
  EXPECT_FALSE(view.imageView()->isAnimating());
}

}  // namespace
}  // namespace photopicker
