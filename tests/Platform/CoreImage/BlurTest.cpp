#include "Platform/CoreImage/Blur.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> solid(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
  const std::size_t count = w > 0 && h > 0 ? static_cast<std::size_t>(w) * static_cast<std::size_t>(h) : 0;
  std::vector<std::uint8_t> px(count * 4);
  for (std::size_t i = 0; i < count; ++i) {
    px[i * 4] = r;
    px[i * 4 + 1] = g;
    px[i * 4 + 2] = b;
    px[i * 4 + 3] = a;
  }
  return px;
}

TEST(BlurTest, SolidImageIsOneStopDarkerEverywhereEdgesIncluded) {
  auto out = platform::Blur::darkenedGaussian(8, 6, solid(8, 6, 200, 100, 50, 255), 5);
  ASSERT_TRUE(out.ok());
  for (std::size_t i = 0; i < out->size(); i += 4) {
    EXPECT_EQ((*out)[i], 100);
    EXPECT_EQ((*out)[i + 1], 50);
    EXPECT_EQ((*out)[i + 2], 25);
    EXPECT_EQ((*out)[i + 3], 255) << "clamped edges do not fade";
  }
}

TEST(BlurTest, SpreadsASinglePointSymmetrically) {
  auto px = solid(9, 9, 0, 0, 0, 255);
  std::size_t centre = (4 * 9 + 4) * 4;
  px[centre] = 255;
  auto out = platform::Blur::darkenedGaussian(9, 9, px, 1.0);
  ASSERT_TRUE(out.ok());
  auto red = [&](int x, int y) { return (*out)[(static_cast<std::size_t>(y) * 9 + x) * 4]; };
  EXPECT_LT(red(4, 4), 128);
  EXPECT_GT(red(4, 4), red(5, 4));
  EXPECT_GT(red(5, 4), 0);
  EXPECT_EQ(red(3, 4), red(5, 4));
  EXPECT_EQ(red(4, 3), red(4, 5));
  EXPECT_EQ(red(0, 0), 0);
}

TEST(BlurTest, BadInputIsRefused) {
  EXPECT_FALSE(platform::Blur::darkenedGaussian(0, 4, {}, 5).ok());
  EXPECT_FALSE(platform::Blur::darkenedGaussian(2, 2, solid(2, 1, 0, 0, 0, 0), 5).ok());
  EXPECT_FALSE(platform::Blur::darkenedGaussian(2, 2, solid(2, 2, 0, 0, 0, 0), -1).ok());
}

}  // namespace
