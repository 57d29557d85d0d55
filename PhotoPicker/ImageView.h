// A view holding an image view that it places itself on every layout pass by
// its own content mode, so animating the outer frame (the zoom transition)
// moves and scales the picture smoothly between content modes.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Platform/UIKit/Color.h"
#include "Platform/UIKit/Geometry.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/View.h"

namespace photopicker {

class ImageView : public uikit::View {
 public:
  ImageView();
  explicit ImageView(const uikit::Rect& frame);
  explicit ImageView(uikit::ImagePtr image);
  ImageView(uikit::ImagePtr image, uikit::ImagePtr highlightedImage);

  // The inner image view, the view's only subview.
  const std::shared_ptr<uikit::ImageView>& imageView();

  uikit::ImagePtr image() const { return imageView_->image(); }
  // Sets the inner image and lays out at once.
  void setImage(uikit::ImagePtr image);
  uikit::ImagePtr highlightedImage() const { return imageView_->highlightedImage; }
  void setHighlightedImage(uikit::ImagePtr image) { imageView_->highlightedImage = std::move(image); }
  bool isHighlighted() const { return imageView_->isHighlighted; }
  void setIsHighlighted(bool highlighted) { imageView_->isHighlighted = highlighted; }

  // The view's own content mode places the inner view; the inner view's
  // content mode is left alone.
  void setContentMode(uikit::ContentMode mode) override;
  void setUserInteractionEnabled(bool enabled) override;
  void setTintColor(std::optional<uikit::Color> color) override;

  const std::vector<uikit::ImagePtr>& animationImages() const { return imageView_->animationImages; }
  void setAnimationImages(std::vector<uikit::ImagePtr> images) { imageView_->animationImages = std::move(images); }
  const std::vector<uikit::ImagePtr>& highlightedAnimationImages() const {
    return imageView_->highlightedAnimationImages;
  }
  void setHighlightedAnimationImages(std::vector<uikit::ImagePtr> images) {
    imageView_->highlightedAnimationImages = std::move(images);
  }
  double animationDuration() const { return imageView_->animationDuration; }
  void setAnimationDuration(double seconds) { imageView_->animationDuration = seconds; }
  int animationRepeatCount() const { return imageView_->animationRepeatCount; }
  void setAnimationRepeatCount(int count) { imageView_->animationRepeatCount = count; }
  void startAnimating() { imageView_->startAnimating(); }
  void stopAnimating() { imageView_->stopAnimating(); }
  bool isAnimating() const { return imageView_->isAnimating(); }

  void layoutSubviews() override;
  void didMoveToSuperview() override;

 private:
  // The inner view joins once the receiver is owned (not in the constructor).
  void attachImageView();

  std::shared_ptr<uikit::ImageView> imageView_ = std::make_shared<uikit::ImageView>(uikit::Rect());
};

}  // namespace photopicker
