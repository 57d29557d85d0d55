// The full-screen preview of one asset, pushed on the picker's stack: the
// still image in a zooming scroll view, a two-line title of place or date,
// full-screen mode on a single tap and zoom on a double tap. Live-photo and
// video previews build on it.
#pragma once

#include <memory>

#include "PhotoPicker/Settings.h"
#include "Platform/CoreLocation/CLGeocoder.h"
#include "Platform/Photos/Asset.h"
#include "Platform/Photos/ImageManager.h"
#include "Platform/UIKit/GestureRecognizer.h"
#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/ScrollView.h"
#include "Platform/UIKit/ViewController.h"

namespace photopicker {

class PreviewViewController : public uikit::ViewController, public uikit::ScrollViewDelegate {
 public:
  static constexpr double kMinimumZoomScale = 1.0;
  static constexpr double kMaximumZoomScale = 3.0;
  static constexpr double kDoubleTapZoomScale = 2.0;
  static constexpr double kFullscreenAnimationDuration = 0.3;

  // A preview of kind T with its view loaded and built: the only way to
  // make one, since building calls into the actual class.
  template <typename T = PreviewViewController>
  static std::shared_ptr<T> create() {
    auto preview = std::make_shared<T>();
    preview->build();
    return preview;
  }

  PreviewViewController();

  const std::shared_ptr<photos::ImageManager>& imageManager() const { return imageManager_; }
  // Set before the asset: the title and the request read it.
  std::shared_ptr<Settings> settings;
  const photos::AssetPtr& asset() const { return asset_; }
  // Updates the title and requests the still image.
  virtual void setAsset(photos::AssetPtr asset);
  bool fullscreen() const { return fullscreen_; }
  virtual void setFullscreen(bool fullscreen);

  const std::shared_ptr<uikit::ImageView>& imageView() const { return imageView_; }
  const std::shared_ptr<uikit::ScrollView>& scrollView() const { return scrollView_; }
  const std::shared_ptr<uikit::TapGestureRecognizer>& singleTapRecognizer() const { return singleTapRecognizer_; }
  const std::shared_ptr<uikit::TapGestureRecognizer>& doubleTapRecognizer() const { return doubleTapRecognizer_; }
  const std::shared_ptr<uikit::Label>& titleLabel() const { return titleLabel_; }

  void didSingleTap(uikit::GestureRecognizer& recognizer);
  void didDoubleTap(uikit::GestureRecognizer& recognizer);
  // Zooms to double size around the tap, or back out when zoomed in.
  virtual void toggleZoom(uikit::GestureRecognizer& recognizer);
  // The rectangle of the scroll view that shows the zoom view at scale
  // around center (in the zoom view's coordinates).
  virtual uikit::Rect zoomRect(double scale, uikit::Point center);
  virtual void updateBackgroundColor();
  virtual void updateNavigationTitle();

  std::shared_ptr<uikit::View> viewForZoomingInScrollView(uikit::ScrollView& scrollView) override;
  void scrollViewDidZoom(uikit::ScrollView& scrollView) override;
  bool prefersStatusBarHidden() const override { return fullscreen_; }

  void viewDidLoad() override;
  void viewWillDisappear(bool animated) override;

 protected:
  virtual void setupSingleTapRecognizer();
  // Puts the scroll view, image view and recognisers in place after the
  // view has loaded (and the actual class's viewDidLoad has run).
  void build();
  void applyTitle(const uikit::AttributedString& title);

 private:
  std::shared_ptr<photos::ImageManager> imageManager_;
  photos::AssetPtr asset_;
  std::shared_ptr<uikit::ImageView> imageView_;
  bool fullscreen_ = false;
  std::shared_ptr<uikit::ScrollView> scrollView_;
  std::shared_ptr<uikit::TapGestureRecognizer> singleTapRecognizer_;
  std::shared_ptr<uikit::TapGestureRecognizer> doubleTapRecognizer_;
  std::shared_ptr<uikit::Label> titleLabel_;
  std::shared_ptr<corelocation::CLGeocoder> geocoder_;
};

}  // namespace photopicker
