// The endpoints of the facility web service and their URLs under the stored
// server address ("serverurl" + "/api/").
#pragma once

#include <string>

class APIName {
 public:
  enum class Case {
    FacilityAdminDashboard, BaseAssignAccess, VerifySecurityCode, GetAccessToken, GetVersion, Logout, RemoveToken,
    SetPassword, ForgotPassword, ResetPassword, GetImage, AuthenticateUser, BaseFacility, UserDashboard, BaseVisitor,
    InviteVisitor, AllotedFacility, ManageFacility, AssignAccess, FindVehicleNumber, SendNotification,
    GetBroadCastNotification, BroadCastNotificationCount, ComplainCount, ComplainCategory, ComplainSave, ComplainList,
    initApi, MyTaskCount, CloseComplainList, CloseComplainGet, CloseComplainSave,
  };
  static constexpr int kCaseCount = 32;
  // The fixed engine-initialisation endpoint (not under the server address).
  static constexpr const char* kInitApiURL = "http://127.0.0.1:8090/api/Facility/Init";

  APIName(Case c) : case_(c) {}  // NOLINT: cases read like values
  static APIName FacilityAdminDashboardFor(std::string locationId) {
    return APIName(Case::FacilityAdminDashboard, std::move(locationId));
  }
  static APIName BaseAssignAccessFor(std::string id) { return APIName(Case::BaseAssignAccess, std::move(id)); }

  Case apiCase() const { return case_; }
  const std::string& payload() const { return payload_; }
  // The case's name as written in the catalogue ("GetAccessToken").
  std::string name() const;
  // Path after "/api/", payload escaped as a query value.
  std::string path() const;
  static std::string baseURL();
  std::string urlString() const;

  friend bool operator==(const APIName& a, const APIName& b) { return a.case_ == b.case_ && a.payload_ == b.payload_; }

 private:
  APIName(Case c, std::string payload) : case_(c), payload_(std::move(payload)) {}
  Case case_;
  std::string payload_;
};
