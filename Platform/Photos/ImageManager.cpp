#include "Platform/Photos/ImageManager.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <fstream>
#include <iterator>

#include "Platform/AVFoundation/MovieHeader.h"
#include "Platform/AVFoundation/URLAsset.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/ImageIO/BitmapScaler.h"
#include "Platform/ImageIO/ImageCodec.h"
#include "Platform/Photos/ImageCache.h"
#include "Platform/Photos/PhotoLibrary.h"

namespace photos {
namespace {

using platform::Status;

std::atomic<ImageRequestID> gNextRequest{1};

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Audio-visual answers run their handler here, not on a queue of the library:
// a handler that drops the last owner of the library must not do so on one of
// the library's own threads.
const platform::DispatchQueuePtr& avQueue() {
  static auto* queue = new platform::DispatchQueuePtr(platform::DispatchQueue::create("photos.av"));
  return *queue;
}

uikit::ImagePtr scaledImage(const uikit::ImagePtr& image, uikit::Size target, ImageContentMode mode) {
  if (!image || image->bitmap().empty()) return image;
  const uikit::Size out = ImageManager::scaledPixelSize(image->pixelWidth(), image->pixelHeight(), target, mode);
  const int w = static_cast<int>(out.width);
  const int h = static_cast<int>(out.height);
  if (w == image->pixelWidth() && h == image->pixelHeight()) return image;
  platform::Bitmap resized = platform::BitmapScaler::resized(
      platform::Bitmap{image->pixelWidth(), image->pixelHeight(), image->bitmap()}, w, h);
  return uikit::Image::fromBitmap(resized.width, resized.height, std::move(resized.rgba));
}

}  // namespace

std::shared_ptr<ImageManager> ImageManager::defaultManager() {
  static auto* mu = new std::mutex();
  static auto* manager = new std::shared_ptr<ImageManager>();
  auto library = PhotoLibrary::shared();
  std::lock_guard<std::mutex> lock(*mu);
  if (!*manager || (*manager)->library() != library) *manager = std::make_shared<ImageManager>(library);
  return *manager;
}

bool ImageManager::take(const std::shared_ptr<Pending>& pending, ImageRequestID id, bool finished) {
  std::lock_guard<std::mutex> lock(pending->mu);
  auto it = pending->live.find(id);
  if (it == pending->live.end()) return false;
  if (finished) pending->live.erase(it);
  return true;
}

ImageManager::ImageManager(std::shared_ptr<PhotoLibrary> library) : library_(std::move(library)) {}

ImageManager::~ImageManager() = default;

ImageRequestID ImageManager::begin() {
  const ImageRequestID id = gNextRequest.fetch_add(1);
  std::lock_guard<std::mutex> lock(pending_->mu);
  pending_->live.insert(id);
  return id;
}

void ImageManager::cancelImageRequest(ImageRequestID requestId) {
  std::lock_guard<std::mutex> lock(pending_->mu);
  pending_->live.erase(requestId);
}

uikit::Size ImageManager::scaledPixelSize(int width, int height, uikit::Size targetSize, ImageContentMode mode) {
  if (width <= 0 || height <= 0) return {0, 0};
  if (!(targetSize.width > 0) || !(targetSize.height > 0)) {
    return {static_cast<double>(width), static_cast<double>(height)};
  }
  const double sx = targetSize.width / width;
  const double sy = targetSize.height / height;
  const double s = std::min(1.0, mode == ImageContentMode::kAspectFill ? std::max(sx, sy) : std::min(sx, sy));
  if (s >= 1.0) return {static_cast<double>(width), static_cast<double>(height)};
  // Fill covers the target (round up), fit stays inside it (round down);
  // the slack absorbs floating error at exact sides.
  auto side = [&](int full) {
    const double v = full * s;
    const double r = mode == ImageContentMode::kAspectFill ? std::ceil(v - 1e-6) : std::floor(v + 1e-6);
    return std::clamp(r, 1.0, static_cast<double>(full));
  };
  return {side(width), side(height)};
}

uikit::ImagePtr ImageManager::pictureFor(const AssetPtr& asset, uikit::Size targetSize, ImageContentMode contentMode,
                                         ImageCache& cache, Status* error) {
  if (!asset) {
    *error = Status::InvalidArgument("no asset");
    return nullptr;
  }
  if (asset->isInMemory()) {
    if (!asset->image()) {
      *error = Status::NotFound("asset " + asset->localIdentifier() + " has no picture");
      return nullptr;
    }
    return scaledImage(asset->image(), targetSize, contentMode);
  }
  const uikit::Size expected = scaledPixelSize(asset->pixelWidth(), asset->pixelHeight(), targetSize, contentMode);
  if (auto hit = cache.find(asset->localIdentifier(), static_cast<int>(expected.width),
                            static_cast<int>(expected.height))) {
    return hit;
  }
  auto bytes = readFile(asset->path());
  if (!bytes) {
    *error = Status::NotFound("cannot read " + asset->path());
    return nullptr;
  }
  // The file may have changed since the scan: sizes come from it.
  auto info = platform::ImageCodec::readInfo(*bytes);
  if (!info.ok()) {
    *error = info.status();
    return nullptr;
  }
  const uikit::Size out = scaledPixelSize(info->width, info->height, targetSize, contentMode);
  const int w = static_cast<int>(out.width);
  const int h = static_cast<int>(out.height);
  auto bitmap = platform::ImageCodec::decode(*bytes, w, h);
  if (!bitmap.ok()) {
    *error = bitmap.status();
    return nullptr;
  }
  platform::Bitmap sized = platform::BitmapScaler::resized(*bitmap, w, h);
  auto image = uikit::Image::fromBitmap(sized.width, sized.height, std::move(sized.rgba));
  if (!image) {
    *error = Status::Corruption("cannot scale " + asset->localIdentifier());
    return nullptr;
  }
  cache.insert(asset->localIdentifier(), image);
  return image;
}

ImageRequestID ImageManager::requestImage(const AssetPtr& asset, uikit::Size targetSize, ImageContentMode contentMode,
                                          const ImageRequestOptionsPtr& options, ImageHandler handler) {
  const ImageRequestID id = begin();
  const ImageRequestOptions opts = options ? *options : ImageRequestOptions{};
  std::shared_ptr<ImageCache> cache = library_->imageCache();
  if (opts.synchronous) {
    Status error;
    auto image = pictureFor(asset, targetSize, contentMode, *cache, &error);
    take(pending_, id, true);
    ImageResultInfo info{id, false, image ? std::nullopt : std::optional<Status>(error)};
    if (handler) handler(image, info);
    return id;
  }
  const auto& main = platform::DispatchQueue::main();
  auto pending = pending_;
  if (asset && opts.deliveryMode != ImageRequestOptionsDeliveryMode::kHighQualityFormat) {
    const uikit::Size expected = scaledPixelSize(asset->pixelWidth(), asset->pixelHeight(), targetSize, contentMode);
    const bool exact = cache->find(asset->localIdentifier(), static_cast<int>(expected.width),
                                   static_cast<int>(expected.height)) != nullptr;
    auto smaller = exact ? nullptr
                         : cache->findSmaller(asset->localIdentifier(), static_cast<int>(expected.width),
                                              static_cast<int>(expected.height));
    if (smaller) {
      main->async([pending, id, smaller, handler] {
        if (take(pending, id, false) && handler) handler(smaller, ImageResultInfo{id, true, std::nullopt});
      });
    }
  }
  library_->decodeQueue()->async([pending, id, asset, targetSize, contentMode, cache, handler] {
    if (!take(pending, id, false)) return;  // cancelled before its turn
    Status error;
    auto image = pictureFor(asset, targetSize, contentMode, *cache, &error);
    platform::DispatchQueue::main()->async([pending, id, image, error, handler] {
      if (!take(pending, id, true) || !handler) return;
      handler(image, ImageResultInfo{id, false, image ? std::nullopt : std::optional<Status>(error)});
    });
  });
  return id;
}

ImageRequestID ImageManager::requestLivePhoto(const AssetPtr& asset, uikit::Size, ImageContentMode,
                                              const LivePhotoRequestOptionsPtr&, LivePhotoHandler handler) {
  const ImageRequestID id = begin();
  auto pending = pending_;
  library_->decodeQueue()->async([pending, id, asset, handler] {
    if (!take(pending, id, false)) return;
    LivePhotoPtr live;
    std::optional<Status> error;
    if (asset && !asset->pairedVideoPath().empty()) {
      auto header = avfoundation::MovieHeader::readFile(asset->pairedVideoPath());
      live = std::make_shared<const LivePhoto>(
          uikit::Size{static_cast<double>(asset->pixelWidth()), static_cast<double>(asset->pixelHeight())},
          asset->localIdentifier(), asset->path(), asset->pairedVideoPath(), header.ok() ? header->duration : 0.0);
    } else {
      error = Status::NotSupported("not a live photo");
    }
    platform::DispatchQueue::main()->async([pending, id, live, error, handler] {
      if (take(pending, id, true) && handler) handler(live, ImageResultInfo{id, false, error});
    });
  });
  return id;
}

ImageRequestID ImageManager::requestAVAsset(const AssetPtr& asset, const VideoRequestOptionsPtr&,
                                            AVAssetHandler handler) {
  const ImageRequestID id = begin();
  auto pending = pending_;
  avQueue()->async([pending, id, asset, handler] {
    if (!take(pending, id, true) || !handler) return;
    std::string path;
    if (asset && asset->mediaType() == MediaType::kVideo) path = asset->path();
    if (asset && asset->mediaType() == MediaType::kImage) path = asset->pairedVideoPath();
    if (path.empty()) {
      handler(nullptr, ImageResultInfo{id, false, Status::NotSupported("no video for this asset")});
      return;
    }
    handler(std::make_shared<const avfoundation::URLAsset>(path), ImageResultInfo{id, false, std::nullopt});
  });
  return id;
}

}  // namespace photos
