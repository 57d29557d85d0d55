// One photo or video of the library. Immutable once made: a change in the
// folder makes a new Asset with the same identifier. Two assets are equal
// when their identifiers are.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Platform/CoreLocation/CLLocation.h"
#include "Platform/Photos/FetchResult.h"
#include "Platform/Photos/PhotoEnums.h"
#include "Platform/UIKit/Image.h"

namespace photos {

class Asset;
class AssetCollection;
using AssetPtr = std::shared_ptr<const Asset>;
using AssetFetchResult = FetchResult<AssetPtr>;
using AssetFetchResultPtr = std::shared_ptr<const AssetFetchResult>;

class Asset {
 public:
  struct Fields {
    // Path relative to the library folder ("Trip/a.jpg"); any unique text
    // for an in-memory asset.
    std::string localIdentifier;
    MediaType mediaType = MediaType::kImage;
    std::uint32_t mediaSubtypes = kMediaSubtypeNone;
    int pixelWidth = 0;
    int pixelHeight = 0;
    // Seconds since 1970.
    std::optional<double> creationDate;
    std::optional<corelocation::CLLocation> location;
    // Seconds; 0 for photos.
    double duration = 0;
    // The album (first-level subfolder name), "" for the folder itself.
    std::string album;
    // Absolute path of the file; "" for an in-memory asset.
    std::string path;
    // A live photo's companion video (absolute path), else "".
    std::string pairedVideoPath;
    // What a rescan compares.
    std::int64_t fileSize = 0;
    double modificationTime = 0;
    // An in-memory asset's picture (file assets decode their file).
    uikit::ImagePtr image;
  };

  explicit Asset(Fields fields) : f_(std::move(fields)) {}
  static AssetPtr make(Fields fields) { return std::make_shared<const Asset>(std::move(fields)); }

  // Fetches from the shared library; options may be none.
  static AssetFetchResultPtr fetchAssetsInAssetCollection(const std::shared_ptr<const AssetCollection>& collection,
                                                          const std::shared_ptr<const FetchOptions>& options);
  static AssetFetchResultPtr fetchAssets(const std::shared_ptr<const FetchOptions>& options);

  const std::string& localIdentifier() const { return f_.localIdentifier; }
  MediaType mediaType() const { return f_.mediaType; }
  std::uint32_t mediaSubtypes() const { return f_.mediaSubtypes; }
  int pixelWidth() const { return f_.pixelWidth; }
  int pixelHeight() const { return f_.pixelHeight; }
  const std::optional<double>& creationDate() const { return f_.creationDate; }
  const std::optional<corelocation::CLLocation>& location() const { return f_.location; }
  double duration() const { return f_.duration; }
  const std::string& album() const { return f_.album; }
  const std::string& path() const { return f_.path; }
  const std::string& pairedVideoPath() const { return f_.pairedVideoPath; }
  std::int64_t fileSize() const { return f_.fileSize; }
  double modificationTime() const { return f_.modificationTime; }
  const uikit::ImagePtr& image() const { return f_.image; }
  bool isInMemory() const { return f_.path.empty(); }
  const Fields& fields() const { return f_; }

  bool isEqual(const Asset& other) const { return f_.localIdentifier == other.f_.localIdentifier; }
  friend bool operator==(const Asset& a, const Asset& b) { return a.isEqual(b); }
  // Same identifier and nothing a rescan looks at differs.
  bool isUnchangedFrom(const Asset& other) const;

 private:
  Fields f_;
};

// Equality of possibly empty pointers by identifier.
inline bool SameAsset(const AssetPtr& a, const AssetPtr& b) {
  if (!a || !b) return a == b;
  return a->isEqual(*b);
}

}  // namespace photos
