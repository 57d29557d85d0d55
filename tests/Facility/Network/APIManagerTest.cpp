#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "Facility/Network/APIManager.h"
#include "Facility/Storage/CoreDataManager.h"
#include "Facility/Models/GeneralResponseModel.h"
#include "Facility/Storage/UserDefaultsKey.h"
#include "Platform/Foundation/Log.h"
#include "Platform/UIKit/AlertController.h"
#include "tests/support/CoreFixture.h"
#include "tests/support/FacilityTestServer.h"

using platform::Value;
using testsupport::FacilityTestServer;

namespace {

class APIManagerTest : public CoreFixture {
 protected:
  void SetUp() override {
    CoreFixture::SetUp();
    ASSERT_TRUE(server_.start());
    UserDefaultsAccess::setValue(Value(server_.baseURL()), UserDefaultsKey::serverUrl);
    UserDefaultsAccess::setValue(Value(true), UserDefaultsKey::isUserInvited);
    UserDefaultsAccess::setValue(Value(true), UserDefaultsKey::isPasswordSet);
    delegate_ = connectScene();
    ASSERT_TRUE(delegate_);
  }
  void TearDown() override {
    server_.stop();
    delegate_.reset();
    CoreFixture::TearDown();
  }
  void signIn(const std::string& token) {
    auto e = LoginEntity::insertFromDictionary({{"empid", Value(5)}});
    e->accesstoken = token;
    e->logintype = "U";
    CoreDataManager::shared().mainManagedObjectContext().saveChanges();
    UserDefaultsAccess::setValue(Value(5), UserDefaultsKey::empId);
  }

  struct Outcome {
    int completions = 0;
    int notDelivered = 0;
    std::optional<DataResponse<GeneralResponseModel>> response;
  };
  std::shared_ptr<Outcome> send(APIRequestPtr request) {
    auto out = std::make_shared<Outcome>();
    APIManager::sendIfReachable<GeneralResponseModel>(
        request,
        [out](DataResponse<GeneralResponseModel> r) {
          ++out->completions;
          out->response = std::move(r);
        },
        [out] { ++out->notDelivered; });
    return out;
  }
  bool settle(const std::shared_ptr<Outcome>& out) {
    bool done = pumpUntil([&] { return out->completions + out->notDelivered > 0; });
    pump();
    return done;
  }
  std::shared_ptr<uikit::AlertController> alertOnScreen() {
    auto root = delegate_->window()->rootViewController();
    return std::dynamic_pointer_cast<uikit::AlertController>(root ? root->presentedViewController() : nullptr);
  }

  FacilityTestServer server_;
  std::shared_ptr<SceneDelegate> delegate_;
};

TEST_F(APIManagerTest, SendsSortedFormBodyAndHeaders) {
  signIn("tok1");
  server_.setJsonReply("/api/Authenticate/AuthenticateUser", R"({"IsSuccess":true,"Message":"hi"})");
  auto out = send(APIRequest::make(APIName::Case::AuthenticateUser, HTTPMethod::POST,
                                   Value::Dictionary{{"UserName", Value("u 1")},
                                                     {"Password", Value("p&w")},
                                                     {"List", Value(Value::Array{Value(1), Value(2)})},
                                                     {"Empty", Value(Value::Array{})},
                                                     {"Flag", Value(true)}}));
  ASSERT_TRUE(settle(out));
  EXPECT_EQ(out->completions, 1);
  EXPECT_EQ(out->notDelivered, 0);
  ASSERT_TRUE(out->response->value);
  EXPECT_EQ(out->response->value->message, "hi");
  auto reqs = server_.requests();
  ASSERT_EQ(reqs.size(), 1u);
  EXPECT_EQ(reqs[0].method, "POST");
  EXPECT_EQ(reqs[0].path, "/api/Authenticate/AuthenticateUser");
  EXPECT_EQ(reqs[0].body, "Flag=1&List%5B%5D=1&List%5B%5D=2&Password=p%26w&UserName=u%201");
  EXPECT_EQ(reqs[0].header("Accept"), "application/json");
  EXPECT_EQ(reqs[0].header("Authorization"), "Bearer tok1");
  EXPECT_EQ(reqs[0].header("Content-Type"), "application/x-www-form-urlencoded; charset=utf-8");
}

// The test server's parser drops headers with empty values, so this one
// exchange is read raw from a socket.
std::string captureRawRequest(const std::function<void(const std::string& baseURL)>& send,
                              const std::function<bool()>& done) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 1) != 0) return "";
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  std::string raw;
  std::thread server([&] {
    int c = accept(fd, nullptr, nullptr);
    char buf[4096];
    while (raw.find("\r\n\r\n") == std::string::npos) {
      ssize_t n = read(c, buf, sizeof buf);
      if (n <= 0) break;
      raw.append(buf, static_cast<std::size_t>(n));
    }
    const char reply[] = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\n{}";
    (void)!write(c, reply, sizeof reply - 1);
    close(c);
  });
  send("http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)));
  platform::RunLoop::main().runUntil(done, 10);
  server.join();
  close(fd);
  return raw;
}

TEST_F(APIManagerTest, AuthorizationIsPresentButEmptyWithoutAToken) {
  for (const char* token : {"", "  \n"}) {
    if (*token) signIn(token);
    std::shared_ptr<Outcome> out;
    std::string raw = captureRawRequest(
        [&](const std::string& base) {
          UserDefaultsAccess::setValue(Value(base), UserDefaultsKey::serverUrl);
          out = send(APIRequest::make(APIName::Case::UserDashboard, HTTPMethod::GET));
        },
        [&] { return out && out->completions + out->notDelivered > 0; });
    EXPECT_NE(raw.find("GET /api/User/Dashboard HTTP/1.1\r\n"), std::string::npos) << raw;
    EXPECT_NE(raw.find("\r\nAuthorization:\r\n"), std::string::npos) << "token '" << token << "': " << raw;
    EXPECT_NE(raw.find("\r\nAccept: application/json\r\n"), std::string::npos) << raw;
  }
  // A token with line breaks cannot inject headers.
  LoginEntity::findByDictionary({{"empid", Value(5)}})->accesstoken = "tok\r\nX-Evil: 1";
  CoreDataManager::shared().mainManagedObjectContext().saveChanges();
  std::shared_ptr<Outcome> out;
  std::string raw = captureRawRequest(
      [&](const std::string& base) {
        UserDefaultsAccess::setValue(Value(base), UserDefaultsKey::serverUrl);
        out = send(APIRequest::make(APIName::Case::UserDashboard, HTTPMethod::GET));
      },
      [&] { return out && out->completions + out->notDelivered > 0; });
  EXPECT_EQ(raw.find("\r\nX-Evil"), std::string::npos) << raw;
  EXPECT_NE(raw.find("\r\nAuthorization: Bearer tokX-Evil: 1\r\n"), std::string::npos) << raw;
}

TEST_F(APIManagerTest, RepliesOfEveryStatusAreDeliveredDecodedOrFailed) {
  struct Case {
    int status;
    std::string body;
    std::string contentType;
    bool decoded;
  } cases[] = {
      {500, R"({"IsSuccess":false,"Message":"down"})", "application/json", true},
      {200, "<html><body>Server Error</body></html>", "text/html", false},
      {200, "", "application/json", false},
      {404, R"({"IsSuccess":"yes"})", "application/json", false},
  };
  for (const auto& c : cases) {
    server_.setReply("/api/Complain/ComplainList", {c.status, c.body, c.contentType});
    auto out = send(APIRequest::make(APIName::Case::ComplainList, HTTPMethod::POST, Value::Dictionary{}));
    ASSERT_TRUE(settle(out)) << c.body;
    EXPECT_EQ(out->completions, 1) << c.body;
    EXPECT_EQ(out->notDelivered, 0);
    ASSERT_TRUE(out->response->response);
    EXPECT_EQ(out->response->response->statusCode, c.status);
    EXPECT_EQ(out->response->value.has_value(), c.decoded) << c.body;
    EXPECT_EQ(out->response->error.has_value(), !c.decoded) << c.body;
  }
}

TEST_F(APIManagerTest, OfflineShowsTheAlertAndSendsNothing) {
  NetworkReachability::shared().isNetworkReachable = false;
  auto out = send(APIRequest::make(APIName::Case::UserDashboard, HTTPMethod::GET));
  ASSERT_TRUE(settle(out));
  EXPECT_EQ(out->completions, 0);
  EXPECT_EQ(out->notDelivered, 1);
  EXPECT_EQ(server_.requestCount(), 0u);
  auto alert = alertOnScreen();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->alertTitle(), "Sorry");
  EXPECT_EQ(alert->message(), APIManager::kOfflineMessage);
  EXPECT_EQ(alert->displayedActionTitles(), std::vector<std::string>{"Ok"});
}

TEST_F(APIManagerTest, ConnectionRefusedShowsTheTransportAlert) {
  server_.stop();
  auto out = send(APIRequest::make(APIName::Case::UserDashboard, HTTPMethod::GET));
  ASSERT_TRUE(settle(out));
  EXPECT_EQ(out->completions, 0);
  EXPECT_EQ(out->notDelivered, 1);
  auto alert = alertOnScreen();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->alertTitle(), "Sorry");
  EXPECT_EQ(alert->message(), "Could not connect to the server.");
}

TEST_F(APIManagerTest, UnauthorizedRequestsAreParkedForTheRefresh) {
  signIn("old");
  server_.setReply("/api/User/Dashboard", {401, "", "application/json"});
  auto out = send(APIRequest::make(APIName::Case::UserDashboard, HTTPMethod::GET));
  ASSERT_TRUE(pumpUntil([&] { return !delegate_->arrApiRequests.empty(); }));
  pump();
  EXPECT_EQ(out->completions + out->notDelivered, 0);
  ASSERT_EQ(delegate_->arrApiRequests.size(), 1u);
  EXPECT_EQ(delegate_->arrResponseHandlers.size(), 1u);
  // No refresh token is stored, so no refresh goes out and the flag stays clear.
  EXPECT_FALSE(delegate_->isAccessTokenApiRunning);
  EXPECT_EQ(delegate_->arrApiRequests[0]->apiName.apiCase(), APIName::Case::UserDashboard);

  // Replaying the parked caller hands it the new reply.
  HTTPExchange replay;
  replay.response = HTTPURLResponse{200, "", {}};
  replay.data = R"({"IsSuccess":true})";
  delegate_->arrResponseHandlers[0](replay);
  EXPECT_EQ(out->completions, 1);

  // Signing out forgets the parked requests.
  delegate_->clearSession();
  EXPECT_TRUE(delegate_->arrApiRequests.empty());
  EXPECT_TRUE(delegate_->arrResponseHandlers.empty());
  EXPECT_FALSE(delegate_->isAccessTokenApiRunning);
}

TEST_F(APIManagerTest, UnauthorizedLogoutSignsOut) {
  signIn("tok");
  UserDefaultsAccess::setValue(Value(true), UserDefaultsKey::isUserLogin);
  pump();
  server_.setReply("/api/Security/Logout", {401, "", "application/json"});
  auto out = send(APIRequest::make(APIName::Case::Logout, HTTPMethod::GET));
  ASSERT_TRUE(pumpUntil([&] { return !UserDefaultsAccess::getInt(UserDefaultsKey::empId); }));
  pump();
  EXPECT_EQ(out->completions + out->notDelivered, 0);
  EXPECT_FALSE(UserDefaultsAccess::isSet(UserDefaultsKey::isUserLogin));
  EXPECT_TRUE(delegate_->arrApiRequests.empty());
  EXPECT_EQ(rootScreenName(), "LandingVC");
  // The login record stays in the store.
  EXPECT_TRUE(LoginEntity::findByDictionary({{"empid", Value(5)}}));
}

TEST_F(APIManagerTest, LogMasksSecretsAndShortensLongValues) {
  signIn("bearer-secret");
  server_.setJsonReply("/api/Authenticate/AuthenticateUser",
                       R"({"IsSuccess":true,"AccessToken":"reply-access","RefreshToken":"reply-refresh",)"
                       R"("ApiKey":"reply-key","Message":"fine"})");
  platform::LogCapture log;
  std::string photo(2000, 'Q');
  auto out = send(APIRequest::make(APIName::Case::AuthenticateUser, HTTPMethod::POST,
                                   Value::Dictionary{{"UserName", Value("alice")},
                                                     {"Password", Value("pw-secret")},
                                                     {"StrImgupload", Value(Value::Array{Value(photo)})}}));
  ASSERT_TRUE(settle(out));
  std::string all;
  for (const auto& line : log.lines()) all += line + "\n";
  for (const char* secret : {"pw-secret", "bearer-secret", "reply-access", "reply-refresh", "reply-key"}) {
    EXPECT_EQ(all.find(secret), std::string::npos) << secret;
  }
  EXPECT_EQ(all.find(photo), std::string::npos);
  EXPECT_NE(all.find("(2000 bytes)"), std::string::npos);
  for (const char* label : {"METHOD..: POST", "URL.....: ", "STATUS..: 200", "params:  [", "BODY....: Optional(",
                            "HEADERS....: [\"Accept\": \"application/json\", \"Authorization\": \"***\"]",
                            "Response: ", "- - - - -- api url: ", "Json String: ", "alice", "fine"}) {
    EXPECT_NE(all.find(label), std::string::npos) << label;
  }
  // The request itself carries everything.
  EXPECT_NE(server_.requests().at(0).body.find("pw-secret"), std::string::npos);
}

TEST_F(APIManagerTest, RequestWithoutParametersLogsAnEmptyDictionaryAndNil) {
  server_.setJsonReply("/api/User/Dashboard", R"({"IsSuccess":true})");
  platform::LogCapture log;
  auto out = send(APIRequest::make(APIName::Case::UserDashboard, HTTPMethod::GET));
  ASSERT_TRUE(settle(out));
  EXPECT_TRUE(log.contains("params:  [:]"));
  EXPECT_TRUE(log.contains("BODY....: nil"));
}

}  // namespace
