// Builds the complaint filter tree (months, status, place) as a JSON
// document and reads it back through the filter records, so the filter
// screens work on the same records a server reply of that shape gives.
// Nothing is cached: each call computes the months from the current date.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/MDLFilterList.h"
#include "Facility/Screens/ComplainerType.h"

class ComplainResolverJSONData {
 public:
  struct MonthList {
    std::vector<std::string> names;     // "Jan 2026", in the device's locale
    std::vector<std::string> apiForms;  // "01-2026", always ASCII digits
  };

  static ComplainResolverJSONData& shared();

  ComplainerType userType = ComplainerType::resolver;

  // None when the document cannot be built or read (logged).
  std::optional<FilterData> getFilterData(ComplainerType type) const;
  std::optional<std::string> createFilterJSON(ComplainerType type) const;
  // January two years back to December two years ahead of the current year.
  static MonthList getMonthList();
};
