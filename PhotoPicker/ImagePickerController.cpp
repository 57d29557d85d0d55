#include "PhotoPicker/ImagePickerController.h"

#include <cmath>
#include <numbers>

#include "PhotoPicker/ArrowView.h"
#include "PhotoPicker/PreviewBuilder.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Photos/Asset.h"
#include "Platform/Photos/PhotoLibrary.h"
#include "Platform/UIKit/Font.h"

namespace photopicker {

ImagePickerController::ImagePickerController(std::vector<photos::AssetPtr> selectedAssets)
    : doneButton(uikit::BarButtonItem::withTitle("", uikit::BarButtonItemStyle::kDone)),
      cancelButton(uikit::BarButtonItem::withSystemItem(uikit::BarButtonSystemItem::kCancel)),
      albumButton(uikit::Button::withType(uikit::ButtonType::kCustom)),
      assetStore(std::make_shared<AssetStore>(std::move(selectedAssets))),
      assetsViewController_(std::make_shared<AssetsViewController>(assetStore)),
      albumsViewController_(std::make_shared<AlbumsViewController>()),
      dropdownTransitionDelegate_(std::make_shared<DropdownTransitionDelegate>()),
      zoomTransitionDelegate_(std::make_shared<ZoomTransitionDelegate>()) {}

void ImagePickerController::authorize(const std::shared_ptr<uikit::ViewController>& presenter,
                                      std::function<void()> onAuthorized) {
  (void)presenter;
  photos::PhotoLibrary::shared()->requestAuthorization(
      [onAuthorized = std::move(onAuthorized)](photos::AuthorizationStatus status) mutable {
        // Only the answer is looked at here, on the library's thread; the
        // continuation (which holds screens) is run or released on the main
        // queue either way.
        bool granted = status == photos::AuthorizationStatus::kAuthorized;
        platform::DispatchQueue::main()->async([granted, onAuthorized = std::move(onAuthorized)] {
          if (granted && onAuthorized) onAuthorized();
        });
      });
}

void ImagePickerController::presentImagePicker(const std::shared_ptr<uikit::ViewController>& presenter,
                                               const std::shared_ptr<ImagePickerController>& picker, bool animated,
                                               AssetHandler select, AssetHandler deselect, AssetsHandler cancel,
                                               AssetsHandler finish, std::function<void()> completion) {
  if (!presenter || !picker) return;
  std::weak_ptr<uikit::ViewController> weakPresenter = presenter;
  authorize(presenter, [weakPresenter, picker, animated, select = std::move(select),
                        deselect = std::move(deselect), cancel = std::move(cancel), finish = std::move(finish),
                        completion = std::move(completion)] {
    auto from = weakPresenter.lock();
    if (!from) return;
    picker->onSelection = select;
    picker->onDeselection = deselect;
    picker->onCancel = cancel;
    picker->onFinish = finish;
    picker->setImagePickerDelegate(picker);
    if (from->present(picker, animated, completion)) picker->presentationController()->setDelegate(picker);
  });
}

const std::vector<photos::AssetCollectionPtr>& ImagePickerController::albums() {
  if (!albums_) albums_ = computeAlbums();
  return *albums_;
}

std::vector<photos::AssetCollectionPtr> ImagePickerController::computeAlbums() {
  auto options = std::make_shared<photos::FetchOptions>(*settings->fetch().assets().options());
  options->fetchLimit = 1;
  std::vector<photos::AssetCollectionPtr> offered;
  for (const auto& result : settings->fetch().album().fetchResults()) {
    if (!result) continue;
    for (const auto& collection : result->objects()) {
      auto first = photos::Asset::fetchAssetsInAssetCollection(collection, options);
      if (first && !first->isEmpty()) offered.push_back(collection);
    }
  }
  return offered;
}

void ImagePickerController::viewDidLoad() {
  uikit::NavigationController::viewDidLoad();
  auto self = sharedAs<ImagePickerController>();

  albumsViewController_->settings = settings;
  if (auto ds = albumsViewController_->dataSource()) ds->settings = settings;
  assetsViewController_->setSettings(settings);
  albumsViewController_->setDelegate(self);
  assetsViewController_->setDelegate(self);

  setViewControllers({assetsViewController_}, false);
  view()->setBackgroundColor(settings->theme().backgroundColor());
  setDelegate(zoomTransitionDelegate_);
  if (presentingViewController()) presentationController()->setDelegate(self);

  auto bar = navigationBar();
  bar->isTranslucent = false;

  albumButton->setTitleColor(albumButton->tintColor(), uikit::kControlStateNormal);
  albumButton->titleLabel()->setFont(uikit::Font::systemFont(kAlbumButtonFontSize));
  albumButton->titleLabel()->adjustsFontSizeToFitWidth = true;
  auto arrow = std::make_shared<ArrowView>(uikit::Rect(0, 0, 8, 8));
  arrow->setBackgroundColor(uikit::Color::clear());
  arrow->strokeColor = albumButton->tintColor();
  albumButton->setImage(arrow->renderedImage(), uikit::kControlStateNormal);
  albumButton->setSemanticContentAttribute(uikit::SemanticContentAttribute::kForceRightToLeft);
  std::weak_ptr<ImagePickerController> weak = self;
  albumButton->addTarget(
      self, [weak](uikit::Control&) { if (auto p = weak.lock()) p->albumsButtonPressed(); },
      uikit::kControlEventTouchUpInside);

  auto& item = assetsViewController_->navigationItem();
  item.titleView = albumButton;
  doneButton->setTarget(self, [weak](uikit::BarButtonItem&) {
    if (auto p = weak.lock()) p->doneButtonPressed();
  });
  item.setRightBarButtonItem(doneButton);
  cancelButton->setTarget(self, [weak](uikit::BarButtonItem&) {
    if (auto p = weak.lock()) p->cancelButtonPressed();
  });
  item.setLeftBarButtonItem(cancelButton);

  updatedDoneButton();
  albumButton->setHidden(albums().size() < 2);
  if (!bar->barTintColor) bar->barTintColor = uikit::Color::systemBackground();
  if (!albums().empty()) selectWithAlbum(albums().front());
}

void ImagePickerController::updatedDoneButton() {
  auto n = assetStore->count();
  doneButton->title = n >= 1 ? doneButtonTitle + " (" + std::to_string(n) + ")" : doneButtonTitle;
  doneButton->isEnabled = n >= settings->selection().min();
}

void ImagePickerController::updateAlbumButton() {
  albumButton->setHidden(albums().size() < 2);
}

void ImagePickerController::selectWithAlbum(const photos::AssetCollectionPtr& album) {
  assetsViewController_->displayAlbum(album);
  std::string title = album ? album->localizedTitle().value_or("") : "";
  albumButton->setTitle(title + " ", uikit::kControlStateNormal);
  albumButton->sizeToFit();
}

void ImagePickerController::albumsButtonPressed() {
  albumsViewController_->albums = albums();
  albumsViewController_->setTransitioningDelegate(dropdownTransitionDelegate_);
  albumsViewController_->modalPresentationStyle = uikit::ModalPresentationStyle::kCustom;
  rotateButtonArrow();
  present(albumsViewController_, true);
}

void ImagePickerController::rotateButtonArrow() {
  std::weak_ptr<ImagePickerController> weak = sharedAs<ImagePickerController>();
  uikit::View::animate(kArrowRotationDuration, [weak] {
    auto picker = weak.lock();
    if (!picker) return;
    auto imageView = picker->albumButton->imageView();
    if (!imageView) return;
    imageView->setTransform(uikit::AffineTransform::rotation(std::numbers::pi).concat(imageView->transform()));
  });
}

void ImagePickerController::albumsViewControllerDidSelectAlbum(AlbumsViewController& list,
                                                               const photos::AssetCollectionPtr& album) {
  selectWithAlbum(album);
  list.dismiss(true);
}

void ImagePickerController::didDismissAlbumsViewController(AlbumsViewController&) { rotateButtonArrow(); }

void ImagePickerController::assetsViewControllerDidSelectAsset(AssetsViewController&, const photos::AssetPtr& asset) {
  auto& selection = settings->selection();
  if (selection.unselectOnReachingMax() && assetStore->count() > selection.max()) {
    auto oldest = assetStore->removeFirst();
    assetsViewController_->deselectAsset(oldest);
    if (auto d = imagePickerDelegate()) d->imagePickerDidDeselectAsset(*this, oldest);
  }
  updatedDoneButton();
  if (auto d = imagePickerDelegate()) d->imagePickerDidSelectAsset(*this, asset);
  if (assetStore->count() >= selection.max()) {
    if (auto d = imagePickerDelegate()) d->imagePickerDidReachSelectionLimit(*this, assetStore->count());
  }
}

void ImagePickerController::assetsViewControllerDidDeselectAsset(AssetsViewController&,
                                                                 const photos::AssetPtr& asset) {
  updatedDoneButton();
  if (auto d = imagePickerDelegate()) d->imagePickerDidDeselectAsset(*this, asset);
}

void ImagePickerController::assetsViewControllerDidLongPressCell(AssetsViewController&, AssetCollectionViewCell& cell,
                                                                 const photos::AssetPtr& asset) {
  auto preview = PreviewBuilder::createPreviewController(asset, settings);
  if (!preview) return;
  zoomTransitionDelegate_->setZoomedOutView(cell.imageView());
  zoomTransitionDelegate_->setZoomedInView(preview->imageView());
  pushViewController(preview, true);
}

void ImagePickerController::deselectWithAsset(const photos::AssetPtr& given) {
  // A copy: the caller may pass an entry of the store itself, which the
  // removal below shifts.
  photos::AssetPtr asset = given;
  assetStore->remove(asset);
  assetsViewController_->deselectAsset(asset);
  updatedDoneButton();
}

void ImagePickerController::doneButtonPressed() {
  auto keep = sharedAs<ImagePickerController>();
  auto selection = assetStore->assets();  // a closure may change the store
  if (auto d = imagePickerDelegate()) d->imagePickerDidFinishWithAssets(*this, selection);
  if (settings->dismiss().enabled()) dismiss(true);
}

void ImagePickerController::cancelButtonPressed() {
  auto keep = sharedAs<ImagePickerController>();
  auto selection = assetStore->assets();
  if (auto d = imagePickerDelegate()) d->imagePickerDidCancelWithAssets(*this, selection);
  if (settings->dismiss().enabled()) dismiss(true);
}

bool ImagePickerController::presentationControllerShouldDismiss(uikit::PresentationController&) {
  return settings->dismiss().enabled() && settings->dismiss().allowSwipe();
}

void ImagePickerController::presentationControllerDidDismiss(uikit::PresentationController&) {
  if (auto d = imagePickerDelegate()) d->imagePickerDidCancelWithAssets(*this, assetStore->assets());
}

void ImagePickerController::imagePickerDidSelectAsset(ImagePickerController&, const photos::AssetPtr& asset) {
  if (onSelection) onSelection(asset);
}

void ImagePickerController::imagePickerDidDeselectAsset(ImagePickerController&, const photos::AssetPtr& asset) {
  if (onDeselection) onDeselection(asset);
}

void ImagePickerController::imagePickerDidFinishWithAssets(ImagePickerController&,
                                                           const std::vector<photos::AssetPtr>& assets) {
  if (onFinish) onFinish(assets);
}

void ImagePickerController::imagePickerDidCancelWithAssets(ImagePickerController&,
                                                           const std::vector<photos::AssetPtr>& assets) {
  if (onCancel) onCancel(assets);
}

void ImagePickerController::imagePickerDidReachSelectionLimit(ImagePickerController&, std::int64_t) {}

}  // namespace photopicker
