#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// Engine set-up reply in envelope form.
struct MDLInitApi {
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};
  std::optional<std::string> key{};

  friend bool operator==(const MDLInitApi&, const MDLInitApi&) = default;
};
FACILITY_WIRE_RECORD(MDLInitApi, kDecode, false)
