#include "Platform/CoreImage/Blur.h"

#include <algorithm>
#include <cmath>

namespace platform {

Result<std::vector<std::uint8_t>> Blur::darkenedGaussian(int width, int height, const std::vector<std::uint8_t>& rgba,
                                                         double radius) {
  if (width <= 0 || height <= 0) return Status::InvalidArgument("empty image");
  const std::size_t n = static_cast<std::size_t>(width) * height;
  if (rgba.size() != n * 4) return Status::InvalidArgument("bitmap size does not match the image");
  if (!(radius >= 0) || radius > 1000) return Status::InvalidArgument("blur radius out of range");

  // One stop darker halves the colour; alpha is kept.
  std::vector<double> work(n * 4);
  for (std::size_t i = 0; i < n; ++i) {
    for (int c = 0; c < 3; ++c) work[i * 4 + c] = rgba[i * 4 + c] * 0.5;
    work[i * 4 + 3] = rgba[i * 4 + 3];
  }

  if (radius > 0) {
    int extent = static_cast<int>(std::ceil(radius * 3));
    std::vector<double> kernel(static_cast<std::size_t>(2 * extent + 1));
    double sum = 0;
    for (int k = -extent; k <= extent; ++k) {
      double v = std::exp(-(k * k) / (2 * radius * radius));
      kernel[static_cast<std::size_t>(k + extent)] = v;
      sum += v;
    }
    for (double& v : kernel) v /= sum;
    std::vector<double> tmp(work.size());
    auto pass = [&](const std::vector<double>& src, std::vector<double>& dst, bool horizontal) {
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          double acc[4] = {0, 0, 0, 0};
          for (int k = -extent; k <= extent; ++k) {
            int sx = horizontal ? std::clamp(x + k, 0, width - 1) : x;
            int sy = horizontal ? y : std::clamp(y + k, 0, height - 1);
            const double* p = &src[(static_cast<std::size_t>(sy) * width + sx) * 4];
            double w = kernel[static_cast<std::size_t>(k + extent)];
            for (int c = 0; c < 4; ++c) acc[c] += p[c] * w;
          }
          double* d = &dst[(static_cast<std::size_t>(y) * width + x) * 4];
          for (int c = 0; c < 4; ++c) d[c] = acc[c];
        }
      }
    };
    pass(work, tmp, true);
    pass(tmp, work, false);
  }

  std::vector<std::uint8_t> out(n * 4);
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<std::uint8_t>(std::clamp(std::lround(work[i]), 0L, 255L));
  }
  return out;
}

}  // namespace platform
