#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Facility/Network/APIName.h"
#include "Facility/Network/APIRequest.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "tests/Facility/Screens/ScreensFixture.h"

namespace screens_test {
namespace {

constexpr const char* kLogoutPath = "/api/Security/Logout";

// What logout must take away; everything else stays.
const std::set<std::string> kClearedKeys = {
    "com.facility.isUserLogin",         "tanentid",
    "accesstoken",                      "empid",
    "com.tarnelo.ble.DestinationFloor", "com.tarnelo.ble.BoardingFloor",
    "com.tarnelo.ble.selectedFloor",    "com.tarnelo.ble.sensitivity",
    "com.tarnelo.ble.shouldAllowPunch",
};

class LogoutTest : public ScreensFixture {
 protected:
  void SetUp() override {
    ScreensFixture::SetUp();
    signInAndConnect();
    ASSERT_EQ(topScreenName(), "UserDashboardVC");
    // A request waiting for a token refresh, with its caller.
    delegate()->arrApiRequests.push_back(APIRequest::make(APIName(APIName::Case::GetVersion), HTTPMethod::GET));
    delegate()->arrResponseHandlers.push_back([this](const HTTPExchange&) { ++parkedCallerCalls_; });
    before_ = storedDefaults();
  }

  // Asks to log out and answers the confirmation with the given button.
  void answerConfirmation(const std::string& button) {
    delegate()->logout(true);
    runFor(0.3);
    auto alert = alertOnScreen();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->alertTitle(), std::optional<std::string>("Confirm"));
    EXPECT_EQ(alert->message(), std::optional<std::string>("Are you sure you want to logout?"));
    EXPECT_EQ(alert->preferredStyle(), uikit::AlertControllerStyle::kAlert);
    EXPECT_EQ(alert->displayedActionTitles(), (std::vector<std::string>{"No", "Yes"}));
    ASSERT_TRUE(alert->pressActionWithTitle(button));
    runFor(0.3);
  }

  // The defaults as they were before logout, less the keys it clears.
  platform::Value::Dictionary expectedAfterClearing() const {
    auto expected = before_;
    for (const auto& key : kClearedKeys) expected.erase(key);
    return expected;
  }

  // Waits for the "Sorry" alert with its one "Ok" button, checks that the
  // session is kept, presses "Ok" and returns the alert's message.
  std::optional<std::string> expectSorryThenBackToTheDashboard() {
    EXPECT_TRUE(runUntil([&] { return alertOnScreen() != nullptr; }));
    runFor(0.3);
    auto alert = alertOnScreen();
    if (!alert) {
      ADD_FAILURE() << "no alert on screen";
      return std::nullopt;
    }
    EXPECT_EQ(alert->alertTitle(), std::optional<std::string>("Sorry"));
    EXPECT_EQ(alert->displayedActionTitles(), (std::vector<std::string>{"Ok"}));
    expectSessionKept();
    auto message = alert->message();
    EXPECT_TRUE(alert->pressActionWithTitle("Ok"));
    runFor(0.3);
    EXPECT_EQ(topScreenName(), "UserDashboardVC");
    return message;
  }

  void expectSessionKept() {
    EXPECT_EQ(storedDefaults(), before_);
    EXPECT_EQ(delegate()->arrApiRequests.size(), 1u);
    EXPECT_EQ(delegate()->arrResponseHandlers.size(), 1u);
  }

  bool toastShows(const std::string& text) {
    auto label = AppToastAlert::messageLabel();
    auto container = AppToastAlert::containerView();
    return label && container && container->window() && label->text() == std::optional<std::string>(text);
  }

  platform::Value::Dictionary before_;
  int parkedCallerCalls_ = 0;
};

TEST_F(LogoutTest, NoKeepsEverythingAndSendsNothing) {
  answerConfirmation("No");
  pump();
  EXPECT_EQ(server_.requestCount(), 0u);
  EXPECT_TRUE(loaderCalls_.empty());
  EXPECT_FALSE(alertOnScreen());
  EXPECT_EQ(topScreenName(), "UserDashboardVC");
  expectSessionKept();
}

TEST_F(LogoutTest, AcceptedReplyClearsTheSessionThenToastsOnTheLandingScreen) {
  struct Case {
    const char* body;
    const char* toast;
  };
  for (const Case& c : {Case{R"({"IsSuccess":true})", "Success"},
                        Case{R"({"IsSuccess":true,"Message":"Logged out"})", "Logged out"}}) {
    SCOPED_TRACE(c.body);
    TearDown();
    SetUp();
    server_.setReply("GET", kLogoutPath, {200, c.body});
    answerConfirmation("Yes");
    ASSERT_TRUE(runUntil([&] { return toastShows(c.toast); }));
    pump();

    auto requests = server_.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].path, kLogoutPath);
    EXPECT_TRUE(requests[0].body.empty());
    EXPECT_EQ(requests[0].header("Authorization"), std::optional<std::string>("Bearer token-7"));
    EXPECT_EQ(loaderCalls_, (std::vector<std::string>{"show", "hide"}));

    EXPECT_EQ(storedDefaults(), expectedAfterClearing());
    auto record = LoginEntity::findByDictionary({{"empid", kEmployee}});
    ASSERT_TRUE(record) << "the login record stays";
    EXPECT_EQ(record->accesstoken, std::optional<std::string>("token-7"));

    EXPECT_TRUE(delegate()->arrApiRequests.empty());
    EXPECT_TRUE(delegate()->arrResponseHandlers.empty());
    EXPECT_EQ(parkedCallerCalls_, 0) << "parked requests are dropped, never replayed";

    EXPECT_EQ(topScreenName(), "LandingVC");
    auto landing = delegate()->window()->rootViewController();
    EXPECT_EQ(AppToastAlert::containerView()->superview(), landing->view()) << "the toast sits on the new root";
  }
}

TEST_F(LogoutTest, RefusedOrFailedRepliesKeepTheSessionAndSaySorry) {
  struct Case {
    const char* name;
    int status;
    const char* body;
    std::optional<std::string> message;  // none: the alert's message is the failure's description
    bool describedFailure;
  };
  for (const Case& c : {Case{"refused with message", 200, R"({"IsSuccess":false,"Message":"Try later"})",
                             "Try later", false},
                        Case{"refused without message", 200, R"({"IsSuccess":false})", std::nullopt, false},
                        Case{"no status", 200, R"({"Message":"Hm"})", "Hm", false},
                        Case{"server error", 500, R"({"IsSuccess":false,"Message":"Down"})", "Down", false},
                        Case{"not a record", 200, "<html>oops</html>", std::nullopt, true},
                        Case{"empty body", 200, "", std::nullopt, true}}) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    server_.setReply("GET", kLogoutPath, {c.status, c.body});
    answerConfirmation("Yes");
    auto message = expectSorryThenBackToTheDashboard();
    if (c.describedFailure) {
      ASSERT_TRUE(message);
      EXPECT_FALSE(message->empty());
    } else {
      EXPECT_EQ(message, c.message);
    }
    EXPECT_EQ(server_.requestCount(), 1u);
  }
}

TEST_F(LogoutTest, UnreachableServerKeepsTheSession) {
  // A port that was just free: the connection is refused.
  std::string deadUrl;
  {
    Server gone;
    ASSERT_TRUE(gone.start());
    deadUrl = gone.baseURL();
    gone.stop();
  }
  UserDefaultsAccess::setValue(platform::Value(deadUrl), UserDefaultsKey::serverUrl);
  before_ = storedDefaults();
  answerConfirmation("Yes");
  auto message = expectSorryThenBackToTheDashboard();
  ASSERT_TRUE(message);
  EXPECT_FALSE(message->empty()) << "the transport's reason";
}

TEST_F(LogoutTest, OfflineRefusalKeepsTheSession) {
  NetworkReachability::shared().isNetworkReachable = false;
  answerConfirmation("Yes");
  pump();
  runFor(0.3);
  auto alert = alertOnScreen();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->alertTitle(), std::optional<std::string>("Sorry"));
  EXPECT_EQ(server_.requestCount(), 0u);
  expectSessionKept();
}

TEST_F(LogoutTest, WithoutConfirmationClearsAtOnce) {
  delegate()->logout(false);
  EXPECT_FALSE(alertOnScreen());
  EXPECT_EQ(storedDefaults(), expectedAfterClearing());
  EXPECT_TRUE(delegate()->arrApiRequests.empty());
  EXPECT_TRUE(delegate()->arrResponseHandlers.empty());
  EXPECT_EQ(topScreenName(), "LandingVC");
  pump();
  EXPECT_EQ(server_.requestCount(), 0u);
  EXPECT_EQ(parkedCallerCalls_, 0);
}

TEST_F(LogoutTest, NothingWithoutATopScreen) {
  auto window = delegate()->window();
  window->setRootViewController(nullptr);
  delegate()->logout(true);
  runFor(0.3);
  EXPECT_FALSE(alertOnScreen());
  delegate()->setWindow(nullptr);
  delegate()->logout(true);
  runFor(0.3);
  EXPECT_EQ(server_.requestCount(), 0u);
  expectSessionKept();
  delegate()->setWindow(window);
}

}  // namespace
}  // namespace screens_test
