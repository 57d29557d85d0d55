#include "Platform/UIKit/Image.h"

#include "Platform/ImageIO/ImageCodec.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>

namespace uikit {

namespace {
struct Assets {
  std::mutex mu;
  std::map<std::string, ImagePtr> byName;
  bool strict = false;
};
Assets& assets() {
  static Assets a;
  return a;
}
}  // namespace

ImagePtr Image::named(const std::string& name) {
  if (name.empty()) return nullptr;
  Assets& a = assets();
  std::lock_guard<std::mutex> lock(a.mu);
  auto it = a.byName.find(name);
  if (it != a.byName.end()) return it->second;
  if (a.strict) return nullptr;
  auto img = std::make_shared<Image>(PrivateTag{});
  img->name_ = name;
  img->size_ = {24, 24};
  img->pixelWidth_ = 24;
  img->pixelHeight_ = 24;
  a.byName[name] = img;
  return img;
}

void Image::registerNamed(const std::string& name, ImagePtr image) {
  Assets& a = assets();
  std::lock_guard<std::mutex> lock(a.mu);
  if (!image) {
    a.byName.erase(name);
    return;
  }
  auto copy = std::make_shared<Image>(*image);
  copy->name_ = name;
  a.byName[name] = copy;
}

void Image::setStrictAssetLookup(bool strict) {
  Assets& a = assets();
  std::lock_guard<std::mutex> lock(a.mu);
  a.strict = strict;
}

void Image::resetAssets() {
  Assets& a = assets();
  std::lock_guard<std::mutex> lock(a.mu);
  a.byName.clear();
  a.strict = false;
}

ImagePtr Image::fromBitmap(int width, int height, std::vector<std::uint8_t> rgba, double scale) {
  if (width <= 0 || height <= 0 || scale <= 0) return nullptr;
  if (rgba.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4) return nullptr;
  auto img = std::make_shared<Image>(PrivateTag{});
  img->pixelWidth_ = width;
  img->pixelHeight_ = height;
  img->scale_ = scale;
  img->size_ = {width / scale, height / scale};
  img->bitmap_ = std::move(rgba);
  return img;
}

ImagePtr Image::filled(Size size, const Color& color) {
  int w = static_cast<int>(std::ceil(size.width));
  int h = static_cast<int>(std::ceil(size.height));
  if (w <= 0 || h <= 0) return nullptr;
  auto c = color.rgba().value_or(Color::RGBA{0, 0, 0, 1});
  std::vector<std::uint8_t> px(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
  for (std::size_t i = 0; i < px.size(); i += 4) {
    px[i] = static_cast<std::uint8_t>(std::lround(c.red * 255));
    px[i + 1] = static_cast<std::uint8_t>(std::lround(c.green * 255));
    px[i + 2] = static_cast<std::uint8_t>(std::lround(c.blue * 255));
    px[i + 3] = static_cast<std::uint8_t>(std::lround(c.alpha * 255));
  }
  auto img = fromBitmap(w, h, std::move(px));
  return img;
}

ImagePtr Image::animated(std::vector<ImagePtr> frames, double duration) {
  if (frames.empty()) return nullptr;
  for (const auto& f : frames) {
    if (!f) return nullptr;
  }
  auto img = std::make_shared<Image>(*frames.front());
  img->frames_ = std::move(frames);
  img->duration_ = duration;
  return img;
}

ImagePtr Image::withData(std::vector<std::uint8_t> data, Size size) {
  auto img = std::make_shared<Image>(PrivateTag{});
  img->data_ = std::move(data);
  img->size_ = size;
  img->pixelWidth_ = static_cast<int>(size.width);
  img->pixelHeight_ = static_cast<int>(size.height);
  return img;
}

ImagePtr Image::decoded(std::vector<std::uint8_t> data, double scale) {
  auto bitmap = platform::ImageCodec::decode(data);
  if (!bitmap.ok()) return nullptr;
  auto img = std::make_shared<Image>(PrivateTag{});
  auto decodedImage = fromBitmap(bitmap->width, bitmap->height, std::move(bitmap->rgba), scale);
  if (!decodedImage) return nullptr;
  *img = *decodedImage;
  img->data_ = std::move(data);
  return img;
}

bool Image::pixelAt(int x, int y, std::uint8_t out[4]) const {
  if (x < 0 || y < 0 || x >= pixelWidth_ || y >= pixelHeight_ || bitmap_.empty()) return false;
  std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(pixelWidth_) + static_cast<std::size_t>(x)) * 4;
  for (int k = 0; k < 4; ++k) out[k] = bitmap_[i + static_cast<std::size_t>(k)];
  return true;
}

ImagePtr Image::withRenderingMode(ImageRenderingMode mode) const {
  auto img = std::make_shared<Image>(*this);
  img->renderingMode_ = mode;
  return img;
}

ImagePtr Image::withTintColor(const Color& color) const {
  auto img = std::make_shared<Image>(*this);
  img->tint_ = color;
  img->hasTint_ = true;
  return img;
}

ImagePtr Image::withDrawing(std::vector<DrawingOperation> drawing) const {
  auto img = std::make_shared<Image>(*this);
  img->drawing_ = std::move(drawing);
  return img;
}

std::optional<std::vector<std::uint8_t>> Image::jpegData(double compressionQuality) const {
  if (bitmap_.empty()) return std::nullopt;
  // NaN counts as the lowest quality rather than reaching the encoder.
  const double q = std::isnan(compressionQuality) ? 0.0 : std::clamp(compressionQuality, 0.0, 1.0);
  const int quality = std::clamp(static_cast<int>(std::lround(q * 100.0)), 1, 100);
  // The pixels are encoded where they are: a camera photo is tens of megabytes.
  auto bytes = platform::ImageCodec::encodeJpeg(pixelWidth_, pixelHeight_, bitmap_, quality);
  if (!bytes.ok()) return std::nullopt;
  return std::move(*bytes);
}

std::optional<std::vector<std::uint8_t>> Image::pngData() const {
  if (bitmap_.empty()) return std::nullopt;
  auto bytes = platform::ImageCodec::encodePng(pixelWidth_, pixelHeight_, bitmap_);
  if (!bytes.ok()) return std::nullopt;
  return std::move(*bytes);
}

std::string Image::description() const {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%gx%g", size_.width, size_.height);
  std::string s = name_.empty() ? std::string("image ") + buf : name_ + " " + buf;
  if (isAnimated()) s += " animated(" + std::to_string(frames_.size()) + ")";
  return s;
}

}  // namespace uikit
