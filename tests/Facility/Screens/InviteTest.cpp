#include <string>
#include <vector>

#include "Facility/BLE+MainMethods/DeviceConstant.h"
#include "Facility/Screens/InviteVC.h"
#include "Facility/Storage/KeychainHelper.h"
#include "Facility/Support/StringHelpers.h"
#include "Facility/Widgets/AppLoader.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "tests/Facility/Screens/AccessScreensFixture.h"
#include "tests/support/InvitationCodeMaker.h"

namespace screens_test {
namespace {

using testsupport::InvitationCodeMaker;

constexpr const char* kVerifyPath = "/api/Security/VerifySecurityCode";
constexpr const char* kImagePath = "/api/Facility/GetImage";

class InviteTest : public AccessScreensFixture {
 protected:
  // A phone that has not joined: no server address stored, the engine key
  // still in the keychain, the invitation screen as root.
  void openFresh() {
    UserDefaultsAccess::remove(UserDefaultsKey::serverUrl.value);
    KeychainHelper::shared().save("engine-key", DeviceConstant::encryptionKey);
    connect();
    screen = std::dynamic_pointer_cast<InviteVC>(delegate()->window()->rootViewController());
    ASSERT_TRUE(screen);
    pump();
  }

  void verify(const std::string& code) {
    screen->txtCode()->setText(code);
    screen->btnVerifyClicked();
  }

  static bool invitationStored() {
    auto& d = platform::UserDefaults::standard();
    return d.objectForKey("serverurl") || d.objectForKey("tanentid") || d.objectForKey("forgotPasswordId");
  }

  std::shared_ptr<InviteVC> screen;
};

TEST_F(InviteTest, CodeVectorRoundTrips) {
  const std::string plain = "https://fac.example.test@#$42@#$7";
  const std::string code = "V3xGZFqxuQXnca0F5NbB28wtr7YLXy+rqVBWedpoRdIFADCnIRrbYAJM/2QjwEkc";
  EXPECT_EQ(InvitationCodeMaker::encrypt(plain), code);
  EXPECT_EQ(StringHelpers::decryptedInvitationCode(code), plain);
}

TEST_F(InviteTest, RefusedEntriesAlertAndStoreNothing) {
  openFresh();
  struct Case {
    std::string name, entry, title, message;
  };
  const std::string good = InvitationCodeMaker::forServer(server_.baseURL());
  const std::string blank = "Please enter invitation code";
  const std::string invalid = "Please enter any valid invitation code";
  const std::vector<Case> cases = {
      {"empty", "", "Sorry", blank},
      {"white space only", " \t\n ", "Sorry", blank},
      {"trailing line break", good + "\n", "Alert", invalid},
      {"not base64", "%%%not-base64%%%", "Alert", invalid},
      {"wrong key", InvitationCodeMaker::encryptWithKey(server_.baseURL() + "@#$1@#$2", std::string(32, 'k')),
       "Alert", invalid},
      {"invalid UTF-8", InvitationCodeMaker::encrypt("http://a\xff\xfe@#$1@#$2"), "Alert", invalid},
      {"two fields", InvitationCodeMaker::encrypt(server_.baseURL() + "@#$1"), "Alert", invalid},
      {"blank field", InvitationCodeMaker::encrypt(server_.baseURL() + "@#$   @#$2"), "Alert", invalid},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    verify(c.entry);
    runFor(0.5);
    auto alert = alertOnScreen();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->alertTitle(), c.title);
    EXPECT_EQ(alert->message(), c.message);
    ASSERT_EQ(alert->displayedActionTitles(), std::vector<std::string>{"Ok"});
    EXPECT_TRUE(alert->pressActionWithTitle("Ok"));
    runFor(0.5);
    EXPECT_FALSE(invitationStored());
    EXPECT_TRUE(loaderCalls_.empty());
  }
  EXPECT_EQ(server_.requestCount(), 0u);
}

TEST_F(InviteTest, FourFieldsAndSpacedFieldsAreStoredAsTheyStand) {
  openFresh();
  server_.setJsonReply(kVerifyPath, R"({"IsSuccess":false,"Message":"Expired"})");
  verify(InvitationCodeMaker::encrypt(server_.baseURL() + "@#$ 12 @#$7@#$ignored"));
  ASSERT_TRUE(runUntil([&] { return alertOnScreen() != nullptr; }));
  auto& d = platform::UserDefaults::standard();
  EXPECT_EQ(d.stringForKey("serverurl"), server_.baseURL());
  EXPECT_EQ(d.stringForKey("tanentid"), " 12 ");
  EXPECT_EQ(d.stringForKey("forgotPasswordId"), "7");
}

TEST_F(InviteTest, VerifiedCodeRecordsReplyStoresLogoAndChoosesNextRoot) {
  openFresh();
  EXPECT_FALSE(KeychainHelper::shared().load(DeviceConstant::encryptionKey)) << "engine key removed at load";
  server_.setJsonReply(kVerifyPath, R"({"IsSuccess":true,"IsPasswordSet":true,"Username":"ann","EmailId":"a@b.c"})");
  server_.setJsonReply(kImagePath, R"({"IsSuccess":true,"DocImage":"data:image/png;base64,iVBORw0KGgo=  \n"})");
  const std::string code = InvitationCodeMaker::forServer(server_.baseURL(), "42", "7");
  verify(code);

  ASSERT_TRUE(settleUntil([&] { return topScreenName() != "InviteVC"; }));
  pump();

  auto verifyRequests = requestsTo(kVerifyPath);
  ASSERT_EQ(verifyRequests.size(), 1u);
  EXPECT_EQ(bodyOf(verifyRequests[0]).at("SecurityCode"), code);
  auto& d = platform::UserDefaults::standard();
  EXPECT_EQ(d.stringForKey("tanentid"), "42");
  EXPECT_EQ(d.stringForKey("forgotPasswordId"), "7");
  EXPECT_EQ(UserDefaultsAccess::getBool(UserDefaultsKey::isPasswordSet), true);
  EXPECT_EQ(UserDefaultsAccess::getString(UserDefaultsKey::emailId), "a@b.c");
  EXPECT_EQ(UserDefaultsAccess::getString(UserDefaultsKey::username), "ann");
  EXPECT_EQ(UserDefaultsAccess::getBool(UserDefaultsKey::isUserInvited), true);
  EXPECT_EQ(d.stringForKey("savedImage"), "iVBORw0KGgo=");
  // Password already set and no login record: the landing screen.
  EXPECT_EQ(topScreenName(), "LandingVC");
  EXPECT_EQ(AppToastAlert::messageLabel()->text(), std::optional<std::string>("Success"));
}

TEST_F(InviteTest, ReplyWithoutPasswordFlagLeadsToNewPasswordAndDefaultsTheFields) {
  openFresh();
  server_.setJsonReply(kVerifyPath, R"({"IsSuccess":true,"Message":"Welcome"})");
  server_.setJsonReply(kImagePath, R"({"IsSuccess":true})");
  verify(InvitationCodeMaker::forServer(server_.baseURL()));
  ASSERT_TRUE(settleUntil([&] { return topScreenName() != "InviteVC"; }));
  pump();
  EXPECT_EQ(UserDefaultsAccess::getBool(UserDefaultsKey::isPasswordSet), false);
  EXPECT_EQ(UserDefaultsAccess::getString(UserDefaultsKey::emailId), "");
  EXPECT_EQ(UserDefaultsAccess::getString(UserDefaultsKey::username), "");
  EXPECT_FALSE(platform::UserDefaults::standard().objectForKey("savedImage"));
  EXPECT_EQ(topScreenName(), "SetNewPasswordVC");
  EXPECT_EQ(AppToastAlert::messageLabel()->text(), std::optional<std::string>("Welcome"));
}

TEST_F(InviteTest, LogoFailuresStillCompleteTheOnboarding) {
  struct Case {
    std::string name;
    Server::Reply reply;
  };
  const std::vector<Case> cases = {
      {"unsuccessful", Server::Reply(200, R"({"IsSuccess":false})")},
      {"undecodable", Server::Reply(200, "<html>")},
      {"server error", Server::Reply(500, "")},
  };
  openFresh();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    delegate()->window()->setRootViewController(Storyboards::instantiateScreen(StoryboardName::main, "InviteVC"));
    screen = std::dynamic_pointer_cast<InviteVC>(delegate()->window()->rootViewController());
    ASSERT_TRUE(screen);
    pump();
    UserDefaultsAccess::remove("isuserinvited");
    server_.setJsonReply(kVerifyPath, R"({"IsSuccess":true,"IsPasswordSet":false})");
    server_.setReply(kImagePath, c.reply);
    verify(InvitationCodeMaker::forServer(server_.baseURL()));
    ASSERT_TRUE(settleUntil([&] { return topScreenName() == "SetNewPasswordVC"; }));
    pump();
    // A failure alert may sit on top of the new root; dismiss it.
    if (auto alert = alertOnScreen()) alert->pressActionWithTitle("Ok");
    pump();
  }
}

TEST_F(InviteTest, FailedVerificationsKeepTheInvitationValues) {
  openFresh();
  struct Case {
    std::string name;
    Server::Reply reply;
    std::optional<std::string> message;
  };
  const std::vector<Case> cases = {
      {"unsuccessful", Server::Reply(200, R"({"IsSuccess":false,"Message":"Code expired"})"), "Code expired"},
      {"no flag", Server::Reply(200, R"({"Message":"Hmm"})"), "Hmm"},
      {"undecodable", Server::Reply(200, "not json"), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server_.setReply(kVerifyPath, c.reply);
    verify(InvitationCodeMaker::forServer(server_.baseURL()));
    ASSERT_TRUE(runUntil([&] { return alertOnScreen() != nullptr; }));
    runFor(0.5);
    auto alert = alertOnScreen();
    EXPECT_EQ(alert->alertTitle(), "Sorry");
    if (c.message) {
      EXPECT_EQ(alert->message(), c.message);
    }
    EXPECT_TRUE(alert->pressActionWithTitle("Ok"));
    runFor(0.5);
    EXPECT_EQ(UserDefaultsAccess::storedServerUrl(), server_.baseURL());
    EXPECT_TRUE(platform::UserDefaults::standard().objectForKey("tanentid"));
    EXPECT_FALSE(UserDefaultsAccess::isSet(UserDefaultsKey::isUserInvited));
    EXPECT_EQ(topScreenName(), "InviteVC");
  }
  EXPECT_TRUE(requestsTo(kImagePath).empty());
}

TEST_F(InviteTest, ScreenGoneBeforeTheMarkHidesFetchesNoLogo) {
  openFresh();
  server_.setJsonReply(kVerifyPath, R"({"IsSuccess":true,"IsPasswordSet":true})");
  server_.setJsonReply(kImagePath, R"({"IsSuccess":true,"DocImage":"abc"})");
  verify(InvitationCodeMaker::forServer(server_.baseURL()));
  ASSERT_TRUE(runUntil([] { return uikit::PKHUD::sharedHUD().isVisible(); }));
  // Another root replaces the screen while the success mark is up (and the
  // loader lets go of it as its host).
  delegate()->window()->setRootViewController(std::make_shared<uikit::ViewController>());
  AppLoader::shared().hostViewController.reset();
  std::weak_ptr<InviteVC> gone = screen;
  screen.reset();
  runFor(1.0);
  pump();
  EXPECT_FALSE(gone.lock());
  EXPECT_TRUE(requestsTo(kImagePath).empty());
  EXPECT_EQ(UserDefaultsAccess::getBool(UserDefaultsKey::isUserInvited), true);
  EXPECT_FALSE(platform::UserDefaults::standard().objectForKey("savedImage"));
}

}  // namespace
}  // namespace screens_test
