// The picker's selection: the photos in the order they were selected. A
// photo's position plus one is the number its numbered badge shows.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "Platform/Photos/Asset.h"

namespace photopicker {

class AssetStore {
 public:
  // The list is taken unchanged (it may even hold an asset twice; lookups
  // then answer with the first occurrence).
  explicit AssetStore(std::vector<photos::AssetPtr> assets) : assets_(std::move(assets)) {}

  const std::vector<photos::AssetPtr>& assets() const { return assets_; }
  void setAssets(std::vector<photos::AssetPtr> assets) { assets_ = std::move(assets); }

  std::int64_t count() const { return static_cast<std::int64_t>(assets_.size()); }
  bool contains(const photos::AssetPtr& asset) const { return indexOf(asset).has_value(); }
  // At the end, unless an equal asset is already held.
  void append(const photos::AssetPtr& asset);
  // The first equal entry; later selections move up by one.
  void remove(const photos::AssetPtr& asset);
  // The oldest selection; none (and no change) on an empty store.
  photos::AssetPtr removeFirst();
  // Position of the first equal entry, searched from the oldest.
  std::optional<std::int64_t> indexOf(const photos::AssetPtr& asset) const;

 private:
  std::vector<photos::AssetPtr> assets_;
};

}  // namespace photopicker
