#include "PhotoPicker/AssetsCollectionViewDataSource.h"

#include <string>

#include "PhotoPicker/VideoCollectionViewCell.h"
#include "Platform/UIKit/View.h"

namespace photopicker {

AssetsCollectionViewDataSource::AssetsCollectionViewDataSource(photos::AssetFetchResultPtr fetchResult,
                                                               std::shared_ptr<AssetStore> store)
    : fetchResult(std::move(fetchResult)),
      imageManager_(std::make_shared<photos::CachingImageManager>()),
      store_(std::move(store)) {
  durationFormatter_.setUnitsStyle(platform::DateComponentsFormatter::UnitsStyle::kPositional);
  durationFormatter_.setZeroFormattingBehavior(platform::DateComponentsFormatter::ZeroFormattingBehavior::kPad);
  durationFormatter_.setAllowedUnits(platform::DateComponentsFormatter::kMinute |
                                     platform::DateComponentsFormatter::kSecond);
}

long AssetsCollectionViewDataSource::numberOfSectionsInCollectionView(uikit::CollectionView&) { return 1; }

long AssetsCollectionViewDataSource::collectionViewNumberOfItemsInSection(uikit::CollectionView&, long) {
  return fetchResult ? static_cast<long>(fetchResult->count()) : 0;
}

std::shared_ptr<uikit::CollectionViewCell> AssetsCollectionViewDataSource::collectionViewCellForItemAtIndexPath(
    uikit::CollectionView& view, const uikit::IndexPath& indexPath) {
  auto asset = fetchResult ? fetchResult->objectAt(static_cast<std::size_t>(indexPath.item())) : nullptr;
  bool video = asset && asset->mediaType() == photos::MediaType::kVideo;

  // Dequeuing (and a video's duration) must not animate the recycled cell.
  bool animations = uikit::View::areAnimationsEnabled();
  uikit::View::setAnimationsEnabled(false);
  std::shared_ptr<AssetCollectionViewCell> cell;
  if (video) {
    auto videoCell = std::dynamic_pointer_cast<VideoCollectionViewCell>(
        view.dequeueReusableCellWithReuseIdentifier(VideoCollectionViewCell::kReuseIdentifier, indexPath));
    if (videoCell) {
      videoCell->durationLabel()->setText(durationFormatter_.stringFromTimeInterval(asset->duration()));
    }
    cell = videoCell;
  } else {
    cell = std::dynamic_pointer_cast<AssetCollectionViewCell>(
        view.dequeueReusableCellWithReuseIdentifier(AssetCollectionViewCell::kReuseIdentifier, indexPath));
  }
  uikit::View::setAnimationsEnabled(animations);
  if (!cell) return std::make_shared<uikit::CollectionViewCell>();

  cell->setAccessibilityIdentifier("Photo " + std::to_string(indexPath.item() + 1));
  cell->setAccessibilityTraits(uikit::kAccessibilityTraitButton);
  cell->setIsAccessibilityElement(true);
  cell->setSettings(settings);
  if (!asset) return cell;
  requestThumbnail(asset, *cell);
  auto index = store_->indexOf(asset);
  cell->setSelectionIndex(index);
  return cell;
}

void AssetsCollectionViewDataSource::requestThumbnail(const photos::AssetPtr& asset, AssetCollectionViewCell& cell) {
  if (cell.tag() != 0) imageManager_->cancelImageRequest(static_cast<photos::ImageRequestID>(cell.tag()));
  std::weak_ptr<AssetCollectionViewCell> weak = cell.sharedAs<AssetCollectionViewCell>();
  auto options = settings ? settings->fetch().preview().photoOptions() : nullptr;
  photos::ImageRequestID id = imageManager_->requestImage(
      asset, imageSize, contentMode, options, [weak](uikit::ImagePtr image, const photos::ImageResultInfo&) {
        if (!image) return;
        if (auto target = weak.lock()) target->imageView()->setImage(std::move(image));
      });
  cell.setTag(id);
}

void AssetsCollectionViewDataSource::collectionViewPrefetchItemsAtIndexPaths(
    uikit::CollectionView&, const std::vector<uikit::IndexPath>& paths) {
  if (!fetchResult) return;
  std::vector<photos::AssetPtr> assets;
  assets.reserve(paths.size());
  for (const auto& p : paths) {
    if (auto asset = fetchResult->objectAt(static_cast<std::size_t>(p.item()))) assets.push_back(asset);
  }
  imageManager_->startCachingImages(assets, imageSize, contentMode, nullptr);
}

}  // namespace photopicker
