// Animated images from GIF data. Frame delays come at least 0.1 s each and
// play at twice the file's speed (delays count in half-milliseconds); a
// frame appears as many times as its delay holds the common step.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Platform/ImageIO/ImageSource.h"
#include "Platform/UIKit/Image.h"

class GifImage {
 public:
  using Completion = std::function<void()>;

  // None for data that is not a GIF.
  static uikit::ImagePtr gifImage(const std::vector<std::uint8_t>& data);
  static uikit::ImagePtr gifImageFromURL(const std::string& fileURLOrPath);
  // The main bundle's "<name>.gif". Stores the completion (none clears it)
  // for this and every later decode.
  static uikit::ImagePtr gifImageNamed(const std::string& name, Completion completion = nullptr);

  // Frame delay in seconds from a frame's GIF properties.
  static double delayForFrame(const std::optional<platform::GifFrameProperties>& gif);
  // Frame indices (repeated by delay) and duration from per-frame delays.
  struct Timeline {
    std::vector<std::size_t> frames;
    double duration = 0;
  };
  static Timeline timeline(const std::vector<double>& delays);
};
