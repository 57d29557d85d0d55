// Renders a vehicle number as a plate photo: DejaVu Sans Bold at 64 px,
// black on white with a 6 px white margin, optionally centred on a larger
// white canvas, encoded as JPEG at quality 85. The same input gives the same
// bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/Status.h"
#include "Platform/ImageIO/ImageCodec.h"

namespace facility_test {

struct CanvasSize {
  int width = 0;
  int height = 0;
};

class PlateRenderer {
 public:
  static constexpr const char* kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
  static constexpr int kPixelSize = 64;
  static constexpr int kMargin = 6;
  static constexpr int kJpegQuality = 85;

  // The plate as a bitmap. A canvas smaller than the plate is an error.
  static platform::Result<platform::Bitmap> renderBitmap(const std::string& text,
                                                         std::optional<CanvasSize> canvas = std::nullopt);
  static platform::Result<std::vector<std::uint8_t>> renderJpeg(const std::string& text,
                                                                std::optional<CanvasSize> canvas = std::nullopt);
  // Writes the JPEG to a file.
  static platform::Status writeJpeg(const std::string& text, const std::string& path,
                                    std::optional<CanvasSize> canvas = std::nullopt);
};

}  // namespace facility_test
