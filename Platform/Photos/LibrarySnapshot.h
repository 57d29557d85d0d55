// Everything the library holds at one moment: its assets by identifier and
// its albums. Immutable; a rescan makes a new one.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "Platform/Photos/Asset.h"
#include "Platform/Photos/AssetCollection.h"

namespace photos {

class LibrarySnapshot;
using LibrarySnapshotPtr = std::shared_ptr<const LibrarySnapshot>;

class LibrarySnapshot {
 public:
  LibrarySnapshot() = default;
  // Later assets with an identifier already present are dropped.
  explicit LibrarySnapshot(std::vector<AssetPtr> assets);

  // By identifier.
  const std::vector<AssetPtr>& assets() const { return assets_; }
  AssetPtr assetWithIdentifier(const std::string& identifier) const;
  // Album names with at least one asset, sorted ("" excluded).
  const std::vector<std::string>& albums() const { return albums_; }

  // Runs a query of assets (ignores a collections query).
  AssetFetchResultPtr fetchAssets(std::shared_ptr<const FetchQuery> query) const;
  AssetCollectionFetchResultPtr fetchCollections(std::shared_ptr<const FetchQuery> query) const;

  // A copy with the assets added or replaced (same identifier).
  LibrarySnapshotPtr adding(const std::vector<AssetPtr>& assets) const;

 private:
  std::vector<AssetPtr> assets_;
  std::unordered_map<std::string, AssetPtr> byId_;
  std::vector<std::string> albums_;
};

}  // namespace photos
