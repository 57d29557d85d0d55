// A layer filled with a gradient, kept as data: colours, their locations on
// 0...1 and the axis from startPoint to endPoint in unit coordinates.
#pragma once

#include <optional>
#include <vector>

#include "Platform/UIKit/Color.h"
#include "Platform/UIKit/Geometry.h"
#include "Platform/UIKit/Layer.h"

namespace uikit {

class GradientLayer : public Layer {
 public:
  // None: no gradient is drawn.
  std::optional<std::vector<Color>> colors;
  // None: spread evenly.
  std::optional<std::vector<double>> locations;
  Point startPoint{0.5, 0};
  Point endPoint{0.5, 1};
};

}  // namespace uikit
