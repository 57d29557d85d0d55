// A video of the asset grid: the photo cell with its duration over a
// gradient along the bottom edge.
#pragma once

#include <memory>

#include "PhotoPicker/AssetCollectionViewCell.h"
#include "PhotoPicker/GradientView.h"
#include "Platform/UIKit/Label.h"

namespace photopicker {

class VideoCollectionViewCell : public AssetCollectionViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "VideoCell";
  static constexpr double kGradientHeight = 30;

  VideoCollectionViewCell();

  const std::shared_ptr<GradientView>& gradientView() const { return gradientView_; }
  const std::shared_ptr<uikit::Label>& durationLabel() const { return durationLabel_; }

 private:
  std::shared_ptr<GradientView> gradientView_;
  std::shared_ptr<uikit::Label> durationLabel_;
};

}  // namespace photopicker
