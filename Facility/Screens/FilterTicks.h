// What a complaint list sends for one group of a filter tree: the ticked
// options (isSelected 1), in option order, joined by "," without spaces.
#pragma once

#include <string>

#include "Facility/Models/MDLFilterList.h"

class FilterTicks {
 public:
  // Month options give their API form; one without it still takes its place
  // as an empty element.
  static std::string months(const Places& group);
  // Other options give their id in decimal, 0 when absent.
  static std::string ids(const Places& group);
};
