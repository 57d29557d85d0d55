// An album of the library: each first-level subfolder (type album, subtype
// regular, titled by the folder's name) and the smart album "Library" that
// holds every asset. Equal by identifier.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/Photos/FetchResult.h"
#include "Platform/Photos/PhotoEnums.h"

namespace photos {

class AssetCollection;
using AssetCollectionPtr = std::shared_ptr<const AssetCollection>;
using AssetCollectionFetchResult = FetchResult<AssetCollectionPtr>;
using AssetCollectionFetchResultPtr = std::shared_ptr<const AssetCollectionFetchResult>;

class AssetCollection {
 public:
  static constexpr const char* kLibraryTitle = "Library";
  static constexpr const char* kLibraryIdentifier = "smart/library";

  // album: the subfolder's name; none for the smart album of everything.
  AssetCollection(std::string localIdentifier, std::optional<std::string> localizedTitle, AssetCollectionType type,
                  AssetCollectionSubtype subtype, std::optional<std::string> album)
      : id_(std::move(localIdentifier)),
        title_(std::move(localizedTitle)),
        type_(type),
        subtype_(subtype),
        album_(std::move(album)) {}

  // Collections of the shared library of that type and subtype (kAny: every
  // subtype), the smart album first, then albums by title. Options: only the
  // limit applies.
  static AssetCollectionFetchResultPtr fetchAssetCollections(AssetCollectionType type,
                                                             AssetCollectionSubtype subtype,
                                                             const std::shared_ptr<const FetchOptions>& options);

  const std::string& localIdentifier() const { return id_; }
  const std::optional<std::string>& localizedTitle() const { return title_; }
  AssetCollectionType assetCollectionType() const { return type_; }
  AssetCollectionSubtype assetCollectionSubtype() const { return subtype_; }
  const std::optional<std::string>& album() const { return album_; }

  bool isEqual(const AssetCollection& other) const { return id_ == other.id_; }
  friend bool operator==(const AssetCollection& a, const AssetCollection& b) { return a.isEqual(b); }

 private:
  std::string id_;
  std::optional<std::string> title_;
  AssetCollectionType type_;
  AssetCollectionSubtype subtype_;
  std::optional<std::string> album_;
};

}  // namespace photos
