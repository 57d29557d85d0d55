// Scaled and oriented JPEG decoding, PNG encoding, and the image coding on
// uikit::Image built on them.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

#include "Platform/ImageIO/BitmapScaler.h"
#include "Platform/ImageIO/ImageCodec.h"
#include "Platform/UIKit/Image.h"
#include "tests/support/PhotoFixture.h"

namespace {

using facility_test::PhotoFixture;
using facility_test::Rgb;
using platform::Bitmap;
using platform::ImageCodec;

const std::array<Rgb, 4> kQuadrants = {Rgb{230, 20, 20}, Rgb{20, 200, 30}, Rgb{20, 30, 220}, Rgb{240, 220, 20}};

Rgb at(const Bitmap& b, int x, int y) {
  const std::uint8_t* p = &b.rgba[(static_cast<std::size_t>(y) * b.width + x) * 4];
  return {p[0], p[1], p[2]};
}

bool near(const Rgb& a, const Rgb& b) {
  return std::abs(a.r - b.r) <= 24 && std::abs(a.g - b.g) <= 24 && std::abs(a.b - b.b) <= 24;
}

// Index into kQuadrants of the colour at a point, -1 if none.
int quadrantColour(const Bitmap& b, int x, int y) {
  for (int i = 0; i < 4; ++i) {
    if (near(at(b, x, y), kQuadrants[i])) return i;
  }
  return -1;
}

TEST(ImageCodingTest, OrientationTagIsAppliedWithTheDisplayedSize) {
  // Stored quadrants 0 1 / 2 3; expected displayed quadrants per orientation.
  struct Case {
    int orientation;
    std::array<int, 4> shown;  // TL TR BL BR
  };
  const std::vector<Case> cases = {
      {1, {0, 1, 2, 3}}, {2, {1, 0, 3, 2}}, {3, {3, 2, 1, 0}}, {4, {2, 3, 0, 1}},
      {5, {0, 2, 1, 3}}, {6, {2, 0, 3, 1}}, {7, {3, 1, 2, 0}}, {8, {1, 3, 0, 2}},
  };
  for (const Case& c : cases) {
    const auto bytes = PhotoFixture::jpeg(PhotoFixture::quadrants(64, 32, kQuadrants), 95, c.orientation);
    auto info = ImageCodec::readInfo(bytes);
    ASSERT_TRUE(info.ok()) << c.orientation;
    EXPECT_EQ(info->orientation, c.orientation);
    const bool swapped = c.orientation >= 5;
    EXPECT_EQ(info->width, swapped ? 32 : 64) << c.orientation;
    auto out = ImageCodec::decode(bytes);
    ASSERT_TRUE(out.ok()) << c.orientation;
    ASSERT_EQ(out->width, info->width);
    ASSERT_EQ(out->height, info->height);
    const int w = out->width;
    const int h = out->height;
    const std::array<int, 4> shown = {quadrantColour(*out, w / 4, h / 4), quadrantColour(*out, 3 * w / 4, h / 4),
                                      quadrantColour(*out, w / 4, 3 * h / 4),
                                      quadrantColour(*out, 3 * w / 4, 3 * h / 4)};
    EXPECT_EQ(shown, c.shown) << "orientation " << c.orientation;
  }
}

TEST(ImageCodingTest, ScaledJpegDecodeUsesTheSmallestCoveringDctScale) {
  const auto bytes = PhotoFixture::jpeg(PhotoFixture::photoLike(800, 600, 1), 90);
  struct Case {
    int minW, minH, w, h;
  };
  const std::vector<Case> cases = {
      {100, 75, 100, 75},   // 1/8
      {101, 10, 200, 150},  // 2/8
      {10, 76, 200, 150},
      {400, 300, 400, 300},  // 4/8
      {401, 0, 500, 375},    // 5/8
      {799, 599, 800, 600},  // full
      {5000, 5000, 800, 600},
      {0, 0, 800, 600},
  };
  for (const Case& c : cases) {
    auto out = ImageCodec::decode(bytes, c.minW, c.minH);
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(out->width, c.w) << c.minW << "x" << c.minH;
    EXPECT_EQ(out->height, c.h) << c.minW << "x" << c.minH;
  }
  // A rotated JPEG's target is in displayed pixels.
  const auto turned = PhotoFixture::jpeg(PhotoFixture::photoLike(800, 600, 2), 90, 6);
  auto out = ImageCodec::decode(turned, 75, 100);
  ASSERT_TRUE(out.ok());
  EXPECT_EQ(out->width, 75);
  EXPECT_EQ(out->height, 100);
}

TEST(ImageCodingTest, ExifOrientationReadingSurvivesDamagedTags) {
  const auto good = PhotoFixture::jpeg(PhotoFixture::photoLike(16, 8, 1), 90, 6);
  // Locate the IFD entry count (right after "Exif\0\0MM\0*\0\0\0\x08").
  std::size_t tiff = 0;
  for (std::size_t i = 0; i + 6 < good.size(); ++i) {
    if (std::memcmp(&good[i], "Exif\0\0", 6) == 0) {
      tiff = i + 6;
      break;
    }
  }
  ASSERT_GT(tiff, 0u);
  struct Case {
    const char* name;
    std::vector<std::pair<std::size_t, std::uint8_t>> edits;
  };
  const std::vector<Case> cases = {
      {"entries running past the segment", {{tiff + 8, 0xFF}, {tiff + 11, 0x13}}},
      {"IFD offset past the end", {{tiff + 4, 0x7F}}},
      {"orientation out of range", {{tiff + 19, 9}}},
      {"orientation of another type", {{tiff + 13, 4}}},
      {"byte order unknown", {{tiff, 'X'}}},
  };
  for (const Case& c : cases) {
    auto bytes = good;
    for (const auto& [offset, value] : c.edits) bytes[offset] = value;
    auto info = ImageCodec::readInfo(bytes);
    ASSERT_TRUE(info.ok()) << c.name;
    EXPECT_EQ(info->orientation, 1) << c.name;
    EXPECT_EQ(info->width, 16) << c.name;
    EXPECT_TRUE(ImageCodec::decode(bytes).ok()) << c.name;
  }
}

TEST(ImageCodingTest, PngIsEightBitRgbaAtLevelThreeWithTheSubFilter) {
  Bitmap in = PhotoFixture::photoLike(33, 17, 4);
  for (std::size_t i = 3; i < in.rgba.size(); i += 4) in.rgba[i] = static_cast<std::uint8_t>(i % 251);
  auto png = ImageCodec::encodePng(in);
  ASSERT_TRUE(png.ok());
  ASSERT_TRUE(ImageCodec::isPng(*png));
  // IHDR: bit depth 8, colour type 6 (RGBA).
  EXPECT_EQ((*png)[24], 8);
  EXPECT_EQ((*png)[25], 6);
  // Gather the IDAT data, check the zlib level bits and each row's filter.
  std::vector<std::uint8_t> idat;
  for (std::size_t at = 8; at + 12 <= png->size();) {
    const std::size_t len = (static_cast<std::size_t>((*png)[at]) << 24) | ((*png)[at + 1] << 16) |
                            ((*png)[at + 2] << 8) | (*png)[at + 3];
    if (std::memcmp(&(*png)[at + 4], "IDAT", 4) == 0) {
      idat.insert(idat.end(), png->begin() + static_cast<long>(at + 8), png->begin() + static_cast<long>(at + 8 + len));
    }
    at += 12 + len;
  }
  ASSERT_GE(idat.size(), 2u);
  EXPECT_EQ(idat[1] >> 6, 1) << "zlib's 'fast' level class holds levels 2 to 5";
  std::vector<std::uint8_t> raw(17 * (1 + 33 * 4));
  uLongf rawLen = raw.size();
  ASSERT_EQ(uncompress(raw.data(), &rawLen, idat.data(), idat.size()), Z_OK);
  ASSERT_EQ(rawLen, raw.size());
  for (int y = 0; y < 17; ++y) EXPECT_EQ(raw[static_cast<std::size_t>(y) * (1 + 33 * 4)], 1) << "row " << y;
  auto back = ImageCodec::decode(*png);
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(back->rgba, in.rgba);
  EXPECT_FALSE(ImageCodec::encodePng(Bitmap{2, 2, {1, 2, 3}}).ok());
}

TEST(ImageCodingTest, ImageJpegDataMapsQualityAndPngDataRoundTrips) {
  const Bitmap bitmap = PhotoFixture::photoLike(48, 32, 5);
  auto image = uikit::Image::fromBitmap(bitmap.width, bitmap.height, bitmap.rgba);
  struct Case {
    double q;
    int quality;
  };
  const std::vector<Case> cases = {{0.9, 90}, {0.004, 1}, {0.0, 1}, {-3, 1}, {1.0, 100}, {7.5, 100}, {0.555, 56}};
  for (const Case& c : cases) {
    auto data = image->jpegData(c.q);
    ASSERT_TRUE(data.has_value()) << c.q;
    EXPECT_EQ(*data, *ImageCodec::encodeJpeg(bitmap, c.quality)) << c.q;
  }
  auto decoded = uikit::Image::decoded(*image->jpegData(0.95));
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->pixelWidth(), 48);
  std::uint8_t a[4], b[4];
  ASSERT_TRUE(image->pixelAt(20, 10, a));
  ASSERT_TRUE(decoded->pixelAt(20, 10, b));
  EXPECT_NEAR(a[0], b[0], 20);
  // Baseline with 4:2:0 chroma: SOF0, luma sampled 2x2, chroma 1x1.
  const auto jpeg = *image->jpegData(0.8);
  bool sof0 = false;
  for (std::size_t i = 0; i + 16 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
      sof0 = true;
      EXPECT_EQ(jpeg[i + 11], 0x22);
      EXPECT_EQ(jpeg[i + 14], 0x11);
      break;
    }
  }
  EXPECT_TRUE(sof0);

  auto png = image->pngData();
  ASSERT_TRUE(png.has_value());
  auto back = uikit::Image::decoded(*png);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->bitmap(), image->bitmap());
  // A named placeholder has no pixels to encode.
  EXPECT_FALSE(uikit::Image::named("placeholder-without-pixels")->jpegData(0.5).has_value());
  EXPECT_FALSE(uikit::Image::named("placeholder-without-pixels")->pngData().has_value());
}

TEST(ImageCodingTest, ScalerAveragesWhenShrinkingAndRefusesBadInput) {
  const Bitmap q = PhotoFixture::quadrants(40, 40, kQuadrants);
  const Bitmap small = platform::BitmapScaler::resized(q, 4, 4);
  ASSERT_EQ(small.width, 4);
  EXPECT_EQ(quadrantColour(small, 0, 0), 0);
  EXPECT_EQ(quadrantColour(small, 3, 0), 1);
  EXPECT_EQ(quadrantColour(small, 0, 3), 2);
  EXPECT_EQ(quadrantColour(small, 3, 3), 3);
  const Bitmap grown = platform::BitmapScaler::resized(q, 80, 80);
  EXPECT_EQ(quadrantColour(grown, 5, 5), 0);
  EXPECT_EQ(platform::BitmapScaler::resized(q, 0, 5).width, 0);
  EXPECT_EQ(platform::BitmapScaler::resized(Bitmap{3, 3, {1}}, 2, 2).width, 0);
}

}  // namespace
