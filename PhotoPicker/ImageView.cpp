#include "PhotoPicker/ImageView.h"

#include <algorithm>
#include <cmath>

namespace photopicker {

using uikit::ContentMode;

ImageView::ImageView() : ImageView(uikit::Rect()) {}

ImageView::ImageView(const uikit::Rect& frame) : uikit::View(frame) {}

ImageView::ImageView(uikit::ImagePtr image) : ImageView(uikit::Rect()) { imageView_->setImage(std::move(image)); }

ImageView::ImageView(uikit::ImagePtr image, uikit::ImagePtr highlightedImage) : ImageView(std::move(image)) {
  imageView_->highlightedImage = std::move(highlightedImage);
}

const std::shared_ptr<uikit::ImageView>& ImageView::imageView() {
  attachImageView();
  return imageView_;
}

void ImageView::attachImageView() {
  if (imageView_->superview()) return;
  if (sharedAs<ImageView>()) addSubview(imageView_);
}

void ImageView::setImage(uikit::ImagePtr image) {
  imageView_->setImage(std::move(image));
  setNeedsLayout();
  layoutIfNeeded();
}

void ImageView::setContentMode(ContentMode mode) {
  uikit::View::setContentMode(mode);
  setNeedsLayout();
  layoutIfNeeded();
}

void ImageView::setUserInteractionEnabled(bool enabled) {
  uikit::View::setUserInteractionEnabled(enabled);
  imageView_->setUserInteractionEnabled(isUserInteractionEnabled());
}

void ImageView::setTintColor(std::optional<uikit::Color> color) {
  uikit::View::setTintColor(std::move(color));
  imageView_->setTintColor(tintColor());
}

void ImageView::didMoveToSuperview() { attachImageView(); }

void ImageView::layoutSubviews() {
  attachImageView();
  uikit::View::layoutSubviews();
  const auto& image = imageView_->image();
  if (!image) {
    imageView_->setFrame(uikit::Rect());
    return;
  }
  uikit::Size b = bounds().size;
  uikit::Size i = image->size();
  uikit::Rect f = imageView_->frame();
  uikit::Size size = i;
  // A bounds or image side of zero gives no finite ratio: nothing to show.
  auto scaled = [&](double r) { return std::isfinite(r) && r > 0 ? uikit::Size{i.width / r, i.height / r} : uikit::Size{}; };
  switch (contentMode()) {
    case ContentMode::kScaleToFill:
      size = b;
      break;
    case ContentMode::kScaleAspectFit: {
      size = scaled(std::max(i.height / b.height, i.width / b.width));
      break;
    }
    case ContentMode::kScaleAspectFill: {
      size = scaled(std::min(i.height / b.height, i.width / b.width));
      break;
    }
    case ContentMode::kRedraw:
      size = f.size;
      break;
    default:
      break;
  }
  double dx = b.width - size.width;
  double dy = b.height - size.height;
  uikit::Point origin;
  switch (contentMode()) {
    case ContentMode::kScaleAspectFit:
    case ContentMode::kScaleAspectFill:
    case ContentMode::kCenter:
      origin = {dx / 2, dy / 2};
      break;
    case ContentMode::kRedraw:
      origin = f.origin;
      break;
    case ContentMode::kTop:
      origin = {dx / 2, 0};
      break;
    case ContentMode::kBottom:
      origin = {dx / 2, dy};
      break;
    case ContentMode::kLeft:
      origin = {0, dy / 2};
      break;
    case ContentMode::kRight:
      origin = {dx, dy / 2};
      break;
    case ContentMode::kTopRight:
      origin = {dx, 0};
      break;
    case ContentMode::kBottomLeft:
      origin = {0, dy};
      break;
    case ContentMode::kBottomRight:
      origin = {dx, dy};
      break;
    case ContentMode::kScaleToFill:
    case ContentMode::kTopLeft:
      break;
  }
  imageView_->setFrame(uikit::Rect(origin, size));
}

}  // namespace photopicker
