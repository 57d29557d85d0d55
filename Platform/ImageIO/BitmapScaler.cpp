#include "Platform/ImageIO/BitmapScaler.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace platform {
namespace {

struct Tap {
  int index;
  float weight;
};

// For each output position, the source positions it reads and their weights
// (summing to 1): the covered span when shrinking, the two neighbours when
// growing.
std::vector<std::vector<Tap>> tapsFor(int src, int dst) {
  std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(dst));
  const double scale = static_cast<double>(src) / dst;
  for (int i = 0; i < dst; ++i) {
    auto& out = taps[static_cast<std::size_t>(i)];
    if (scale >= 1.0) {
      const double from = i * scale;
      const double to = std::min<double>(src, (i + 1) * scale);
      for (int s = static_cast<int>(std::floor(from)); s < to && s < src; ++s) {
        const double overlap = std::min<double>(s + 1, to) - std::max<double>(s, from);
        if (overlap > 0) out.push_back({s, static_cast<float>(overlap / (to - from))});
      }
    } else {
      const double centre = std::clamp((i + 0.5) * scale - 0.5, 0.0, static_cast<double>(src - 1));
      const int left = static_cast<int>(std::floor(centre));
      const int right = std::min(left + 1, src - 1);
      const auto frac = static_cast<float>(centre - left);
      out.push_back({left, 1.0f - frac});
      if (right != left) out.push_back({right, frac});
    }
  }
  return taps;
}

}  // namespace

Bitmap BitmapScaler::resized(const Bitmap& source, int width, int height) {
  const auto sw = static_cast<std::size_t>(std::max(source.width, 0));
  const auto sh = static_cast<std::size_t>(std::max(source.height, 0));
  if (width <= 0 || height <= 0 || sw == 0 || sh == 0 || source.rgba.size() != sw * sh * 4) return Bitmap{};
  if (source.width == width && source.height == height) return source;
  const auto dw = static_cast<std::size_t>(width);
  const auto dh = static_cast<std::size_t>(height);

  // Horizontal pass into floats, then vertical into bytes.
  const auto xTaps = tapsFor(source.width, width);
  std::vector<float> mid(dw * sh * 4);
  for (std::size_t y = 0; y < sh; ++y) {
    const std::uint8_t* row = &source.rgba[y * sw * 4];
    float* out = &mid[y * dw * 4];
    for (std::size_t x = 0; x < dw; ++x) {
      float acc[4] = {0, 0, 0, 0};
      for (const Tap& t : xTaps[x]) {
        const std::uint8_t* p = row + static_cast<std::size_t>(t.index) * 4;
        for (int c = 0; c < 4; ++c) acc[c] += p[c] * t.weight;
      }
      for (int c = 0; c < 4; ++c) out[x * 4 + static_cast<std::size_t>(c)] = acc[c];
    }
  }
  const auto yTaps = tapsFor(source.height, height);
  Bitmap result;
  result.width = width;
  result.height = height;
  result.rgba.resize(dw * dh * 4);
  std::vector<float> acc(dw * 4);
  for (std::size_t y = 0; y < dh; ++y) {
    std::fill(acc.begin(), acc.end(), 0.0f);
    for (const Tap& t : yTaps[y]) {
      const float* row = &mid[static_cast<std::size_t>(t.index) * dw * 4];
      for (std::size_t i = 0; i < dw * 4; ++i) acc[i] += row[i] * t.weight;
    }
    std::uint8_t* out = &result.rgba[y * dw * 4];
    for (std::size_t i = 0; i < dw * 4; ++i) {
      out[i] = static_cast<std::uint8_t>(std::clamp(std::lround(acc[i]), 0L, 255L));
    }
  }
  return result;
}

}  // namespace platform
