#include "Platform/Photos/Asset.h"

#include "Platform/Photos/AssetCollection.h"
#include "Platform/Photos/PhotoLibrary.h"

namespace photos {

AssetFetchResultPtr Asset::fetchAssetsInAssetCollection(const AssetCollectionPtr& collection,
                                                        const FetchOptionsPtr& options) {
  // No collection asks nothing, rather than the whole library.
  if (!collection) return AssetFetchResult::empty();
  return PhotoLibrary::shared()->fetchAssets(collection, options);
}

AssetFetchResultPtr Asset::fetchAssets(const FetchOptionsPtr& options) {
  return PhotoLibrary::shared()->fetchAssets(nullptr, options);
}

bool Asset::isUnchangedFrom(const Asset& other) const {
  const Fields& a = f_;
  const Fields& b = other.f_;
  return a.localIdentifier == b.localIdentifier && a.mediaType == b.mediaType &&
         a.mediaSubtypes == b.mediaSubtypes && a.pixelWidth == b.pixelWidth && a.pixelHeight == b.pixelHeight &&
         a.creationDate == b.creationDate && a.location == b.location && a.duration == b.duration &&
         a.album == b.album && a.path == b.path && a.pairedVideoPath == b.pairedVideoPath &&
         a.fileSize == b.fileSize && a.modificationTime == b.modificationTime && a.image == b.image;
}

}  // namespace photos
