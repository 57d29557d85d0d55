#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// One raised complaint; its identifier is text.
struct MDLComplain {
  std::optional<std::string> id{};
  std::optional<std::string> status{};
  std::optional<std::string> complainFor{};
  std::optional<std::string> typeOfComplain{};
  std::optional<std::string> description{};
  std::optional<std::string> visitDate{};

  friend bool operator==(const MDLComplain&, const MDLComplain&) = default;
};
FACILITY_WIRE_RECORD(MDLComplain, kDecode, false)

// Reply: the user's raised complaints.
struct MDLComplainList {
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};
  std::optional<std::vector<MDLComplain>> arrComplains{};

  friend bool operator==(const MDLComplainList&, const MDLComplainList&) = default;
};
FACILITY_WIRE_RECORD(MDLComplainList, kDecode, false)
