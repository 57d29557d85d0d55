// Still-image coding for the tree: JPEG, PNG and (first frame) GIF decoding
// to an RGBA bitmap, and JPEG encoding of such a bitmap.
#pragma once

#include <cstdint>
#include <vector>

#include "Platform/Foundation/Status.h"

namespace platform {

struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;  // width * height * 4, row-major
};

class ImageCodec {
 public:
  // Fails on bytes that are no image of a supported kind, or are damaged.
  static Result<Bitmap> decode(const std::vector<std::uint8_t>& data);
  // Quality 1...100. Alpha is dropped: the encoder writes opaque RGB.
  static Result<std::vector<std::uint8_t>> encodeJpeg(const Bitmap& bitmap, int quality);

  static bool isJpeg(const std::vector<std::uint8_t>& data);
  static bool isPng(const std::vector<std::uint8_t>& data);
};

}  // namespace platform
