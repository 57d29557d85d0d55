// The filter button of the complaint lists: "Filter" with the gray icon
// (tag 2) while no filter applies, "Filtered" with the blue icon (tag 9)
// while one does.
#pragma once

#include <memory>

#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/Label.h"

class FilterIndicator {
 public:
  static constexpr const char* kGrayFilter = "grayFilter";
  static constexpr const char* kBlueFilter = "blueFilter";

  static void show(const std::shared_ptr<uikit::ImageView>& icon, const std::shared_ptr<uikit::Label>& title,
                   bool filtered);
  static void registerImages();
};
