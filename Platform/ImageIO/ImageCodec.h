// Still-image coding for the tree: JPEG, PNG and (first frame) GIF decoding
// to an RGBA bitmap, and JPEG and PNG encoding of such a bitmap.
//
// A JPEG's orientation tag (Exif, 1...8) is applied when decoding: the bitmap
// is upright, and sizes are the displayed ones (5...8 swap width and height).
// A JPEG decoded for a smaller target uses libjpeg's DCT scaling to the
// smallest scale (n/8) that still covers the target.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "Platform/Foundation/Status.h"

namespace platform {

struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;  // width * height * 4, row-major
};

enum class ImageKind { kJpeg, kPng, kGif };

// What the header says, without decoding the pixels.
struct ImageInfo {
  ImageKind kind = ImageKind::kJpeg;
  int width = 0;   // displayed
  int height = 0;  // displayed
  int orientation = 1;
};

class ImageCodec {
 public:
  // Fails on bytes that are no image of a supported kind, or are damaged.
  static Result<Bitmap> decode(const std::vector<std::uint8_t>& data);
  // The same for a picture to be shown at least minWidth x minHeight
  // (displayed pixels): a JPEG may come out smaller than its full size, never
  // below those (or its full size). Other kinds decode at full size.
  static Result<Bitmap> decode(const std::vector<std::uint8_t>& data, int minWidth, int minHeight);
  static Result<ImageInfo> readInfo(const std::vector<std::uint8_t>& data);
  // Quality 1...100; libjpeg's defaults (baseline, 4:2:0 chroma). Alpha is
  // dropped: the encoder writes opaque RGB.
  static Result<std::vector<std::uint8_t>> encodeJpeg(const Bitmap& bitmap, int quality);
  // 8-bit RGBA, zlib level 3, the Sub filter on every row.
  static Result<std::vector<std::uint8_t>> encodePng(const Bitmap& bitmap);
  // The same for pixels the caller keeps (width * height RGBA quadruples,
  // row-major): nothing is copied, which matters for camera-sized photos.
  static Result<std::vector<std::uint8_t>> encodeJpeg(int width, int height, std::span<const std::uint8_t> rgba,
                                                      int quality);
  static Result<std::vector<std::uint8_t>> encodePng(int width, int height, std::span<const std::uint8_t> rgba);

  static bool isJpeg(const std::vector<std::uint8_t>& data);
  static bool isPng(const std::vector<std::uint8_t>& data);
};

}  // namespace platform
