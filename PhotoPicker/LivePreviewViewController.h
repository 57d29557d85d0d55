// The preview of a live photo: the still first, then the live photo view
// once the screen has appeared, with the live badge over the picture's
// corner, hidden in full-screen mode and while the motion plays.
#pragma once

#include <memory>

#include "PhotoPicker/PreviewViewController.h"
#include "Platform/Photos/LivePhoto.h"
#include "Platform/PhotosUI/LivePhotoView.h"
#include "Platform/PhotosUI/LivePhotoViewDelegate.h"

namespace photopicker {

class LivePreviewViewController : public PreviewViewController, public photosui::LivePhotoViewDelegate {
 public:
  static constexpr double kBadgeAnimationDuration = 0.3;

  LivePreviewViewController();

  const std::shared_ptr<photosui::LivePhotoView>& livePhotoView() const { return livePhotoView_; }
  const std::shared_ptr<uikit::ImageView>& badgeView() const { return badgeView_; }

  void setAsset(photos::AssetPtr asset) override;
  void setFullscreen(bool fullscreen) override;
  // The badge at the top-left corner of the aspect-fitted picture.
  virtual void positionBadgeView(const photos::LivePhotoPtr& livePhoto);

  std::shared_ptr<uikit::View> viewForZoomingInScrollView(uikit::ScrollView& scrollView) override;
  void viewDidLoad() override;
  void viewDidAppear(bool animated) override;
  void viewDidLayoutSubviews() override;
  void livePhotoViewWillBeginPlayback(photosui::LivePhotoView& view, photosui::LivePhotoViewPlaybackStyle style) override;
  void livePhotoViewDidEndPlayback(photosui::LivePhotoView& view, photosui::LivePhotoViewPlaybackStyle style) override;

 private:
  void fadeBadge(double alpha);
  void followScrollView();

  std::shared_ptr<photos::ImageManager> liveImageManager_;
  std::shared_ptr<photosui::LivePhotoView> livePhotoView_;
  std::shared_ptr<uikit::ImageView> badgeView_;
};

}  // namespace photopicker
