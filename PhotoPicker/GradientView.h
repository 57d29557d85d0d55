// A view whose layer is a gradient: shades the bottom of a video cell behind
// its duration. The user sets the locations on the layer itself.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Platform/UIKit/Color.h"
#include "Platform/UIKit/GradientLayer.h"
#include "Platform/UIKit/View.h"

namespace photopicker {

class GradientView : public uikit::View {
 public:
  using uikit::View::View;

  uikit::GradientLayer& gradientLayer() const { return static_cast<uikit::GradientLayer&>(layer()); }
  const std::optional<std::vector<uikit::Color>>& colors() const { return gradientLayer().colors; }
  // In order; none clears the layer's colours.
  void setColors(std::optional<std::vector<uikit::Color>> colors) { gradientLayer().colors = std::move(colors); }

 protected:
  uikit::LayerPtr makeLayer() const override { return std::make_shared<uikit::GradientLayer>(); }
};

}  // namespace photopicker
