#include "Platform/ImageIO/ImageSource.h"

#include <gtest/gtest.h>

#include "tests/Platform/ImageIO/GifWriter.h"

namespace {

TEST(ImageSourceTest, FramesColoursAndDelays) {
  auto data = gif_test::makeGif(3, 2, {{1, 5}, {2, 20}, {3, std::nullopt}, {1, 0}});
  auto source = platform::ImageSource::createWithData(data);
  ASSERT_TRUE(source.ok()) << source.status().message();
  ASSERT_EQ(source->count(), 4u);
  const auto& f0 = source->frameAtIndex(0);
  EXPECT_EQ(f0.width, 3);
  EXPECT_EQ(f0.height, 2);
  ASSERT_EQ(f0.rgba.size(), 3u * 2 * 4);
  EXPECT_EQ((std::vector<std::uint8_t>(f0.rgba.begin(), f0.rgba.begin() + 4)),
            (std::vector<std::uint8_t>{255, 0, 0, 255}));
  EXPECT_EQ(source->frameAtIndex(1).rgba[1], 255);
  ASSERT_TRUE(f0.gif);
  EXPECT_DOUBLE_EQ(f0.gif->unclampedDelayTime, 0.05);
  EXPECT_DOUBLE_EQ(source->frameAtIndex(1).gif->delayTime, 0.2);
  EXPECT_FALSE(source->frameAtIndex(2).gif) << "no control block, no properties";
  EXPECT_DOUBLE_EQ(source->frameAtIndex(3).gif->unclampedDelayTime, 0);
  EXPECT_DOUBLE_EQ(source->frameAtIndex(3).gif->delayTime, 0.1);
}

TEST(ImageSourceTest, BadDataIsAnErrorNotACrash) {
  auto good = gif_test::makeGif(2, 2, {{1, 10}});
  std::vector<std::vector<std::uint8_t>> bad = {
      {}, {'G', 'I', 'F'}, {'n', 'o', 't', ' ', 'a', ' ', 'g', 'i', 'f'},
      std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<long>(good.size() / 2)),
  };
  for (const auto& b : bad) EXPECT_FALSE(platform::ImageSource::createWithData(b).ok());
}

TEST(ImageSourceTest, OversizedCanvasIsRefusedFromTheHeader) {
  // A 65535x65535 screen declared in a few bytes, with and without frame data.
  std::vector<std::uint8_t> headerOnly = {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF,
                                          0x00, 0x00, 0x00};
  for (const auto& data : {headerOnly, gif_test::makeSparseGif(65535, 65535, 1)}) {
    auto source = platform::ImageSource::createWithData(data);
    ASSERT_FALSE(source.ok());
    EXPECT_TRUE(source.status().IsCorruption()) << source.status().message();
  }
}

TEST(ImageSourceTest, TotalDecodedSizeIsCapped) {
  // 2048x2048 canvas = 16 MiB per composite frame.
  auto fits = platform::ImageSource::createWithData(gif_test::makeSparseGif(2048, 2048, 2));
  ASSERT_TRUE(fits.ok()) << fits.status().message();
  EXPECT_EQ(fits->count(), 2u);
  EXPECT_EQ(fits->frameAtIndex(1).rgba[0], 255);

  auto tooMany = platform::ImageSource::createWithData(gif_test::makeSparseGif(2048, 2048, 17));
  ASSERT_FALSE(tooMany.ok());
  EXPECT_EQ(tooMany.status().code(), platform::Status::Code::kInvalidArgument);
}

}  // namespace
