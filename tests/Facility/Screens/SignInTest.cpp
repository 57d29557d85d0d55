#include <optional>
#include <string>
#include <vector>

#include "Facility/Storage/LoginEntity.h"
#include "Facility/Widgets/TextFieldInput.h"
#include "Platform/UIKit/NavigationController.h"
#include "tests/Facility/Screens/SignInFixture.h"

namespace screens_test {
namespace {

constexpr const char* kAccepted =
    R"({"IsSuccess":true,"EmpId":42,"AccessToken":"tok-42","RefreshToken":"ref-42","LoginType":"T","apiKey":"k"})";

class SignInTest : public SignInFixture {
 protected:
  void SetUp() override {
    SignInFixture::SetUp();
    connectSignedOut();
    login = openLogin();
    ASSERT_TRUE(login);
  }
  void TearDown() override {
    login.reset();
    SignInFixture::TearDown();
  }

  void signIn(std::optional<std::string> user, std::optional<std::string> password) {
    fill(login->txtEmail(), std::move(user));
    fill(login->txtPassword(), std::move(password));
    ASSERT_TRUE(login->btnLogin()->tap());
  }
  void tapForgotPassword() {
    auto button = std::dynamic_pointer_cast<uikit::Control>(findById(login->view(), "btnForgotPassword"));
    ASSERT_TRUE(button);
    ASSERT_TRUE(button->tap());
  }

  static bool signedInStateStored() {
    auto& d = platform::UserDefaults::standard();
    auto record = LoginEntity::findByDictionary({{"empid", 42}});
    return d.objectForKey("com.tarnelo.ble.shouldAllowPunch") == platform::Value(1) &&
           d.objectForKey("com.facility.isUserLogin") == platform::Value(true) && record &&
           record->accesstoken == std::optional<std::string>("tok-42") &&
           d.objectForKey("empid") == platform::Value(42) && d.objectForKey("accesstoken") == platform::Value("tok-42");
  }
  static bool nothingStored() {
    auto& d = platform::UserDefaults::standard();
    return !d.objectForKey("com.tarnelo.ble.shouldAllowPunch") && !d.objectForKey("com.facility.isUserLogin") &&
           !d.objectForKey("empid") && !d.objectForKey("accesstoken") &&
           !LoginEntity::findByDictionary({{"empid", 42}});
  }
  bool dashboardIsRoot() {
    return std::dynamic_pointer_cast<uikit::NavigationController>(root()) && topScreenName() == "TenantDashboardVC";
  }

  std::shared_ptr<LoginVC> login;
};

TEST_F(SignInTest, LandingShowsItsPictureAndOpensTheSignInScreenFullScreen) {
  auto image = landing()->imageView();
  ASSERT_TRUE(image);
  ASSERT_TRUE(image->image());
  EXPECT_EQ(image->image()->name(), "welcomepage");
  EXPECT_EQ(login->modalPresentationStyle, uikit::ModalPresentationStyle::kFullScreen);
  EXPECT_EQ(topScreenName(), "LoginVC");
  EXPECT_TRUE(login->lbVersion() && login->txtDropDown() && login->txtEmail() && login->txtPassword() &&
              login->btnLogin());
}

TEST_F(SignInTest, VersionLabelReadsTheBundleVersion) {
  struct Case {
    const char* name;
    std::optional<platform::Value::Dictionary> info;
    const char* shown;
  };
  for (const Case& c : {Case{"text", platform::Value::Dictionary{{"CFBundleShortVersionString", "2.4.1"}},
                             "App Version: 2.4.1"},
                        Case{"no key", platform::Value::Dictionary{{"CFBundleVersion", "9"}}, "App Version: "},
                        Case{"no dictionary", platform::Value::Dictionary{}, "App Version: "}}) {
    SCOPED_TRACE(c.name);
    TearDown();
    SignInFixture::SetUp();
    platform::Bundle::main().setInfoDictionaryOverride(c.info);
    connectSignedOut();
    login = openLogin();
    ASSERT_TRUE(login);
    EXPECT_EQ(login->lbVersion()->text(), std::optional<std::string>(c.shown));
  }
}

TEST_F(SignInTest, PrivacyPolicyOpensOnlyAUsableAddress) {
  struct Case {
    const char* name;
    std::optional<platform::Value> address;
    bool systemCanOpen;
    std::vector<std::string> opened;
  };
  const std::string page = "https://facility.test/privacy";
  for (const Case& c : {Case{"valid", platform::Value(page), true, {page}},
                        Case{"system refuses", platform::Value(page), false, {}},
                        Case{"absent", std::nullopt, true, {}},
                        Case{"not text", platform::Value(7), true, {}},
                        Case{"blank inside", platform::Value("https://facility.test/privacy policy"), true, {}},
                        Case{"no scheme", platform::Value("privacy"), true, {}},
                        Case{"empty", platform::Value(""), true, {}}}) {
    SCOPED_TRACE(c.name);
    TearDown();
    SignInFixture::SetUp();
    platform::Value::Dictionary info;
    if (c.address) info["PrivacyPolicyURL"] = *c.address;
    platform::Bundle::main().setInfoDictionaryOverride(info);
    connectSignedOut();
    uikit::Application::shared().setCanOpenURLHandler([&](const std::string&) { return c.systemCanOpen; });
    auto button = std::dynamic_pointer_cast<uikit::Control>(findById(landing()->view(), "btnPrivacyPolicy"));
    ASSERT_TRUE(button);
    ASSERT_TRUE(button->tap());
    pump();
    EXPECT_EQ(uikit::Application::shared().openedURLs(), c.opened);
    EXPECT_EQ(topScreenName(), "LandingVC");
  }
}

TEST_F(SignInTest, FormChecksComeFirstAndBlanksArePasswords) {
  struct Case {
    const char* name;
    std::optional<std::string> user;
    std::optional<std::string> password;
    std::optional<std::string> alert;  // none: the form is sent as typed
  };
  for (const Case& c : {Case{"nothing typed", std::nullopt, std::nullopt, "Please enter username"},
                        Case{"empty user", "", "pw", "Please enter username"},
                        Case{"three blanks as user", "   ", "pw", "Please enter username"},
                        Case{"line breaks as user", "\n\t", "pw", "Please enter username"},
                        Case{"both blank: user first", "  ", "", "Please enter username"},
                        Case{"no password", "jane", std::nullopt, "Please enter password"},
                        Case{"empty password", "jane", "", "Please enter password"},
                        Case{"three blanks as password", "jane", "   ", std::nullopt},
                        Case{"leading blank kept", " jane", "pw ", std::nullopt}}) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    server_.setJsonReply(kSignInPath, R"({"IsSuccess":false,"Message":"No"})");
    signIn(c.user, c.password);
    auto alert = takeAlert();
    ASSERT_TRUE(alert);
    if (c.alert) {
      EXPECT_EQ(alert->title, std::optional<std::string>("Sorry"));
      EXPECT_EQ(alert->message, c.alert);
      EXPECT_EQ(alert->buttons, std::vector<std::string>{"Okay"});
      EXPECT_EQ(server_.requestCount(), 0u);
      EXPECT_TRUE(loaderCalls_.empty());
    } else {
      EXPECT_EQ(alert->message, std::optional<std::string>("No")) << "the server's refusal";
      EXPECT_EQ(formsSentTo(kSignInPath), (std::vector<FormByKey>{{{"UserName", *c.user}, {"Password", *c.password}}}));
    }
    EXPECT_EQ(topScreenName(), "LoginVC") << "the fields stay for another try";
    EXPECT_EQ(login->txtEmail()->text().value_or(""), c.user.value_or(""));
  }
}

TEST_F(SignInTest, RoleDropDownChangesOnlyItsOwnText) {
  auto field = login->txtDropDown();
  auto input = TextFieldInput::of(field);
  auto picker = input->pickerView();
  std::vector<std::string> rows;
  for (long row = 0; row < picker->numberOfRowsInComponent(0); ++row) {
    rows.push_back(picker->titleForRow(row, 0).value_or("?"));
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"Facility Admin", "Tenant Admin", "User"}));
  EXPECT_EQ(field->text().value_or(""), "") << "no role is chosen at first";

  server_.setJsonReply(kSignInPath, R"({"IsSuccess":false,"Message":"No"})");
  for (long row : {0L, 1L, 2L}) {
    SCOPED_TRACE(row);
    ASSERT_TRUE(field->becomeFirstResponder());
    ASSERT_TRUE(picker->userSelectRow(row, 0));
    input->btnDoneTapped();
    EXPECT_EQ(field->text(), std::optional<std::string>(rows[static_cast<std::size_t>(row)]));
    signIn("jane", "pw");
    ASSERT_TRUE(takeAlert());
  }
  const FormByKey same{{"UserName", "jane"}, {"Password", "pw"}};
  EXPECT_EQ(formsSentTo(kSignInPath), (std::vector<FormByKey>{same, same, same}));
  EXPECT_TRUE(nothingStored());
}

TEST_F(SignInTest, SuccessStoresTheLoginThenShowsTheTickThenTheDashboard) {
  server_.setJsonReply(kSignInPath, kAccepted);
  EXPECT_EQ(captionWhileWaiting(kSignInPath, [&] { signIn("jane", "pw"); }),
            std::optional<std::string>("Authenticating..."));

  ASSERT_TRUE(runUntil([] { return hudVisible(); }));
  EXPECT_TRUE(signedInStateStored()) << "everything is stored before the tick";
  EXPECT_EQ(topScreenName(), "LoginVC") << "the root waits for the tick";
  EXPECT_EQ(loaderCalls_, std::vector<std::string>{"hide"});

  ASSERT_TRUE(advanceUntil([&] { return dashboardIsRoot(); }));
  EXPECT_FALSE(hudVisible()) << "the root changes once the tick has gone";
  auto record = LoginEntity::findByDictionary({{"empid", 42}});
  ASSERT_TRUE(record);
  EXPECT_EQ(record->logintype, std::optional<std::string>("T"));
  EXPECT_EQ(record->refreshtoken, std::optional<std::string>("ref-42"));
  EXPECT_FALSE(alertOnScreen());
}

TEST_F(SignInTest, RefusedOrUnreadableRepliesSaySorryAndStoreNothing) {
  struct Case {
    const char* name;
    int status;
    const char* body;
    std::optional<std::string> message;  // none: the failure's own description
  };
  for (const Case& c : {Case{"refused", 200, R"({"IsSuccess":false,"Message":"Wrong password"})", "Wrong password"},
                        Case{"no IsSuccess", 200, R"({"Message":"Locked","EmpId":42,"AccessToken":"t"})", "Locked"},
                        Case{"server error", 500, R"({"IsSuccess":false,"Message":"Down"})", "Down"},
                        Case{"not a record", 200, "<html/>", std::nullopt}}) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    server_.setReply("POST", kSignInPath, {c.status, c.body});
    signIn("jane", "pw");
    expectSorry(takeAlert(), c.message);
    EXPECT_TRUE(nothingStored());
    EXPECT_FALSE(hudVisible());
    EXPECT_EQ(topScreenName(), "LoginVC");
    EXPECT_EQ(login->txtPassword()->text(), std::optional<std::string>("pw"));
  }
}

// A reply that arrives once the sign-in screen is gone still stores the
// login record and keys that the signed-in flag announces, so the rebuilt
// root is the dashboard and not a signed-in device without a login.
TEST_F(SignInTest, LateReplyAfterTheScreenIsGoneStillSavesTheLogin) {
  server_.setJsonReply(kSignInPath, kAccepted);
  server_.holdReply(kSignInPath);
  signIn("jane", "pw");
  ASSERT_TRUE(server_.waitForRequests(1, 5.0));

  std::weak_ptr<LoginVC> gone = login;
  login.reset();
  ASSERT_TRUE(landing()->dismiss(false));
  // Another wait elsewhere: the loader lets go of the sign-in screen.
  AppLoader::shared().show(landing());
  AppLoader::shared().hide();
  ASSERT_TRUE(runUntil([&] { return gone.expired(); })) << "the sign-in screen is still alive";

  server_.releaseReply(kSignInPath);
  ASSERT_TRUE(runUntil([] { return hudVisible(); }));
  EXPECT_TRUE(signedInStateStored());
  ASSERT_TRUE(advanceUntil([&] { return dashboardIsRoot(); })) << "root: " << topScreenName();
}

TEST_F(SignInTest, ForgottenPasswordWithoutTheInvitationAddressSendsNothing) {
  for (const std::optional<std::string>& stored : {std::optional<std::string>(), std::optional<std::string>(" \n ")}) {
    SCOPED_TRACE(stored.value_or("(absent)"));
    TearDown();
    SignInFixture::SetUp();
    connectSignedOut(true, stored);
    login = openLogin();
    ASSERT_TRUE(login);
    tapForgotPassword();
    auto alert = takeAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title, std::optional<std::string>("Alert"));
    EXPECT_EQ(alert->message, std::optional<std::string>("Email Id not found in invitation code response"));
    EXPECT_EQ(alert->buttons, std::vector<std::string>{"Ok"});
    EXPECT_EQ(server_.requestCount(), 0u);
    EXPECT_EQ(topScreenName(), "LoginVC");
  }
}

TEST_F(SignInTest, ForgottenPasswordSendsTheStoredAddressThenPresentsTheReset) {
  TearDown();
  SignInFixture::SetUp();
  connectSignedOut(true, " a@b.c ");
  login = openLogin();
  ASSERT_TRUE(login);
  server_.setJsonReply(kForgotPath, R"({"IsSuccess":true,"Message":"Mailed"})");
  EXPECT_EQ(captionWhileWaiting(kForgotPath, [&] { tapForgotPassword(); }),
            std::optional<std::string>("Please wait..."));
  ASSERT_TRUE(runUntil([&] { return login->presentedViewController() != nullptr; }));
  runFor(0.3);
  EXPECT_EQ(formsSentTo(kForgotPath), (std::vector<FormByKey>{{{"EmailId", " a@b.c "}}})) << "sent untrimmed";
  EXPECT_EQ(topScreenName(), "ForgotPasswordVC");
  EXPECT_TRUE(std::dynamic_pointer_cast<ForgotPasswordVC>(login->presentedViewController()));
}

TEST_F(SignInTest, RefusedForgottenPasswordSaysSorryAndStays) {
  struct Case {
    const char* body;
    std::optional<std::string> message;
  };
  for (const Case& c : {Case{R"({"IsSuccess":false,"Message":"Unknown address"})", "Unknown address"},
                        Case{R"({"Message":"Hm"})", "Hm"}, Case{"[]", std::nullopt}}) {
    SCOPED_TRACE(c.body);
    TearDown();
    SetUp();
    server_.setJsonReply(kForgotPath, c.body);
    tapForgotPassword();
    expectSorry(takeAlert(), c.message);
    EXPECT_EQ(topScreenName(), "LoginVC");
    EXPECT_EQ(server_.requestCount(), 1u);
  }
}

}  // namespace
}  // namespace screens_test
