// The picker's grid of one album's photos and videos. Taps select and
// deselect within the selection limit, the selection is kept equal to the
// store's, badges show each selected asset's place, a long press asks for a
// preview, and library changes are followed while the grid exists.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "PhotoPicker/AssetStore.h"
#include "PhotoPicker/AssetsCollectionViewDataSource.h"
#include "PhotoPicker/AssetsViewControllerDelegate.h"
#include "PhotoPicker/Settings.h"
#include "Platform/Photos/AssetCollection.h"
#include "Platform/Photos/Change.h"
#include "Platform/Photos/PhotoLibrary.h"
#include "Platform/UIKit/CollectionView.h"
#include "Platform/UIKit/GestureRecognizer.h"
#include "Platform/UIKit/SelectionFeedbackGenerator.h"
#include "Platform/UIKit/TraitCollection.h"
#include "Platform/UIKit/ViewController.h"

namespace photopicker {

class AssetsViewController : public uikit::ViewController, public uikit::CollectionViewDelegate {
 public:
  static constexpr double kLongPressDuration = 0.5;

  explicit AssetsViewController(std::shared_ptr<AssetStore> store);
  ~AssetsViewController() override;

  std::shared_ptr<AssetsViewControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<AssetsViewControllerDelegate>& delegate) { delegate_ = delegate; }
  const std::shared_ptr<Settings>& settings() const { return settings_; }
  // Also the data source's.
  void setSettings(std::shared_ptr<Settings> settings);

  const std::shared_ptr<AssetStore>& store() const { return store_; }
  const std::shared_ptr<uikit::CollectionView>& collectionView() const { return collectionView_; }
  const photos::AssetFetchResultPtr& fetchResult() const { return fetchResult_; }
  const std::shared_ptr<AssetsCollectionViewDataSource>& dataSource() const { return dataSource_; }
  uikit::SelectionFeedbackGenerator& selectionFeedback() { return selectionFeedback_; }

  // Shows the album's assets (fetched with the settings' asset options).
  void displayAlbum(const photos::AssetCollectionPtr& album);
  // Makes the collection view's selection the listed assets that are shown.
  void applySelection(const std::vector<photos::AssetPtr>& assets);
  // Deselects the asset's item and renumbers; store and delegate untouched.
  void deselectAsset(const photos::AssetPtr& asset);
  // The long-press recogniser's action.
  void collectionViewLongPressed(uikit::GestureRecognizer& recognizer);
  // Item size and thumbnail size for the traits.
  void applyLayout(const uikit::TraitCollection& traits);
  // In the numbered style, the visible cell at the path shows its asset's place.
  void refreshSelectionIndex(const uikit::IndexPath& indexPath);

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void traitCollectionDidChange(const std::optional<uikit::TraitCollection>& previous) override;
  bool collectionViewShouldSelectItemAtIndexPath(uikit::CollectionView& view, const uikit::IndexPath& indexPath) override;
  void collectionViewDidSelectItemAtIndexPath(uikit::CollectionView& view, const uikit::IndexPath& indexPath) override;
  void collectionViewDidDeselectItemAtIndexPath(uikit::CollectionView& view, const uikit::IndexPath& indexPath) override;
  // A library change: handed to the main queue, where details are computed
  // for the fetch result shown then. Any thread.
  void photoLibraryDidChange(const photos::ChangePtr& change);

 private:
  class ChangeRelay;
  void applyChange(const photos::ChangePtr& change);
  void renumberSelectedItems();
  bool numbered() const;
  void replaceFetchResult(photos::AssetFetchResultPtr result);

  std::weak_ptr<AssetsViewControllerDelegate> delegate_;
  std::shared_ptr<Settings> settings_;
  std::shared_ptr<AssetStore> store_;
  std::shared_ptr<uikit::CollectionView> collectionView_;
  photos::AssetFetchResultPtr fetchResult_;
  std::shared_ptr<AssetsCollectionViewDataSource> dataSource_;
  uikit::SelectionFeedbackGenerator selectionFeedback_;
  std::shared_ptr<uikit::LongPressGestureRecognizer> longPress_;
  std::shared_ptr<photos::PhotoLibrary> observedLibrary_;
  std::shared_ptr<ChangeRelay> changeRelay_;
};

}  // namespace photopicker
