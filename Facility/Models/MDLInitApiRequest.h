#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// Body of the engine key request: exactly {"key": <API key>}.
struct MDLInitApiRequest {
  std::string key{};

  friend bool operator==(const MDLInitApiRequest&, const MDLInitApiRequest&) = default;
};
FACILITY_WIRE_RECORD(MDLInitApiRequest, kEncode, false)
