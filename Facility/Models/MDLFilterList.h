#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// One filter option; isSelected is 1 or 0, an integer on the wire.
struct SubPlaces {
  std::optional<std::string> name{};
  std::optional<std::int64_t> id{};
  std::optional<std::int64_t> isSelected{};
  std::optional<std::string> monthInAPIFormate{};

  friend bool operator==(const SubPlaces&, const SubPlaces&) = default;
};
FACILITY_WIRE_RECORD(SubPlaces, kBoth, false)

// One filter group.
struct Places {
  std::optional<std::string> name{};
  std::optional<std::int64_t> id{};
  std::optional<std::int64_t> isSelected{};
  std::optional<std::vector<SubPlaces>> subPlaces{};

  friend bool operator==(const Places&, const Places&) = default;
};
FACILITY_WIRE_RECORD(Places, kBoth, false)

// The filter groups in display order.
struct FilterData {
  std::optional<std::vector<Places>> places{};

  friend bool operator==(const FilterData&, const FilterData&) = default;
};
FACILITY_WIRE_RECORD(FilterData, kBoth, false)

// The complaint filter tree; no reply envelope. All fields are writable: screens mark
// selections in place.
struct MDLFilterList {
  std::optional<FilterData> responseData{};

  friend bool operator==(const MDLFilterList&, const MDLFilterList&) = default;
};
FACILITY_WIRE_RECORD(MDLFilterList, kBoth, false)
