#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// Reply of the invitation security-code check.
struct MDLVerifySecurity {
  std::optional<bool> IsSuccess{};
  std::optional<bool> IsPasswordSet{};
  std::optional<std::string> Message{};
  std::optional<std::string> Username{};
  std::optional<std::string> EmailId{};

  friend bool operator==(const MDLVerifySecurity&, const MDLVerifySecurity&) = default;
};
FACILITY_WIRE_RECORD(MDLVerifySecurity, kDecode, false)
