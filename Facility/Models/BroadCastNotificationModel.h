#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// One broadcast notification.
struct BroadCastNotificationListModel {
  std::optional<std::string> fromData{};
  std::optional<std::string> messageBody{};
  std::optional<std::string> notifications{};
  std::optional<std::string> sentDate{};
  std::optional<std::string> sentTime{};
  std::optional<std::int64_t> broadCastMasterID{};
  std::optional<std::int64_t> audienceViewerID{};
  std::optional<bool> viewed{};

  friend bool operator==(const BroadCastNotificationListModel&, const BroadCastNotificationListModel&) = default;
};
FACILITY_WIRE_RECORD(BroadCastNotificationListModel, kBoth, false)

// Reply: the broadcast notifications.
struct BroadCastNotificationModel {
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};
  std::optional<std::vector<BroadCastNotificationListModel>> broadCastNotificationList{};

  friend bool operator==(const BroadCastNotificationModel&, const BroadCastNotificationModel&) = default;
};
FACILITY_WIRE_RECORD(BroadCastNotificationModel, kBoth, false)
