#include "Platform/Photos/ImageManager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

#include "Platform/AVFoundation/URLAsset.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Photos/CachingImageManager.h"
#include "Platform/Photos/ImageCache.h"
#include "tests/Platform/Photos/PhotosFixture.h"

namespace photos {
namespace {

using facility_test::PhotoFixture;
using facility_test::Rgb;

struct Delivery {
  uikit::ImagePtr image;
  ImageResultInfo info;
  bool onMain = false;
};

const std::array<Rgb, 4> kQuadrants = {Rgb{230, 20, 20}, Rgb{20, 200, 30}, Rgb{20, 30, 220}, Rgb{240, 220, 20}};

void expectColour(const uikit::ImagePtr& image, int x, int y, const Rgb& c, const char* what) {
  std::uint8_t px[4];
  ASSERT_TRUE(image->pixelAt(x, y, px)) << what;
  EXPECT_NEAR(px[0], c.r, 24) << what;
  EXPECT_NEAR(px[1], c.g, 24) << what;
  EXPECT_NEAR(px[2], c.b, 24) << what;
}

void expectQuadrants(const uikit::ImagePtr& image, const std::array<Rgb, 4>& c, const char* what) {
  ASSERT_NE(image, nullptr) << what;
  const int w = image->pixelWidth();
  const int h = image->pixelHeight();
  expectColour(image, w / 4, h / 4, c[0], what);
  expectColour(image, 3 * w / 4, h / 4, c[1], what);
  expectColour(image, w / 4, 3 * h / 4, c[2], what);
  expectColour(image, 3 * w / 4, 3 * h / 4, c[3], what);
}

class ImageManagerTest : public PhotosFixture {
 protected:
  AssetPtr asset(const std::string& id) { return library_->snapshot()->assetWithIdentifier(id); }

  // Requests and waits for the final (or only) delivery; all deliveries kept.
  std::vector<Delivery> request(ImageManager& manager, const AssetPtr& a, uikit::Size target, ImageContentMode mode,
                                ImageRequestOptionsPtr opts = nullptr) {
    auto got = std::make_shared<std::vector<Delivery>>();
    manager.requestImage(a, target, mode, opts, [got](uikit::ImagePtr image, const ImageResultInfo& info) {
      got->push_back({image, info, platform::RunLoop::isMainThread()});
    });
    EXPECT_TRUE(waitFor([&] { return !got->empty() && !got->back().info.degraded; }));
    clock_->runUntilIdle();
    return *got;
  }
};

TEST_F(ImageManagerTest, ScaledSizesFitInsideOrCoverAndNeverGrow) {
  struct Case {
    int w, h;
    uikit::Size target;
    ImageContentMode mode;
    uikit::Size expected;
  };
  const std::vector<Case> cases = {
      {4000, 3000, {371, 371}, ImageContentMode::kAspectFill, {495, 371}},
      {4000, 3000, {371, 371}, ImageContentMode::kAspectFit, {371, 278}},
      {3000, 4000, {371, 371}, ImageContentMode::kAspectFill, {371, 495}},
      {800, 600, {1600, 1600}, ImageContentMode::kAspectFill, {800, 600}},
      {800, 600, ImageManager::kMaximumSize, ImageContentMode::kAspectFit, {800, 600}},
      {1000, 10, {50, 50}, ImageContentMode::kAspectFit, {50, 1}},
      {0, 10, {50, 50}, ImageContentMode::kAspectFit, {0, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ImageManager::scaledPixelSize(c.w, c.h, c.target, c.mode), c.expected)
        << c.w << "x" << c.h << " -> " << c.target.width << " mode " << static_cast<int>(c.mode);
  }
}

TEST_F(ImageManagerTest, ThumbnailsOfJpegAndPngKeepQuadrantColoursAtTheScaledSize) {
  writeJpeg("q.jpg", PhotoFixture::quadrants(800, 600, kQuadrants));
  writePng("q.png", PhotoFixture::quadrants(800, 600, kQuadrants));
  open();
  ImageManager manager(library_);
  for (const char* id : {"q.jpg", "q.png"}) {
    auto fill = request(manager, asset(id), {100, 100}, ImageContentMode::kAspectFill);
    ASSERT_EQ(fill.size(), 1u) << id;
    EXPECT_TRUE(fill[0].onMain) << id;
    EXPECT_NE(fill[0].info.requestId, kInvalidImageRequestID);
    ASSERT_NE(fill[0].image, nullptr) << id;
    EXPECT_EQ(fill[0].image->pixelWidth(), 134) << id;
    EXPECT_EQ(fill[0].image->pixelHeight(), 100) << id;
    expectQuadrants(fill[0].image, kQuadrants, id);
    auto fit = request(manager, asset(id), {100, 100}, ImageContentMode::kAspectFit);
    ASSERT_NE(fit.back().image, nullptr) << id;
    EXPECT_EQ(fit.back().image->pixelWidth(), 100) << id;
    EXPECT_EQ(fit.back().image->pixelHeight(), 75) << id;
  }
}

TEST_F(ImageManagerTest, OrientationSixJpegIsUprightWithSwappedSize) {
  // Stored 80x40; shown rotated a quarter turn clockwise: the stored left
  // half becomes the top.
  writeJpeg("turned.jpg", PhotoFixture::quadrants(80, 40, kQuadrants), -1, 6);
  open();
  EXPECT_EQ(asset("turned.jpg")->pixelWidth(), 40);
  EXPECT_EQ(asset("turned.jpg")->pixelHeight(), 80);
  ImageManager manager(library_);
  auto got = request(manager, asset("turned.jpg"), ImageManager::kMaximumSize, ImageContentMode::kAspectFit);
  ASSERT_NE(got.back().image, nullptr);
  EXPECT_EQ(got.back().image->pixelWidth(), 40);
  EXPECT_EQ(got.back().image->pixelHeight(), 80);
  // Stored quadrants TL TR / BL BR turn into BL TL / BR TR.
  expectQuadrants(got.back().image, {kQuadrants[2], kQuadrants[0], kQuadrants[3], kQuadrants[1]}, "rotated");
}

TEST_F(ImageManagerTest, ASmallerCachedPictureComesFirstAsDegradedThenTheFinalOne) {
  writeJpeg("p.jpg", PhotoFixture::photoLike(600, 400, 7));
  open();
  CachingImageManager grid(library_);
  // The grid's thumbnail.
  auto thumb = request(grid, asset("p.jpg"), {123, 123}, ImageContentMode::kAspectFill);
  ASSERT_EQ(thumb.size(), 1u);
  EXPECT_FALSE(thumb[0].info.degraded);
  // A preview through another manager of the same library.
  ImageManager preview(library_);
  auto full = request(preview, asset("p.jpg"), {600, 400}, ImageContentMode::kAspectFit);
  ASSERT_EQ(full.size(), 2u);
  EXPECT_TRUE(full[0].info.degraded);
  EXPECT_EQ(full[0].image->pixelWidth(), thumb[0].image->pixelWidth());
  EXPECT_FALSE(full[1].info.degraded);
  EXPECT_EQ(full[1].image->pixelWidth(), 600);
  EXPECT_EQ(full[0].info.requestId, full[1].info.requestId);
  // High quality asks for the final picture only.
  auto opts = std::make_shared<ImageRequestOptions>();
  opts->deliveryMode = ImageRequestOptionsDeliveryMode::kHighQualityFormat;
  grid.stopCachingImagesForAllAssets();
  request(grid, asset("p.jpg"), {50, 50}, ImageContentMode::kAspectFill);
  auto high = request(preview, asset("p.jpg"), {300, 300}, ImageContentMode::kAspectFit, opts);
  EXPECT_EQ(high.size(), 1u);
}

TEST_F(ImageManagerTest, SynchronousRequestsDeliverOnceOnTheCallersThreadBeforeReturning) {
  writeJpeg("s.jpg", PhotoFixture::quadrants(64, 64, kQuadrants));
  open();
  ImageManager manager(library_);
  auto opts = std::make_shared<ImageRequestOptions>();
  opts->synchronous = true;
  // A degraded picture in the cache does not make a synchronous request
  // deliver twice.
  request(manager, asset("s.jpg"), {16, 16}, ImageContentMode::kAspectFit);
  std::vector<Delivery> got;
  const auto id = manager.requestImage(asset("s.jpg"), {32, 32}, ImageContentMode::kAspectFit, opts,
                                       [&](uikit::ImagePtr image, const ImageResultInfo& info) {
                                         got.push_back({image, info, platform::RunLoop::isMainThread()});
                                       });
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].info.requestId, id);
  EXPECT_FALSE(got[0].info.degraded);
  EXPECT_EQ(got[0].image->pixelWidth(), 32);
  clock_->runUntilIdle();
  EXPECT_EQ(got.size(), 1u);
}

TEST_F(ImageManagerTest, ACancelledRequestDeliversNothingMore) {
  writeJpeg("c.jpg", PhotoFixture::photoLike(400, 300, 9));
  open();
  CachingImageManager manager(library_);
  int calls = 0;
  auto id = manager.requestImage(asset("c.jpg"), {100, 100}, ImageContentMode::kAspectFill, nullptr,
                                 [&](uikit::ImagePtr, const ImageResultInfo&) { ++calls; });
  manager.cancelImageRequest(id);
  clock_->runUntilIdle();
  EXPECT_EQ(calls, 0);

  // Cancelled after the degraded delivery: the final one never comes.
  request(manager, asset("c.jpg"), {40, 40}, ImageContentMode::kAspectFill);
  std::vector<bool> degraded;
  id = manager.requestImage(asset("c.jpg"), {300, 300}, ImageContentMode::kAspectFit, nullptr,
                            [&](uikit::ImagePtr, const ImageResultInfo& info) {
                              degraded.push_back(info.degraded);
                              manager.cancelImageRequest(info.requestId);
                            });
  clock_->runUntilIdle();
  EXPECT_EQ(degraded, std::vector<bool>{true});
}

TEST_F(ImageManagerTest, MissingAndCorruptFilesGiveOneDeliveryWithoutImage) {
  writeJpeg("gone.jpg", PhotoFixture::photoLike(32, 32, 1));
  // A JPEG signature over damaged segments.
  writeBytes("broken.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x02, 0xFF, 0xC0, 0x00, 0x01, 0x13, 0x37});
  writeBytes("header-only.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0});
  open();
  std::filesystem::remove(path("gone.jpg"));
  ImageManager manager(library_);
  for (const char* id : {"gone.jpg", "broken.jpg", "header-only.png"}) {
    ASSERT_NE(asset(id), nullptr) << id;
    auto got = request(manager, asset(id), {16, 16}, ImageContentMode::kAspectFill);
    ASSERT_EQ(got.size(), 1u) << id;
    EXPECT_EQ(got[0].image, nullptr) << id;
    EXPECT_TRUE(got[0].info.error.has_value()) << id;
  }
}

TEST_F(ImageManagerTest, OneBoundedCacheSharedByEveryManagerOfTheLibrary) {
  ImageCache cache(1000 + 2 * sizeof(uikit::Image));
  auto img = [](int side) {
    return uikit::Image::fromBitmap(side, side, std::vector<std::uint8_t>(static_cast<std::size_t>(side) * side * 4));
  };
  cache.insert("a", img(10));  // 400 bytes of pixels
  cache.insert("b", img(10));
  ASSERT_NE(cache.find("a", 10, 10), nullptr);  // a is now the most recent
  cache.insert("c", img(10));                   // over the limit: b goes
  EXPECT_EQ(cache.find("b", 10, 10), nullptr);
  EXPECT_NE(cache.find("a", 10, 10), nullptr);
  EXPECT_NE(cache.find("c", 10, 10), nullptr);
  EXPECT_LE(cache.bytes(), cache.limitBytes());
  cache.insert("huge", img(100));  // larger than the whole cache: not kept
  EXPECT_EQ(cache.find("huge", 100, 100), nullptr);
  EXPECT_NE(cache.find("a", 10, 10), nullptr);

  // The library's cache holds 64 MiB at most: five 4096x1024 pictures (16 MiB
  // each) leave at most four.
  open();
  auto& shared = *library_->imageCache();
  EXPECT_EQ(shared.limitBytes(), 64u * 1024 * 1024);
  for (int i = 0; i < 5; ++i) {
    shared.insert("big" + std::to_string(i),
                  uikit::Image::fromBitmap(4096, 1024, std::vector<std::uint8_t>(4096u * 1024u * 4u)));
    EXPECT_LE(shared.bytes(), shared.limitBytes());
  }
  EXPECT_EQ(shared.find("big0", 4096, 1024), nullptr);
  EXPECT_NE(shared.find("big4", 4096, 1024), nullptr);

  // Any manager's stop empties it for all.
  CachingImageManager one(library_);
  CachingImageManager other(library_);
  one.stopCachingImagesForAllAssets();
  EXPECT_EQ(shared.count(), 0u);
  writeJpeg("x.jpg", PhotoFixture::photoLike(200, 100, 3));
  library_->rescan();
  other.startCachingImages({asset("x.jpg")}, {50, 50}, ImageContentMode::kAspectFill, nullptr);
  clock_->runUntilIdle();
  EXPECT_NE(shared.find("x.jpg", 100, 50), nullptr);
  one.stopCachingImagesForAllAssets();
  EXPECT_EQ(shared.count(), 0u);
}

TEST_F(ImageManagerTest, LivePhotosAndVideosAnswerWithTheirCompanionFiles) {
  writeJpeg("live.jpg", PhotoFixture::photoLike(120, 90, 4));
  writeMovie("live.mov", 2.5);
  writeMovie("clip.mp4", 7.0);
  writeJpeg("still.jpg", PhotoFixture::photoLike(20, 20, 5));
  open();
  ImageManager manager(library_);
  LivePhotoPtr live;
  bool answered = false;
  manager.requestLivePhoto(asset("live.jpg"), {10, 10}, ImageContentMode::kAspectFit, nullptr,
                           [&](LivePhotoPtr p, const ImageResultInfo&) {
                             live = p;
                             answered = true;
                           });
  ASSERT_TRUE(waitFor([&] { return answered; }));
  ASSERT_NE(live, nullptr);
  EXPECT_EQ(live->size(), (uikit::Size{120, 90}));
  EXPECT_DOUBLE_EQ(live->duration(), 2.5);

  bool stillAnswered = false;
  manager.requestLivePhoto(asset("still.jpg"), {10, 10}, ImageContentMode::kAspectFit, nullptr,
                           [&](LivePhotoPtr p, const ImageResultInfo& info) {
                             EXPECT_EQ(p, nullptr);
                             EXPECT_TRUE(info.error.has_value());
                             stillAnswered = true;
                           });
  ASSERT_TRUE(waitFor([&] { return stillAnswered; }));

  std::mutex mu;
  std::map<std::string, std::pair<std::string, bool>> av;  // id -> (path, on main)
  for (const char* id : {"clip.mp4", "live.jpg", "still.jpg"}) {
    manager.requestAVAsset(asset(id), nullptr, [&, id = std::string(id)](avfoundation::AssetPtr a, const ImageResultInfo&) {
      auto url = std::dynamic_pointer_cast<const avfoundation::URLAsset>(a);
      std::lock_guard<std::mutex> lock(mu);
      av[id] = {url ? url->path() : "", platform::RunLoop::isMainThread()};
    });
  }
  clock_->runUntilIdle();
  std::lock_guard<std::mutex> lock(mu);
  ASSERT_EQ(av.size(), 3u);
  EXPECT_EQ(av["clip.mp4"].first, path("clip.mp4"));
  EXPECT_FALSE(av["clip.mp4"].second) << "answered on a worker thread";
  EXPECT_EQ(av["live.jpg"].first, path("live.mov"));
  EXPECT_EQ(av["still.jpg"].first, "");
}

TEST_F(ImageManagerTest, InMemoryAssetsScaleTheirPictureOrAnswerWithout) {
  open();
  Asset::Fields with;
  with.localIdentifier = "mem/with";
  with.image = uikit::Image::fromBitmap(80, 60, PhotoFixture::quadrants(80, 60, kQuadrants).rgba);
  with.pixelWidth = 80;
  with.pixelHeight = 60;
  Asset::Fields without;
  without.localIdentifier = "mem/without";
  library_->addAssets({Asset::make(with), Asset::make(without)});
  ImageManager manager(library_);
  auto got = request(manager, asset("mem/with"), {40, 40}, ImageContentMode::kAspectFit);
  ASSERT_NE(got.back().image, nullptr);
  EXPECT_EQ(got.back().image->pixelWidth(), 40);
  expectQuadrants(got.back().image, kQuadrants, "in memory");
  got = request(manager, asset("mem/without"), {40, 40}, ImageContentMode::kAspectFit);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].image, nullptr);
}

}  // namespace
}  // namespace photos
