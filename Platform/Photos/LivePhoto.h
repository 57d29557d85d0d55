// A still with its motion: the still's size and the two files. The motion is
// not rendered.
#pragma once

#include <memory>
#include <string>

#include "Platform/UIKit/Geometry.h"

namespace photos {

class LivePhoto;
using LivePhotoPtr = std::shared_ptr<const LivePhoto>;

class LivePhoto {
 public:
  LivePhoto(uikit::Size size, std::string assetIdentifier, std::string stillPath, std::string videoPath,
            double duration)
      : size_(size),
        assetIdentifier_(std::move(assetIdentifier)),
        stillPath_(std::move(stillPath)),
        videoPath_(std::move(videoPath)),
        duration_(duration) {}

  // In pixels, as the still is displayed.
  uikit::Size size() const { return size_; }
  const std::string& assetIdentifier() const { return assetIdentifier_; }
  const std::string& stillPath() const { return stillPath_; }
  const std::string& videoPath() const { return videoPath_; }
  // Of the motion, seconds (0 when unknown).
  double duration() const { return duration_; }

 private:
  uikit::Size size_;
  std::string assetIdentifier_;
  std::string stillPath_;
  std::string videoPath_;
  double duration_;
};

}  // namespace photos
