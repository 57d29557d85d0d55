#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// Reply of the engine key request; its envelope keys are lower-case.
struct MDLInitApiResponse {
  std::optional<std::string> key{};
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};

  friend bool operator==(const MDLInitApiResponse&, const MDLInitApiResponse&) = default;
};
FACILITY_WIRE_RECORD(MDLInitApiResponse, kDecode, false)
