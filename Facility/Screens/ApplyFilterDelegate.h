// Receives what a complaint filter screen hands back: the whole tree on
// Apply (flag false), nothing on Clear All (flag true).
#pragma once

#include <optional>

#include "Facility/Models/MDLFilterList.h"

class ApplyFilterDelegate {
 public:
  virtual ~ApplyFilterDelegate() = default;
  virtual void applyFilter(const std::optional<FilterData>& filteredData, bool isClearFilterButtonTapped) = 0;
};
