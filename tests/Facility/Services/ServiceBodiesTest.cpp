#include <functional>

#include "Facility/Services/AssignAccessService.h"
#include "Facility/Services/ComplainWebServicesManager.h"
#include "Facility/Services/GlobalService.h"
#include "Facility/Services/InviteVisitorService.h"
#include "Facility/Services/LRFService.h"
#include "Facility/Services/ManageFacilityService.h"
#include "Facility/Services/VMAllottedFacility.h"
#include "Facility/Services/VMBaseAssignAccess.h"
#include "Facility/Services/VMBaseFacility.h"
#include "Facility/Services/VMBaseVisitor.h"
#include "Facility/Services/VMFacilityDashboard.h"
#include "Facility/Services/VMGlobal.h"
#include "Facility/Services/VMUserDashboard.h"
#include "Facility/Services/VerifySecurityService.h"
#include "tests/Facility/Services/ServicesFixture.h"

namespace {

using platform::Value;

class ServiceBodiesTest : public ServicesFixture {};

template <class R>
ResponseCompletion<R> ignore() {
  return [](DataResponse<R>) {};
}

struct WireCase {
  const char* name;
  std::function<void()> send;
  const char* method;
  const char* path;
  FormPairs form;  // in the form's (sorted) order
};

TEST_F(ServiceBodiesTest, EachRequestSendsItsMethodPathAndFormFields) {
  ComplainWebServicesManager& complaints = ComplainWebServicesManager::shared();
  const std::vector<WireCase> cases = {
      {"set password", [] { LRFService().requestSetPassword("ann ", "p&w", ignore<MDLSetPassword>()); }, "POST",
       "/api/Security/SetPassword", {{"Password", "p&w"}, {"Username", "ann "}}},
      {"sign in", [] { LRFService().requestAuthenticateUser("ann", "pw", ignore<MDLLogin>()); }, "POST",
       "/api/Authenticate/AuthenticateUser", {{"Password", "pw"}, {"UserName", "ann"}}},
      {"forgot password", [] { LRFService().requestForgotPassword("a@b.c", ignore<MDLForgotPassword>()); }, "POST",
       "/api/Security/ForgotPassword", {{"EmailId", "a@b.c"}}},
      {"reset password",
       [] { LRFService().requestResetPassword("a@b.c", "1234", "new", ignore<MDLResetPassword>()); }, "POST",
       "/api/Security/ResetPassword", {{"EmailId", "a@b.c"}, {"OTP", "1234"}, {"password", "new"}}},
      {"security code", [] { VerifySecurityService().requestVerifySecurityCode("XY12", ignore<MDLVerifySecurity>()); },
       "POST", "/api/Security/VerifySecurityCode", {{"SecurityCode", "XY12"}}},
      {"access token", [] { GlobalService().requestGetAccessToken("r1", "ios", ignore<MDLGetAccessToken>()); },
       "POST", "/api/Security/GetAccessToken", {{"device_type", "ios"}, {"refresh_token", "r1"}}},
      {"image", [] { GlobalService().requestGetImage(ignore<MDLGetImage>()); }, "GET", "/api/Facility/GetImage", {}},
      {"count", [] { GlobalService().requestBroadCastNotificationCount(ignore<NotificationCountModel>()); }, "GET",
       "/api/Notification/BroadCastNotificationCount", {}},
      {"logout", [] { GlobalService().requestLogout(ignore<MDLLogout>()); }, "GET", "/api/Security/Logout", {}},
      {"user dashboard", [] { UserdashboardService().requestUserDashboard(ignore<MDLUserDashboard>()); }, "GET",
       "/api/User/Dashboard", {}},
      {"locations", [] { BaseFacilityService().requestBaseFacility(ignore<MDLBaseFacility>()); }, "GET",
       "/api/FacilityAdmin/BaseFacility", {}},
      {"tiles", [] { FacilityDashboardService().requestFacilityAdminDashboard("7", ignore<MDLFacilityDashboard>()); },
       "GET", "/api/FacilityAdmin/Dashboard", {}},
      {"empty vehicle number",
       [] { FacilityDashboardService().requestFindVehicleNumber("", ignore<VehicleDetailsModel>()); }, "POST",
       "/api/FindVehicle/FindVehicleNumber", {{"VehicleNumber", ""}}},
      {"owner notification",
       [] {
         FacilityDashboardService().requestSendNotification(
             {{"TenantName", "T"}, {"EmpID", "9"}, {"EmailId", ""}, {"VehicleNumber", "MH 12"}},
             ignore<GeneralResponseModel>());
       },
       "POST", "/api/FindVehicle/SendNotification",
       {{"EmailId", ""}, {"EmpID", "9"}, {"TenantName", "T"}, {"VehicleNumber", "MH 12"}}},
      {"broadcasts",
       [] { FacilityDashboardService().requestBroadCastNotification(ignore<BroadCastNotificationModel>()); }, "GET",
       "/api/Notification/GetBroadCastNotification", {}},
      {"allotted", [] { GetAllottedFacilityService().requestAllotedFacility(ignore<MDLAllotedFacility>()); }, "GET",
       "/api/Tenant/AllotedFacility", {}},
      {"complaint count", [] { VMAllottedFacility().requestComplainCount(ignore<MDLComplainCount>()); }, "GET",
       "/api/Complain/ComplainCount", {}},
      {"employees",
       [] {
         ManageFacilityService::Query q;
         q.pageNo = "3";
         q.sortDesc = "1";
         ManageFacilityService().requestManageFacility(q, ignore<MDLManageFacility>());
       },
       "POST", "/api/Tenant/ManageFacility",
       {{"IsFloorAccess", "0"}, {"IsParkingAccess", "0"}, {"IsTagAssigned", "0"}, {"IsVisitorAssignAccess", "0"},
        {"PageNo", "3"}, {"SortDesc", "1"}, {"SortOn", "0"}}},
      {"assignment form", [] { BaseAssignAccessService().requestBaseAssignAccess("42", ignore<MDLBaseAssignAccess>()); },
       "GET", "/api/Tenant/BaseAssignAccess", {}},
      {"visitor form", [] { BaseVisitorService().requestBaseVisitor(ignore<MDLBaseVisitor>()); }, "GET",
       "/api/User/BaseVisitor", {}},
      {"complaint types", [&] { complaints.requestComplainCategory("", ignore<MDLComplainCategory>()); }, "POST",
       "/api/Complain/ComplainCategory", {{"FTID", ""}}},
      {"complaint save",
       [&] {
         complaints.requestComplainSave({{"FacilityTypeID", 2},
                                         {"ComplainMappingID", 0},
                                         {"Remark", "leak"},
                                         {"StrImgupload", Value::Array{"AA==", "AQ=="}}},
                                        ignore<MDLInviteVisitor>());
       },
       "POST", "/api/Complain/ComplainSave",
       {{"ComplainMappingID", "0"}, {"FacilityTypeID", "2"}, {"Remark", "leak"}, {"StrImgupload[]", "AA=="},
        {"StrImgupload[]", "AQ=="}}},
      {"complaint list (empty body)", [&] { complaints.requestComplainList({}, ignore<MDLComplainList>()); }, "POST",
       "/api/Complain/ComplainList", {}},
      {"task count", [&] { complaints.requestMyTaskCount(ignore<MDLMyTaskCount>()); }, "GET",
       "/api/Complain/MyTaskCount", {}},
      {"task list",
       [&] {
         complaints.requestCloseComplainList({{"TaskStatus", "O"}, {"ComplainFilter", "1,3"}, {"MonthFilter", ""}},
                                             ignore<MDLCloseComplainList>());
       },
       "POST", "/api/Complain/CloseComplainList", {{"ComplainFilter", "1,3"}, {"MonthFilter", ""}, {"TaskStatus", "O"}}},
      {"task", [&] { complaints.requestCloseComplainGet({{"ID", "5"}}, ignore<MDLCloseComplainGet>()); }, "POST",
       "/api/Complain/CloseComplainGet", {{"ID", "5"}}},
      {"task closure",
       [&] {
         complaints.requestCloseComplainSave({{"TenantID", 0}, {"ID", "5"}, {"Remark", ""}, {"FacilityType", "B"}},
                                             ignore<MDLCloseComplainSave>());
       },
       "POST", "/api/Complain/CloseComplainSave",
       {{"FacilityType", "B"}, {"ID", "5"}, {"Remark", ""}, {"TenantID", "0"}}},
  };
  server_.setDefaultReply({200, R"({"IsSuccess":true})"});
  std::size_t sent = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.send();
    ASSERT_TRUE(waitForRequests(++sent));
    auto request = lastRequest();
    EXPECT_EQ(request.method, c.method);
    EXPECT_EQ(request.path, c.path);
    EXPECT_EQ(request.form(), c.form);
    if (std::string(c.method) == "GET") {
      EXPECT_EQ(request.body, "");
    }
  }
  pump();
}

TEST_F(ServiceBodiesTest, PathIdsTravelInTheQueryAndNotInTheBody) {
  server_.setDefaultReply({200, R"({"IsSuccess":true})"});
  FacilityDashboardService().requestFacilityAdminDashboard("12&x=1", ignore<MDLFacilityDashboard>());
  ASSERT_TRUE(waitForRequests(1));
  EXPECT_EQ(lastRequest().query(), (FormPairs{{"LocationId", "12&x=1"}}));
  BaseAssignAccessService().requestBaseAssignAccess("42", ignore<MDLBaseAssignAccess>());
  ASSERT_TRUE(waitForRequests(2));
  EXPECT_EQ(lastRequest().query(), (FormPairs{{"id", "42"}}));
  EXPECT_EQ(lastRequest().body, "");
  pump();
}

std::shared_ptr<MDLBaseAssignFloor> floor(std::optional<std::string> value, std::optional<bool> selected) {
  auto f = std::make_shared<MDLBaseAssignFloor>();
  f->value = std::move(value);
  f->isSelected = selected;
  return f;
}

std::shared_ptr<MDLBaseAssignAccessBuilding> building(
    std::optional<std::string> value, std::optional<std::vector<std::shared_ptr<MDLBaseAssignFloor>>> floors) {
  auto b = std::make_shared<MDLBaseAssignAccessBuilding>();
  b->value = std::move(value);
  b->floorList = std::move(floors);
  return b;
}

template <class P>
std::shared_ptr<P> place(std::optional<std::string> value, std::optional<bool> selected) {
  auto p = std::make_shared<P>();
  p->value = std::move(value);
  p->isSelected = selected;
  return p;
}

TEST_F(ServiceBodiesTest, AssignmentKeepsOnlyBuildingsWithSelectedFloorValues) {
  auto withDefaults = building("B1", std::vector{floor("1", true), floor("2", false), floor(std::nullopt, true)});
  withDefaults->defaultUp = withDefaults->floorList->at(0);
  withDefaults->defaultDown = floor(std::nullopt, true);  // a default without a value
  auto noValue = building(std::nullopt, std::vector{floor("5", true)});
  auto allUnselected = building("B3", std::vector{floor("7", false), floor("8", std::nullopt)});
  allUnselected->isSelected = true;
  allUnselected->defaultUp = allUnselected->floorList->at(0);
  auto selectedWithoutValue = building("B4", std::vector{floor(std::nullopt, true)});
  auto noFloorList = building("B5", std::nullopt);

  auto items = AssignAccessService::buildingItems({withDefaults, noValue, allUnselected, selectedWithoutValue, noFloorList});
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0], Value(Value::Dictionary{{"BuildingId", "B1"},
                                              {"DefaultUp", "1"},
                                              {"DefaultDown", ""},
                                              {"FloorList", Value::Array{"1"}}}));
  EXPECT_EQ(items[1], Value(Value::Dictionary{
                          {"DefaultUp", ""}, {"DefaultDown", ""}, {"FloorList", Value::Array{"5"}}}));

  auto body = AssignAccessService::parameters(
      "E7", {noFloorList, allUnselected},
      {place<MDLTwoWheeler>("3", std::nullopt), place<MDLTwoWheeler>(std::nullopt, true),
       place<MDLTwoWheeler>("5", true)},
      {place<MDLFourWheeler>("9", false)});
  EXPECT_EQ(body.size(), 4u);
  EXPECT_EQ(body["EmployeeId"], Value("E7"));
  EXPECT_EQ(body["StrBuildingList"], Value("[]"));
  EXPECT_EQ(body["TwoWheelerParkingList"], Value(Value::Array{"5"}));
  EXPECT_EQ(body["FourWheelerParkingList"], Value(Value::Array{}));
}

TEST_F(ServiceBodiesTest, AssignmentSendsTheBuildingListAsOneJsonTextAndNoPairForEmptyParking) {
  server_.setDefaultReply({200, R"({"IsSuccess":true})"});
  auto b = building("B1", std::vector{floor("1", true), floor("2", true)});
  AssignAccessService().requestAssignAccess("E7", {b}, {}, {place<MDLFourWheeler>("P9", true)},
                                            ignore<MDLAssignAccess>());
  ASSERT_TRUE(waitForRequests(1));
  auto form = lastRequest().form();
  ASSERT_EQ(form.size(), 3u);
  EXPECT_EQ(form[0], (std::pair<std::string, std::string>{"EmployeeId", "E7"}));
  EXPECT_EQ(form[1], (std::pair<std::string, std::string>{"FourWheelerParkingList[]", "P9"}));
  EXPECT_EQ(form[2].first, "StrBuildingList");
  auto parsed = Value::parseJson(form[2].second);
  ASSERT_TRUE(parsed.ok());
  EXPECT_EQ(parsed.value(), Value(Value::Array{Value::Dictionary{{"BuildingId", "B1"},
                                                                 {"DefaultUp", ""},
                                                                 {"DefaultDown", ""},
                                                                 {"FloorList", Value::Array{"1", "2"}}}}));
  EXPECT_EQ(form[2].second.find(' '), std::string::npos);
  pump();
}

VisitorInvitation invitation() {
  VisitorInvitation v;
  v.firstName = "Ann";
  v.lastName = "Lee";
  v.category = "2";
  v.mobileNumber = "+4412";
  v.email = "a@b.c";
  v.purposeVisit = "Audit";
  v.companyName = "Acme";
  v.expectedDate = "01/02/2027";
  v.expectedTime = "09:30";
  v.meetingHours = "01:00";
  v.buildingId = "12";
  v.defaultUpFloor = "3";
  v.defaultDownFloor = "1";
  v.twoWheelers = {place<MDLTwoWheeler>("3", true), place<MDLTwoWheeler>("4", std::nullopt),
                   place<MDLTwoWheeler>("5", true), place<MDLTwoWheeler>("6", false)};
  v.fourWheelers = {place<MDLFourWheeler>(std::nullopt, true)};
  return v;
}

TEST_F(ServiceBodiesTest, InvitationHasItsEighteenKeys) {
  auto body = InviteVisitorService::parameters(invitation());
  const Value::Dictionary expected{{"FirstName", "Ann"},
                                   {"LastName", "Lee"},
                                   {"MobileNo", "+4412"},
                                   {"EmailId", "a@b.c"},
                                   {"VisitorCategory", "2"},
                                   {"VisitorCompany", "Acme"},
                                   {"PurposeVisit", "Audit"},
                                   {"ExpectedDate", "01/02/2027"},
                                   {"ExpectedTime", "09:30"},
                                   {"MeetingHours", "01:00"},
                                   {"BuildingId", "12"},
                                   {"TwoWheelerParkingList", Value::Array{}},
                                   {"FourWheelerParkingList", Value::Array{}},
                                   {"StrTwoWheelerParkingList", R"(["3","5"])"},
                                   {"StrFourWheelerParkingList", R"([""])"},
                                   {"DefaultUp", "3"},
                                   {"DefaultDown", "1"},
                                   {"Location", ""}};
  EXPECT_EQ(body, expected);

  auto empty = InviteVisitorService::parameters(VisitorInvitation{});
  EXPECT_EQ(empty.size(), 18u);
  EXPECT_EQ(empty["StrTwoWheelerParkingList"], Value("[]"));
  EXPECT_EQ(empty["StrFourWheelerParkingList"], Value("[]"));
  EXPECT_EQ(empty["Location"], Value(""));
}

TEST_F(ServiceBodiesTest, InvitationSendsSixteenFormFields) {
  server_.setDefaultReply({200, R"({"IsSuccess":true})"});
  InviteVisitorService().requestInviteVisitor(invitation(), ignore<MDLInviteVisitor>());
  ASSERT_TRUE(waitForRequests(1));
  auto request = lastRequest();
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.path, "/api/User/InviteVisitor");
  auto form = request.form();
  EXPECT_EQ(form.size(), 16u);
  for (const auto& [key, value] : form) {
    EXPECT_NE(key, "TwoWheelerParkingList[]");
    EXPECT_NE(key, "FourWheelerParkingList[]");
    if (key == "StrTwoWheelerParkingList") {
      EXPECT_EQ(value, R"(["3","5"])");
    }
    if (key == "BuildingId") {
      EXPECT_EQ(value, "12");
    }
  }
  pump();
}

}  // namespace
