// A signed-out, invited device against the test double, for the sign-in and
// password screens: the invitation's "emailid" and "username" seeded as the
// invitation screen would store them, the scene connected, and helpers to
// reach each screen, fill its fields and read what it shows.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Facility/Screens/ForgotPasswordVC.h"
#include "Facility/Screens/LandingVC.h"
#include "Facility/Screens/LoginVC.h"
#include "Facility/Screens/SetNewPasswordVC.h"
#include "Facility/Widgets/AppLoader.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/UIKit/PKHUD.h"
#include "Platform/UIKit/Responder.h"
#include "tests/Facility/Screens/ScreensFixture.h"

namespace screens_test {

inline constexpr const char* kSignInPath = "/api/Authenticate/AuthenticateUser";
inline constexpr const char* kForgotPath = "/api/Security/ForgotPassword";
inline constexpr const char* kResetPath = "/api/Security/ResetPassword";
inline constexpr const char* kSetPasswordPath = "/api/Security/SetPassword";

// A sent form by key; the client writes the keys in its own order.
using FormByKey = std::map<std::string, std::string>;

class SignInFixture : public ScreensFixture {
 protected:
  void TearDown() override {
    platform::Bundle::main().setInfoDictionaryOverride(std::nullopt);
    ScreensFixture::TearDown();
  }

  // Invited, with or without a password set, nobody signed in.
  void connectSignedOut(bool passwordSet = true, std::optional<std::string> emailId = "a@b.c",
                        std::optional<std::string> username = "jane") {
    auto& d = platform::UserDefaults::standard();
    (void)d.setBool(true, "isuserinvited");
    if (passwordSet) (void)d.setBool(true, "ispasswordset");
    if (emailId) (void)d.setObject(platform::Value(*emailId), "emailid");
    if (username) (void)d.setObject(platform::Value(*username), "username");
    d.synchronize();
    connect();
    pump();
    server_.clearRequests();
    loaderCalls_.clear();
  }

  uikit::ViewControllerPtr root() { return delegate()->window()->rootViewController(); }

  std::shared_ptr<LandingVC> landing() { return std::dynamic_pointer_cast<LandingVC>(root()); }

  // Landing screen, then its way to the sign-in screen.
  std::shared_ptr<LoginVC> openLogin() {
    auto screen = landing();
    if (!screen) {
      ADD_FAILURE() << "the root is " << topScreenName() << ", not the landing screen";
      return nullptr;
    }
    auto button = std::dynamic_pointer_cast<uikit::Control>(findById(screen->view(), "btnSignIn"));
    if (!button || !button->tap()) {
      ADD_FAILURE() << "no sign-in button to tap";
      return nullptr;
    }
    runFor(0.3);
    return std::dynamic_pointer_cast<LoginVC>(screen->presentedViewController());
  }

  std::shared_ptr<SetNewPasswordVC> setPasswordScreen() { return std::dynamic_pointer_cast<SetNewPasswordVC>(root()); }

  static uikit::ViewPtr findById(const uikit::ViewPtr& view, const std::string& id) {
    if (!view) return nullptr;
    if (view->accessibilityIdentifier() == id) return view;
    for (const auto& sub : view->subviews()) {
      if (auto found = findById(sub, id)) return found;
    }
    return nullptr;
  }

  static void fill(const std::shared_ptr<GenericTextField>& field, std::optional<std::string> text) {
    ASSERT_TRUE(field);
    field->setText(std::move(text));
  }

  // The alert on screen as title, message and buttons; presses the given
  // button (none: the only one) and lets it close.
  struct ShownAlert {
    std::optional<std::string> title;
    std::optional<std::string> message;
    std::vector<std::string> buttons;
  };
  std::optional<ShownAlert> takeAlert() {
    if (!runUntil([&] { return alertOnScreen() != nullptr; })) return std::nullopt;
    runFor(0.3);
    auto alert = alertOnScreen();
    if (!alert) return std::nullopt;
    ShownAlert shown{alert->alertTitle(), alert->message(), alert->displayedActionTitles()};
    if (!shown.buttons.empty()) (void)alert->pressActionWithTitle(shown.buttons.front());
    runFor(0.3);
    return shown;
  }

  // The common failure alert: "Sorry", one Ok button, and the given message
  // (none: the failure's own description, which is never empty).
  static void expectSorry(const std::optional<ShownAlert>& alert, const std::optional<std::string>& message) {
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title, std::optional<std::string>("Sorry"));
    EXPECT_EQ(alert->buttons, std::vector<std::string>{"Ok"});
    if (message) {
      EXPECT_EQ(alert->message, message);
    } else {
      EXPECT_FALSE(alert->message.value_or("").empty());
    }
  }

  // The form of each request to the path, in arrival order.
  std::vector<FormByKey> formsSentTo(const std::string& path) {
    std::vector<FormByKey> out;
    for (const auto& r : server_.requests()) {
      if (r.path != path) continue;
      auto pairs = r.form();
      out.emplace_back(pairs.begin(), pairs.end());
    }
    return out;
  }

  // Moves the clock on in small steps until the condition holds, for what
  // waits on time (the tick, animations); false after maxSeconds.
  bool advanceUntil(const std::function<bool()>& done, double maxSeconds = 5.0) {
    for (double waited = 0; waited < maxSeconds; waited += 0.05) {
      if (done()) return true;
      if (!clock_->runFor(0.05)) return false;
    }
    return done();
  }

  static bool hudVisible() { return uikit::PKHUD::sharedHUD().isVisible(); }
  static std::optional<std::string> toastText() {
    auto label = AppToastAlert::messageLabel();
    auto container = AppToastAlert::containerView();
    if (!label || !container || !container->window()) return std::nullopt;
    return label->text();
  }
  // The caption of the loader while the reply to the path is on its way
  // (slowed down so that the loader is surely built before it lands).
  std::optional<std::string> captionWhileWaiting(const std::string& path, const std::function<void()>& send) {
    server_.setReplyDelay(path, 1.0);
    send();
    std::optional<std::string> caption;
    (void)runUntil([&] {
      auto label = AppLoader::shared().messageLabel;
      if (label && label->window()) caption = label->text();
      return caption.has_value() && server_.requestCount() > 0;
    });
    server_.setReplyDelay(path, 0);
    return caption;
  }
};

}  // namespace screens_test
