#include <algorithm>
#include <filesystem>
#include <functional>

#include "Facility/Services/ComplainWebServicesManager.h"
#include "Facility/Services/VMAllottedFacility.h"
#include "Facility/Services/VMAssignAccess.h"
#include "Facility/Services/VMBaseAssignAccess.h"
#include "Facility/Services/VMBaseFacility.h"
#include "Facility/Services/VMBaseVisitor.h"
#include "Facility/Services/VMFacilityDashboard.h"
#include "Facility/Services/VMGlobal.h"
#include "Facility/Services/VMInviteVisitor.h"
#include "Facility/Services/VMLrf.h"
#include "Facility/Services/VMManageFacility.h"
#include "Facility/Services/VMUserDashboard.h"
#include "Facility/Services/VMVerifySecurity.h"
#include "tests/Facility/Services/ServicesFixture.h"

namespace {

class ViewModelsTest : public ServicesFixture {
 public:
  // A screen completion that records whether the record decoded.
  template <class R>
  ResponseCompletion<R> screen() {
    return [this](DataResponse<R> response) { events_.push_back(response.value ? "decoded" : "failed"); };
  }
};

struct VMCase {
  const char* name;
  std::function<void(ViewModelsTest&)> call;
  std::vector<std::string> before;  // loader calls the view model makes before sending
};

TEST_F(ViewModelsTest, EveryViewModelHidesTheLoaderBeforeTheScreenHearsTheReply) {
  std::vector<VMCase> cases = {
      {"sign in", [](ViewModelsTest& t) { VMLrf().requestAuthenticateUser("u", "p", t.screen<MDLLogin>()); }, {}},
      {"forgot", [](ViewModelsTest& t) { VMLrf().requestForgotPassword("e", t.screen<MDLForgotPassword>()); }, {}},
      {"reset", [](ViewModelsTest& t) { VMLrf().requestResetPassword("e", "o", "p", t.screen<MDLResetPassword>()); },
       {}},
      {"set password", [](ViewModelsTest& t) { VMLrf().requestSetPassword("u", "p", t.screen<MDLSetPassword>()); }, {}},
      {"security code",
       [](ViewModelsTest& t) { VMVerifySecurity().requestVerifySecurityCode("c", t.screen<MDLVerifySecurity>()); },
       {}},
      {"image", [](ViewModelsTest& t) { VMGlobal().requestGetImage(t.screen<MDLGetImage>()); }, {}},
      {"count",
       [](ViewModelsTest& t) { VMGlobal().requestBroadCastNotificationCount(t.screen<NotificationCountModel>()); },
       {}},
      {"logout", [](ViewModelsTest& t) { VMGlobal().requestLogout(t.screen<MDLLogout>()); }, {}},
      {"user dashboard",
       [](ViewModelsTest& t) { VMUserDashboard().requestUserDashboard(t.screen<MDLUserDashboard>()); }, {}},
      {"locations", [](ViewModelsTest& t) { VMBaseFacility().requestBaseFacility(t.screen<MDLBaseFacility>()); }, {}},
      {"tiles",
       [](ViewModelsTest& t) {
         VMFacilityDashboard().requestFacilityAdminDashboard("1", t.screen<MDLFacilityDashboard>());
       },
       {}},
      {"vehicle",
       [](ViewModelsTest& t) { VMFacilityDashboard().requestFindVehicleNumber("X", t.screen<VehicleDetailsModel>()); },
       {}},
      {"notify owner",
       [](ViewModelsTest& t) { VMFacilityDashboard().requestSendNotification({}, t.screen<GeneralResponseModel>()); },
       {}},
      {"broadcasts",
       [](ViewModelsTest& t) {
         VMFacilityDashboard().requestBroadCastNotification(t.screen<BroadCastNotificationModel>());
       },
       {}},
      {"allotted",
       [](ViewModelsTest& t) { VMAllottedFacility().requestAllotedFacility(t.screen<MDLAllotedFacility>()); }, {}},
      {"employees",
       [](ViewModelsTest& t) { VMManageFacility().requestManageFacility({}, t.screen<MDLManageFacility>()); }, {}},
      {"assignment form",
       [](ViewModelsTest& t) { VMBaseAssignAccess().requestBaseAssignAccess("1", t.screen<MDLBaseAssignAccess>()); },
       {}},
      {"assign",
       [](ViewModelsTest& t) { VMAssignAccess().requestAssignAccess("1", {}, {}, {}, t.screen<MDLAssignAccess>()); },
       {}},
      {"visitor form", [](ViewModelsTest& t) { VMBaseVisitor().requestBaseVisitor(t.screen<MDLBaseVisitor>()); },
       {"showBlank"}},
      {"invite", [](ViewModelsTest& t) { VMInviteVisitor().requestInviteVisitor({}, t.screen<MDLInviteVisitor>()); },
       {"showBlank"}},
  };
  // A decodable and an undecodable reply: both reach the screen after the hide.
  for (const char* body : {R"({"IsSuccess":true})", "<html>"}) {
    server_.setDefaultReply({200, body});
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " / " + body);
      events_.clear();
      c.call(*this);
      ASSERT_TRUE(runUntil([&] { return events_.size() == c.before.size() + 2; }));
      auto expected = c.before;
      expected.push_back("hide");
      expected.push_back(body[0] == '{' ? "decoded" : "failed");
      EXPECT_EQ(events_, expected);
    }
  }
}

TEST_F(ViewModelsTest, ComplaintCountAndComplaintsLeaveTheLoaderAlone) {
  server_.setDefaultReply({200, R"({"IsSuccess":true})"});
  VMAllottedFacility().requestComplainCount(screen<MDLComplainCount>());
  ComplainWebServicesManager::shared().requestMyTaskCount(screen<MDLMyTaskCount>());
  ASSERT_TRUE(runUntil([&] { return events_.size() == 2; }));
  EXPECT_EQ(events_, (std::vector<std::string>{"decoded", "decoded"}));
}

TEST_F(ViewModelsTest, ComplaintSaveReadsTheStatusOnlyRecordIgnoringExtraKeys) {
  server_.setDefaultReply({200, R"({"IsSuccess":true,"Message":"ok","ComplainId":7,"Status":"open"})"});
  std::optional<DataResponse<MDLInviteVisitor>> reply;
  ComplainWebServicesManager::shared().requestComplainSave({}, [&](DataResponse<MDLInviteVisitor> r) { reply = r; });
  ASSERT_TRUE(runUntil([&] { return reply.has_value(); }));
  ASSERT_TRUE(reply->value.has_value());
}

TEST_F(ViewModelsTest, OfflineTheScreenHearsNothingButNotDeliveredRuns) {
  NetworkReachability::shared().isNetworkReachable = false;
  int notDelivered = 0;
  VMUserDashboard().requestUserDashboard(screen<MDLUserDashboard>(), [&] { ++notDelivered; });
  VMBaseVisitor().requestBaseVisitor(screen<MDLBaseVisitor>(), [&] { ++notDelivered; });
  ASSERT_TRUE(runUntil([&] { return notDelivered == 2; }));
  pump();
  EXPECT_EQ(server_.requestCount(), 0u);
  EXPECT_EQ(std::count(events_.begin(), events_.end(), "decoded") +
                std::count(events_.begin(), events_.end(), "failed"),
            0);
}

TEST_F(ViewModelsTest, TwoRequestsOnOneViewModelCompleteIndependently) {
  server_.setDefaultReply({200, R"({"IsSuccess":true})"});
  VMFacilityDashboard vm;
  vm.requestFindVehicleNumber("A", screen<VehicleDetailsModel>());
  vm.requestFindVehicleNumber("B", screen<VehicleDetailsModel>());
  ASSERT_TRUE(runUntil([&] { return events_.size() == 4; }));
  EXPECT_EQ(std::count(events_.begin(), events_.end(), "hide"), 2);
  EXPECT_EQ(std::count(events_.begin(), events_.end(), "decoded"), 2);
}

// ---- storing a sign-in ----

class SaveLoginTest : public ServicesFixture {
 protected:
  std::vector<std::shared_ptr<LoginEntity>> records(std::int64_t empId) {
    return LoginEntity::fetchObjects(Predicate{{{"empid", platform::Value(empId)}}}, std::nullopt).value_or(
        std::vector<std::shared_ptr<LoginEntity>>{});
  }
};

TEST_F(SaveLoginTest, StoresTheReplyAndKeepsWhatTheReplyLacks) {
  MDLLogin first;
  first.EmpId = 12;
  first.AccessToken = "a1";
  first.RefreshToken = "r1";
  first.TenantId = 4;
  first.apiKey = "k";
  first.IsSSO = false;
  first.IsFindVehicle = true;
  VMLrf().saveLogin(first);
  auto stored = records(12);
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0]->accesstoken, "a1");
  EXPECT_EQ(stored[0]->refreshtoken, "r1");
  EXPECT_EQ(stored[0]->tenantid, 4);
  EXPECT_EQ(stored[0]->apikey, "k");
  EXPECT_EQ(stored[0]->issso, false);
  EXPECT_EQ(stored[0]->logintype, "U");
  EXPECT_EQ(UserDefaultsAccess::getInt(UserDefaultsKey::empId), 12);
  EXPECT_EQ(UserDefaultsAccess::getString(UserDefaultsKey::accessToken), "a1");

  MDLLogin second;
  second.EmpId = 12;
  second.AccessToken = "a2";
  second.LoginType = "T";
  VMLrf().saveLogin(second);
  stored = records(12);
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0]->accesstoken, "a2");
  EXPECT_EQ(stored[0]->refreshtoken, "r1");
  EXPECT_EQ(stored[0]->logintype, "T");
  EXPECT_EQ(stored[0]->apikey, "k");

  MDLLogin noToken;
  noToken.EmpId = 12;
  VMLrf().saveLogin(noToken);
  EXPECT_EQ(UserDefaultsAccess::getString(UserDefaultsKey::accessToken), "a2");
  EXPECT_EQ(records(12)[0]->logintype, "U");
}

TEST_F(SaveLoginTest, WithoutEmployeeIdNothingIsWritten) {
  MDLLogin reply;
  reply.IsSuccess = true;
  reply.AccessToken = "a";
  VMLrf().saveLogin(reply);
  EXPECT_TRUE(LoginEntity::fetchObjects(std::nullopt, std::nullopt)->empty());
  EXPECT_FALSE(UserDefaultsAccess::getInt(UserDefaultsKey::empId));
  EXPECT_FALSE(UserDefaultsAccess::getString(UserDefaultsKey::accessToken));
}

TEST_F(SaveLoginTest, DuplicateRowsUpdateTheFirstByRowid) {
  auto older = LoginEntity::insertFromDictionary({{"empid", 7}});
  older->accesstoken = "old";
  CoreDataManager::shared().mainManagedObjectContext().saveChanges();
  auto newer = LoginEntity::insertFromDictionary({{"empid", 7}});
  newer->accesstoken = "newer";
  CoreDataManager::shared().mainManagedObjectContext().saveChanges();
  MDLLogin reply;
  reply.EmpId = 7;
  reply.AccessToken = "fresh";
  VMLrf().saveLogin(reply);
  auto stored = records(7);
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[0]->accesstoken, "fresh");
  EXPECT_EQ(stored[1]->accesstoken, "newer");
}

TEST_F(SaveLoginTest, AFailedFetchWritesNothing) {
  // A directory where the store file belongs: the store cannot open.
  CoreDataManager::resetShared();
  std::filesystem::create_directories(CoreDataManager::storePath());
  MDLLogin reply;
  reply.EmpId = 9;
  reply.AccessToken = "a";
  VMLrf().saveLogin(reply);
  EXPECT_FALSE(UserDefaultsAccess::getInt(UserDefaultsKey::empId));
  EXPECT_FALSE(UserDefaultsAccess::getString(UserDefaultsKey::accessToken));
  EXPECT_FALSE(CoreDataManager::shared().loadError().empty());
}

}  // namespace
