#include <algorithm>
#include <deque>
#include <functional>

#include "Facility/App/AccessTokenRefresher.h"
#include "Facility/Services/ComplainWebServicesManager.h"
#include "Facility/Network/ReplayTable.h"
#include "Facility/Services/UserdashboardService.h"
#include "Facility/Services/BaseFacilityService.h"
#include "tests/Facility/Services/ServicesFixture.h"

namespace {

using platform::Value;

constexpr const char* kDashboard = "/api/User/Dashboard";
constexpr const char* kLocations = "/api/FacilityAdmin/BaseFacility";
constexpr const char* kRefresh = "/api/Security/GetAccessToken";
constexpr const char* kAccepted = R"({"IsSuccess":true,"access_token":"new","refresh_token":"r2"})";

class TokenRefreshTest : public ServicesFixture {
 protected:
  void SetUp() override {
    ServicesFixture::SetUp();
    // Scripted steps run when the refresh is sent (the loader is shown) and
    // when its reply arrives (the loader is hidden, before any replay).
    ViewModelLoader::observer() = [this](ViewModelLoader::Call call) {
      auto& steps = call == ViewModelLoader::Call::hide ? onReply_ : onSend_;
      if (steps.empty()) return;
      auto step = std::move(steps.front());
      steps.pop_front();
      step();
    };
    signIn(1, "old", "r1");
  }

  void reply(const char* path, int status, std::string body = R"({"IsSuccess":true})") {
    server_.setReply(path, {status, std::move(body)});
  }

  std::size_t count(const std::string& path) {
    std::size_t n = 0;
    for (const auto& r : server_.requests()) n += r.path == path;
    return n;
  }
  std::vector<std::string> authorizations(const std::string& path) {
    std::vector<std::string> out;
    for (const auto& r : server_.requests()) {
      if (r.path == path) out.push_back(r.header("Authorization").value_or(""));
    }
    return out;
  }

  bool signedOut() { return !UserDefaultsAccess::getInt(UserDefaultsKey::empId).has_value(); }

  std::shared_ptr<LoginEntity> record(std::int64_t empId) {
    return LoginEntity::findByDictionary({{"empid", empId}});
  }

  // Sends a dashboard request; the replies it hears land in `heard`.
  void requestDashboard(std::vector<std::string>& heard) {
    UserdashboardService().requestUserDashboard(
        [&heard](DataResponse<MDLUserDashboard> r) { heard.push_back(r.data); });
  }

  // A dashboard request refused once, refreshed and replayed: one accepted refresh now.
  void acceptOneRefresh(std::vector<std::string>& heard) {
    reply(kDashboard, 401);
    reply(kRefresh, 200, kAccepted);
    onReply_.push_back([&] { reply(kDashboard, 200); });
    requestDashboard(heard);
    ASSERT_TRUE(runUntil([&] { return heard.size() == 1; }));
    pump();
  }

  std::deque<std::function<void()>> onSend_;
  std::deque<std::function<void()>> onReply_;
};

TEST_F(TokenRefreshTest, A401ParksRefreshesAndReplaysWithTheNewToken) {
  reply(kDashboard, 401);
  reply(kRefresh, 200, kAccepted);
  onReply_.push_back([&] { reply(kDashboard, 200, R"({"IsSuccess":true,"Message":"fresh"})"); });
  std::vector<std::string> heard;
  requestDashboard(heard);
  ASSERT_TRUE(runUntil([&] { return !heard.empty(); }));
  pump();
  EXPECT_EQ(heard, (std::vector<std::string>{R"({"IsSuccess":true,"Message":"fresh"})"}));
  EXPECT_EQ(authorizations(kDashboard), (std::vector<std::string>{"Bearer old", "Bearer new"}));
  auto refresh = server_.requests()[1];
  EXPECT_EQ(refresh.form(), (FormPairs{{"device_type", "ios"}, {"refresh_token", "r1"}}));
  EXPECT_EQ(record(1)->accesstoken, "new");
  EXPECT_EQ(record(1)->refreshtoken, "r2");
  EXPECT_TRUE(delegate()->arrApiRequests.empty());
  EXPECT_FALSE(delegate()->isAccessTokenApiRunning);
  EXPECT_EQ(AccessTokenRefresher::shared().lastApiCallTime(), clock_->now());
}

TEST_F(TokenRefreshTest, ConcurrentRefusalsSendOneRefreshAndReplayIn401Order) {
  reply(kDashboard, 401);
  reply(kLocations, 401);
  reply(kRefresh, 200, kAccepted);
  onReply_.push_back([&] {
    reply(kDashboard, 200, R"({"IsSuccess":true,"Message":"d"})");
    reply(kLocations, 200, R"({"IsSuccess":true,"Message":"l"})");
  });
  server_.holdReply(kRefresh);
  std::vector<std::string> heard;
  requestDashboard(heard);
  BaseFacilityService().requestBaseFacility([&](DataResponse<MDLBaseFacility> r) { heard.push_back(r.data); });
  // Both refusals wait behind the one refresh, in the order their 401s came.
  ASSERT_TRUE(runUntil([&] { return delegate()->arrApiRequests.size() == 2; }));
  std::vector<std::string> parked;
  for (const auto& request : delegate()->arrApiRequests) parked.push_back("/api/" + request->apiName.path());
  std::vector<std::string> refused = parked;
  std::sort(refused.begin(), refused.end());
  EXPECT_EQ(refused, (std::vector<std::string>{kLocations, kDashboard}));
  server_.releaseReply(kRefresh);
  ASSERT_TRUE(runUntil([&] { return heard.size() == 2; }));
  pump();
  EXPECT_EQ(count(kRefresh), 1u);
  EXPECT_TRUE(delegate()->arrApiRequests.empty());
  auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 5u);
  // The replays leave in that order but travel side by side, so the server
  // and the callers may see them in either order.
  std::vector<std::string> replayed{requests[3].path, requests[4].path};
  std::sort(replayed.begin(), replayed.end());
  EXPECT_EQ(replayed, refused);
  EXPECT_EQ(authorizations(kDashboard), (std::vector<std::string>{"Bearer old", "Bearer new"}));
  EXPECT_EQ(authorizations(kLocations), (std::vector<std::string>{"Bearer old", "Bearer new"}));
  std::sort(heard.begin(), heard.end());
  EXPECT_EQ(heard, (std::vector<std::string>{R"({"IsSuccess":true,"Message":"d"})",
                                             R"({"IsSuccess":true,"Message":"l"})"}));
}

TEST_F(TokenRefreshTest, FailedRefreshesThatSignOut) {
  struct Case {
    const char* name;
    int status;
    const char* body;
  };
  // The first failure after launch is never within 30 s of an accepted one;
  // success without a token is a failure; a 401 on the refresh itself ends it.
  for (const Case& c : {Case{"refused", 200, R"({"IsSuccess":false})"},
                        Case{"no token", 200, R"({"IsSuccess":true,"access_token":" "})"},
                        Case{"401", 401, R"({"IsSuccess":true,"access_token":"x"})"}}) {
    SCOPED_TRACE(c.name);
    server_.clearRequests();
    signIn(1, "old", "r1");
    reply(kDashboard, 401);
    reply(kRefresh, c.status, c.body);
    std::vector<std::string> heard;
    requestDashboard(heard);
    ASSERT_TRUE(runUntil([&] { return signedOut(); }));
    pump();
    EXPECT_TRUE(heard.empty());
    EXPECT_EQ(count(kDashboard), 1u);
    EXPECT_TRUE(delegate()->arrApiRequests.empty());
    EXPECT_EQ(record(1)->accesstoken, "old");
    EXPECT_EQ(record(1)->refreshtoken, "r1");
  }
}

TEST_F(TokenRefreshTest, AFailureWithin30SecondsReplaysOnceThenASecond401SignsOut) {
  std::vector<std::string> heard;
  ASSERT_NO_FATAL_FAILURE(acceptOneRefresh(heard));

  clock_->advance(29.0);
  server_.clearRequests();
  reply(kDashboard, 401);
  reply(kRefresh, 200, R"({"IsSuccess":false})");
  requestDashboard(heard);
  ASSERT_TRUE(runUntil([&] { return signedOut(); }));
  pump();
  EXPECT_EQ(heard.size(), 1u);
  EXPECT_EQ(count(kRefresh), 1u);
  EXPECT_EQ(authorizations(kDashboard), (std::vector<std::string>{"Bearer new", "Bearer new"}));
}

TEST_F(TokenRefreshTest, AToleratedFailureReplaysWithTheOldTokenAndDoesNotMoveTheWindow) {
  std::vector<std::string> heard;
  ASSERT_NO_FATAL_FAILURE(acceptOneRefresh(heard));
  const double accepted = AccessTokenRefresher::shared().lastApiCallTime();

  clock_->advance(20.0);
  reply(kDashboard, 401);
  reply(kRefresh, 200, R"({"IsSuccess":false})");
  onReply_.push_back([&] { reply(kDashboard, 200, R"({"IsSuccess":true,"Message":"kept"})"); });
  requestDashboard(heard);
  ASSERT_TRUE(runUntil([&] { return heard.size() == 2; }));
  pump();
  EXPECT_FALSE(signedOut());
  EXPECT_EQ(AccessTokenRefresher::shared().lastApiCallTime(), accepted);

  // 20 s later the window, still counted from the accepted refresh, is over.
  clock_->advance(20.0);
  reply(kDashboard, 401);
  requestDashboard(heard);
  ASSERT_TRUE(runUntil([&] { return signedOut(); }));
  pump();
  EXPECT_EQ(heard.size(), 2u);
}

TEST_F(TokenRefreshTest, AReplayRefusedAfterASuccessfulRefreshSignsOut) {
  reply(kDashboard, 401);
  reply(kRefresh, 200, kAccepted);
  std::vector<std::string> heard;
  requestDashboard(heard);
  ASSERT_TRUE(runUntil([&] { return signedOut(); }));
  pump();
  EXPECT_TRUE(heard.empty());
  EXPECT_EQ(count(kDashboard), 2u);
  EXPECT_EQ(count(kRefresh), 1u);
}

TEST_F(TokenRefreshTest, ARefreshRefusedOfflineReleasesTheFlagAndKeepsTheQueue) {
  reply(kDashboard, 401);
  reply(kRefresh, 200, kAccepted);
  onSend_.push_back([] { NetworkReachability::shared().isNetworkReachable = false; });
  std::vector<std::string> heard;
  requestDashboard(heard);
  ASSERT_TRUE(runUntil([&] { return delegate()->arrApiRequests.size() == 1 && !delegate()->isAccessTokenApiRunning; }));
  pump();
  EXPECT_EQ(count(kRefresh), 0u);
  EXPECT_EQ(delegate()->arrApiRequests.size(), 1u);

  // Back online, the next 401 refreshes and both parked requests go out again.
  NetworkReachability::shared().isNetworkReachable = true;
  onReply_.push_back([&] { reply(kDashboard, 200); });
  requestDashboard(heard);
  ASSERT_TRUE(runUntil([&] { return heard.size() == 2; }));
  EXPECT_EQ(count(kRefresh), 1u);
}

TEST_F(TokenRefreshTest, ASignOutForgetsTheFirstUsersRequests) {
  reply(kDashboard, 401);
  reply(kRefresh, 200, R"({"IsSuccess":false})");
  std::vector<std::string> heard;
  requestDashboard(heard);
  ASSERT_TRUE(runUntil([&] { return signedOut(); }));
  pump();

  signIn(2, "b-old", "b-r");
  reply(kLocations, 401);
  reply(kRefresh, 200, kAccepted);
  onReply_.push_back([&] { reply(kLocations, 200); });
  std::vector<std::string> heardB;
  BaseFacilityService().requestBaseFacility([&](DataResponse<MDLBaseFacility> r) { heardB.push_back(r.data); });
  ASSERT_TRUE(runUntil([&] { return heardB.size() == 1; }));
  pump();
  EXPECT_TRUE(heard.empty());
  EXPECT_EQ(count(kDashboard), 1u);
  EXPECT_EQ(server_.requests()[3].form(), (FormPairs{{"device_type", "ios"}, {"refresh_token", "b-r"}}));
  EXPECT_EQ(record(2)->accesstoken, "new");
  EXPECT_EQ(record(1)->accesstoken, "old");
}

TEST_F(TokenRefreshTest, ASignOutEndsThePreviousUsersGraceWindow) {
  std::vector<std::string> heard;
  ASSERT_NO_FATAL_FAILURE(acceptOneRefresh(heard));
  delegate()->clearSession();

  // Within 30 s of A's accepted refresh, B's first failure still signs B out.
  clock_->advance(10.0);
  signIn(2, "b-old", "b-r");
  server_.clearRequests();
  reply(kLocations, 401);
  reply(kRefresh, 200, R"({"IsSuccess":false})");
  std::vector<std::string> heardB;
  BaseFacilityService().requestBaseFacility([&](DataResponse<MDLBaseFacility> r) { heardB.push_back(r.data); });
  ASSERT_TRUE(runUntil([&] { return signedOut(); }));
  pump();
  EXPECT_TRUE(heardB.empty());
  EXPECT_EQ(count(kRefresh), 1u);
  EXPECT_EQ(count(kLocations), 1u);
  EXPECT_TRUE(delegate()->arrApiRequests.empty());
}

TEST_F(TokenRefreshTest, ARefreshReplyForAnEarlierSignInIsDropped) {
  reply(kDashboard, 401);
  reply(kRefresh, 200, kAccepted);
  // While the refresh is under way the user signs out and another signs in.
  onSend_.push_back([&] {
    delegate()->clearSession();
    signIn(2, "b-old", "b-r");
  });
  std::vector<std::string> heard;
  requestDashboard(heard);
  ASSERT_TRUE(runUntil([&] { return count(kRefresh) == 1 && !delegate()->isAccessTokenApiRunning; }));
  pump();
  EXPECT_EQ(record(2)->accesstoken, "b-old");
  EXPECT_EQ(record(1)->accesstoken, "old");
  EXPECT_EQ(count(kDashboard), 1u);
}

TEST_F(TokenRefreshTest, ReplayTableNamesTheRecordOfEveryEndpoint) {
  using C = APIName::Case;
  const std::vector<std::pair<C, const char*>> rows = {
      {C::FacilityAdminDashboard, "MDLFacilityDashboard"},
      {C::BaseAssignAccess, "MDLBaseAssignAccess"},
      {C::GetVersion, "MDLGetVersion"},
      {C::Logout, "MDLLogout"},
      {C::RemoveToken, "MDLLogout"},
      {C::SetPassword, "MDLSetPassword"},
      {C::ForgotPassword, "MDLForgotPassword"},
      {C::ResetPassword, "MDLResetPassword"},
      {C::GetImage, "MDLGetImage"},
      {C::AuthenticateUser, "MDLLogin"},
      {C::BaseFacility, "MDLBaseFacility"},
      {C::UserDashboard, "MDLUserDashboard"},
      {C::BaseVisitor, "MDLBaseVisitor"},
      {C::InviteVisitor, "MDLInviteVisitor"},
      {C::AllotedFacility, "MDLAllotedFacility"},
      {C::ManageFacility, "MDLManageFacility"},
      {C::AssignAccess, "MDLAssignAccess"},
      {C::initApi, "MDLInitApi"},
      {C::VerifySecurityCode, "MDLVerifySecurity"},
      {C::FindVehicleNumber, "VehicleDetailsModel"},
      {C::SendNotification, "GeneralResponseModel"},
      {C::GetBroadCastNotification, "BroadCastNotificationModel"},
      {C::BroadCastNotificationCount, "NotificationCountModel"},
      {C::ComplainCount, "MDLComplainCount"},
      {C::ComplainCategory, "MDLComplainCategory"},
      {C::ComplainSave, "MDLInviteVisitor"},
      {C::ComplainList, "MDLComplainList"},
      {C::MyTaskCount, "MDLMyTaskCount"},
      {C::CloseComplainList, "MDLCloseComplainList"},
      {C::CloseComplainGet, "MDLCloseComplainGet"},
      {C::CloseComplainSave, "MDLCloseComplainSave"},
  };
  ASSERT_EQ(rows.size() + 1, static_cast<std::size_t>(APIName::kCaseCount));
  for (const auto& [apiCase, record] : rows) {
    SCOPED_TRACE(record);
    EXPECT_EQ(ReplayTable::recordName(apiCase), std::string_view(record));
    EXPECT_TRUE(ReplayTable::describeReply(apiCase, R"({"IsSuccess":true})").has_value());
    EXPECT_FALSE(ReplayTable::describeReply(apiCase, "[]").has_value());
  }
  EXPECT_FALSE(ReplayTable::recordName(C::GetAccessToken).has_value());
}

TEST_F(TokenRefreshTest, AParkedComplaintListIsReplayedWithItsBodyAndDecoded) {
  reply("/api/Complain/ComplainList", 401);
  reply("/api/Complain/MyTaskCount", 401);
  reply(kRefresh, 200, kAccepted);
  onReply_.push_back([&] {
    reply("/api/Complain/ComplainList", 200, R"({"IsSuccess":true,"Message":"list"})");
    reply("/api/Complain/MyTaskCount", 200, R"({"IsSuccess":true})");
  });
  std::optional<DataResponse<MDLComplainList>> list;
  std::optional<DataResponse<MDLMyTaskCount>> tasks;
  ComplainWebServicesManager::shared().requestComplainList(
      {{"MonthFilter", "01-2027"}, {"StatusFilter", "1"}, {"ComplainFilter", ""}},
      [&](DataResponse<MDLComplainList> r) { list = r; });
  ComplainWebServicesManager::shared().requestMyTaskCount([&](DataResponse<MDLMyTaskCount> r) { tasks = r; });
  ASSERT_TRUE(runUntil([&] { return list && tasks; }));
  ASSERT_TRUE(list->value.has_value());
  EXPECT_TRUE(tasks->value.has_value());
  std::vector<testsupport::FacilityTestServer::RecordedRequest> lists;
  for (const auto& r : server_.requests()) {
    if (r.path == "/api/Complain/ComplainList") lists.push_back(r);
    if (r.path == "/api/Complain/MyTaskCount") {
      EXPECT_EQ(r.body, "");
    }
  }
  ASSERT_EQ(lists.size(), 2u);
  EXPECT_EQ(lists[0].form(), lists[1].form());
  EXPECT_EQ(lists[1].form().size(), 3u);
}

}  // namespace
