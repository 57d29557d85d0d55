// An image view: shows an image (or cycles animation images).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/View.h"
#include "Platform/UIKit/WebImageManager.h"

namespace uikit {

class ImageView : public View {
 public:
  ImageView() { setUserInteractionEnabled(false); }
  explicit ImageView(ImagePtr image) : image_(std::move(image)) { setUserInteractionEnabled(false); }
  explicit ImageView(const Rect& frame) : View(frame) { setUserInteractionEnabled(false); }

  const ImagePtr& image() const { return image_; }
  virtual void setImage(ImagePtr image) { image_ = std::move(image); invalidateIntrinsicContentSize(); }
  ImagePtr highlightedImage;
  bool isHighlighted = false;
  std::vector<ImagePtr> animationImages;
  std::vector<ImagePtr> highlightedAnimationImages;
  double animationDuration = 0;
  // 0 repeats without end.
  int animationRepeatCount = 0;
  void startAnimating() { animating_ = true; }
  void stopAnimating() { animating_ = false; }
  bool isAnimating() const { return animating_; }

  Size intrinsicContentSize() const override {
    return image_ ? image_->size() : Size{kNoIntrinsicMetric, kNoIntrinsicMetric};
  }

  // Remote image loading (see WebImageManager): the placeholder shows at
  // once, the loaded image replaces it when the loader answers.
  void sd_setImageWithURL(const std::string& url, ImagePtr placeholder = nullptr, unsigned options = 0,
                          std::function<void(ImagePtr, const std::string& error, const std::string& url)> completed = nullptr);
  // The URL last requested (empty: none).
  const std::string& sd_imageURL() const { return imageRequest_.url(); }
  bool sd_showsActivityIndicator = false;

 private:
  ImagePtr image_;
  bool animating_ = false;
  WebImageRequest imageRequest_;
};

}  // namespace uikit
