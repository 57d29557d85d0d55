// Options of a request for a video's audio-visual asset.
#pragma once

#include <memory>

namespace photos {

struct VideoRequestOptions {
  bool networkAccessAllowed = false;  // no effect: every file is local
};

using VideoRequestOptionsPtr = std::shared_ptr<const VideoRequestOptions>;

}  // namespace photos
