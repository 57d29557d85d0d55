#include "PhotoPicker/ArrowView.h"

#include <gtest/gtest.h>

#include "Platform/UIKit/GraphicsImageRenderer.h"

namespace photopicker {
namespace {

using Behavior = ArrowView::ResizingBehavior;
using uikit::Rect;

TEST(ArrowViewApply, ScalesTheDesignByBehavior) {
  struct Case {
    Behavior behavior;
    Rect target;
    Rect expected;
  } cases[] = {
      {Behavior::kAspectFit, Rect(0, 0, 16, 8), Rect(4, 0, 8, 8)},
      {Behavior::kAspectFill, Rect(0, 0, 16, 8), Rect(0, -4, 16, 16)},
      {Behavior::kStretch, Rect(0, 0, 16, 8), Rect(0, 0, 16, 8)},
      {Behavior::kCenter, Rect(0, 0, 16, 8), Rect(4, 0, 8, 8)},
      {Behavior::kAspectFit, Rect(10, 20, 16, 16), Rect(10, 20, 16, 16)},
      // A target of negative width is scaled by its magnitude.
      {Behavior::kStretch, Rect(0, 0, -16, 8), Rect(-16, 0, 16, 8)},
      // Equal to the design, or the zero rectangle: the design unchanged.
      {Behavior::kAspectFill, Rect(0, 0, 8, 8), Rect(0, 0, 8, 8)},
      {Behavior::kStretch, Rect(), Rect(0, 0, 8, 8)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ArrowView::apply(c.behavior, Rect(0, 0, 8, 8), c.target), c.expected) << c.target;
  }
}

using uikit::DrawingOperation;
using uikit::Point;

// The one stroke an arrow draws into a renderer of the given size.
DrawingOperation strokeOf(ArrowView& arrow, const Rect& target) {
  auto image = uikit::GraphicsImageRenderer(uikit::Size{target.maxX(), target.maxY()}).image([&](auto&) {
    arrow.drawArrow(target);
  });
  EXPECT_TRUE(image);
  if (!image || image->drawing().size() != 1) {
    ADD_FAILURE() << "expected one stroke";
    return {};
  }
  return image->drawing()[0];
}

TEST(ArrowViewDrawing, TheChevronScalesWithItsRectangle) {
  struct Case {
    Rect target;
    Point left, bottom, right;
    double lineWidth;
  } cases[] = {
      {Rect(0, 0, 8, 8), {0, 2}, {4, 6}, {8, 2}, 2},
      {Rect(0, 0, 16, 16), {0, 4}, {8, 12}, {16, 4}, 4},
      {Rect(0, 0, 16, 8), {4, 2}, {8, 6}, {12, 2}, 2},  // aspect fit centres it
  };
  for (const auto& c : cases) {
    ArrowView arrow(Rect(0, 0, 8, 8));
    arrow.strokeColor = uikit::Color::systemBlue();
    auto op = strokeOf(arrow, c.target);
    EXPECT_EQ(op.kind, DrawingOperation::Kind::kStroke);
    ASSERT_EQ(op.path.size(), 3u) << c.target;
    EXPECT_EQ(op.path[0].point, c.left) << c.target;
    EXPECT_EQ(op.path[1].point, c.bottom) << c.target;
    EXPECT_EQ(op.path[2].point, c.right) << c.target;
    EXPECT_DOUBLE_EQ(op.lineWidth, c.lineWidth) << c.target;
    EXPECT_EQ(op.color, uikit::Color::systemBlue());
  }
}

TEST(ArrowViewDrawing, TheDefaultStrokeFollowsTheAppearance) {
  auto arrow = uikit::View::make<ArrowView>(Rect(0, 0, 8, 8));
  EXPECT_EQ(arrow->intrinsicContentSize(), (uikit::Size{8, 8}));
  EXPECT_EQ(strokeOf(*arrow, Rect(0, 0, 8, 8)).color, uikit::Color::black());
  arrow->setOverrideUserInterfaceStyle(uikit::UserInterfaceStyle::kDark);
  EXPECT_EQ(strokeOf(*arrow, Rect(0, 0, 8, 8)).color, uikit::Color::white());
}

TEST(ArrowViewDrawing, RenderedImageIsTheChevronOnTheBackground) {
  auto arrow = uikit::View::make<ArrowView>(Rect(0, 0, 8, 8));
  arrow->setBackgroundColor(uikit::Color::systemRed());
  arrow->strokeColor = uikit::Color::white();
  auto image = arrow->renderedImage();
  ASSERT_TRUE(image);
  EXPECT_EQ(image->size(), (uikit::Size{8, 8}));
  std::uint8_t px[4];
  ASSERT_TRUE(image->pixelAt(0, 7, px));
  EXPECT_EQ(px[0], 255);
  EXPECT_EQ(px[1], 59);
  ASSERT_EQ(image->drawing().size(), 1u);
  EXPECT_EQ(image->drawing()[0].path[1].point, (Point{4, 6}));
  EXPECT_EQ(image->drawing()[0].color, uikit::Color::white());
}

}  // namespace
}  // namespace photopicker
