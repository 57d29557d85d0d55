#include "Platform/Photos/AssetCollection.h"

#include "Platform/Photos/PhotoLibrary.h"

namespace photos {

AssetCollectionFetchResultPtr AssetCollection::fetchAssetCollections(AssetCollectionType type,
                                                                     AssetCollectionSubtype subtype,
                                                                     const FetchOptionsPtr& options) {
  return PhotoLibrary::shared()->fetchAssetCollections(type, subtype, options);
}

}  // namespace photos
