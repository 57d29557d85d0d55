// Options of a live-photo request.
#pragma once

#include <memory>

namespace photos {

struct LivePhotoRequestOptions {
  bool networkAccessAllowed = false;  // no effect: every file is local
};

using LivePhotoRequestOptionsPtr = std::shared_ptr<const LivePhotoRequestOptions>;

}  // namespace photos
