#include <httplib.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Facility/Storage/CoreDataManager.h"
#include "Facility/Storage/KeychainHelper.h"
#include "Facility/Storage/LoginEntity.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/Foundation/UserDefaults.h"
#include "tools/facility-scenario/ReplyScript.h"
#include "tools/facility-scenario/StateSeeder.h"

namespace {

using nlohmann::json;

class ScenarioInputTest : public ::testing::Test {
 protected:
  void SetUp() override { CoreDataManager::resetShared(); }
  void TearDown() override { CoreDataManager::resetShared(); }
  platform::TemporaryDataRoot root_;
};

TEST_F(ScenarioInputTest, StateIsStoredWithItsTypes) {
  const json state = json::parse(R"({
    "defaults": {"emailid": "a@b.c", "empid": 42, "ratio": 1.5, "isuserinvited": true, "tanentid": "12"},
    "logins": [{"empid": 42, "accesstoken": "tok", "logintype": "U", "issso": false}],
    "keychain": {"deviceKey": "secret"}})");
  ASSERT_TRUE(StateSeeder::seed(state).ok());
  auto& d = platform::UserDefaults::standard();
  EXPECT_EQ(d.objectForKey("emailid"), std::optional(platform::Value("a@b.c")));
  EXPECT_EQ(d.objectForKey("empid"), std::optional(platform::Value(std::int64_t{42})));
  EXPECT_EQ(d.objectForKey("ratio"), std::optional(platform::Value(1.5)));
  EXPECT_EQ(d.objectForKey("isuserinvited"), std::optional(platform::Value(true)));
  EXPECT_EQ(d.objectForKey("tanentid"), std::optional(platform::Value("12"))) << "text stays text";
  EXPECT_EQ(KeychainHelper::shared().load("deviceKey"), std::optional<std::string>("secret"));
  // Stored for good: a fresh store reads the record back.
  CoreDataManager::resetShared();
  auto record = LoginEntity::findByDictionary({{"empid", std::int64_t{42}}});
  ASSERT_TRUE(record);
  EXPECT_EQ(record->accesstoken, std::optional<std::string>("tok"));
  EXPECT_EQ(record->logintype, std::optional<std::string>("U"));
  EXPECT_EQ(record->issso, std::optional<bool>(false));
}

TEST_F(ScenarioInputTest, BadStateIsRefusedBeforeAnythingIsStored) {
  struct Case {
    const char* state;
    const char* reason;
  };
  const Case cases[] = {
      {R"([])", "state must be an object"},
      {R"({"prefs": {}})", "unknown state part \"prefs\""},
      {R"({"defaults": []})", "defaults must be an object"},
      {R"({"keychain": {"k": 5}})", "keychain item k must be text"},
      {R"({"logins": {}})", "logins must be a list"},
      {R"({"logins": [5]})", "each login must be an object"},
      {R"({"logins": [{"empid": "42"}]})", "login attribute empid"},
      {R"({"logins": [{"nickname": "x"}]})", "login attribute nickname"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    json state = json::parse(c.state);
    // A good part before the bad one must not be stored either.
    if (state.is_object() && !state.contains("defaults")) state["defaults"] = {{"emailid", "a@b.c"}};
    platform::Status status = StateSeeder::seed(state);
    EXPECT_EQ(status.code(), platform::Status::Code::kInvalidArgument);
    EXPECT_NE(status.message().find(c.reason), std::string::npos) << status.message();
    EXPECT_FALSE(platform::UserDefaults::standard().objectForKey("emailid").has_value());
  }
}

TEST_F(ScenarioInputTest, RepliesForAPathAnswerInFileOrder) {
  testsupport::FacilityTestServer server;
  ASSERT_TRUE(server.start());
  const json replies = json::parse(R"([
    {"method": "POST", "path": "/a", "body": {"n": 1}},
    {"path": "/a", "status": 404, "body": "any"},
    {"method": "POST", "path": "/a", "status": 500, "body": "two"}])");
  ASSERT_TRUE(ReplyScript::load(replies, server).ok());
  httplib::Client client("127.0.0.1", server.port());
  std::vector<std::string> got;
  for (int i = 0; i < 3; ++i) {
    auto r = client.Post("/a", "", "text/plain");
    ASSERT_TRUE(r);
    got.push_back(std::to_string(r->status) + " " + r->body);
  }
  auto g = client.Get("/a");
  ASSERT_TRUE(g);
  got.push_back(std::to_string(g->status) + " " + g->body);
  EXPECT_EQ(got, (std::vector<std::string>{"200 {\"n\":1}", "500 two", "500 two", "404 any"}));
}

TEST_F(ScenarioInputTest, BadRepliesAreRefusedWithTheReason) {
  struct Case {
    const char* replies;
    const char* reason;
  };
  const Case cases[] = {
      {R"({})", "replies must be a list"},
      {R"([5])", "each reply must be an object"},
      {R"([{"body": "x"}])", "needs a path"},
      {R"([{"path": "api"}])", "needs a path starting with /"},
      {R"([{"path": "/a", "method": 1}])", "method must be text"},
      {R"([{"path": "/a", "status": "200"}])", "status must be an HTTP status"},
      {R"([{"path": "/a", "status": 99}])", "status must be an HTTP status"},
      {R"([{"path": "/a", "delay": 1}])", "unknown reply field \"delay\""},
  };
  testsupport::FacilityTestServer server;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.replies);
    platform::Status status = ReplyScript::load(json::parse(c.replies), server);
    EXPECT_EQ(status.code(), platform::Status::Code::kInvalidArgument);
    EXPECT_NE(status.message().find(c.reason), std::string::npos) << status.message();
  }
}

}  // namespace
