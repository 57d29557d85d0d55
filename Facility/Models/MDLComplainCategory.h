#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// One complaint type.
struct ComplainCategory {
  std::optional<std::int64_t> categoryID{};
  std::optional<std::string> categoryName{};
  int isSelected = 0;  // local only

  friend bool operator==(const ComplainCategory&, const ComplainCategory&) = default;
};
FACILITY_WIRE_RECORD(ComplainCategory, kDecode, false)

// Reply: the complaint types of one facility type.
struct MDLComplainCategory {
  std::optional<std::string> FTID{};
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};
  std::optional<std::vector<ComplainCategory>> arrComplainCategory{};

  friend bool operator==(const MDLComplainCategory&, const MDLComplainCategory&) = default;
};
FACILITY_WIRE_RECORD(MDLComplainCategory, kDecode, false)
