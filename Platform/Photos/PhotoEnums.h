// Small value types of the photo library, numbered as callers store them.
#pragma once

#include <cstdint>

namespace photos {

enum class MediaType : int { kUnknown = 0, kImage = 1, kVideo = 2, kAudio = 3 };

// Flags of Asset::mediaSubtypes().
enum MediaSubtype : std::uint32_t {
  kMediaSubtypeNone = 0,
  kMediaSubtypePhotoPanorama = 1,
  kMediaSubtypePhotoHDR = 2,
  kMediaSubtypePhotoScreenshot = 4,
  kMediaSubtypePhotoLive = 8,
  kMediaSubtypePhotoDepthEffect = 16,
};

enum class AuthorizationStatus : int {
  kNotDetermined = 0,
  kRestricted = 1,
  kDenied = 2,
  kAuthorized = 3,
  kLimited = 4,
};

enum class AssetCollectionType : int { kAlbum = 1, kSmartAlbum = 2 };

enum class AssetCollectionSubtype : int {
  kAlbumRegular = 2,
  kSmartAlbumUserLibrary = 209,
  kAny = 0x7fffffff,
};

// Fit: the whole image inside the target; fill: the target covered.
enum class ImageContentMode : int { kAspectFit = 0, kAspectFill = 1, kDefault = 0 };

}  // namespace photos
