#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// Generic status reply (the vehicle-owner notification).
struct GeneralResponseModel {
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};

  friend bool operator==(const GeneralResponseModel&, const GeneralResponseModel&) = default;
};
FACILITY_WIRE_RECORD(GeneralResponseModel, kBoth, false)
