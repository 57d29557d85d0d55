#include <gtest/gtest.h>

#include "Facility/Network/APIManager.h"
#include "Facility/Network/APIName.h"
#include "Facility/Network/URLEncoding.h"
#include "Facility/Storage/UserDefaultsKey.h"
#include "tests/support/CoreFixture.h"

using platform::Value;

namespace {

class APICatalogueTest : public CoreFixture {};

TEST_F(APICatalogueTest, EveryCaseHasItsPathUnderTheStoredServer) {
  UserDefaultsAccess::setValue(Value("https://fm.example"), UserDefaultsKey::serverUrl);
  using C = APIName::Case;
  const std::pair<APIName, const char*> table[] = {
      {APIName::FacilityAdminDashboardFor("5"), "FacilityAdmin/Dashboard?LocationId=5"},
      {APIName::BaseAssignAccessFor("42"), "Tenant/BaseAssignAccess?id=42"},
      {C::VerifySecurityCode, "Security/VerifySecurityCode"}, {C::GetAccessToken, "Security/GetAccessToken"},
      {C::GetVersion, "Security/GetVersion"}, {C::Logout, "Security/Logout"}, {C::RemoveToken, "Security/RemoveToken"},
      {C::SetPassword, "Security/SetPassword"}, {C::ForgotPassword, "Security/ForgotPassword"},
      {C::ResetPassword, "Security/ResetPassword"}, {C::GetImage, "Facility/GetImage"},
      {C::AuthenticateUser, "Authenticate/AuthenticateUser"}, {C::BaseFacility, "FacilityAdmin/BaseFacility"},
      {C::UserDashboard, "User/Dashboard"}, {C::BaseVisitor, "User/BaseVisitor"},
      {C::InviteVisitor, "User/InviteVisitor"}, {C::AllotedFacility, "Tenant/AllotedFacility"},
      {C::ManageFacility, "Tenant/ManageFacility"}, {C::AssignAccess, "Tenant/AssignAccess"},
      {C::FindVehicleNumber, "FindVehicle/FindVehicleNumber"}, {C::SendNotification, "FindVehicle/SendNotification"},
      {C::GetBroadCastNotification, "Notification/GetBroadCastNotification"},
      {C::BroadCastNotificationCount, "Notification/BroadCastNotificationCount"},
      {C::ComplainCount, "Complain/ComplainCount"}, {C::ComplainCategory, "Complain/ComplainCategory"},
      {C::ComplainSave, "Complain/ComplainSave"}, {C::ComplainList, "Complain/ComplainList"},
      {C::MyTaskCount, "Complain/MyTaskCount"}, {C::CloseComplainList, "Complain/CloseComplainList"},
      {C::CloseComplainGet, "Complain/CloseComplainGet"}, {C::CloseComplainSave, "Complain/CloseComplainSave"},
  };
  EXPECT_EQ(std::size(table), static_cast<std::size_t>(APIName::kCaseCount - 1));
  for (const auto& [name, path] : table) {
    EXPECT_EQ(name.urlString(), std::string("https://fm.example/api/") + path) << name.name();
  }
  EXPECT_EQ(APIName(C::initApi).urlString(), APIName::kInitApiURL);
  EXPECT_NE(std::string(APIName::kInitApiURL).find("/api/Facility/Init"), std::string::npos);
}

TEST_F(APICatalogueTest, ServerAddressIsUsedAsStored) {
  EXPECT_EQ(APIName(APIName::Case::Logout).urlString(), "/api/Security/Logout");
  UserDefaultsAccess::setValue(Value("http://h/"), UserDefaultsKey::serverUrl);
  EXPECT_EQ(APIName(APIName::Case::Logout).urlString(), "http://h//api/Security/Logout");
}

TEST_F(APICatalogueTest, PayloadsCannotAddParameters) {
  EXPECT_EQ(APIName::BaseAssignAccessFor("E12ab").path(), "Tenant/BaseAssignAccess?id=E12ab");
  EXPECT_EQ(APIName::BaseAssignAccessFor("1&admin=1 x").path(), "Tenant/BaseAssignAccess?id=1%26admin%3D1%20x");
  EXPECT_EQ(APIName::FacilityAdminDashboardFor("a/b?c").path(), "FacilityAdmin/Dashboard?LocationId=a%2Fb%3Fc");
  EXPECT_EQ(APIName::BaseAssignAccessFor("1"), APIName::BaseAssignAccessFor("1"));
  EXPECT_FALSE(APIName::BaseAssignAccessFor("1") == APIName::BaseAssignAccessFor("2"));
}

TEST_F(APICatalogueTest, FormEncodingSortsEscapesAndExpandsLists) {
  Value::Dictionary params{
      {"b", Value("x y&z=é")},
      {"a", Value(true)},
      {"List", Value(Value::Array{Value(1), Value("t")})},
      {"Empty", Value(Value::Array{})},
      {"n", Value(false)},
      {"num", Value(12)},
      {"keep", Value("A-Z_a.z~09")},
      {"gone", Value()},
      {"d", Value(Value::Dictionary{{"k", Value("v")}})},
  };
  EXPECT_EQ(URLEncoding::query(params),
            "List%5B%5D=1&List%5B%5D=t&a=1&b=x%20y%26z%3D%C3%A9&d%5Bk%5D=v&keep=A-Z_a.z~09&n=0&num=12");
  EXPECT_EQ(URLEncoding::query({}), "");
}

TEST_F(APICatalogueTest, EncodingDecidesWhereParametersGo) {
  UserDefaultsAccess::setValue(Value("http://h"), UserDefaultsKey::serverUrl);
  Value::Dictionary p{{"k", Value("v")}};
  auto body = APIManager::prepare(APIRequest(APIName::Case::Logout, HTTPMethod::GET, p, RequestType::httpBody));
  EXPECT_EQ(body.url, "http://h/api/Security/Logout");
  EXPECT_EQ(body.body, "k=v");
  auto query = APIManager::prepare(APIRequest(APIName::BaseAssignAccessFor("3"), HTTPMethod::POST, p,
                                              RequestType::queryString));
  EXPECT_EQ(query.url, "http://h/api/Tenant/BaseAssignAccess?id=3&k=v");
  EXPECT_FALSE(query.body);
  auto defGet = APIManager::prepare(APIRequest(APIName::Case::Logout, HTTPMethod::GET, p, RequestType::default_));
  EXPECT_EQ(defGet.url, "http://h/api/Security/Logout?k=v");
  auto defPost = APIManager::prepare(APIRequest(APIName::Case::Logout, HTTPMethod::POST, p, RequestType::default_));
  EXPECT_EQ(defPost.body, "k=v");
  auto none = APIManager::prepare(APIRequest(APIName::Case::Logout, HTTPMethod::GET, std::nullopt, RequestType::httpBody));
  EXPECT_FALSE(none.body);
}

}  // namespace
