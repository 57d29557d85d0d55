// An image manager that decodes ahead: startCaching puts the scaled pictures
// into the library's shared cache, in the background. Stopping empties that
// cache (it is the one of every manager of the library).
#pragma once

#include <memory>
#include <vector>

#include "Platform/Photos/ImageManager.h"

namespace photos {

class CachingImageManager : public ImageManager {
 public:
  CachingImageManager();  // over the shared library
  explicit CachingImageManager(std::shared_ptr<PhotoLibrary> library);

  void startCachingImages(const std::vector<AssetPtr>& assets, uikit::Size targetSize, ImageContentMode contentMode,
                          const ImageRequestOptionsPtr& options);
  void stopCachingImages(const std::vector<AssetPtr>& assets, uikit::Size targetSize, ImageContentMode contentMode,
                         const ImageRequestOptionsPtr& options);
  void stopCachingImagesForAllAssets();
};

}  // namespace photos
