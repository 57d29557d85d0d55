// What a player plays: an asset and its duration.
#pragma once

#include <cstdint>
#include <memory>

#include "Platform/AVFoundation/Asset.h"

namespace avfoundation {

// Posted on the main loop when an item played to its end; the user info's
// "item" is the item's identifier().
inline constexpr const char* kPlayerItemDidPlayToEndTimeNotification = "AVPlayerItemDidPlayToEndTimeNotification";

class PlayerItem {
 public:
  explicit PlayerItem(AssetPtr asset);
  const AssetPtr& asset() const { return asset_; }
  double duration() const { return asset_ ? asset_->duration() : 0; }
  // Unique in the process; names the item in the end notification.
  std::int64_t identifier() const { return id_; }

 private:
  AssetPtr asset_;
  std::int64_t id_;
};

}  // namespace avfoundation
