#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// One location, or one floor of a visitor building. Both texts are required: a missing key or
// null gives "", a value of another type still fails.
struct MDLLocation {
  std::string value{};
  std::string text{};

  friend bool operator==(const MDLLocation&, const MDLLocation&) = default;
};
FACILITY_WIRE_RECORD(MDLLocation, kDecode, false)
