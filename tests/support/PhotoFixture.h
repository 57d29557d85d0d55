// Photo-like test pictures: smooth gradients with a few shapes and mild
// noise (so JPEG sizes and decode times resemble a camera's), plus exact
// four-colour pictures whose quadrants a scaled copy must keep. The same
// arguments give the same pixels.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "Platform/Foundation/Status.h"
#include "Platform/ImageIO/ImageCodec.h"

namespace facility_test {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
};

class PhotoFixture {
 public:
  static platform::Bitmap photoLike(int width, int height, unsigned seed);
  // A diagonal gradient with uniform noise of +-amplitude on every channel;
  // an amplitude of 128 or more is noise alone.
  static platform::Bitmap noisyGradient(int width, int height, int amplitude, unsigned seed);
  // Top-left, top-right, bottom-left, bottom-right.
  static platform::Bitmap quadrants(int width, int height, const std::array<Rgb, 4>& colours);

  // JPEG bytes; an orientation other than 1 is written as an Exif tag (the
  // pixels are stored as given).
  static std::vector<std::uint8_t> jpeg(const platform::Bitmap& bitmap, int quality = 90, int orientation = 1);
  static std::vector<std::uint8_t> png(const platform::Bitmap& bitmap);

  // Writes bytes to path (parent folders made); mtime in seconds since 1970,
  // left alone when negative.
  static platform::Status writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                                    double modificationTime = -1);
};

}  // namespace facility_test
