// Key set-up against a local stand-in of the web service.
#include "BleTestFixture.h"
#include "Facility/BLE+MainMethods/DeviceConstant.h"
#include "Facility/Storage/KeychainHelper.h"
#include "Platform/Foundation/Log.h"
#include "tests/support/FacilityTestServer.h"

namespace {

testsupport::FacilityTestServer::Reply MakeReply(int status, std::string body,
                                               std::string type = "application/json") {
  testsupport::FacilityTestServer::Reply reply;
  reply.status = status;
  reply.body = std::move(body);
  reply.contentType = std::move(type);
  return reply;
}

class KeySetupTest : public BleTest {
 protected:
  bool waitForEvent() {
    return clock_->runUntil([&] { return !delegate_->events.empty(); }, 10.0);
  }
  // Waits for the request and then for the reply to reach the main loop.
  void settle(std::size_t requests = 1) {
    ASSERT_TRUE(server_.waitForRequests(requests, 5.0));
    clock_->runUntil([] { return false; }, 0.3);
  }
  void SetUp() override {
    BleTest::SetUp();
    ASSERT_TRUE(server_.start());
  }
  testsupport::FacilityTestServer server_;
  static constexpr const char* kPath = "/api/Facility/Init";
};

TEST_F(KeySetupTest, SuccessStoresTheKeyInBothPlacesAndReports) {
  server_.setReply(kPath, MakeReply(200, R"({"key":"00112233445566778899aabbccddeeff","isSuccess":true,"message":"ok"})"));
  platform::LogCapture capture;
  engine_->isTapAndGoEnabled = false;
  engine_->initSdkWithApiURL(server_.baseURL(), "api-key-1");
  ASSERT_TRUE(waitForEvent());
  EXPECT_EQ(delegate_->events[0].kind, "initSuccess");
  EXPECT_EQ(delegate_->events[0].message, "SDK initialised successfully");
  EXPECT_TRUE(engine_->isTapAndGoEnabled);
  EXPECT_EQ(defaults().stringObjectForKey(TarneloBLEKeys::encryptionKey), "00112233445566778899aabbccddeeff");
  EXPECT_EQ(KeychainHelper::shared().load(DeviceConstant::encryptionKey), "00112233445566778899aabbccddeeff");
  auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].body, R"({"key":"api-key-1"})");
  EXPECT_EQ(requests[0].header("content-type").value_or(""), "application/json");
  // The key never reaches the log.
  EXPECT_FALSE(capture.contains("00112233445566778899aabbccddeeff"));
  EXPECT_TRUE(capture.contains("Response is: key received, 32 characters"));
}

TEST_F(KeySetupTest, UsableStoredKeyStaysSilentAndUnusableOneIsFetchedAgain) {
  server_.setReply(kPath, MakeReply(200, R"({"key":"ffeeddccbbaa99887766554433221100"})"));
  defaults().setString(kServerKey, TarneloBLEKeys::encryptionKey);
  engine_->initSdkWithApiURL(server_.baseURL(), "wrong");
  clock_->runUntil([] { return false; }, 0.3);
  EXPECT_TRUE(delegate_->events.empty());
  EXPECT_EQ(server_.requestCount(), 0u);

  defaults().setString("12", TarneloBLEKeys::encryptionKey);
  engine_->initSdkWithApiURL(server_.baseURL(), "k");
  ASSERT_TRUE(waitForEvent());
  EXPECT_EQ(delegate_->events[0].kind, "initSuccess");
  EXPECT_EQ(defaults().stringObjectForKey(TarneloBLEKeys::encryptionKey), "ffeeddccbbaa99887766554433221100");
}

TEST_F(KeySetupTest, BadUrlIs13AndNothingIsSent) {
  engine_->initSdkWithApiURL("http://bad host", "k");
  EXPECT_EQ(delegate_->summary(), std::vector<std::string>{"initFailure:13"});
  EXPECT_EQ(server_.requestCount(), 0u);
}

TEST_F(KeySetupTest, TrailingSlashStillSends) {
  server_.setReply("//api/Facility/Init", MakeReply(200, R"({"key":"00112233445566778899aabbccddeeff"})"));
  engine_->initSdkWithApiURL(server_.baseURL() + "/", "k");
  ASSERT_TRUE(waitForEvent());
  EXPECT_EQ(server_.requests().at(0).path, "//api/Facility/Init");
}

TEST_F(KeySetupTest, FailuresAre21) {
  // A refused reply and an empty one have no transport reason.
  for (auto reply : {MakeReply(500, "down", "text/plain"), MakeReply(200, "")}) {
    delegate_->events.clear();
    server_.setReply(kPath, reply);
    engine_->initSdkWithApiURL(server_.baseURL(), "k");
    ASSERT_TRUE(waitForEvent());
    EXPECT_EQ(delegate_->summary(), std::vector<std::string>{"initFailure:21"});
    EXPECT_EQ(delegate_->events[0].error->errorMessage(),
              "Error in initializing sdk: Something went wrong, Please try again");
  }

  delegate_->events.clear();
  std::string url = server_.baseURL();
  server_.stop();
  engine_->initSdkWithApiURL(url, "k");
  ASSERT_TRUE(waitForEvent());
  EXPECT_EQ(delegate_->summary(), std::vector<std::string>{"initFailure:21"});
  EXPECT_NE(delegate_->events[0].error->errorMessage(),
            "Error in initializing sdk: Something went wrong, Please try again");
  EXPECT_FALSE(defaults().objectForKey(TarneloBLEKeys::encryptionKey).has_value());
}

TEST_F(KeySetupTest, MissingNullOrEmptyKeyStoresNothingAndStaysSilent) {
  for (const char* body : {R"({"key":null,"isSuccess":true})", R"({"key":""})", R"({})"}) {
    server_.setReply(kPath, MakeReply(200, body));
    std::size_t before = server_.requestCount();
    engine_->initSdkWithApiURL(server_.baseURL(), "k");
    settle(before + 1);
    EXPECT_TRUE(delegate_->events.empty()) << body;
    EXPECT_FALSE(defaults().objectForKey(TarneloBLEKeys::encryptionKey).has_value()) << body;
    EXPECT_EQ(KeychainHelper::shared().load(DeviceConstant::encryptionKey), std::nullopt) << body;
  }
}

}  // namespace
