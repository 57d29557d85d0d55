#include "PhotoPicker/PreviewViewController.h"

#include <algorithm>
#include <cmath>

#include "PhotoPicker/PreviewTitleBuilder.h"
#include "Platform/UIKit/NavigationController.h"

namespace photopicker {

PreviewViewController::PreviewViewController()
    : imageManager_(photos::ImageManager::defaultManager()),
      imageView_(std::make_shared<uikit::ImageView>(uikit::Rect())),
      scrollView_(std::make_shared<uikit::ScrollView>(uikit::Rect())),
      singleTapRecognizer_(std::make_shared<uikit::TapGestureRecognizer>()),
      doubleTapRecognizer_(std::make_shared<uikit::TapGestureRecognizer>()),
      titleLabel_(std::make_shared<uikit::Label>(uikit::Rect())) {}

void PreviewViewController::build() {
  auto root = view();
  auto self = sharedAs<PreviewViewController>();
  scrollView_->setFrame(root->bounds());
  scrollView_->setAutoresizingMask(uikit::kAutoresizingFlexibleWidth | uikit::kAutoresizingFlexibleHeight);
  scrollView_->setDelegate(self);
  scrollView_->minimumZoomScale = kMinimumZoomScale;
  scrollView_->maximumZoomScale = kMaximumZoomScale;
  scrollView_->showsVerticalScrollIndicator = false;
  scrollView_->showsHorizontalScrollIndicator = false;
  root->addSubview(scrollView_);

  imageView_->setFrame(scrollView_->bounds());
  imageView_->setAutoresizingMask(uikit::kAutoresizingFlexibleWidth | uikit::kAutoresizingFlexibleHeight);
  imageView_->setContentMode(uikit::ContentMode::kScaleAspectFit);
  scrollView_->addSubview(imageView_);

  setupSingleTapRecognizer();

  doubleTapRecognizer_->numberOfTapsRequired = 2;
  std::weak_ptr<PreviewViewController> weak = self;
  doubleTapRecognizer_->addTarget([weak](uikit::GestureRecognizer& r) {
    if (auto p = weak.lock()) p->didDoubleTap(r);
  });
  root->addGestureRecognizer(doubleTapRecognizer_);
}

void PreviewViewController::setupSingleTapRecognizer() {
  singleTapRecognizer_->numberOfTapsRequired = 1;
  std::weak_ptr<PreviewViewController> weak = sharedAs<PreviewViewController>();
  singleTapRecognizer_->addTarget([weak](uikit::GestureRecognizer& r) {
    if (auto p = weak.lock()) p->didSingleTap(r);
  });
  singleTapRecognizer_->requireGestureRecognizerToFail(doubleTapRecognizer_);
  view()->addGestureRecognizer(singleTapRecognizer_);
}

void PreviewViewController::viewDidLoad() {
  uikit::ViewController::viewDidLoad();
  updateBackgroundColor();
  titleLabel_->setNumberOfLines(0);
  titleLabel_->lineBreakMode = uikit::LineBreakMode::kByClipping;
  titleLabel_->textAlignment = uikit::TextAlignment::kCenter;
  navigationItem().titleView = titleLabel_;
}

void PreviewViewController::viewWillDisappear(bool animated) {
  uikit::ViewController::viewWillDisappear(animated);
  setFullscreen(false);
}

void PreviewViewController::setAsset(photos::AssetPtr asset) {
  asset_ = std::move(asset);
  updateNavigationTitle();
  if (!asset_) {
    imageView_->setImage(nullptr);
    return;
  }
  std::weak_ptr<PreviewViewController> weak = sharedAs<PreviewViewController>();
  auto options = settings ? settings->fetch().preview().photoOptions() : nullptr;
  imageManager_->requestImage(
      asset_, {static_cast<double>(asset_->pixelWidth()), static_cast<double>(asset_->pixelHeight())},
      photos::ImageContentMode::kAspectFit, options, [weak](uikit::ImagePtr image, const photos::ImageResultInfo&) {
        if (!image) return;
        if (auto p = weak.lock()) p->imageView_->setImage(std::move(image));
      });
}

void PreviewViewController::applyTitle(const uikit::AttributedString& title) {
  titleLabel_->setAttributedText(title);
  titleLabel_->sizeToFit();
}

void PreviewViewController::updateNavigationTitle() {
  if (!asset_ || !settings) return;
  std::weak_ptr<PreviewViewController> weak = sharedAs<PreviewViewController>();
  if (const auto& location = asset_->location()) {
    geocoder_ = std::make_shared<corelocation::CLGeocoder>();
    auto asset = asset_;
    auto theme = settings;
    geocoder_->reverseGeocodeLocation(
        *location, [weak, asset, theme](std::optional<std::vector<corelocation::CLPlacemark>> placemarks,
                                        std::optional<platform::Status> error) {
          PreviewTitleBuilder::locationTitle(placemarks, error, theme->theme(), asset,
                                             [weak](const uikit::AttributedString& title) {
                                               if (auto p = weak.lock()) p->applyTitle(title);
                                             });
        });
    return;
  }
  if (const auto& date = asset_->creationDate()) applyTitle(PreviewTitleBuilder::dateTitle(*date, settings->theme()));
}

void PreviewViewController::setFullscreen(bool fullscreen) {
  if (fullscreen == fullscreen_) return;
  fullscreen_ = fullscreen;
  std::weak_ptr<PreviewViewController> weak = sharedAs<PreviewViewController>();
  uikit::View::animate(kFullscreenAnimationDuration, [weak] {
    auto p = weak.lock();
    if (!p) return;
    if (auto nav = p->navigationController()) nav->setNavigationBarHidden(p->fullscreen_, true);
    p->setNeedsStatusBarAppearanceUpdate();
    p->updateBackgroundColor();
  });
}

void PreviewViewController::updateBackgroundColor() {
  bool black = fullscreen_ && modalPresentationStyle == uikit::ModalPresentationStyle::kFullScreen;
  view()->setBackgroundColor(black ? uikit::Color::black() : uikit::Color::systemBackground());
}

void PreviewViewController::didSingleTap(uikit::GestureRecognizer&) { setFullscreen(!fullscreen_); }

void PreviewViewController::didDoubleTap(uikit::GestureRecognizer& recognizer) { toggleZoom(recognizer); }

void PreviewViewController::toggleZoom(uikit::GestureRecognizer& recognizer) {
  if (scrollView_->zoomScale() > 1.0) {
    scrollView_->setZoomScale(1.0, true);
    return;
  }
  auto tapView = recognizer.view();
  scrollView_->zoomToRect(zoomRect(kDoubleTapZoomScale, recognizer.locationInView(tapView.get())), true);
}

uikit::Rect PreviewViewController::zoomRect(double scale, uikit::Point center) {
  auto zoomView = viewForZoomingInScrollView(*scrollView_);
  if (!zoomView) return uikit::Rect();
  uikit::Point c = scrollView_->convertPointFromView(center, zoomView.get());
  double width = zoomView->frame().width() / scale;
  double height = zoomView->frame().height() / scale;
  return uikit::Rect(c.x - width / 2, c.y - height / 2, width, height);
}

std::shared_ptr<uikit::View> PreviewViewController::viewForZoomingInScrollView(uikit::ScrollView&) {
  return imageView_;
}

void PreviewViewController::scrollViewDidZoom(uikit::ScrollView& scrollView) {
  if (scrollView.zoomScale() <= 1.0) {
    scrollView.contentInset = uikit::EdgeInsets{};
    return;
  }
  setFullscreen(true);
  auto image = imageView_->image();
  if (!image) return;
  auto zoomView = viewForZoomingInScrollView(scrollView);
  if (!zoomView) return;
  uikit::Size imageSize = image->size();
  // Only a synthetic image can be empty; it has no ratio to fit by.
  if (imageSize.width <= 0 || imageSize.height <= 0) return;
  uikit::Rect zoomFrame = zoomView->frame();
  double ratio = std::min(zoomFrame.width() / imageSize.width, zoomFrame.height() / imageSize.height);
  double fittedWidth = imageSize.width * ratio;
  double fittedHeight = imageSize.height * ratio;
  double scale = scrollView.zoomScale();
  double horizontal = fittedWidth * scale > zoomFrame.width() ? fittedWidth - zoomFrame.width()
                                                              : scrollView.frame().width() - scrollView.contentSize().width;
  double vertical = fittedHeight * scale > zoomFrame.height()
                        ? fittedHeight - zoomFrame.height()
                        : scrollView.frame().height() - scrollView.contentSize().height;
  double left = std::round(horizontal / 2);
  double top = std::round(vertical / 2);
  scrollView.contentInset = uikit::EdgeInsets{top, left, top, left};
}

}  // namespace photopicker
