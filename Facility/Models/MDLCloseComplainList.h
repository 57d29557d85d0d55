#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// One task (a complaint to resolve).
struct MDLCloseComplain {
  std::optional<std::string> id{};
  std::optional<std::string> tenant{};
  std::optional<std::string> clientName{};
  std::optional<std::string> complainDesc{};
  std::optional<std::string> typeOfComplain{};
  std::optional<std::string> complainFor{};
  std::optional<std::string> visitDate{};
  std::optional<std::string> daysRemaining{};
  std::optional<std::string> reportingTime{};
  std::optional<std::string> status{};
  std::optional<std::string> description{};

  friend bool operator==(const MDLCloseComplain&, const MDLCloseComplain&) = default;
};
FACILITY_WIRE_RECORD(MDLCloseComplain, kDecode, false)

// Reply: the facility staff's tasks with their counters.
struct MDLCloseComplainList {
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};
  std::optional<std::vector<MDLCloseComplain>> closeComplainList{};
  std::optional<std::int64_t> todayTotal{};
  std::optional<std::int64_t> overdueTotal{};
  std::optional<std::int64_t> allTotal{};

  friend bool operator==(const MDLCloseComplainList&, const MDLCloseComplainList&) = default;
};
FACILITY_WIRE_RECORD(MDLCloseComplainList, kDecode, false)
