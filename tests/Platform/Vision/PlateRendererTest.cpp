#include "tests/support/PlateRenderer.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using facility_test::CanvasSize;
using facility_test::PlateRenderer;

struct InkBox {
  int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;  // inclusive
};

InkBox inkOf(const platform::Bitmap& b) {
  InkBox box;
  for (int y = 0; y < b.height; ++y) {
    for (int x = 0; x < b.width; ++x) {
      if (b.rgba[(static_cast<std::size_t>(y) * b.width + x) * 4] < 128) {
        box.left = std::min(box.left, x);
        box.right = std::max(box.right, x);
        box.top = std::min(box.top, y);
        box.bottom = std::max(box.bottom, y);
      }
    }
  }
  return box;
}

TEST(PlateRendererTest, BlackTextOnWhiteWithASixPixelMargin) {
  auto plate = PlateRenderer::renderBitmap("MH 12 AB 1234");
  ASSERT_TRUE(plate.ok()) << plate.status().message();
  InkBox ink = inkOf(*plate);
  // Anti-aliased edges are lighter than the threshold, so the dark box sits
  // at the margin or one pixel inside it.
  EXPECT_NEAR(ink.left, 6, 1);
  EXPECT_NEAR(ink.top, 6, 1);
  EXPECT_NEAR(plate->width - 1 - ink.right, 6, 1);
  EXPECT_NEAR(plate->height - 1 - ink.bottom, 6, 1);
  EXPECT_GT(plate->height, 50) << "64 px type";
  EXPECT_LT(plate->height, 90);
  // No frame: the outermost pixels are white.
  for (int x = 0; x < plate->width; ++x) ASSERT_EQ(plate->rgba[static_cast<std::size_t>(x) * 4], 255);
  // The darkest pixels are black.
  std::uint8_t darkest = 255;
  for (std::size_t i = 0; i < plate->rgba.size(); i += 4) darkest = std::min(darkest, plate->rgba[i]);
  EXPECT_EQ(darkest, 0);
}

TEST(PlateRendererTest, CanvasCentresThePlateAndMustHoldIt) {
  auto plate = *PlateRenderer::renderBitmap("DL 3C AY 0075");
  auto big = PlateRenderer::renderBitmap("DL 3C AY 0075", CanvasSize{1280, 960});
  ASSERT_TRUE(big.ok());
  EXPECT_EQ(big->width, 1280);
  EXPECT_EQ(big->height, 960);
  InkBox small = inkOf(plate), centred = inkOf(*big);
  EXPECT_EQ(centred.left - small.left, (1280 - plate.width) / 2);
  EXPECT_EQ(centred.top - small.top, (960 - plate.height) / 2);
  EXPECT_FALSE(PlateRenderer::renderBitmap("DL 3C AY 0075", CanvasSize{plate.width - 1, 960}).ok());
  EXPECT_FALSE(PlateRenderer::renderBitmap("DL 3C AY 0075", CanvasSize{1280, plate.height - 1}).ok());
  EXPECT_TRUE(PlateRenderer::renderBitmap("DL 3C AY 0075", CanvasSize{plate.width, plate.height}).ok());
}

TEST(PlateRendererTest, SameInputSameBytesAndABlankPlateIsAllWhite) {
  auto a = PlateRenderer::renderJpeg("TN 09 BX 8841", CanvasSize{640, 200});
  auto b = PlateRenderer::renderJpeg("TN 09 BX 8841", CanvasSize{640, 200});
  ASSERT_TRUE(a.ok() && b.ok());
  EXPECT_EQ(*a, *b);
  EXPECT_NE(*a, *PlateRenderer::renderJpeg("TN 09 BX 8842", CanvasSize{640, 200}));
  auto decoded = platform::ImageCodec::decode(*a);
  ASSERT_TRUE(decoded.ok());
  EXPECT_EQ(decoded->width, 640);
  for (std::string blank : {"", "   "}) {
    auto plate = PlateRenderer::renderBitmap(blank);
    ASSERT_TRUE(plate.ok()) << "'" << blank << "'";
    EXPECT_EQ(inkOf(*plate).right, -1) << "'" << blank << "'";
  }
}

}  // namespace
