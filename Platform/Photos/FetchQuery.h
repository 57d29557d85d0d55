// The question a fetch result answers, kept with it so that a library change
// can ask it again of the new snapshot.
#pragma once

#include <optional>
#include <string>

#include "Platform/Photos/FetchOptions.h"

namespace photos {

struct FetchQuery {
  enum class Kind { kAssets, kCollections };
  Kind kind = Kind::kAssets;
  // Assets: the album (a subfolder's name, "" for the top level); none means
  // the whole library.
  std::optional<std::string> album;
  // Collections: which ones.
  AssetCollectionType collectionType = AssetCollectionType::kSmartAlbum;
  AssetCollectionSubtype collectionSubtype = AssetCollectionSubtype::kAny;
  FetchOptions options;
};

}  // namespace photos
