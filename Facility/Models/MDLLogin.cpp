#include "Facility/Models/MDLLogin.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLLogin>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLLogin", {
        field<&MDLLogin::EmpId>("EmpId"),
        field<&MDLLogin::ImageUrl>("ImageUrlImageUrl"),
        field<&MDLLogin::LoginType>("LoginType"),
        field<&MDLLogin::AccessToken>("AccessToken"),
        field<&MDLLogin::RefreshToken>("RefreshToken"),
        field<&MDLLogin::TokenExpiredIn>("TokenExpiredIn"),
        field<&MDLLogin::TenantId>("TenantId"),
        field<&MDLLogin::Version>("Version"),
        field<&MDLLogin::IsSSO>("IsSSO"),
        field<&MDLLogin::IsFindVehicle>("IsFindVehicle"),
        field<&MDLLogin::IsCloseComplain>("IsCloseComplain"),
        field<&MDLLogin::encryptedUserName>("encryptedUserName"),
        field<&MDLLogin::encryptedPassword>("encryptedPassword"),
        field<&MDLLogin::apiKey>("ApiKey"),
        field<&MDLLogin::IsSuccess>("IsSuccess"),
        field<&MDLLogin::Message>("Message"),
        field<&MDLLogin::TenantAdmin>("TenantAdmin"),
        field<&MDLLogin::FacilityAdmin>("FacilityAdmin"),
      },
      {"EmpId", "ImageUrlImageUrl", "LoginType", "AccessToken", "RefreshToken", "TokenExpiredIn", "TenantId", "Version", "IsSSO", "encryptedUserName", "encryptedPassword", "ApiKey", "IsSuccess", "Message", "TenantAdmin", "FacilityAdmin", "IsFindVehicle", "IsCloseComplain"});
    return t;
  }();
  return table;
}
