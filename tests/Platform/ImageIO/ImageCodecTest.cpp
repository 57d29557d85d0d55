#include "Platform/ImageIO/ImageCodec.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <cstring>

#include "Platform/UIKit/Image.h"
#include "tests/Platform/ImageIO/GifWriter.h"

namespace {

using platform::Bitmap;
using platform::ImageCodec;

// Left half red, right half blue, with a varying alpha the JPEG drops.
Bitmap twoColours(int w, int h) {
  Bitmap b{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h * 4)};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = &b.rgba[(static_cast<std::size_t>(y) * w + x) * 4];
      p[0] = x < w / 2 ? 220 : 20;
      p[1] = 30;
      p[2] = x < w / 2 ? 20 : 220;
      p[3] = static_cast<std::uint8_t>(x * 7);
    }
  }
  return b;
}

std::vector<std::uint8_t> pngOf(const Bitmap& b) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(b.width);
  image.height = static_cast<png_uint_32>(b.height);
  image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, b.rgba.data(), 0, nullptr));
  std::vector<std::uint8_t> out(size);
  EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, b.rgba.data(), 0, nullptr));
  out.resize(size);
  return out;
}

void expectNear(const std::uint8_t* px, int r, int g, int b, int tolerance) {
  EXPECT_NEAR(px[0], r, tolerance);
  EXPECT_NEAR(px[1], g, tolerance);
  EXPECT_NEAR(px[2], b, tolerance);
}

TEST(ImageCodecTest, JpegRoundTripKeepsSizeAndColoursAndIsOpaque) {
  Bitmap in = twoColours(32, 16);
  auto jpeg = ImageCodec::encodeJpeg(in, 90);
  ASSERT_TRUE(jpeg.ok()) << jpeg.status().message();
  EXPECT_TRUE(ImageCodec::isJpeg(*jpeg));
  auto out = ImageCodec::decode(*jpeg);
  ASSERT_TRUE(out.ok()) << out.status().message();
  EXPECT_EQ(out->width, 32);
  EXPECT_EQ(out->height, 16);
  ASSERT_EQ(out->rgba.size(), 32u * 16 * 4);
  expectNear(&out->rgba[(5 * 32 + 4) * 4], 220, 30, 20, 12);
  expectNear(&out->rgba[(5 * 32 + 28) * 4], 20, 30, 220, 12);
  for (std::size_t i = 3; i < out->rgba.size(); i += 4) ASSERT_EQ(out->rgba[i], 255);
}

TEST(ImageCodecTest, JpegEncodingIsDeterministicAndFollowsQuality) {
  Bitmap in = twoColours(64, 64);
  auto a = ImageCodec::encodeJpeg(in, 85);
  auto b = ImageCodec::encodeJpeg(in, 85);
  auto low = ImageCodec::encodeJpeg(in, 10);
  ASSERT_TRUE(a.ok() && b.ok() && low.ok());
  EXPECT_EQ(*a, *b);
  EXPECT_NE(*a, *low);
}

TEST(ImageCodecTest, PngDecodesExactlyWithAlpha) {
  Bitmap in = twoColours(9, 5);
  auto out = ImageCodec::decode(pngOf(in));
  ASSERT_TRUE(out.ok()) << out.status().message();
  EXPECT_EQ(out->width, 9);
  EXPECT_EQ(out->height, 5);
  EXPECT_EQ(out->rgba, in.rgba);
}

TEST(ImageCodecTest, GifGivesItsFirstFrame) {
  auto out = ImageCodec::decode(gif_test::makeGif(3, 2, {{1, 5}, {2, 5}}));
  ASSERT_TRUE(out.ok()) << out.status().message();
  EXPECT_EQ(out->width, 3);
  EXPECT_EQ((std::vector<std::uint8_t>(out->rgba.begin(), out->rgba.begin() + 4)),
            (std::vector<std::uint8_t>{255, 0, 0, 255}));
}

TEST(ImageCodecTest, BytesThatAreNoImageOrDamagedFail) {
  auto jpeg = *ImageCodec::encodeJpeg(twoColours(40, 40), 85);
  auto png = pngOf(twoColours(40, 40));
  auto half = [](std::vector<std::uint8_t> v) {
    v.resize(v.size() / 2);
    return v;
  };
  auto header = [](std::vector<std::uint8_t> v, std::size_t n) {
    v.resize(n);
    return v;
  };
  // A JPEG whose frame header claims 65535 x 65535 pixels.
  auto huge = jpeg;
  for (std::size_t i = 0; i + 8 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = huge[i + 6] = huge[i + 7] = huge[i + 8] = 0xFF;
      break;
    }
  }
  const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> cases = {
      {"empty", {}},
      {"text", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}},
      {"JPEG signature only", header(jpeg, 3)},
      {"JPEG cut before its scan", header(jpeg, 200)},
      {"PNG signature only", header(png, 8)},
      {"PNG cut in half", half(png)},
      {"JPEG claiming a huge size", huge},
  };
  for (const auto& [name, bytes] : cases) {
    EXPECT_FALSE(ImageCodec::decode(bytes).ok()) << name;
    EXPECT_EQ(uikit::Image::decoded(bytes), nullptr) << name;
  }
}

TEST(ImageCodecTest, EncoderRefusesBadBitmapsAndQualities) {
  Bitmap good = twoColours(4, 4);
  Bitmap shortPixels = good;
  shortPixels.rgba.pop_back();
  EXPECT_FALSE(ImageCodec::encodeJpeg(shortPixels, 85).ok());
  EXPECT_FALSE(ImageCodec::encodeJpeg(Bitmap{}, 85).ok());
  EXPECT_FALSE(ImageCodec::encodeJpeg(good, 0).ok());
  EXPECT_FALSE(ImageCodec::encodeJpeg(good, 101).ok());
}

TEST(ImageCodecTest, DecodedImageHasBitmapSizeAndKeepsItsBytes) {
  auto png = pngOf(twoColours(6, 4));
  auto image = uikit::Image::decoded(png, 2.0);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->pixelWidth(), 6);
  EXPECT_EQ(image->pixelHeight(), 4);
  EXPECT_EQ(image->size(), (uikit::Size{3, 2}));
  EXPECT_EQ(image->data(), png);
  std::uint8_t px[4];
  ASSERT_TRUE(image->pixelAt(5, 0, px));
  EXPECT_EQ(px[2], 220);
  // The undecoded factory keeps bytes without a bitmap.
  EXPECT_TRUE(uikit::Image::withData(png, {6, 4})->bitmap().empty());
}

}  // namespace
