#include "Facility/Services/VMFacilityDashboard.h"

#include "Facility/Services/ViewModelLoader.h"

void VMFacilityDashboard::requestFacilityAdminDashboard(const std::string& locationId,
                                                        ResponseCompletion<MDLFacilityDashboard> completion,
                                                        NotDelivered notDelivered) {
  facilityDashboardService->requestFacilityAdminDashboard(
      locationId, ViewModelLoader::hidingBefore(std::move(completion)), std::move(notDelivered));
}

void VMFacilityDashboard::requestFindVehicleNumber(const std::string& vehicleNumber,
                                                   ResponseCompletion<VehicleDetailsModel> completion,
                                                   NotDelivered notDelivered) {
  facilityDashboardService->requestFindVehicleNumber(
      vehicleNumber, ViewModelLoader::hidingBefore(std::move(completion)), std::move(notDelivered));
}

void VMFacilityDashboard::requestSendNotification(const platform::Value::Dictionary& parameters,
                                                  ResponseCompletion<GeneralResponseModel> completion,
                                                  NotDelivered notDelivered) {
  facilityDashboardService->requestSendNotification(parameters, ViewModelLoader::hidingBefore(std::move(completion)),
                                                    std::move(notDelivered));
}

void VMFacilityDashboard::requestBroadCastNotification(ResponseCompletion<BroadCastNotificationModel> completion,
                                                       NotDelivered notDelivered) {
  facilityDashboardService->requestBroadCastNotification(ViewModelLoader::hidingBefore(std::move(completion)),
                                                         std::move(notDelivered));
}
