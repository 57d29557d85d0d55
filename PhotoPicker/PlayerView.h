// A view showing a video player's picture through its player layer.
#pragma once

#include <memory>

#include "Platform/AVFoundation/PlayerLayer.h"
#include "Platform/UIKit/View.h"

namespace photopicker {

class PlayerView : public uikit::View {
 public:
  using PlayerLayer = avfoundation::PlayerLayer;

  PlayerView();
  explicit PlayerView(const uikit::Rect& frame);

  // The backing layer, typed.
  PlayerLayer& playerLayer() const { return static_cast<PlayerLayer&>(layer()); }

 protected:
  uikit::LayerPtr makeLayer() const override { return std::make_shared<PlayerLayer>(); }
};

}  // namespace photopicker
