// The multi-photo picker as its client sees it: a navigation controller
// around the asset grid, with an album button opening the album list, a
// cancel button and a done button counting the selection. The client makes
// it with the assets already chosen, writes its settings and presents it
// with presentImagePicker, which asks for photo-library access first and
// hands every event to the client's closures.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "PhotoPicker/AlbumsViewController.h"
#include "PhotoPicker/AlbumsViewControllerDelegate.h"
#include "PhotoPicker/AssetStore.h"
#include "PhotoPicker/AssetsViewController.h"
#include "PhotoPicker/AssetsViewControllerDelegate.h"
#include "PhotoPicker/DropdownTransitionDelegate.h"
#include "PhotoPicker/ImagePickerControllerDelegate.h"
#include "PhotoPicker/Settings.h"
#include "PhotoPicker/ZoomTransitionDelegate.h"
#include "Platform/Photos/AssetCollection.h"
#include "Platform/UIKit/BarButtonItem.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/PresentationController.h"

namespace photopicker {

class ImagePickerController : public uikit::NavigationController,
                              public AlbumsViewControllerDelegate,
                              public AssetsViewControllerDelegate,
                              public uikit::AdaptivePresentationControllerDelegate,
                              public ImagePickerControllerDelegate {
 public:
  using AssetHandler = std::function<void(const photos::AssetPtr&)>;
  using AssetsHandler = std::function<void(const std::vector<photos::AssetPtr>&)>;

  static constexpr double kArrowRotationDuration = 0.3;
  static constexpr double kAlbumButtonFontSize = 16;
  static constexpr const char* kDefaultDoneTitle = "Done";

  // The preselected assets become the store's content as given.
  explicit ImagePickerController(std::vector<photos::AssetPtr> selectedAssets);

  // Asks for photo-library access and, once it is granted, sets the
  // picker's closures, makes it its own delegate and presents it from the
  // presenter. Without access nothing changes and no closure runs.
  static void presentImagePicker(const std::shared_ptr<uikit::ViewController>& presenter,
                                 const std::shared_ptr<ImagePickerController>& picker, bool animated,
                                 AssetHandler select, AssetHandler deselect, AssetsHandler cancel,
                                 AssetsHandler finish, std::function<void()> completion);
  // Runs onAuthorized on the main queue when the library answers
  // "authorized"; any other answer runs nothing.
  static void authorize(const std::shared_ptr<uikit::ViewController>& presenter, std::function<void()> onAuthorized);

  std::shared_ptr<ImagePickerControllerDelegate> imagePickerDelegate() const { return imagePickerDelegate_.lock(); }
  void setImagePickerDelegate(const std::shared_ptr<ImagePickerControllerDelegate>& d) { imagePickerDelegate_ = d; }

  std::shared_ptr<Settings> settings = std::make_shared<Settings>();
  uikit::BarButtonItemPtr doneButton;
  uikit::BarButtonItemPtr cancelButton;
  std::shared_ptr<uikit::Button> albumButton;
  std::string doneButtonTitle = kDefaultDoneTitle;
  std::shared_ptr<AssetStore> assetStore;
  AssetHandler onSelection;
  AssetHandler onDeselection;
  AssetsHandler onCancel;
  AssetsHandler onFinish;

  const std::shared_ptr<AssetsViewController>& assetsViewController() const { return assetsViewController_; }
  const std::shared_ptr<AlbumsViewController>& albumsViewController() const { return albumsViewController_; }
  const std::shared_ptr<DropdownTransitionDelegate>& dropdownTransitionDelegate() const {
    return dropdownTransitionDelegate_;
  }
  const std::shared_ptr<ZoomTransitionDelegate>& zoomTransitionDelegate() const { return zoomTransitionDelegate_; }
  // The albums offered: computed on first read and kept.
  const std::vector<photos::AssetCollectionPtr>& albums();
  void setAlbums(std::vector<photos::AssetCollectionPtr> albums) { albums_ = std::move(albums); }

  // The selection, oldest first.
  const std::vector<photos::AssetPtr>& selectedAssets() const { return assetStore->assets(); }

  // Drops the asset from the selection and the grid; reports nothing.
  void deselectWithAsset(const photos::AssetPtr& asset);
  void updatedDoneButton();
  void updateAlbumButton();
  void selectWithAlbum(const photos::AssetCollectionPtr& album);

  // Button actions.
  void albumsButtonPressed();
  void doneButtonPressed();
  void cancelButtonPressed();
  void rotateButtonArrow();

  void viewDidLoad() override;

  void albumsViewControllerDidSelectAlbum(AlbumsViewController& list, const photos::AssetCollectionPtr& album) override;
  void didDismissAlbumsViewController(AlbumsViewController& list) override;
  void assetsViewControllerDidSelectAsset(AssetsViewController& grid, const photos::AssetPtr& asset) override;
  void assetsViewControllerDidDeselectAsset(AssetsViewController& grid, const photos::AssetPtr& asset) override;
  void assetsViewControllerDidLongPressCell(AssetsViewController& grid, AssetCollectionViewCell& cell,
                                            const photos::AssetPtr& asset) override;
  bool presentationControllerShouldDismiss(uikit::PresentationController& controller) override;
  void presentationControllerDidDismiss(uikit::PresentationController& controller) override;

  // The picker as its own delegate: each event goes to its closure, if set.
  void imagePickerDidSelectAsset(ImagePickerController& picker, const photos::AssetPtr& asset) override;
  void imagePickerDidDeselectAsset(ImagePickerController& picker, const photos::AssetPtr& asset) override;
  void imagePickerDidFinishWithAssets(ImagePickerController& picker,
                                      const std::vector<photos::AssetPtr>& assets) override;
  void imagePickerDidCancelWithAssets(ImagePickerController& picker,
                                      const std::vector<photos::AssetPtr>& assets) override;
  void imagePickerDidReachSelectionLimit(ImagePickerController& picker, std::int64_t count) override;

 private:
  std::vector<photos::AssetCollectionPtr> computeAlbums();

  std::weak_ptr<ImagePickerControllerDelegate> imagePickerDelegate_;
  std::shared_ptr<AssetsViewController> assetsViewController_;
  std::shared_ptr<AlbumsViewController> albumsViewController_;
  std::shared_ptr<DropdownTransitionDelegate> dropdownTransitionDelegate_;
  std::shared_ptr<ZoomTransitionDelegate> zoomTransitionDelegate_;
  std::optional<std::vector<photos::AssetCollectionPtr>> albums_;
};

}  // namespace photopicker
