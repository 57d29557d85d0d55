// Reads a library folder into assets: JPEG and PNG files (by signature) are
// photos, MP4/MOV files ("ftyp") videos; a photo with a video of the same
// stem in the same folder is a live photo and that video no asset of its
// own. Files of the folder and of its first-level subfolders count; hidden
// files and other kinds are ignored. Only headers are read.
#pragma once

#include <string>
#include <vector>

#include "Platform/Photos/Asset.h"

namespace photos {

class FolderScanner {
 public:
  // Sorted by identifier; a missing folder gives none.
  static std::vector<AssetPtr> scan(const std::string& folder);
};

}  // namespace photos
