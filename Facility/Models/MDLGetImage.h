#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// Reply carrying the facility image.
struct MDLGetImage {
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};
  std::optional<std::string> docImage{};

  friend bool operator==(const MDLGetImage&, const MDLGetImage&) = default;
};
FACILITY_WIRE_RECORD(MDLGetImage, kDecode, false)
