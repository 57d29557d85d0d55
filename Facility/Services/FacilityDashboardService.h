// The tiles of one location and the security-desk exchanges: vehicle lookup,
// notification to the vehicle's owner, broadcast notifications.
#pragma once

#include <string>

#include "Facility/Models/BroadCastNotificationModel.h"
#include "Facility/Models/GeneralResponseModel.h"
#include "Facility/Models/MDLFacilityDashboard.h"
#include "Facility/Models/VehicleDetailsModel.h"
#include "Facility/Network/ResponseCompletion.h"
#include "Platform/Foundation/Value.h"

class FacilityDashboardService {
 public:
  // The location id travels in the path; no body.
  void requestFacilityAdminDashboard(const std::string& locationId, ResponseCompletion<MDLFacilityDashboard> completion,
                                     NotDelivered notDelivered = nullptr);
  // Sent as given, neither trimmed nor checked.
  void requestFindVehicleNumber(const std::string& vehicleNumber, ResponseCompletion<VehicleDetailsModel> completion,
                                NotDelivered notDelivered = nullptr);
  // The caller's dictionary, unchanged.
  void requestSendNotification(const platform::Value::Dictionary& parameters,
                               ResponseCompletion<GeneralResponseModel> completion,
                               NotDelivered notDelivered = nullptr);
  void requestBroadCastNotification(ResponseCompletion<BroadCastNotificationModel> completion,
                                    NotDelivered notDelivered = nullptr);
};
