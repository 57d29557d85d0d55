#include "Facility/Services/FacilityDashboardService.h"

void FacilityDashboardService::requestFacilityAdminDashboard(const std::string& locationId,
                                                             ResponseCompletion<MDLFacilityDashboard> completion,
                                                             NotDelivered notDelivered) {
  APIManager::sendIfReachable<MDLFacilityDashboard>(
      APIRequest::make(APIName::FacilityAdminDashboardFor(locationId), HTTPMethod::GET), std::move(completion),
      std::move(notDelivered));
}

void FacilityDashboardService::requestFindVehicleNumber(const std::string& vehicleNumber,
                                                        ResponseCompletion<VehicleDetailsModel> completion,
                                                        NotDelivered notDelivered) {
  auto request = APIRequest::make(APIName::Case::FindVehicleNumber, HTTPMethod::POST,
                                  platform::Value::Dictionary{{"VehicleNumber", vehicleNumber}});
  APIManager::sendIfReachable<VehicleDetailsModel>(request, std::move(completion), std::move(notDelivered));
}

void FacilityDashboardService::requestSendNotification(const platform::Value::Dictionary& parameters,
                                                       ResponseCompletion<GeneralResponseModel> completion,
                                                       NotDelivered notDelivered) {
  auto request = APIRequest::make(APIName::Case::SendNotification, HTTPMethod::POST, parameters);
  APIManager::sendIfReachable<GeneralResponseModel>(request, std::move(completion), std::move(notDelivered));
}

void FacilityDashboardService::requestBroadCastNotification(ResponseCompletion<BroadCastNotificationModel> completion,
                                                            NotDelivered notDelivered) {
  APIManager::sendIfReachable<BroadCastNotificationModel>(
      APIRequest::make(APIName::Case::GetBroadCastNotification, HTTPMethod::GET), std::move(completion),
      std::move(notDelivered));
}
