#include <optional>
#include <string>
#include <vector>

#include "Facility/Screens/StoryboardName.h"
#include "tests/Facility/Screens/SignInFixture.h"

namespace screens_test {
namespace {

enum class Screen { reset, setPassword };

class PasswordTest : public SignInFixture {
 protected:
  void TearDown() override {
    reset.reset();
    setPassword.reset();
    SignInFixture::TearDown();
  }

  // The reset form over the landing screen, as the sign-in screen shows it.
  void openReset(std::optional<std::string> emailId = "a@b.c") {
    connectSignedOut(true, std::move(emailId));
    reset = std::dynamic_pointer_cast<ForgotPasswordVC>(
        Storyboards::instantiateScreen(StoryboardName::main, "ForgotPasswordVC"));
    ASSERT_TRUE(reset);
    ASSERT_TRUE(landing()->present(reset, false));
    pump();
  }
  void openSetPassword(std::optional<std::string> username = "jane") {
    connectSignedOut(false, "a@b.c", std::move(username));
    setPassword = setPasswordScreen();
    ASSERT_TRUE(setPassword) << "root: " << topScreenName();
  }

  void submitReset(std::optional<std::string> code, std::optional<std::string> password,
                   std::optional<std::string> confirmation) {
    fill(reset->txtOTP(), std::move(code));
    fill(reset->txtPassword(), std::move(password));
    fill(reset->txtConfirmPassword(), std::move(confirmation));
    tapButton(reset->view(), "btnForgetPassword");
  }
  void submitSetPassword(std::optional<std::string> password, std::optional<std::string> confirmation) {
    fill(setPassword->txtPassword(), std::move(password));
    fill(setPassword->txtConfirmPassword(), std::move(confirmation));
    tapButton(setPassword->view(), "btnSubmit");
  }
  static void tapButton(const uikit::ViewPtr& view, const std::string& id) {
    auto button = std::dynamic_pointer_cast<uikit::Control>(findById(view, id));
    ASSERT_TRUE(button);
    ASSERT_TRUE(button->tap());
  }

  static bool passwordSetStored() {
    return platform::UserDefaults::standard().objectForKey("ispasswordset") == platform::Value(true);
  }

  std::shared_ptr<ForgotPasswordVC> reset;
  std::shared_ptr<SetNewPasswordVC> setPassword;
};

TEST_F(PasswordTest, BothFormsCheckTheirFieldsInOrder) {
  struct Case {
    const char* name;
    Screen screen;
    std::optional<std::string> code;  // the reset's code; ignored by the other form
    std::optional<std::string> password;
    std::optional<std::string> confirmation;
    const char* alert;
    std::optional<std::string> emailId = "a@b.c";
  };
  const char* kOtp = "Please enter OTP";
  const char* kPassword = "Please enter password";
  const char* kMismatch = "Password and confirm password do not match";
  for (const Case& c : {
           Case{"no code", Screen::reset, std::nullopt, "pw", "pw", kOtp},
           Case{"blank code before blank password", Screen::reset, "   ", "", "", kOtp},
           Case{"no password", Screen::reset, "1234", std::nullopt, "pw", kPassword},
           Case{"blank password", Screen::reset, "1234", " \n", "pw", kPassword},
           Case{"empty confirmation", Screen::reset, "1234", "pw", "", kPassword},
           Case{"blank confirmation", Screen::reset, "1234", "pw", "  ", kPassword},
           Case{"trailing blank differs", Screen::reset, "1234", "pw", "pw ", kMismatch},
           Case{"case differs", Screen::reset, "1234", "pw", "PW", kMismatch},
           Case{"no address after the pair", Screen::reset, "1234", "pw", "px", kMismatch, std::nullopt},
           Case{"no address", Screen::reset, "1234", "pw", "pw", "Email Id not found in invitation code response",
                std::nullopt},
           Case{"blank address", Screen::reset, "1234", "pw", "pw", "Email Id not found in invitation code response",
                "  "},
           Case{"set: no password", Screen::setPassword, {}, std::nullopt, "pw", kPassword},
           Case{"set: blank password", Screen::setPassword, {}, "   ", "pw", kPassword},
           Case{"set: empty confirmation", Screen::setPassword, {}, "pw", "", kPassword},
           Case{"set: trailing blank differs", Screen::setPassword, {}, "pw", "pw ", kMismatch},
       }) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    if (c.screen == Screen::reset) {
      openReset(c.emailId);
      submitReset(c.code, c.password, c.confirmation);
    } else {
      openSetPassword();
      submitSetPassword(c.password, c.confirmation);
    }
    auto alert = takeAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title, std::optional<std::string>("Alert"));
    EXPECT_EQ(alert->message, std::optional<std::string>(c.alert));
    EXPECT_EQ(alert->buttons, std::vector<std::string>{"Ok"});
    EXPECT_EQ(server_.requestCount(), 0u);
    EXPECT_TRUE(loaderCalls_.empty());
    EXPECT_EQ(topScreenName(), c.screen == Screen::reset ? "ForgotPasswordVC" : "SetNewPasswordVC");
  }
}

TEST_F(PasswordTest, ResetClosesTheKeyboardFirst) {
  openReset();
  auto field = reset->txtOTP();
  ASSERT_TRUE(field->becomeFirstResponder());
  submitReset("", "pw", "pw");
  EXPECT_FALSE(field->isFirstResponder());
}

TEST_F(PasswordTest, ResetSendsTheFieldsUntrimmedThenTicksRebuildsAndToasts) {
  struct Case {
    const char* body;
    const char* toast;
  };
  for (const Case& c : {Case{R"({"IsSuccess":true,"Message":"Password changed"})", "Password changed"},
                        Case{R"({"IsSuccess":true})", "Success"}}) {
    SCOPED_TRACE(c.body);
    TearDown();
    SignInFixture::SetUp();
    // The real way in: sign-in screen, forgotten password, reset form.
    connectSignedOut();
    auto login = openLogin();
    ASSERT_TRUE(login);
    server_.setJsonReply(kForgotPath, R"({"IsSuccess":true})");
    server_.setJsonReply(kResetPath, c.body);
    tapButton(login->view(), "btnForgotPassword");
    ASSERT_TRUE(runUntil([&] { return login->presentedViewController() != nullptr; }));
    runFor(0.3);
    reset = std::dynamic_pointer_cast<ForgotPasswordVC>(login->presentedViewController());
    ASSERT_TRUE(reset);
    auto oldRoot = root();
    server_.clearRequests();

    EXPECT_EQ(captionWhileWaiting(kResetPath, [&] { submitReset(" 12 ", "a b ", "a b "); }),
              std::optional<std::string>("Please wait..."));
    ASSERT_TRUE(runUntil([] { return hudVisible(); }));
    EXPECT_EQ(root(), oldRoot) << "the root waits for the tick";
    EXPECT_EQ(formsSentTo(kResetPath),
              (std::vector<FormByKey>{{{"EmailId", "a@b.c"}, {"OTP", " 12 "}, {"password", "a b "}}}));

    ASSERT_TRUE(advanceUntil([&] { return root() != oldRoot; }));
    EXPECT_FALSE(hudVisible());
    ASSERT_TRUE(landing()) << "root: " << topScreenName();
    EXPECT_FALSE(landing()->presentedViewController()) << "the sign-in and reset screens are gone";
    ASSERT_TRUE(advanceUntil([&] { return toastText().has_value(); }));
    EXPECT_EQ(toastText(), std::optional<std::string>(c.toast));
    EXPECT_EQ(AppToastAlert::containerView()->superview(), landing()->view()) << "the toast sits on the new root";
  }
}

TEST_F(PasswordTest, SetPasswordStoresTheFlagBeforeTheTickThenLeavesTheForm) {
  struct Case {
    const char* body;
    const char* toast;
  };
  for (const Case& c : {Case{R"({"IsSuccess":true,"Message":"All set"})", "All set"},
                        Case{R"({"IsSuccess":true})", "Success"}}) {
    SCOPED_TRACE(c.body);
    TearDown();
    SetUp();
    openSetPassword(" jane ");
    EXPECT_EQ(setPassword->txtUsername()->text(), std::optional<std::string>(" jane "));
    EXPECT_FALSE(setPassword->txtUsername()->isEnabled());
    server_.setJsonReply(kSetPasswordPath, c.body);
    EXPECT_EQ(captionWhileWaiting(kSetPasswordPath, [&] { submitSetPassword(" pw", " pw"); }),
              std::optional<std::string>("Please wait..."));

    ASSERT_TRUE(runUntil([] { return hudVisible(); }));
    EXPECT_TRUE(passwordSetStored()) << "stored before the tick";
    EXPECT_EQ(topScreenName(), "SetNewPasswordVC");
    EXPECT_EQ(formsSentTo(kSetPasswordPath), (std::vector<FormByKey>{{{"Username", " jane "}, {"Password", " pw"}}}));

    ASSERT_TRUE(advanceUntil([&] { return topScreenName() == "LandingVC"; })) << "root: " << topScreenName();
    EXPECT_FALSE(hudVisible());
    ASSERT_TRUE(advanceUntil([&] { return toastText().has_value(); }));
    EXPECT_EQ(toastText(), std::optional<std::string>(c.toast));
  }
}

TEST_F(PasswordTest, NoStoredUsernameLeavesTheFieldEmptyAndDisabled) {
  for (const std::optional<std::string>& stored : {std::optional<std::string>(), std::optional<std::string>("  ")}) {
    SCOPED_TRACE(stored.value_or("(absent)"));
    TearDown();
    SetUp();
    openSetPassword(stored);
    auto field = setPassword->txtUsername();
    EXPECT_EQ(field->text().value_or(""), "");
    EXPECT_FALSE(field->isEnabled());
    EXPECT_FALSE(field->becomeFirstResponder()) << "nobody can type a name in";
    submitSetPassword("pw", "pw");
    auto alert = takeAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title, std::optional<std::string>("Alert"));
    EXPECT_EQ(alert->message, std::optional<std::string>("Please enter username"));
    EXPECT_EQ(server_.requestCount(), 0u);
  }
}

TEST_F(PasswordTest, RefusedRepliesSaySorryAndKeepTheForm) {
  struct Case {
    const char* name;
    Screen screen;
    const char* body;
    std::optional<std::string> message;  // none: the failure's own description
  };
  for (const Case& c : {Case{"reset refused", Screen::reset, R"({"IsSuccess":false,"Message":"Bad OTP"})", "Bad OTP"},
                        Case{"reset without status", Screen::reset, R"({"Message":"Hm"})", "Hm"},
                        Case{"reset unreadable", Screen::reset, "oops", std::nullopt},
                        Case{"set refused", Screen::setPassword, R"({"IsSuccess":false,"Message":"Weak"})", "Weak"},
                        Case{"set without status", Screen::setPassword, R"({"Message":"Try again"})", "Try again"},
                        Case{"set unreadable", Screen::setPassword, "", std::nullopt}}) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    const std::string path = c.screen == Screen::reset ? kResetPath : kSetPasswordPath;
    server_.setReply("POST", path, {200, c.body});
    if (c.screen == Screen::reset) {
      openReset();
      submitReset("1234", "pw", "pw");
    } else {
      openSetPassword();
      submitSetPassword("pw", "pw");
    }
    expectSorry(takeAlert(), c.message);
    EXPECT_FALSE(hudVisible());
    EXPECT_EQ(passwordSetStored(), c.screen == Screen::reset) << "the reset form's device already had one";
    EXPECT_EQ(topScreenName(), c.screen == Screen::reset ? "ForgotPasswordVC" : "SetNewPasswordVC");
    EXPECT_EQ(server_.requestCount(), 1u);
  }
}

}  // namespace
}  // namespace screens_test
