// Decoded frames of an animated image (GIF) with their per-frame
// properties. Frames are full-canvas RGBA composites in display order.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "Platform/Foundation/Status.h"

namespace platform {

struct GifFrameProperties {
  // Seconds as written in the file.
  double unclampedDelayTime = 0;
  // The same, with very short delays (under 11 ms) raised to 0.1 s as
  // viewers do.
  double delayTime = 0;
};

struct ImageFrame {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;  // width * height * 4
  // Absent when the frame has no graphics control block.
  std::optional<GifFrameProperties> gif;
};

class ImageSource {
 public:
  // Fails on data that is not a readable GIF.
  static Result<ImageSource> createWithData(const std::vector<std::uint8_t>& data);

  std::size_t count() const { return frames_.size(); }
  const ImageFrame& frameAtIndex(std::size_t index) const { return frames_.at(index); }
  int canvasWidth() const { return width_; }
  int canvasHeight() const { return height_; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<ImageFrame> frames_;
};

}  // namespace platform
