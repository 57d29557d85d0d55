#include "Platform/UIKit/GraphicsImageContext.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "Platform/UIKit/GraphicsContext.h"

namespace uikit {

namespace {

struct Context {
  int width = 0;
  int height = 0;
  double scale = 1;
  std::vector<std::uint8_t> rgba;
  GraphicsContext recording;
};

// Contexts stay put while inner ones are pushed, so a GraphicsContext pointer
// held during a nested pass remains valid.
std::vector<std::unique_ptr<Context>>& stack() {
  thread_local std::vector<std::unique_ptr<Context>> s;
  return s;
}

// Source-over of one colour onto a premultiplied-free RGBA pixel.
void blend(std::uint8_t* px, const Color::RGBA& c, double alpha) {
  double da = px[3] / 255.0;
  double oa = alpha + da * (1 - alpha);
  auto channel = [&](double src, std::uint8_t dst) {
    if (oa <= 0) return std::uint8_t{0};
    double v = (src * alpha + dst / 255.0 * da * (1 - alpha)) / oa;
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
  };
  px[0] = channel(c.red, px[0]);
  px[1] = channel(c.green, px[1]);
  px[2] = channel(c.blue, px[2]);
  px[3] = static_cast<std::uint8_t>(std::lround(std::clamp(oa, 0.0, 1.0) * 255));
}

}  // namespace

bool GraphicsImageContext::begin(Size size, double scale) {
  if (!(scale > 0)) return false;
  double w = std::ceil(size.width * scale);
  double h = std::ceil(size.height * scale);
  // Keeps a runaway size from asking for gigabytes.
  if (!(w >= 1 && h >= 1) || w * h > 64.0 * 1024 * 1024) return false;
  auto c = std::make_unique<Context>();
  c->width = static_cast<int>(w);
  c->height = static_cast<int>(h);
  c->scale = scale;
  c->rgba.assign(static_cast<std::size_t>(c->width) * static_cast<std::size_t>(c->height) * 4, 0);
  stack().push_back(std::move(c));
  return true;
}

bool GraphicsImageContext::hasCurrent() { return !stack().empty(); }

void GraphicsImageContext::renderLayer(const Layer& layer) {
  if (stack().empty()) return;
  paintBackground(layer);
  layer.drawContents();
}

void GraphicsImageContext::paintBackground(const Layer& layer) {
  if (!layer.backgroundColor) return;
  auto rgba = layer.backgroundColor->rgba();
  if (!rgba) return;
  double alpha = std::clamp(rgba->alpha * layer.opacity, 0.0, 1.0);
  if (alpha <= 0) return;
  Context& c = *stack().back();
  Size s = layer.bounds().size;
  int w = std::min(c.width, static_cast<int>(std::ceil(std::max(0.0, s.width) * c.scale)));
  int h = std::min(c.height, static_cast<int>(std::ceil(std::max(0.0, s.height) * c.scale)));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      blend(&c.rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(c.width) + static_cast<std::size_t>(x)) * 4],
            *rgba, alpha);
    }
  }
}

ImagePtr GraphicsImageContext::imageFromCurrent() {
  if (stack().empty()) return nullptr;
  const Context& c = *stack().back();
  auto image = Image::fromBitmap(c.width, c.height, c.rgba, c.scale);
  if (image && !c.recording.operations().empty()) image = image->withDrawing(c.recording.operations());
  return image;
}

GraphicsContext* GraphicsContext::current() {
  return stack().empty() ? nullptr : &stack().back()->recording;
}

void GraphicsImageContext::end() {
  if (!stack().empty()) stack().pop_back();
}

}  // namespace uikit
