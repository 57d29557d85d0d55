#include "Platform/Photos/ImageCache.h"

namespace photos {
namespace {

std::size_t bytesOf(const uikit::ImagePtr& image) {
  return image ? image->bitmap().size() + sizeof(uikit::Image) : 0;
}

}  // namespace

std::string ImageCache::keyOf(const std::string& assetId, int width, int height) {
  return assetId + "\n" + std::to_string(width) + "x" + std::to_string(height);
}

uikit::ImagePtr ImageCache::find(const std::string& assetId, int width, int height) {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = byKey_.find(keyOf(assetId, width, height));
  if (it == byKey_.end()) return nullptr;
  lru_.splice(lru_.begin(), lru_, it->second);
  return it->second->image;
}

uikit::ImagePtr ImageCache::findSmaller(const std::string& assetId, int width, int height) {
  std::lock_guard<std::mutex> lock(mu_);
  uikit::ImagePtr best;
  const long long area = static_cast<long long>(width) * height;
  for (const Entry& e : lru_) {
    if (e.assetId != assetId) continue;
    const long long a = static_cast<long long>(e.image->pixelWidth()) * e.image->pixelHeight();
    if (a >= area) continue;
    if (!best || a > static_cast<long long>(best->pixelWidth()) * best->pixelHeight()) best = e.image;
  }
  return best;
}

void ImageCache::insert(const std::string& assetId, const uikit::ImagePtr& image) {
  if (!image) return;
  const std::size_t size = bytesOf(image);
  if (size > limit_) return;
  std::lock_guard<std::mutex> lock(mu_);
  const std::string key = keyOf(assetId, image->pixelWidth(), image->pixelHeight());
  auto it = byKey_.find(key);
  if (it != byKey_.end()) {
    bytes_ -= it->second->bytes;
    lru_.erase(it->second);
    byKey_.erase(it);
  }
  lru_.push_front(Entry{key, assetId, image, size});
  byKey_[key] = lru_.begin();
  bytes_ += size;
  evictLocked();
}

void ImageCache::evictLocked() {
  while (bytes_ > limit_ && !lru_.empty()) {
    bytes_ -= lru_.back().bytes;
    byKey_.erase(lru_.back().key);
    lru_.pop_back();
  }
}

void ImageCache::removeAsset(const std::string& assetId) {
  std::lock_guard<std::mutex> lock(mu_);
  for (auto it = lru_.begin(); it != lru_.end();) {
    if (it->assetId == assetId) {
      bytes_ -= it->bytes;
      byKey_.erase(it->key);
      it = lru_.erase(it);
    } else {
      ++it;
    }
  }
}

void ImageCache::removeAll() {
  std::lock_guard<std::mutex> lock(mu_);
  lru_.clear();
  byKey_.clear();
  bytes_ = 0;
  ++generation_;
}

std::uint64_t ImageCache::generation() const {
  std::lock_guard<std::mutex> lock(mu_);
  return generation_;
}

std::size_t ImageCache::bytes() const {
  std::lock_guard<std::mutex> lock(mu_);
  return bytes_;
}

std::size_t ImageCache::count() const {
  std::lock_guard<std::mutex> lock(mu_);
  return lru_.size();
}

}  // namespace photos
