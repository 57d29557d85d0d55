#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "Platform/UIKit/GraphicsImageContext.h"
#include "Platform/UIKit/Layer.h"

namespace uikit {
namespace {

std::vector<int> pixel(const ImagePtr& image, int x, int y) {
  std::uint8_t px[4];
  if (!image->pixelAt(x, y, px)) return {};
  return {px[0], px[1], px[2], px[3]};
}

TEST(GraphicsImageContextTest, RendersTheLayerBackgroundOverItsBoundsOnly) {
  ASSERT_TRUE(GraphicsImageContext::begin({4, 3}));
  Layer layer;
  layer.setFrame(Rect(50, 50, 2, 2));  // drawn at the context's origin
  layer.backgroundColor = Color(1, 0, 0, 1);
  GraphicsImageContext::renderLayer(layer);
  Layer veil;
  veil.setFrame(Rect(0, 0, 1, 1));
  veil.backgroundColor = Color(0, 0, 1, 1);
  veil.opacity = 0.5;
  GraphicsImageContext::renderLayer(veil);
  auto image = GraphicsImageContext::imageFromCurrent();
  GraphicsImageContext::end();
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixelWidth(), 4);
  EXPECT_EQ(image->pixelHeight(), 3);
  EXPECT_EQ(pixel(image, 0, 0), (std::vector<int>{128, 0, 128, 255})) << "half blue over red";
  EXPECT_EQ(pixel(image, 1, 1), (std::vector<int>{255, 0, 0, 255}));
  EXPECT_EQ(pixel(image, 2, 0), (std::vector<int>{0, 0, 0, 0})) << "outside the layer stays transparent";
  EXPECT_EQ(pixel(image, 3, 2), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_FALSE(GraphicsImageContext::hasCurrent());
}

TEST(GraphicsImageContextTest, ContextsNestAndScale) {
  ASSERT_TRUE(GraphicsImageContext::begin({2, 2}));
  ASSERT_TRUE(GraphicsImageContext::begin({3, 1}, 2.0));
  auto inner = GraphicsImageContext::imageFromCurrent();
  ASSERT_TRUE(inner);
  EXPECT_EQ(inner->pixelWidth(), 6);
  EXPECT_EQ(inner->pixelHeight(), 2);
  EXPECT_DOUBLE_EQ(inner->size().width, 3);
  GraphicsImageContext::end();
  auto outer = GraphicsImageContext::imageFromCurrent();
  ASSERT_TRUE(outer);
  EXPECT_EQ(outer->pixelWidth(), 2);
  GraphicsImageContext::end();
  GraphicsImageContext::end();  // nothing left: ignored
  EXPECT_FALSE(GraphicsImageContext::hasCurrent());
}

TEST(GraphicsImageContextTest, NoContextWithoutAreaAndNothingWithoutAContext) {
  struct Case {
    Size size;
    double scale;
  };
  for (const auto& c : std::vector<Case>{{{0, 10}, 1}, {{10, 0}, 1}, {{-5, 5}, 1}, {{5, 5}, 0}, {{1e6, 1e6}, 1}}) {
    EXPECT_FALSE(GraphicsImageContext::begin(c.size, c.scale)) << c.size << " @" << c.scale;
    EXPECT_FALSE(GraphicsImageContext::hasCurrent());
  }
  Layer layer;
  layer.backgroundColor = Color(1, 1, 1, 1);
  GraphicsImageContext::renderLayer(layer);
  EXPECT_EQ(GraphicsImageContext::imageFromCurrent(), nullptr);
}

}  // namespace
}  // namespace uikit
