// Views built from interface files.
#pragma once

#include <memory>
#include <string>

#include "Platform/UIKit/View.h"

class NibLoader {
 public:
  // The first top-level object of the named interface file when it is a
  // view; none when the file is unknown, empty or starts with something else.
  static std::shared_ptr<uikit::View> loadFromNib(const std::string& name);
};
