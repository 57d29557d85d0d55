// View model of the facility dashboard, the broadcast list, the number
// scanner and the scan-result popup.
#pragma once

#include <memory>
#include <string>

#include "Facility/Services/FacilityDashboardService.h"

class VMFacilityDashboard {
 public:
  std::shared_ptr<FacilityDashboardService> facilityDashboardService = std::make_shared<FacilityDashboardService>();

  void requestFacilityAdminDashboard(const std::string& locationId, ResponseCompletion<MDLFacilityDashboard> completion,
                                     NotDelivered notDelivered = nullptr);
  void requestFindVehicleNumber(const std::string& vehicleNumber, ResponseCompletion<VehicleDetailsModel> completion,
                                NotDelivered notDelivered = nullptr);
  void requestSendNotification(const platform::Value::Dictionary& parameters,
                               ResponseCompletion<GeneralResponseModel> completion,
                               NotDelivered notDelivered = nullptr);
  void requestBroadCastNotification(ResponseCompletion<BroadCastNotificationModel> completion,
                                    NotDelivered notDelivered = nullptr);
};
