// How an image request is served. Opportunistic asynchronous requests may
// first deliver a smaller cached image marked degraded; synchronous ones
// decode on the caller's thread and deliver once before returning.
#pragma once

#include <memory>

namespace photos {

enum class ImageRequestOptionsDeliveryMode : int { kOpportunistic = 0, kHighQualityFormat = 1, kFastFormat = 2 };
enum class ImageRequestOptionsResizeMode : int { kNone = 0, kFast = 1, kExact = 2 };

struct ImageRequestOptions {
  bool networkAccessAllowed = false;  // no effect: every file is local
  bool synchronous = false;
  ImageRequestOptionsDeliveryMode deliveryMode = ImageRequestOptionsDeliveryMode::kOpportunistic;
  ImageRequestOptionsResizeMode resizeMode = ImageRequestOptionsResizeMode::kFast;
};

using ImageRequestOptionsPtr = std::shared_ptr<const ImageRequestOptions>;

}  // namespace photos
