#include "Facility/Network/APIName.h"

#include "Facility/Network/URLEncoding.h"
#include "Facility/Storage/UserDefaultsKey.h"

std::string APIName::name() const {
  static const char* kNames[kCaseCount] = {
      "FacilityAdminDashboard", "BaseAssignAccess", "VerifySecurityCode", "GetAccessToken", "GetVersion", "Logout",
      "RemoveToken", "SetPassword", "ForgotPassword", "ResetPassword", "GetImage", "AuthenticateUser", "BaseFacility",
      "UserDashboard", "BaseVisitor", "InviteVisitor", "AllotedFacility", "ManageFacility", "AssignAccess",
      "FindVehicleNumber", "SendNotification", "GetBroadCastNotification", "BroadCastNotificationCount",
      "ComplainCount", "ComplainCategory", "ComplainSave", "ComplainList", "initApi", "MyTaskCount",
      "CloseComplainList", "CloseComplainGet", "CloseComplainSave"};
  return kNames[static_cast<int>(case_)];
}

std::string APIName::path() const {
  switch (case_) {
    // Payloads are escaped like form values: a server-supplied id must not
    // add parameters of its own.
    case Case::FacilityAdminDashboard: return "FacilityAdmin/Dashboard?LocationId=" + URLEncoding::escape(payload_);
    case Case::BaseAssignAccess: return "Tenant/BaseAssignAccess?id=" + URLEncoding::escape(payload_);
    case Case::VerifySecurityCode:
    case Case::GetAccessToken:
    case Case::GetVersion:
    case Case::Logout:
    case Case::RemoveToken:
    case Case::SetPassword:
    case Case::ForgotPassword:
    case Case::ResetPassword: return "Security/" + name();
    case Case::GetImage: return "Facility/GetImage";
    case Case::AuthenticateUser: return "Authenticate/" + name();
    case Case::BaseFacility: return "FacilityAdmin/" + name();
    case Case::UserDashboard: return "User/Dashboard";
    case Case::BaseVisitor:
    case Case::InviteVisitor: return "User/" + name();
    case Case::AllotedFacility: return "Tenant/" + name();
    case Case::ManageFacility: return "Tenant/ManageFacility";
    case Case::AssignAccess: return "Tenant/AssignAccess";
    case Case::FindVehicleNumber: return "FindVehicle/FindVehicleNumber";
    case Case::SendNotification: return "FindVehicle/SendNotification";
    case Case::GetBroadCastNotification: return "Notification/GetBroadCastNotification";
    case Case::BroadCastNotificationCount: return "Notification/BroadCastNotificationCount";
    case Case::ComplainCount:
    case Case::ComplainCategory:
    case Case::ComplainSave:
    case Case::ComplainList:
    case Case::MyTaskCount:
    case Case::CloseComplainList:
    case Case::CloseComplainGet:
    case Case::CloseComplainSave: return "Complain/" + name();
    case Case::initApi: return "";
  }
  return "";
}

std::string APIName::baseURL() { return UserDefaultsAccess::storedServerUrl() + "/api/"; }

std::string APIName::urlString() const {
  if (case_ == Case::initApi) return kInitApiURL;
  return baseURL() + path();
}
