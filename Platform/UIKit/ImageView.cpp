#include "Platform/UIKit/ImageView.h"

#include "Platform/UIKit/WebImageManager.h"

namespace uikit {

void ImageView::sd_setImageWithURL(const std::string& url, ImagePtr placeholder, unsigned options,
                                   std::function<void(ImagePtr, const std::string&, const std::string&)> completed) {
  (void)options;
  requestedURL_ = url;
  setImage(std::move(placeholder));
  int generation = ++loadGeneration_;
  std::weak_ptr<ImageView> weak = sharedAs<ImageView>();
  WebImageManager::shared().load(url, [weak, generation, url, completed](ImagePtr image, const std::string& error) {
    auto self = weak.lock();
    // A newer request (a reused cell) supersedes this one.
    if (!self || self->loadGeneration_ != generation) return;
    if (image) self->setImage(image);
    if (completed) completed(image, error, url);
  });
}

}  // namespace uikit
