#include "Platform/UIKit/ImageView.h"

#include "Platform/UIKit/WebImageManager.h"

namespace uikit {

void ImageView::sd_setImageWithURL(const std::string& url, ImagePtr placeholder, unsigned options,
                                   std::function<void(ImagePtr, const std::string&, const std::string&)> completed) {
  (void)options;
  setImage(std::move(placeholder));
  WebImageManager::shared().loadForView(weak_from_this(), imageRequest_, url,
                                        [this](ImagePtr image) { setImage(std::move(image)); }, std::move(completed));
}

}  // namespace uikit
