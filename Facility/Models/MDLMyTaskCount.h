#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// Reply: the three task counters.
struct MDLMyTaskCount {
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};
  std::optional<std::int64_t> todayTotal{};
  std::optional<std::int64_t> allTotal{};
  std::optional<std::int64_t> overdueTotal{};

  friend bool operator==(const MDLMyTaskCount&, const MDLMyTaskCount&) = default;
};
FACILITY_WIRE_RECORD(MDLMyTaskCount, kDecode, false)
