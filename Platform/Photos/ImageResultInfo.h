// What comes with each delivery of an image manager.
#pragma once

#include <cstdint>
#include <optional>

#include "Platform/Foundation/Status.h"

namespace photos {

using ImageRequestID = std::int32_t;
constexpr ImageRequestID kInvalidImageRequestID = 0;

struct ImageResultInfo {
  ImageRequestID requestId = kInvalidImageRequestID;
  // A smaller image; the final one follows.
  bool degraded = false;
  // Set on the one delivery without image that a failure gives.
  std::optional<platform::Status> error;
};

}  // namespace photos
