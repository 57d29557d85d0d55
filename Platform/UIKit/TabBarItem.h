// What a screen shows in the tab bar.
#pragma once

#include <string>

#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/Object.h"

namespace uikit {

class TabBarItem : public Object {
 public:
  std::string title;
  ImagePtr image;
  ImagePtr selectedImage;
  std::string badgeValue;
  long tag = 0;
};

}  // namespace uikit
