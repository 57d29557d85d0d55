#include "Platform/UIKit/WebImageManager.h"

#include <memory>

#include "Platform/Foundation/RunLoop.h"

namespace uikit {

WebImageManager& WebImageManager::shared() {
  static WebImageManager manager;
  return manager;
}

void WebImageManager::load(const std::string& url, Done done) {
  requested_.push_back(url);
  auto once = std::make_shared<bool>(false);
  Done guarded = [once, done](ImagePtr image, const std::string& error) {
    if (*once) return;
    *once = true;
    if (done) done(std::move(image), error);
  };
  if (url.empty()) {
    platform::RunLoop::main().async([guarded] { guarded(nullptr, "invalid URL"); });
    return;
  }
  if (!loader_) {
    platform::RunLoop::main().async([guarded] { guarded(nullptr, "no image loader"); });
    return;
  }
  loader_(url, guarded);
}

void WebImageManager::loadForView(const std::weak_ptr<const void>& owner, WebImageRequest& request,
                                  const std::string& url, std::function<void(ImagePtr image)> apply,
                                  Completed completed) {
  request.url_ = url;
  int generation = ++request.generation_;
  // request lives inside its owner, so it is only touched while the owner does.
  WebImageRequest* target = &request;
  load(url, [owner, target, generation, url, apply = std::move(apply), completed = std::move(completed)](
                ImagePtr image, const std::string& error) {
    auto alive = owner.lock();
    if (!alive || target->generation_ != generation) return;
    if (image && apply) apply(image);
    if (completed) completed(image, error, url);
  });
}

void WebImageManager::reset() {
  loader_ = nullptr;
  requested_.clear();
}

}  // namespace uikit
