#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// Reply: the tenant's complaint count.
struct MDLComplainCount {
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};
  std::optional<std::int64_t> complainCount{};

  friend bool operator==(const MDLComplainCount&, const MDLComplainCount&) = default;
};
FACILITY_WIRE_RECORD(MDLComplainCount, kDecode, false)
