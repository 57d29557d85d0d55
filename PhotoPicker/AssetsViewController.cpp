#include "PhotoPicker/AssetsViewController.h"

#include <algorithm>

#include "PhotoPicker/VideoCollectionViewCell.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/UIKit/Device.h"

namespace photopicker {

namespace {

std::vector<uikit::IndexPath> itemPaths(const std::vector<std::size_t>& indexes) {
  std::vector<uikit::IndexPath> paths;
  paths.reserve(indexes.size());
  for (auto i : indexes) paths.push_back(uikit::IndexPath::forItem(static_cast<long>(i), 0));
  return paths;
}

}  // namespace

// What the library holds as observer: it only hands each change to the main
// queue. Were the grid itself held there, the library's thread could end up
// releasing it.
class AssetsViewController::ChangeRelay : public photos::PhotoLibraryChangeObserver {
 public:
  explicit ChangeRelay(std::weak_ptr<AssetsViewController> grid) : grid_(std::move(grid)) {}
  void photoLibraryDidChange(const photos::ChangePtr& change) override {
    platform::DispatchQueue::main()->async([grid = grid_, change] {
      if (auto g = grid.lock()) g->applyChange(change);
    });
  }

 private:
  std::weak_ptr<AssetsViewController> grid_;
};

AssetsViewController::AssetsViewController(std::shared_ptr<AssetStore> store)
    : store_(std::move(store)),
      collectionView_(std::make_shared<uikit::CollectionView>(uikit::Rect(), uikit::CollectionViewFlowLayout())),
      fetchResult_(photos::AssetFetchResult::empty()),
      dataSource_(std::make_shared<AssetsCollectionViewDataSource>(fetchResult_, store_)) {}

AssetsViewController::~AssetsViewController() {
  if (observedLibrary_ && changeRelay_) observedLibrary_->unregisterChangeObserver(changeRelay_.get());
}

void AssetsViewController::setSettings(std::shared_ptr<Settings> settings) {
  settings_ = std::move(settings);
  dataSource_->settings = settings_;
}

bool AssetsViewController::numbered() const {
  return settings_ && settings_->theme().selectionStyle() == Settings::Theme::SelectionStyle::kNumbered;
}

void AssetsViewController::viewDidLoad() {
  uikit::ViewController::viewDidLoad();
  observedLibrary_ = photos::PhotoLibrary::shared();
  changeRelay_ = std::make_shared<ChangeRelay>(sharedAs<AssetsViewController>());
  observedLibrary_->registerChangeObserver(changeRelay_);

  setView(collectionView_);
  setTitle(" ");

  collectionView_->allowsMultipleSelection = true;
  collectionView_->bounces = true;
  collectionView_->alwaysBounceVertical = true;
  if (settings_) collectionView_->setBackgroundColor(settings_->theme().backgroundColor());
  auto self = sharedAs<AssetsViewController>();
  collectionView_->setDelegate(self);
  collectionView_->setDataSource(dataSource_);
  collectionView_->setPrefetchDataSource(dataSource_);
  collectionView_->registerClass(AssetCollectionViewCell::kReuseIdentifier,
                                 [] { return std::make_shared<AssetCollectionViewCell>(); });
  collectionView_->registerClass(VideoCollectionViewCell::kReuseIdentifier,
                                 [] { return std::make_shared<VideoCollectionViewCell>(); });

  longPress_ = std::make_shared<uikit::LongPressGestureRecognizer>();
  longPress_->minimumPressDuration = kLongPressDuration;
  std::weak_ptr<AssetsViewController> weak = self;
  longPress_->addTarget([weak](uikit::GestureRecognizer& r) {
    if (auto grid = weak.lock()) grid->collectionViewLongPressed(r);
  });
  collectionView_->addGestureRecognizer(longPress_);

  applySelection(store_->assets());
}

void AssetsViewController::viewWillAppear(bool animated) {
  uikit::ViewController::viewWillAppear(animated);
  applyLayout(collectionView_->traitCollection());
}

void AssetsViewController::traitCollectionDidChange(const std::optional<uikit::TraitCollection>& previous) {
  uikit::ViewController::traitCollectionDidChange(previous);
  applyLayout(collectionView_->traitCollection());
}

void AssetsViewController::applyLayout(const uikit::TraitCollection& traits) {
  if (!settings_) return;
  double spacing = settings_->list().spacing();
  // A rule answering below 1 would divide by zero or give negative cells.
  long perRow = std::max<long>(1, settings_->list().cellsPerRow()(traits.verticalSizeClass, traits.horizontalSizeClass));
  double side = (collectionView_->bounds().width() - spacing * static_cast<double>(perRow - 1)) /
                static_cast<double>(perRow);
  side = std::max(side, 1.0);
  uikit::CollectionViewFlowLayout layout = collectionView_->collectionViewLayout();
  layout.minimumLineSpacing = spacing;
  layout.minimumInteritemSpacing = spacing;
  layout.itemSize = {side, side};
  collectionView_->setCollectionViewLayout(layout, false);
  double scale = uikit::Device::current().scale;
  dataSource_->imageSize = {side * scale, side * scale};
  dataSource_->imageManager()->stopCachingImagesForAllAssets();
}

void AssetsViewController::replaceFetchResult(photos::AssetFetchResultPtr result) {
  fetchResult_ = result ? std::move(result) : photos::AssetFetchResult::empty();
  dataSource_->fetchResult = fetchResult_;
  dataSource_->imageManager()->stopCachingImagesForAllAssets();
}

void AssetsViewController::displayAlbum(const photos::AssetCollectionPtr& album) {
  auto options = settings_ ? settings_->fetch().assets().options() : nullptr;
  replaceFetchResult(photos::Asset::fetchAssetsInAssetCollection(album, options));
  collectionView_->reloadData();
  applySelection(store_->assets());
  collectionView_->setContentOffset({0, 0}, false);
}

void AssetsViewController::applySelection(const std::vector<photos::AssetPtr>& assets) {
  collectionView_->allowsMultipleSelection = true;
  for (const auto& path : collectionView_->indexPathsForSelectedItems()) {
    collectionView_->deselectItemAtIndexPath(path, false);
  }
  bool numberedStyle = numbered();
  for (const auto& asset : assets) {
    auto index = fetchResult_->indexOf(asset);
    if (!index) continue;
    uikit::IndexPath path = uikit::IndexPath::forItem(static_cast<long>(*index), 0);
    collectionView_->selectItemAtIndexPath(path, false, uikit::CollectionViewScrollPosition::kNone);
    if (numberedStyle) refreshSelectionIndex(path);
  }
}

void AssetsViewController::refreshSelectionIndex(const uikit::IndexPath& indexPath) {
  if (!numbered()) return;
  auto cell = std::dynamic_pointer_cast<AssetCollectionViewCell>(collectionView_->cellForItemAtIndexPath(indexPath));
  if (!cell) return;
  auto asset = fetchResult_->objectAt(static_cast<std::size_t>(indexPath.item()));
  auto index = store_->indexOf(asset);
  cell->setSelectionIndex(index);
}

void AssetsViewController::renumberSelectedItems() {
  if (!numbered()) return;
  for (const auto& path : collectionView_->indexPathsForSelectedItems()) refreshSelectionIndex(path);
}

void AssetsViewController::deselectAsset(const photos::AssetPtr& asset) {
  auto index = fetchResult_->indexOf(asset);
  if (!index) return;
  collectionView_->deselectItemAtIndexPath(uikit::IndexPath::forItem(static_cast<long>(*index), 0), false);
  renumberSelectedItems();
}

bool AssetsViewController::collectionViewShouldSelectItemAtIndexPath(uikit::CollectionView&,
                                                                     const uikit::IndexPath&) {
  if (!settings_) return false;
  if (store_->count() >= settings_->selection().max() && !settings_->selection().unselectOnReachingMax()) {
    return false;
  }
  selectionFeedback_.prepare();
  return true;
}

void AssetsViewController::collectionViewDidSelectItemAtIndexPath(uikit::CollectionView&,
                                                                  const uikit::IndexPath& indexPath) {
  selectionFeedback_.selectionChanged();
  auto asset = fetchResult_->objectAt(static_cast<std::size_t>(indexPath.item()));
  if (!asset) return;
  store_->append(asset);
  if (auto d = delegate()) d->assetsViewControllerDidSelectAsset(*this, asset);
  refreshSelectionIndex(indexPath);
}

void AssetsViewController::collectionViewDidDeselectItemAtIndexPath(uikit::CollectionView&,
                                                                    const uikit::IndexPath& indexPath) {
  selectionFeedback_.selectionChanged();
  auto asset = fetchResult_->objectAt(static_cast<std::size_t>(indexPath.item()));
  if (!asset) return;
  if (store_->contains(asset)) store_->remove(asset);
  if (auto d = delegate()) d->assetsViewControllerDidDeselectAsset(*this, asset);
  renumberSelectedItems();
}

void AssetsViewController::collectionViewLongPressed(uikit::GestureRecognizer& recognizer) {
  if (!settings_ || !settings_->preview().enabled()) return;
  if (recognizer.state() != uikit::GestureState::kBegan) return;
  selectionFeedback_.selectionChanged();
  auto path = collectionView_->indexPathForItemAtPoint(recognizer.locationInView(collectionView_.get()));
  if (!path) return;
  auto cell = std::dynamic_pointer_cast<AssetCollectionViewCell>(collectionView_->cellForItemAtIndexPath(*path));
  if (!cell) return;
  auto asset = fetchResult_->objectAt(static_cast<std::size_t>(path->item()));
  if (!asset) return;
  if (auto d = delegate()) d->assetsViewControllerDidLongPressCell(*this, *cell, asset);
}

void AssetsViewController::photoLibraryDidChange(const photos::ChangePtr& change) {
  if (changeRelay_) changeRelay_->photoLibraryDidChange(change);
}

void AssetsViewController::applyChange(const photos::ChangePtr& change) {
  auto details = change ? change->changeDetailsForFetchResult(fetchResult_) : nullptr;
  if (!details) return;
  auto keep = sharedAs<AssetsViewController>();
  if (details->hasIncrementalChanges()) {
    collectionView_->performBatchUpdates([&] {
      auto before = details->fetchResultBeforeChanges();
      replaceFetchResult(details->fetchResultAfterChanges());
      if (!details->removedIndexes().empty()) {
        auto removedPaths = itemPaths(details->removedIndexes());
        for (const auto& path : collectionView_->indexPathsForSelectedItems()) {
          if (!std::binary_search(removedPaths.begin(), removedPaths.end(), path)) continue;
          auto asset = before ? before->objectAt(static_cast<std::size_t>(path.item())) : nullptr;
          if (!asset) continue;
          // The store follows what the owner is told, so the count, the
          // limit and the finished list agree with the reported deselection.
          store_->remove(asset);
          if (auto d = delegate()) d->assetsViewControllerDidDeselectAsset(*this, asset);
        }
        collectionView_->deleteItemsAtIndexPaths(removedPaths);
      }
      if (!details->insertedIndexes().empty()) {
        collectionView_->insertItemsAtIndexPaths(itemPaths(details->insertedIndexes()));
      }
      details->enumerateMoves([&](std::size_t from, std::size_t to) {
        collectionView_->moveItemAtIndexPath(uikit::IndexPath::forItem(static_cast<long>(from), 0),
                                             uikit::IndexPath::forItem(static_cast<long>(to), 0));
      });
    });
    if (!details->changedIndexes().empty()) {
      collectionView_->reloadItemsAtIndexPaths(itemPaths(details->changedIndexes()));
    }
  } else {
    replaceFetchResult(details->fetchResultAfterChanges());
    collectionView_->reloadData();
  }
  applySelection(store_->assets());
}

}  // namespace photopicker
