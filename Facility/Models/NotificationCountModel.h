#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// Unread broadcast count; "Total" is text on the wire.
struct NotificationCountModel {
  std::optional<std::string> total{};
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};

  friend bool operator==(const NotificationCountModel&, const NotificationCountModel&) = default;
};
FACILITY_WIRE_RECORD(NotificationCountModel, kBoth, false)
