#include "Platform/Photos/LibrarySnapshot.h"

#include <algorithm>
#include <limits>
#include <set>

namespace photos {
namespace {

bool matchesMediaType(const Asset& asset, const FetchOptions& options) {
  if (!options.mediaTypes) return true;
  const auto& types = *options.mediaTypes;
  return std::find(types.begin(), types.end(), asset.mediaType()) != types.end();
}

double dateKey(const Asset& asset) {
  return asset.creationDate().value_or(-std::numeric_limits<double>::infinity());
}

}  // namespace

LibrarySnapshot::LibrarySnapshot(std::vector<AssetPtr> assets) {
  std::stable_sort(assets.begin(), assets.end(),
                   [](const AssetPtr& a, const AssetPtr& b) { return a->localIdentifier() < b->localIdentifier(); });
  std::set<std::string> albums;
  for (AssetPtr& asset : assets) {
    if (!asset || byId_.count(asset->localIdentifier())) continue;
    byId_.emplace(asset->localIdentifier(), asset);
    if (!asset->album().empty()) albums.insert(asset->album());
    assets_.push_back(std::move(asset));
  }
  albums_.assign(albums.begin(), albums.end());
}

AssetPtr LibrarySnapshot::assetWithIdentifier(const std::string& identifier) const {
  auto it = byId_.find(identifier);
  return it == byId_.end() ? nullptr : it->second;
}

AssetFetchResultPtr LibrarySnapshot::fetchAssets(std::shared_ptr<const FetchQuery> query) const {
  if (!query || query->kind != FetchQuery::Kind::kAssets) return AssetFetchResult::empty();
  const FetchOptions& options = query->options;
  std::vector<AssetPtr> found;
  for (const AssetPtr& asset : assets_) {
    if (query->album && asset->album() != *query->album) continue;
    if (!matchesMediaType(*asset, options)) continue;
    found.push_back(asset);
  }
  // The first creation-date descriptor decides; without one, oldest first.
  bool ascending = true;
  for (const auto& d : options.sortDescriptors) {
    if (d.key == "creationDate") {
      ascending = d.ascending;
      break;
    }
  }
  // assets_ is in identifier order, so a stable sort keeps ties by identifier.
  std::stable_sort(found.begin(), found.end(), [ascending](const AssetPtr& a, const AssetPtr& b) {
    return ascending ? dateKey(*a) < dateKey(*b) : dateKey(*a) > dateKey(*b);
  });
  if (options.fetchLimit > 0 && found.size() > options.fetchLimit) found.resize(options.fetchLimit);
  return std::make_shared<const AssetFetchResult>(std::move(found), std::move(query));
}

AssetCollectionFetchResultPtr LibrarySnapshot::fetchCollections(std::shared_ptr<const FetchQuery> query) const {
  if (!query || query->kind != FetchQuery::Kind::kCollections) return AssetCollectionFetchResult::empty();
  auto wanted = [&](AssetCollectionType type, AssetCollectionSubtype subtype) {
    return query->collectionType == type &&
           (query->collectionSubtype == AssetCollectionSubtype::kAny || query->collectionSubtype == subtype);
  };
  std::vector<AssetCollectionPtr> found;
  if (wanted(AssetCollectionType::kSmartAlbum, AssetCollectionSubtype::kSmartAlbumUserLibrary)) {
    found.push_back(std::make_shared<const AssetCollection>(
        AssetCollection::kLibraryIdentifier, std::string(AssetCollection::kLibraryTitle),
        AssetCollectionType::kSmartAlbum, AssetCollectionSubtype::kSmartAlbumUserLibrary, std::nullopt));
  }
  if (wanted(AssetCollectionType::kAlbum, AssetCollectionSubtype::kAlbumRegular)) {
    for (const std::string& album : albums_) {
      found.push_back(std::make_shared<const AssetCollection>("album/" + album, album, AssetCollectionType::kAlbum,
                                                              AssetCollectionSubtype::kAlbumRegular, album));
    }
  }
  const std::size_t limit = query->options.fetchLimit;
  if (limit > 0 && found.size() > limit) found.resize(limit);
  return std::make_shared<const AssetCollectionFetchResult>(std::move(found), std::move(query));
}

LibrarySnapshotPtr LibrarySnapshot::adding(const std::vector<AssetPtr>& assets) const {
  std::vector<AssetPtr> all;
  std::set<std::string> replaced;
  for (const AssetPtr& a : assets) {
    if (a) replaced.insert(a->localIdentifier());
  }
  for (const AssetPtr& a : assets_) {
    if (!replaced.count(a->localIdentifier())) all.push_back(a);
  }
  // Later duplicates in the new list lose, as in the constructor.
  for (const AssetPtr& a : assets) {
    if (a) all.push_back(a);
  }
  std::vector<AssetPtr> firstWins;
  std::set<std::string> seen;
  for (const AssetPtr& a : all) {
    if (seen.insert(a->localIdentifier()).second) firstWins.push_back(a);
  }
  return std::make_shared<const LibrarySnapshot>(std::move(firstWins));
}

}  // namespace photos
