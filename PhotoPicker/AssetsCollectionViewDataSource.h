// The asset grid's cells: one section of the fetch result's assets, each
// with its thumbnail at the grid's pixel size, prefetched ahead of display.
#pragma once

#include <memory>

#include "PhotoPicker/AssetCollectionViewCell.h"
#include "PhotoPicker/AssetStore.h"
#include "PhotoPicker/Settings.h"
#include "Platform/Foundation/DateComponentsFormatter.h"
#include "Platform/Photos/Asset.h"
#include "Platform/Photos/CachingImageManager.h"
#include "Platform/UIKit/CollectionView.h"

namespace photopicker {

class AssetsCollectionViewDataSource : public uikit::CollectionViewDataSource,
                                       public uikit::CollectionViewDataSourcePrefetching {
 public:
  AssetsCollectionViewDataSource(photos::AssetFetchResultPtr fetchResult, std::shared_ptr<AssetStore> store);

  std::shared_ptr<Settings> settings;
  // Always the grid's fetch result; the grid replaces both together.
  photos::AssetFetchResultPtr fetchResult;
  // Thumbnail target in pixels, set by the grid's layout.
  uikit::Size imageSize;
  const std::shared_ptr<photos::CachingImageManager>& imageManager() const { return imageManager_; }
  const platform::DateComponentsFormatter& durationFormatter() const { return durationFormatter_; }
  const std::shared_ptr<AssetStore>& store() const { return store_; }
  photos::ImageContentMode contentMode = photos::ImageContentMode::kAspectFill;

  long numberOfSectionsInCollectionView(uikit::CollectionView& view) override;
  long collectionViewNumberOfItemsInSection(uikit::CollectionView& view, long section) override;
  std::shared_ptr<uikit::CollectionViewCell> collectionViewCellForItemAtIndexPath(
      uikit::CollectionView& view, const uikit::IndexPath& indexPath) override;
  void collectionViewPrefetchItemsAtIndexPaths(uikit::CollectionView& view,
                                               const std::vector<uikit::IndexPath>& paths) override;

  // Loads the cell's thumbnail, cancelling the request the cell had running.
  void requestThumbnail(const photos::AssetPtr& asset, AssetCollectionViewCell& cell);

 private:
  std::shared_ptr<photos::CachingImageManager> imageManager_;
  platform::DateComponentsFormatter durationFormatter_;
  std::shared_ptr<AssetStore> store_;
};

}  // namespace photopicker
