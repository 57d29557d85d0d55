#include "Facility/Services/InviteVisitorService.h"

#include "Facility/Support/JSONString.h"
#include "Platform/Foundation/Log.h"

using platform::Value;

namespace {

template <class Place>
Value::Array selectedPlaceValues(const std::vector<std::shared_ptr<Place>>& places) {
  Value::Array out;
  for (const auto& place : places) {
    if (place && place->isSelected.value_or(false)) out.emplace_back(place->value.value_or(""));
  }
  return out;
}

}  // namespace

Value::Dictionary InviteVisitorService::parameters(const VisitorInvitation& v) {
  Value twoWheelers(selectedPlaceValues(v.twoWheelers));
  Value fourWheelers(selectedPlaceValues(v.fourWheelers));
  Value::Dictionary body{{"FirstName", v.firstName},
                         {"LastName", v.lastName},
                         {"MobileNo", v.mobileNumber},
                         {"EmailId", v.email},
                         {"VisitorCategory", v.category},
                         {"VisitorCompany", v.companyName},
                         {"PurposeVisit", v.purposeVisit},
                         {"ExpectedDate", v.expectedDate},
                         {"ExpectedTime", v.expectedTime},
                         {"MeetingHours", v.meetingHours},
                         {"BuildingId", v.buildingId},
                         {"TwoWheelerParkingList", Value::array()},
                         {"FourWheelerParkingList", Value::array()},
                         {"StrTwoWheelerParkingList", jsonString(false, twoWheelers)},
                         {"StrFourWheelerParkingList", jsonString(false, fourWheelers)},
                         {"DefaultUp", v.defaultUpFloor},
                         {"DefaultDown", v.defaultDownFloor},
                         {"Location", ""}};
  platform::LogInfo("invite user parameter body: " + Value(body).description());
  return body;
}

void InviteVisitorService::requestInviteVisitor(const VisitorInvitation& invitation,
                                                ResponseCompletion<MDLInviteVisitor> completion,
                                                NotDelivered notDelivered) {
  auto request = APIRequest::make(APIName::Case::InviteVisitor, HTTPMethod::POST, parameters(invitation));
  APIManager::sendIfReachable<MDLInviteVisitor>(request, std::move(completion), std::move(notDelivered));
}
