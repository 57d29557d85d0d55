#include "PhotoPicker/AssetStore.h"

namespace photopicker {

void AssetStore::append(const photos::AssetPtr& asset) {
  if (!contains(asset)) assets_.push_back(asset);
}

void AssetStore::remove(const photos::AssetPtr& asset) {
  if (auto i = indexOf(asset)) assets_.erase(assets_.begin() + *i);
}

photos::AssetPtr AssetStore::removeFirst() {
  if (assets_.empty()) return nullptr;
  auto first = assets_.front();
  assets_.erase(assets_.begin());
  return first;
}

std::optional<std::int64_t> AssetStore::indexOf(const photos::AssetPtr& asset) const {
  for (std::size_t i = 0; i < assets_.size(); ++i) {
    if (photos::SameAsset(assets_[i], asset)) return static_cast<std::int64_t>(i);
  }
  return std::nullopt;
}

}  // namespace photopicker
