// Serves pictures of assets. Requests get non-zero ids. Files are decoded on
// the library's serial decode queue, scaled (fit inside or fill covering the
// target, never up) and delivered on the main loop; an opportunistic request
// first gets a smaller cached picture of the asset, marked degraded, when the
// cache has one. A cancelled request delivers nothing more. A missing or
// undecodable file gives one delivery without image, with the error.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <set>

#include "Platform/AVFoundation/Asset.h"
#include "Platform/Photos/Asset.h"
#include "Platform/Photos/ImageRequestOptions.h"
#include "Platform/Photos/ImageResultInfo.h"
#include "Platform/Photos/LivePhoto.h"
#include "Platform/Photos/LivePhotoRequestOptions.h"
#include "Platform/Photos/PhotoEnums.h"
#include "Platform/Photos/VideoRequestOptions.h"
#include "Platform/UIKit/Geometry.h"
#include "Platform/UIKit/Image.h"

namespace photos {

class ImageCache;
class PhotoLibrary;

class ImageManager {
 public:
  using ImageHandler = std::function<void(uikit::ImagePtr image, const ImageResultInfo& info)>;
  using LivePhotoHandler = std::function<void(LivePhotoPtr livePhoto, const ImageResultInfo& info)>;
  using AVAssetHandler = std::function<void(avfoundation::AssetPtr asset, const ImageResultInfo& info)>;

  // A target of this size (or any side <= 0) asks for the full size.
  static constexpr uikit::Size kMaximumSize{-1, -1};

  // The default manager of the shared library (a new one after the shared
  // library is replaced).
  static std::shared_ptr<ImageManager> defaultManager();

  explicit ImageManager(std::shared_ptr<PhotoLibrary> library);
  virtual ~ImageManager();
  ImageManager(const ImageManager&) = delete;
  ImageManager& operator=(const ImageManager&) = delete;

  // targetSize in pixels. Options may be none (opportunistic, asynchronous).
  ImageRequestID requestImage(const AssetPtr& asset, uikit::Size targetSize, ImageContentMode contentMode,
                              const ImageRequestOptionsPtr& options, ImageHandler handler);
  // A live photo of the still's size, for an asset with a companion video;
  // otherwise one delivery without one. On the main loop.
  ImageRequestID requestLivePhoto(const AssetPtr& asset, uikit::Size targetSize, ImageContentMode contentMode,
                                  const LivePhotoRequestOptionsPtr& options, LivePhotoHandler handler);
  // A URL asset of a video (or of a live photo's motion) answered on a worker
  // thread; none for other assets.
  ImageRequestID requestAVAsset(const AssetPtr& asset, const VideoRequestOptionsPtr& options, AVAssetHandler handler);
  void cancelImageRequest(ImageRequestID requestId);

  const std::shared_ptr<PhotoLibrary>& library() const { return library_; }

  // Fit or fill scaling of a width x height picture for a target, never up;
  // each side at least 1 pixel.
  static uikit::Size scaledPixelSize(int width, int height, uikit::Size targetSize, ImageContentMode contentMode);

 protected:
  // Decodes (on the calling thread) through the library's cache; none with
  // the error when the picture cannot be had.
  static uikit::ImagePtr pictureFor(const AssetPtr& asset, uikit::Size targetSize, ImageContentMode contentMode,
                                    ImageCache& cache, platform::Status* error);

  // Ids of requests not yet finished or cancelled; shared with queued work,
  // which may outlive the manager.
  struct Pending {
    std::mutex mu;
    std::set<ImageRequestID> live;
  };
  ImageRequestID begin();
  // Whether the request is still live; finished takes it out.
  static bool take(const std::shared_ptr<Pending>& pending, ImageRequestID id, bool finished);

  std::shared_ptr<PhotoLibrary> library_;
  std::shared_ptr<Pending> pending_ = std::make_shared<Pending>();
};

}  // namespace photos
