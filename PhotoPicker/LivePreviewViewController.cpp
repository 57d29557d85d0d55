#include "PhotoPicker/LivePreviewViewController.h"

#include <algorithm>

#include "Platform/UIKit/Device.h"

namespace photopicker {

LivePreviewViewController::LivePreviewViewController()
    : liveImageManager_(photos::ImageManager::defaultManager()),
      livePhotoView_(std::make_shared<photosui::LivePhotoView>()),
      badgeView_(std::make_shared<uikit::ImageView>()) {}

void LivePreviewViewController::viewDidLoad() {
  PreviewViewController::viewDidLoad();
  livePhotoView_->setFrame(scrollView()->bounds());
  livePhotoView_->setAutoresizingMask(uikit::kAutoresizingFlexibleWidth | uikit::kAutoresizingFlexibleHeight);
  livePhotoView_->setContentMode(uikit::ContentMode::kScaleAspectFit);
  scrollView()->addSubview(livePhotoView_);
  badgeView_->setImage(photosui::LivePhotoView::livePhotoBadgeImageWithOptions(photosui::kLivePhotoBadgeOverContent));
  badgeView_->sizeToFit();
  livePhotoView_->addSubview(badgeView_);
  livePhotoView_->setDelegate(sharedAs<LivePreviewViewController>());
}

void LivePreviewViewController::followScrollView() {
  // The toolkit applies no autoresizing masks: the flexible live photo view
  // takes the scroll view's bounds here, as it would have grown with them.
  livePhotoView_->setFrame(scrollView()->bounds());
}

void LivePreviewViewController::setAsset(photos::AssetPtr asset) {
  PreviewViewController::setAsset(asset);
  if (!asset) return;
  followScrollView();
  double scale = uikit::Device::current().scale;
  uikit::Size frame = livePhotoView_->frame().size;
  std::weak_ptr<LivePreviewViewController> weak = sharedAs<LivePreviewViewController>();
  auto options = settings ? settings->fetch().preview().livePhotoOptions() : nullptr;
  liveImageManager_->requestLivePhoto(
      asset, {frame.width * scale, frame.height * scale}, photos::ImageContentMode::kAspectFit, options,
      [weak](photos::LivePhotoPtr livePhoto, const photos::ImageResultInfo&) {
        if (!livePhoto) return;
        auto p = weak.lock();
        if (!p) return;
        p->livePhotoView_->setLivePhoto(livePhoto);
        p->positionBadgeView(livePhoto);
      });
}

void LivePreviewViewController::viewDidAppear(bool animated) {
  PreviewViewController::viewDidAppear(animated);
  imageView()->setHidden(true);
}

void LivePreviewViewController::viewDidLayoutSubviews() {
  PreviewViewController::viewDidLayoutSubviews();
  followScrollView();
  positionBadgeView(livePhotoView_->livePhoto());
}

void LivePreviewViewController::positionBadgeView(const photos::LivePhotoPtr& livePhoto) {
  uikit::Rect badge = badgeView_->frame();
  if (!livePhoto) {
    badgeView_->setFrame(uikit::Rect({0, 0}, badge.size));
    return;
  }
  uikit::Size photo = livePhoto->size();
  uikit::Size view = livePhotoView_->frame().size;
  if (photo.width <= 0 || photo.height <= 0 || view.width <= 0 || view.height <= 0) {
    badgeView_->setFrame(uikit::Rect({0, 0}, badge.size));
    return;
  }
  double ratio = std::max(photo.height / view.height, photo.width / view.width);
  badgeView_->setFrame(uikit::Rect((view.width - photo.width / ratio) / 2, (view.height - photo.height / ratio) / 2,
                                   badge.width(), badge.height()));
}

void LivePreviewViewController::setFullscreen(bool fullscreen) {
  PreviewViewController::setFullscreen(fullscreen);
  fadeBadge(fullscreen ? 0.0 : 1.0);
}

void LivePreviewViewController::fadeBadge(double alpha) {
  auto badge = badgeView_;
  uikit::View::animate(kBadgeAnimationDuration, [badge, alpha] { badge->setAlpha(alpha); });
}

std::shared_ptr<uikit::View> LivePreviewViewController::viewForZoomingInScrollView(uikit::ScrollView&) {
  return livePhotoView_;
}

void LivePreviewViewController::livePhotoViewWillBeginPlayback(photosui::LivePhotoView&,
                                                               photosui::LivePhotoViewPlaybackStyle) {
  if (!fullscreen()) fadeBadge(0.0);
}

void LivePreviewViewController::livePhotoViewDidEndPlayback(photosui::LivePhotoView&,
                                                            photosui::LivePhotoViewPlaybackStyle) {
  if (!fullscreen()) fadeBadge(1.0);
}

}  // namespace photopicker
