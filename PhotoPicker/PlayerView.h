// A view showing a video player's picture through its player layer.
#pragma once

#include <memory>
#include <string>

#include "Platform/AVFoundation/Player.h"
#include "Platform/UIKit/Layer.h"
#include "Platform/UIKit/View.h"

namespace photopicker {

class PlayerView : public uikit::View {
 public:
  static constexpr const char* kVideoGravityResizeAspect = "AVLayerVideoGravityResizeAspect";

  // The backing layer: the player whose picture it shows (nothing is
  // rendered) and how the picture fits the layer.
  class PlayerLayer : public uikit::Layer {
   public:
    std::shared_ptr<avfoundation::Player> player;
    std::string videoGravity;
  };

  PlayerView();
  explicit PlayerView(const uikit::Rect& frame);

  // The backing layer, typed.
  PlayerLayer& playerLayer() const { return static_cast<PlayerLayer&>(layer()); }

 protected:
  uikit::LayerPtr makeLayer() const override { return std::make_shared<PlayerLayer>(); }
};

}  // namespace photopicker
