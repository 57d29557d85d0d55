#include "Facility/Services/NotificationCountRefresher.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "tests/Facility/Services/ServicesFixture.h"

namespace {

class NotificationCountTest : public ServicesFixture {
 protected:
  void SetUp() override {
    ServicesFixture::SetUp();
    token_ = platform::NotificationCenter::defaultCenter().addObserver(
        "updateNotificationCount", [this](const platform::Notification& n) {
          auto it = n.userInfo.find("notifCount");
          posted_.push_back(it == n.userInfo.end() ? platform::Value() : it->second);
        });
  }
  void TearDown() override {
    platform::NotificationCenter::defaultCenter().removeObserver(token_);
    ServicesFixture::TearDown();
  }
  platform::NotificationCenter::Token token_ = 0;
  std::vector<platform::Value> posted_;
};

TEST_F(NotificationCountTest, SignedOutPostsZeroWithoutARequest) {
  NotificationCountRefresher::refreshNotificationCount();
  pump();
  EXPECT_EQ(posted_, (std::vector<platform::Value>{"0"}));
  EXPECT_EQ(server_.requestCount(), 0u);
}

TEST_F(NotificationCountTest, SignedInPostsTheRepliesTotalAndNothingOnFailure) {
  signIn(3, "t", "r");
  struct Case {
    int status;
    const char* body;
    std::vector<platform::Value> expected;
  };
  const std::vector<Case> cases = {
      {200, R"({"IsSuccess":true,"Total":"7"})", {"7"}},
      {200, R"({"IsSuccess":true})", {"0"}},
      {200, R"({"IsSuccess":false,"Total":"7"})", {}},
      {200, R"({"IsSuccess":true,"Total":7})", {}},
      {500, "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    posted_.clear();
    events_.clear();
    server_.clearRequests();
    server_.setReply("/api/Notification/BroadCastNotificationCount", {c.status, c.body});
    NotificationCountRefresher::refreshNotificationCount();
    ASSERT_TRUE(runUntil([&] { return events_.size() == 2; }));
    pump();
    EXPECT_EQ(events_, (std::vector<std::string>{"show", "hide"}));
    EXPECT_EQ(posted_, c.expected);
    ASSERT_EQ(server_.requestCount(), 1u);
    EXPECT_EQ(server_.requests()[0].method, "GET");
  }
}

TEST_F(NotificationCountTest, OfflinePostsNothing) {
  signIn(3, "t", "r");
  NetworkReachability::shared().isNetworkReachable = false;
  NotificationCountRefresher::refreshNotificationCount();
  pump();
  EXPECT_TRUE(posted_.empty());
  EXPECT_EQ(server_.requestCount(), 0u);
}

}  // namespace

namespace {

TEST_F(NotificationCountTest, EnteringTheForegroundRefreshesTheCount) {
  auto& app = uikit::Application::shared();
  app.enterBackground();
  posted_.clear();
  app.enterForeground();
  pump();
  EXPECT_EQ(posted_, (std::vector<platform::Value>{"0"}));
}

}  // namespace
