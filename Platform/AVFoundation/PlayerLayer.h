// A layer showing a player's picture. Nothing is rendered: it keeps the
// player and how the picture would fit the layer.
#pragma once

#include <memory>
#include <string>

#include "Platform/AVFoundation/LayerVideoGravity.h"
#include "Platform/AVFoundation/Player.h"
#include "Platform/UIKit/Layer.h"

namespace avfoundation {

class PlayerLayer : public uikit::Layer {
 public:
  std::shared_ptr<Player> player;
  std::string videoGravity = kLayerVideoGravityResizeAspect;
};

}  // namespace avfoundation
