#include "Platform/Photos/CachingImageManager.h"

#include "Platform/Photos/ImageCache.h"
#include "Platform/Photos/PhotoLibrary.h"

namespace photos {

CachingImageManager::CachingImageManager() : ImageManager(PhotoLibrary::shared()) {}

CachingImageManager::CachingImageManager(std::shared_ptr<PhotoLibrary> library) : ImageManager(std::move(library)) {}

void CachingImageManager::startCachingImages(const std::vector<AssetPtr>& assets, uikit::Size targetSize,
                                             ImageContentMode contentMode, const ImageRequestOptionsPtr&) {
  std::shared_ptr<ImageCache> cache = library_->imageCache();
  const std::uint64_t generation = cache->generation();
  for (const AssetPtr& asset : assets) {
    if (!asset) continue;
    library_->decodeQueue()->async([cache, generation, asset, targetSize, contentMode] {
      // Work queued before a stop is dropped, so a stop leaves the cache empty.
      if (cache->generation() != generation) return;
      platform::Status ignored;
      pictureFor(asset, targetSize, contentMode, *cache, &ignored);
    });
  }
}

void CachingImageManager::stopCachingImages(const std::vector<AssetPtr>& assets, uikit::Size, ImageContentMode,
                                            const ImageRequestOptionsPtr&) {
  for (const AssetPtr& asset : assets) {
    if (asset) library_->imageCache()->removeAsset(asset->localIdentifier());
  }
}

void CachingImageManager::stopCachingImagesForAllAssets() { library_->imageCache()->removeAll(); }

}  // namespace photos
