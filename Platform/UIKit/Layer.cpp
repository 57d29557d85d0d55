#include "Platform/UIKit/Layer.h"

#include <algorithm>

namespace uikit {

void Layer::addSublayer(const LayerPtr& layer) { insertSublayer(layer, sublayers_.size()); }

void Layer::insertSublayer(const LayerPtr& layer, std::size_t index) {
  if (!layer || layer.get() == this) return;
  layer->removeFromSuperlayer();
  index = std::min(index, sublayers_.size());
  sublayers_.insert(sublayers_.begin() + static_cast<std::ptrdiff_t>(index), layer);
  layer->superlayer_ = sharedAs<Layer>();
}

void Layer::removeFromSuperlayer() {
  auto parent = superlayer_.lock();
  superlayer_.reset();
  if (!parent) return;
  auto& v = parent->sublayers_;
  v.erase(std::remove_if(v.begin(), v.end(), [this](const LayerPtr& l) { return l.get() == this; }), v.end());
}

void Layer::addAnimation(const LayerAnimation& animation, const std::string& key) { animations_[key] = animation; }

void Layer::removeAnimation(const std::string& key) { animations_.erase(key); }

void Layer::removeAllAnimations() {
  animations_.clear();
  if (removeAllHook_) {
    auto hook = removeAllHook_;
    hook();
  }
}

const LayerAnimation* Layer::animationForKey(const std::string& key) const {
  auto it = animations_.find(key);
  return it == animations_.end() ? nullptr : &it->second;
}

std::vector<std::string> Layer::animationKeys() const {
  std::vector<std::string> keys;
  for (const auto& [k, v] : animations_) keys.push_back(k);
  return keys;
}

}  // namespace uikit
