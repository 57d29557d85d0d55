#include <gtest/gtest.h>

#include "Facility/Support/AppColor.h"
#include "Facility/Support/CustomObject.h"
#include "Facility/Network/ExchangeLog.h"
#include "Facility/Support/JSONString.h"
#include "Facility/Support/MultiCastDelegate.h"
#include "Facility/Support/StringHelpers.h"
#include "Facility/Support/Time.h"
#include "Facility/Widgets/AAction.h"
#include "Facility/Widgets/AlertPresenter.h"
#include "Facility/Widgets/AppLoader.h"
#include "Platform/CommonCrypto/AES.h"
#include "Platform/CommonCrypto/Base64.h"
#include "Platform/Foundation/Log.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/TabBarController.h"
#include "tests/support/CoreFixture.h"
#include "tests/support/IllFormedUtf8.h"

using platform::Value;

namespace {

class HelpersTest : public CoreFixture {};

std::string encryptInvitation(const std::string& plain) {
  std::string iv = StringHelpers::kInvitationIV;
  std::string key = StringHelpers::hexString(StringHelpers::sha256Digest(
                                                 std::span<const std::uint8_t>(
                                                     reinterpret_cast<const std::uint8_t*>(iv.data()), iv.size())))
                        .substr(0, 32);
  auto cipher = platform::AES::encryptCBC(platform::Bytes(key.begin(), key.end()), platform::Bytes(iv.begin(), iv.end()),
                                          platform::Bytes(plain.begin(), plain.end()), platform::AES::Padding::kPKCS7);
  return platform::Base64::encode(cipher.value());
}

TEST_F(HelpersTest, DigestsAndHex) {
  const std::uint8_t abc[] = {'a', 'b', 'c'};
  EXPECT_EQ(StringHelpers::hexString(abc), "616263");
  EXPECT_EQ(StringHelpers::hexString({}), "");
  EXPECT_EQ(StringHelpers::hexString(StringHelpers::sha256Digest(abc)),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST_F(HelpersTest, InvitationCodesDecryptOrGiveEmptyText) {
  EXPECT_EQ(StringHelpers::decryptedInvitationCode(encryptInvitation("https://fm.example|T1|42")),
            "https://fm.example|T1|42");
  EXPECT_EQ(StringHelpers::decryptedInvitationCode("not base64!"), "");
  EXPECT_EQ(StringHelpers::decryptedInvitationCode(platform::Base64::encode(std::string(16, 'x'))), "");
  // Short key or IV texts are refused, not read past.
  CustomObject o;
  platform::Bytes block(16, 0);
  EXPECT_FALSE(o.decrypt(block, "short", "3917264058172639"));
  EXPECT_FALSE(o.decrypt(block, std::string(32, 'k'), "short"));
}

TEST_F(HelpersTest, PhoneCharactersAndTimeWords) {
  for (const char* ok : {"", "+911234567890", "12+34"}) EXPECT_TRUE(StringHelpers::isValidPhoneCharacters(ok)) << ok;
  for (const char* bad : {"12 34", "12-34", "12a"}) EXPECT_FALSE(StringHelpers::isValidPhoneCharacters(bad)) << bad;
  EXPECT_EQ(TimeWords::fromRawValue("Just now"), Time::JustNow);
  EXPECT_FALSE(TimeWords::fromRawValue("just now"));
  EXPECT_EQ(TimeWords::rawValue(Time::DaysAgo), "days ago");
}

TEST_F(HelpersTest, EmailMustMatchAsAWhole) {
  for (const char* ok : {"a@b.co", "A.B_c%d+e-f@x-y.example.io", "9@9.ab"}) {
    EXPECT_TRUE(StringHelpers::isValidEmail(ok)) << ok;
  }
  // A match inside the text is not enough: the whole of it must match.
  for (const char* bad : {"", "a@b.c", "a@bco", "@b.co", "a b@c.de", " a@b.co", "a@b.co ", "a@b.co\nx",
                          "a@b.c0", "a@@b.co", "\xc3\xa9@b.co"}) {
    EXPECT_FALSE(StringHelpers::isValidEmail(bad)) << bad;
  }
  EXPECT_FALSE(StringHelpers::isValidEmail(std::string_view("a@b.co\0x", 8))) << "an embedded NUL";
}

TEST_F(HelpersTest, ColoursAndAliases) {
  EXPECT_EQ(AppColor::darkBlue(), uikit::Color::rgb255(0, 73, 118));
  EXPECT_EQ(&AppColor::gray(), &AppColor::gray112());
  EXPECT_EQ(&AppColor::paleBlue(), &AppColor::lightBlue());
  EXPECT_EQ(AppColor::lightGray(), uikit::Color(0.8, 0.8, 0.8, 1));
  EXPECT_EQ(AppColor::clear().alpha(), 0);
}

TEST_F(HelpersTest, JsonTextEscapesSlashesAndRefusesNonJson) {
  EXPECT_EQ(jsonString(false, Value(Value::Dictionary{{"u", Value("a/b")}, {"n", Value(1)}})), R"({"n":1,"u":"a\/b"})");
  EXPECT_EQ(jsonString(true, Value(Value::Array{Value("x")})), "[\n  \"x\"\n]");
  EXPECT_EQ(jsonString(false, Value(Value::Array{Value::bytes("x")})), "{}");
  EXPECT_EQ(jsonString(false, Value(Value::Array{Value(std::string("\xff"))})), "{}");
}

// jsonString refuses text that is not UTF-8 as the form fields expect ("{}"
// and its own line); it must never throw, whichever byte is bad.
TEST_F(HelpersTest, JsonTextRefusesEachIllFormedText) {
  for (const auto& c : testsupport::Utf8RepairCases()) {
    const bool wellFormed = c.raw == c.repaired;
    platform::LogCapture log;
    Value list(Value::Dictionary{{"k", Value(Value::Array{Value(c.raw), Value("a/b")})}});
    EXPECT_EQ(jsonString(false, list), wellFormed ? "{\"k\":[\"" + c.raw + "\",\"a\\/b\"]}" : "{}") << c.name;
    EXPECT_EQ(log.contains("Can't create string with data."), !wellFormed) << c.name;
    EXPECT_EQ(jsonString(false, Value(Value::Dictionary{{c.raw, Value(1)}})), wellFormed ? "{\"" + c.raw + "\":1}" : "{}")
        << c.name << " as a key";
  }
}

TEST_F(HelpersTest, ShortenedValuesKeepWholeCharacters) {
  std::string text = std::string(63, 'a') + "\xC3\xA9" + std::string(600, 'b');
  std::string s = ExchangeLog::shorten(text);
  EXPECT_EQ(s, std::string(63, 'a') + "\xE2\x80\xA6(665 bytes)");
  EXPECT_EQ(ExchangeLog::shorten("short"), "short");
}

TEST_F(HelpersTest, TopViewControllerFollowsContainersAndPresentations) {
  EXPECT_FALSE(LocalStorage::topViewController(nullptr));
  EXPECT_FALSE(LocalStorage::currentSceneDelegate());
  auto delegate = connectScene();
  auto window = delegate->window();
  auto screen = std::make_shared<uikit::ViewController>();
  auto nav = uikit::NavigationController::withRoot(screen);
  window->setRootViewController(nav);
  EXPECT_EQ(LocalStorage::topViewController(nav), screen);
  auto modal = std::make_shared<uikit::ViewController>();
  ASSERT_TRUE(screen->present(modal, false));
  EXPECT_EQ(LocalStorage::topViewController(nav), modal);
  auto tabs = std::make_shared<uikit::TabBarController>();
  EXPECT_EQ(LocalStorage::topViewController(tabs), tabs);
}

TEST_F(HelpersTest, MultiCastDelegateAsksItsDelegatesInOrder) {
  struct Responder : SelectorResponder {
    std::string sel;
    explicit Responder(std::string s) : sel(std::move(s)) {}
    bool respondsToSelector(const std::string& s) const override { return s == sel; }
  };
  MultiCastDelegate m;
  EXPECT_TRUE(m.respondsToSelector("respondsToSelector:"));
  EXPECT_FALSE(m.respondsToSelector("didTap:"));
  m._delegates.push_back(std::make_shared<Responder>("didTap:"));
  EXPECT_TRUE(m.respondsToSelector("didTap:"));
}

class WidgetsTest : public CoreFixture {};

TEST_F(WidgetsTest, AlertShowsOneButtonPerKindAndReportsTheTap) {
  auto delegate = connectScene();
  auto screen = std::make_shared<uikit::ViewController>();
  delegate->window()->setRootViewController(screen);
  std::vector<AAction> tapped;
  AlertPresenter::showAlert(*screen, std::nullopt, std::nullopt, uikit::AlertControllerStyle::kAlert,
                            {AAction::No, AAction::Yes}, [&](const AAction& a) { tapped.push_back(a); });
  pumpUntil([&] { return false; }, 0.4);
  auto alert = std::dynamic_pointer_cast<uikit::AlertController>(screen->presentedViewController());
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->displayedActionTitles(), (std::vector<std::string>{"No", "Yes"}));
  EXPECT_TRUE(alert->pressActionWithTitle("Yes"));
  pumpUntil([&] { return !tapped.empty(); }, 2);
  ASSERT_EQ(tapped.size(), 1u);
  EXPECT_TRUE(tapped[0] == AAction::Yes);

  pumpUntil([&] { return !screen->presentedViewController(); }, 2);
  AlertPresenter::showAlert(*screen, "Alert", "m", uikit::AlertControllerStyle::kAlert, {},
                            [&](const AAction& a) { tapped.push_back(a); });
  pumpUntil([&] { return false; }, 0.4);
  alert = std::dynamic_pointer_cast<uikit::AlertController>(screen->presentedViewController());
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->displayedActionTitles(), std::vector<std::string>{"Okay"});
  EXPECT_TRUE(alert->pressActionWithTitle("Okay"));
  pumpUntil([&] { return tapped.size() == 2; }, 2);
  ASSERT_EQ(tapped.size(), 2u);
  EXPECT_TRUE(tapped[1] == AAction::Okay);
  EXPECT_FALSE(AAction::Custom("Okay") == AAction::Okay);
  EXPECT_EQ(AAction::Cancel.style(), uikit::AlertActionStyle::kCancel);
  EXPECT_EQ(AAction::Delete.style(), uikit::AlertActionStyle::kDefault);
}

TEST_F(WidgetsTest, LoaderShowsOnTheTopScreenAndHideRemovesEverything) {
  auto delegate = connectScene();
  auto screen = std::make_shared<uikit::ViewController>();
  delegate->window()->setRootViewController(screen);
  auto& loader = AppLoader::shared();
  loader.showWithMessage(nullptr, "Please wait...");
  pump();
  EXPECT_EQ(loader.hostViewController, screen);
  EXPECT_TRUE(loader.isAnimating);
  EXPECT_EQ(loader.backgroundView->superview(), screen->view());
  EXPECT_EQ(loader.messageLabel->superview(), loader.boxView);
  loader.hide();
  pump();
  EXPECT_FALSE(loader.isAnimating);
  EXPECT_FALSE(loader.backgroundView->superview());
  EXPECT_FALSE(loader.spinner->superview());
  EXPECT_EQ(loader.messageLabel->text(), "Please wait...");

  loader.hide();
  pump();
}

}  // namespace
