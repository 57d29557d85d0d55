// A CPU blur over an RGBA buffer, as the popup backgrounds use it: edges
// are clamped (so the blur does not fade them), the exposure is lowered by
// one stop, then a Gaussian of the given radius (its standard deviation)
// is applied.
#pragma once

#include <cstdint>
#include <vector>

#include "Platform/Foundation/Status.h"

namespace platform {

class Blur {
 public:
  // rgba holds width * height * 4 bytes; the result has the same size.
  static Result<std::vector<std::uint8_t>> darkenedGaussian(int width, int height,
                                                            const std::vector<std::uint8_t>& rgba, double radius);
};

}  // namespace platform
