// Images as data: a name, a size in points, an optional RGBA bitmap, and for
// animated images their frames and duration.
//
// The asset catalogue is a registry. Images registered by name win; other
// names get a synthetic 24x24 image carrying the name (the artwork is not
// part of the system), unless strict lookup is switched on, in which case an
// unregistered name gives none, as a missing asset does on the phone.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/UIKit/Color.h"
#include "Platform/UIKit/DrawingOperation.h"
#include "Platform/UIKit/Geometry.h"

namespace uikit {

class Image;
using ImagePtr = std::shared_ptr<const Image>;

enum class ImageRenderingMode { kAutomatic, kAlwaysOriginal, kAlwaysTemplate };

class Image {
 public:
  struct PrivateTag {};
  explicit Image(PrivateTag) {}

  static ImagePtr named(const std::string& name);
  static void registerNamed(const std::string& name, ImagePtr image);
  static void setStrictAssetLookup(bool strict);
  static void resetAssets();

  // A width x height bitmap, 4 bytes per pixel (RGBA), row-major. A buffer of
  // the wrong length gives none.
  static ImagePtr fromBitmap(int width, int height, std::vector<std::uint8_t> rgba, double scale = 1.0);
  static ImagePtr filled(Size size, const Color& color);
  static ImagePtr animated(std::vector<ImagePtr> frames, double duration);
  // Keeps encoded bytes with a given size; nothing is decoded.
  static ImagePtr withData(std::vector<std::uint8_t> data, Size size);
  // Decodes JPEG, PNG or GIF bytes into a bitmap (the bytes are kept as
  // data()); none when they are no image.
  static ImagePtr decoded(std::vector<std::uint8_t> data, double scale = 1.0);

  const std::string& name() const { return name_; }
  Size size() const { return size_; }
  double scale() const { return scale_; }
  int pixelWidth() const { return pixelWidth_; }
  int pixelHeight() const { return pixelHeight_; }
  const std::vector<std::uint8_t>& bitmap() const { return bitmap_; }
  // Pixel at (x, y) as RGBA; none outside the bitmap.
  bool pixelAt(int x, int y, std::uint8_t out[4]) const;
  const std::vector<ImagePtr>& images() const { return frames_; }
  double duration() const { return duration_; }
  bool isAnimated() const { return !frames_.empty(); }
  ImageRenderingMode renderingMode() const { return renderingMode_; }
  ImagePtr withRenderingMode(ImageRenderingMode mode) const;
  ImagePtr withTintColor(const Color& color) const;
  const Color* tintColor() const { return hasTint_ ? &tint_ : nullptr; }
  // Encoded bytes the image was made from, if any.
  const std::vector<std::uint8_t>& data() const { return data_; }
  // What was drawn into the context the image was rendered from (strokes,
  // fills, text), kept beside the pixels.
  const std::vector<DrawingOperation>& drawing() const { return drawing_; }
  ImagePtr withDrawing(std::vector<DrawingOperation> drawing) const;

  // The bitmap as JPEG at quality round(q * 100) clamped to 1...100, or as
  // 8-bit RGBA PNG; none for an image without a bitmap.
  std::optional<std::vector<std::uint8_t>> jpegData(double compressionQuality) const;
  std::optional<std::vector<std::uint8_t>> pngData() const;

  std::string description() const;

 private:
  std::string name_;
  Size size_;
  double scale_ = 1.0;
  int pixelWidth_ = 0;
  int pixelHeight_ = 0;
  std::vector<std::uint8_t> bitmap_;
  std::vector<ImagePtr> frames_;
  double duration_ = 0;
  ImageRenderingMode renderingMode_ = ImageRenderingMode::kAutomatic;
  Color tint_;
  bool hasTint_ = false;
  std::vector<std::uint8_t> data_;
  std::vector<DrawingOperation> drawing_;
};

}  // namespace uikit
