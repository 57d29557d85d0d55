#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Support/AppColor.h"
#include "Facility/Storage/CoreDataManager.h"
#include "Facility/Storage/LoginEntity.h"
#include "Facility/Storage/UserDefaultsKey.h"
#include "Facility/Widgets/KeyboardManager.h"
#include "Facility/Widgets/SuperNavigationController.h"
#include "Facility/Widgets/SuperViewController.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/UIKit/AlertController.h"
#include "Platform/UIKit/BarButtonItem.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/ControlState.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/Keyboard.h"
#include "Platform/UIKit/StackView.h"
#include "Platform/UIKit/WebImageManager.h"
#include "tests/Facility/Widgets/WidgetsFixture.h"

namespace widgets_test {
namespace {

using platform::Value;

// Records every forwarded tap into a list that outlives the delegate.
class RecordingDelegate : public SuperClassDelegate {
 public:
  explicit RecordingDelegate(std::shared_ptr<std::vector<std::string>> log) : log_(std::move(log)) {}
  void onRightButtonTapped() override { log_->push_back("right"); }
  void onNavigationButtonTapped(NavigationButtonKind kind) override {
    static const char* names[] = {"scanner", "profile", "notification"};
    log_->push_back(names[static_cast<int>(kind)]);
  }

 private:
  std::shared_ptr<std::vector<std::string>> log_;
};

std::string imageName(const std::shared_ptr<uikit::Button>& button) {
  auto image = button->imageForState(uikit::kControlStateNormal);
  return image ? image->name() : "<none>";
}

bool hasSideConstraints(const uikit::View& view, double side) {
  bool width = false, height = false;
  for (const auto& k : view.constraints()) {
    if (k->secondItem() || k->constant() != side) continue;
    width = width || k->firstAttribute() == uikit::LayoutAttribute::kWidth;
    height = height || k->firstAttribute() == uikit::LayoutAttribute::kHeight;
  }
  return width && height;
}

class NavigationBarTest : public WidgetsFixture {
 protected:
  void SetUp() override {
    CoreDataManager::resetShared();
    WidgetsFixture::SetUp();
    uikit::WebImageManager::shared().reset();
    screen = std::make_shared<SuperViewController>();
    screen->loadViewIfNeeded();
  }
  void TearDown() override {
    screen.reset();
    uikit::WebImageManager::shared().reset();
    WidgetsFixture::TearDown();
    CoreDataManager::resetShared();
  }

  static void postCount(platform::NotificationUserInfo info) {
    platform::NotificationCenter::defaultCenter().post("updateNotificationCount", std::move(info));
  }

  // A signed-in user with the given picture path (none: no login record).
  void signIn(UserType role, std::optional<std::string> imageurl = std::nullopt, bool withRecord = true) {
    scene_delegate->userType = role;
    if (!withRecord) return;
    UserDefaultsAccess::setValue(Value(41), UserDefaultsKey::empId);
    Value::Dictionary fields{{"empid", Value(41)}};
    if (imageurl) fields["imageurl"] = Value(*imageurl);
    ASSERT_TRUE(LoginEntity::insertFromDictionary(fields));
    ASSERT_TRUE(CoreDataManager::shared().mainManagedObjectContext().save().ok());
  }

  std::shared_ptr<uikit::StackView> rightStack() const {
    const auto& items = screen->navigationItem().rightBarButtonItems();
    if (items.size() != 1) return nullptr;
    return std::dynamic_pointer_cast<uikit::StackView>(items.front()->customView);
  }
  std::vector<std::shared_ptr<uikit::Button>> rightButtons() const {
    std::vector<std::shared_ptr<uikit::Button>> out;
    if (auto stack = rightStack()) {
      for (const auto& v : stack->arrangedSubviews()) out.push_back(std::dynamic_pointer_cast<uikit::Button>(v));
    }
    return out;
  }
  std::shared_ptr<uikit::Button> logoutButton() const {
    auto item = screen->navigationItem().leftBarButtonItem();
    return item ? std::dynamic_pointer_cast<uikit::Button>(item->customView) : nullptr;
  }

  platform::TemporaryDataRoot dataRoot;
  std::shared_ptr<SuperViewController> screen;
};

TEST_F(NavigationBarTest, BadgeFollowsTheCountNotification) {
  struct Case {
    const char* name;
    platform::NotificationUserInfo info;
    bool hidden;
    std::string text;  // expected text when shown
  };
  const std::vector<Case> cases{
      {"zero", {{"notifCount", Value("0")}}, true, ""},
      {"empty text", {{"notifCount", Value("")}}, true, ""},
      {"not a number", {{"notifCount", Value("abc")}}, true, ""},
      {"trailing junk", {{"notifCount", Value("7a")}}, true, ""},
      {"inner blank", {{"notifCount", Value(" 7")}}, true, ""},
      {"negative", {{"notifCount", Value("-3")}}, true, ""},
      {"too large for 64 bits", {{"notifCount", Value("99999999999999999999")}}, true, ""},
      {"integer, not text", {{"notifCount", Value(7)}}, true, ""},
      {"key missing", {{"other", Value("9")}}, true, ""},
      {"seven", {{"notifCount", Value("7")}}, false, "7"},
      {"no upper cap", {{"notifCount", Value("250")}}, false, "250"},
      {"explicit plus", {{"notifCount", Value("+12")}}, false, "12"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    screen->updateNotificationBadge(5);
    postCount(c.info);
    EXPECT_EQ(screen->lblNotificationCount->isHidden(), c.hidden);
    if (!c.hidden) {
      EXPECT_EQ(screen->lblNotificationCount->text(), std::optional<std::string>(c.text));
    }
  }

  // No user information: the badge keeps whatever it showed.
  for (bool hidden : {false, true}) {
    SCOPED_TRACE(hidden ? "was hidden" : "was shown");
    screen->updateNotificationBadge(hidden ? 0 : 3);
    postCount({});
    EXPECT_EQ(screen->lblNotificationCount->isHidden(), hidden);
    if (!hidden) {
      EXPECT_EQ(screen->lblNotificationCount->text(), std::optional<std::string>("3"));
    }
  }
}

TEST_F(NavigationBarTest, UnloadedScreensDoNotListenAndEveryLoadedOneDoes) {
  auto unloaded = std::make_shared<SuperViewController>();
  auto other = std::make_shared<SuperViewController>();
  other->loadViewIfNeeded();
  postCount({{"notifCount", Value("4")}});
  EXPECT_FALSE(screen->lblNotificationCount->isHidden());
  EXPECT_FALSE(other->lblNotificationCount->isHidden());
  EXPECT_EQ(other->lblNotificationCount->text(), std::optional<std::string>("4"));
  EXPECT_FALSE(unloaded->lblNotificationCount->text().has_value());
}

TEST_F(NavigationBarTest, SetupStylesTheBadgeAndHidesItAgainOnEveryCall) {
  signIn(UserType::User);
  screen->setupNavigationBar("Dashboard");
  EXPECT_EQ(screen->title(), "Dashboard");
  postCount({{"notifCount", Value("7")}});
  ASSERT_FALSE(screen->lblNotificationCount->isHidden());

  screen->setupNavigationBar("Dashboard");
  const auto& badge = *screen->lblNotificationCount;
  EXPECT_TRUE(badge.isHidden()) << "hidden until the next count arrives";
  EXPECT_EQ(badge.backgroundColor(), uikit::Color::systemRed());
  EXPECT_EQ(badge.textColor(), AppColor::white());
  EXPECT_EQ(badge.font().pointSize(), 10);
  EXPECT_EQ(badge.font().weight(), uikit::FontWeight::kRegular);
  EXPECT_EQ(badge.textAlignment, uikit::TextAlignment::kCenter);
  EXPECT_EQ(badge.layer().cornerRadius, 9);
  EXPECT_TRUE(badge.clipsToBounds());
  EXPECT_EQ(badge.frame(), uikit::Rect(18, -3, 18, 18));
  auto buttons = rightButtons();
  ASSERT_EQ(buttons.size(), 2u);
  EXPECT_EQ(badge.superview(), buttons.back()) << "rides on the new notification button";

  postCount({{"notifCount", Value("2")}});
  EXPECT_FALSE(badge.isHidden());
  EXPECT_EQ(badge.text(), std::optional<std::string>("2"));
}

TEST_F(NavigationBarTest, RightHandGroupPerRole) {
  struct Case {
    UserType role;
    std::vector<std::string> images;  // left to right
    std::vector<std::string> taps;    // forwarded kinds, left to right
  };
  const std::vector<Case> cases{
      {UserType::FacilityAdmin, {"scanner", "user_default", "notification"}, {"scanner", "profile", "notification"}},
      {UserType::TenantAdmin, {"user_default", "notification"}, {"profile", "notification"}},
      {UserType::User, {"user_default", "notification"}, {"profile", "notification"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(UserTypes::rawValue(c.role));
    scene_delegate->userType = c.role;
    screen->setupNavigationBar("Dashboard");

    auto stack = rightStack();
    ASSERT_TRUE(stack);
    EXPECT_EQ(stack->axis, uikit::LayoutAxis::kHorizontal);
    EXPECT_EQ(stack->spacing, 8);
    EXPECT_EQ(stack->distribution, uikit::StackViewDistribution::kFillEqually);
    auto buttons = rightButtons();
    std::vector<std::string> images;
    for (const auto& b : buttons) {
      ASSERT_TRUE(b);
      images.push_back(imageName(b));
      EXPECT_EQ(b->frame(), uikit::Rect(0, 0, 25, 25));
      EXPECT_TRUE(hasSideConstraints(*b, 25));
    }
    EXPECT_EQ(images, c.images);

    auto notification = buttons.back();
    EXPECT_EQ(notification->buttonType(), uikit::ButtonType::kSystem);
    auto profile = buttons[buttons.size() - 2];
    EXPECT_EQ(profile->buttonType(), uikit::ButtonType::kCustom);
    EXPECT_EQ(profile->layer().cornerRadius, 12.5);
    EXPECT_EQ(profile->layer().borderColor, AppColor::white());
    EXPECT_EQ(profile->layer().borderWidth, 1.0);
    EXPECT_TRUE(profile->clipsToBounds());

    auto log = std::make_shared<std::vector<std::string>>();
    auto delegate = std::make_shared<RecordingDelegate>(log);
    screen->facilityAdminTypeRightBarButtonsItemDelegate = delegate;
    for (const auto& b : buttons) EXPECT_TRUE(b->tap());
    EXPECT_EQ(*log, c.taps);
  }
}

TEST_F(NavigationBarTest, WithoutSceneDelegateOrRoleTheRightItemsStayAndLogoutIsInstalled) {
  struct Case {
    const char* name;
    bool disconnect;
  };
  for (const Case& c : std::vector<Case>{{"no role", false}, {"no scene delegate", true}}) {
    SCOPED_TRACE(c.name);
    if (c.disconnect) uikit::Application::resetShared();
    auto sentinel = uikit::BarButtonItem::withTitle("kept");
    screen->navigationItem().setRightBarButtonItems({sentinel});
    screen->navigationItem().setLeftBarButtonItem(nullptr);

    screen->setupNavigationBar("Manage Facilities");

    EXPECT_EQ(screen->title(), "Manage Facilities");
    EXPECT_EQ(screen->navigationItem().rightBarButtonItems(), std::vector<uikit::BarButtonItemPtr>{sentinel});
    EXPECT_TRUE(screen->lblNotificationCount->isHidden());
    auto logout = logoutButton();
    ASSERT_TRUE(logout);
    EXPECT_EQ(logout->buttonType(), uikit::ButtonType::kCustom);
    EXPECT_TRUE(hasSideConstraints(*logout, 20));
    auto image = logout->imageForState(uikit::kControlStateNormal);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->name(), "logout");
    EXPECT_EQ(image->renderingMode(), uikit::ImageRenderingMode::kAlwaysTemplate);
    ASSERT_TRUE(image->tintColor());
    EXPECT_EQ(*image->tintColor(), AppColor::white());
    EXPECT_EQ(logout->tintColorIfSet(), std::optional<uikit::Color>(AppColor::white()));
    if (c.disconnect) {
      EXPECT_TRUE(logout->tap()) << "a tap with no scene delegate does nothing, safely";
    }
  }
}

TEST_F(NavigationBarTest, LogoutButtonAsksTheSceneDelegateWithConfirmation) {
  auto nav = uikit::NavigationController::makeWithRoot<SuperNavigationController>(screen);
  show(nav);
  scene_delegate->userType = UserType::User;
  screen->setupNavigationBar("Dashboard");
  ASSERT_TRUE(logoutButton());
  ASSERT_TRUE(logoutButton()->tap());
  runUntilIdle();
  auto alert = std::dynamic_pointer_cast<uikit::AlertController>(screen->presentedViewController());
  ASSERT_TRUE(alert) << "the confirmation comes first; nothing is cleared yet";
  EXPECT_EQ(alert->alertTitle(), std::optional<std::string>("Confirm"));
  EXPECT_EQ(alert->message(), std::optional<std::string>("Are you sure you want to logout?"));
}

TEST_F(NavigationBarTest, ProfilePictureAddress) {
  struct Case {
    const char* name;
    bool withRecord;
    std::optional<std::string> imageurl;
    std::optional<std::string> serverurl;
    std::vector<std::string> requested;  // what the image loader was asked for
  };
  const std::vector<Case> cases{
      {"no login record", false, std::nullopt, "http://127.0.0.1:9", {}},
      {"no picture path", true, std::nullopt, "http://127.0.0.1:9", {}},
      {"empty path", true, "", "http://127.0.0.1:9", {}},
      {"spaces only", true, "   ", "http://127.0.0.1:9", {}},
      {"blanks and line breaks", true, " \t\n\r\u00a0", "http://127.0.0.1:9", {}},
      {"server and path", true, "Images/u41.png", "http://127.0.0.1:9", {"http://127.0.0.1:9/Images/u41.png"}},
      {"no server address", true, "Images/u41.png", std::nullopt, {"/Images/u41.png"}},
      {"path kept untrimmed, so no URL", true, " Images/u41.png", "http://127.0.0.1:9", {""}},
  };
  int employee = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    uikit::WebImageManager::shared().reset();
    if (c.serverurl) {
      UserDefaultsAccess::setValue(Value(*c.serverurl), UserDefaultsKey::serverUrl);
    } else {
      UserDefaultsAccess::remove(UserDefaultsKey::serverUrl.value);
    }
    scene_delegate->userType = UserType::TenantAdmin;
    if (c.withRecord) {
      // A fresh employee each time, so the record read is this case's.
      ++employee;
      UserDefaultsAccess::setValue(Value(employee), UserDefaultsKey::empId);
      Value::Dictionary fields{{"empid", Value(employee)}};
      if (c.imageurl) fields["imageurl"] = Value(*c.imageurl);
      ASSERT_TRUE(LoginEntity::insertFromDictionary(fields));
      ASSERT_TRUE(CoreDataManager::shared().mainManagedObjectContext().save().ok());
    } else {
      UserDefaultsAccess::remove(UserDefaultsKey::empId.value);
    }

    platform::LogCapture capture;
    screen->setupNavigationBar("Dashboard");
    auto buttons = rightButtons();
    ASSERT_EQ(buttons.size(), 2u);
    auto profile = buttons.front();
    EXPECT_EQ(imageName(profile), "user_default") << "placeholder or fallback";
    EXPECT_EQ(uikit::WebImageManager::shared().requestedURLs(), c.requested);
    if (!c.requested.empty()) {
      std::string address = c.serverurl.value_or("") + "/" + *c.imageurl;
      EXPECT_TRUE(capture.contains(address)) << "the address is written as a debug line";
    }
  }
}

TEST_F(NavigationBarTest, LoadedPictureReplacesThePlaceholder) {
  uikit::WebImageManager::shared().setLoader([](const std::string&, uikit::WebImageManager::Done done) {
    done(uikit::Image::filled({25, 25}, uikit::Color::black()), "");
  });
  UserDefaultsAccess::setValue(Value("http://127.0.0.1:9"), UserDefaultsKey::serverUrl);
  signIn(UserType::User, "p.png");
  screen->setupNavigationBar("Dashboard");
  runUntilIdle();
  auto profile = rightButtons().front();
  ASSERT_TRUE(profile->imageForState(uikit::kControlStateNormal));
  EXPECT_NE(imageName(profile), "user_default");
}

TEST_F(NavigationBarTest, TapsReachOnlyLiveDelegates) {
  struct Case {
    const char* name;
    void (SuperViewController::*action)();
    bool toUserDelegate;  // else the facility-admin delegate
    std::string forwarded;
  };
  const std::vector<Case> cases{
      {"right button", &SuperViewController::rightButtonTapped, true, "right"},
      {"scanner", &SuperViewController::actionScannerButton, false, "scanner"},
      {"profile", &SuperViewController::actionProfileButton, false, "profile"},
      {"notification", &SuperViewController::actionNotificationButton, false, "notification"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto log = std::make_shared<std::vector<std::string>>();
    auto mine = std::make_shared<RecordingDelegate>(log);
    auto otherLog = std::make_shared<std::vector<std::string>>();
    auto other = std::make_shared<RecordingDelegate>(otherLog);
    (c.toUserDelegate ? screen->userTypeRightBarButtonsItemDelegate
                      : screen->facilityAdminTypeRightBarButtonsItemDelegate) = mine;
    (c.toUserDelegate ? screen->facilityAdminTypeRightBarButtonsItemDelegate
                      : screen->userTypeRightBarButtonsItemDelegate) = other;
    screen->tenantAdminRightBarButtonsItemDelegate = other;

    ((*screen).*c.action)();
    EXPECT_EQ(*log, std::vector<std::string>{c.forwarded});
    EXPECT_TRUE(otherLog->empty()) << "only the delegate of that button hears it";

    mine.reset();
    ((*screen).*c.action)();
    EXPECT_EQ(log->size(), 1u) << "a gone delegate hears nothing";
  }
}

TEST_F(NavigationBarTest, BackButtonHasNoTitleAndTheBarIsTintedWhite) {
  auto nav = uikit::NavigationController::makeWithRoot<SuperNavigationController>(nullptr);
  auto pushed = std::make_shared<SuperViewController>();
  nav->pushViewController(pushed, false);
  pushed->loadViewIfNeeded();

  ASSERT_TRUE(pushed->navigationItem().backBarButtonItem);
  const auto& back = *pushed->navigationItem().backBarButtonItem;
  EXPECT_EQ(back.title, "");
  EXPECT_EQ(back.style, uikit::BarButtonItemStyle::kPlain);
  EXPECT_FALSE(back.hasAction());
  EXPECT_EQ(nav->navigationBar()->tintColorIfSet(), std::optional<uikit::Color>(AppColor::white()));

  // Outside a navigation controller only the back item is set.
  ASSERT_TRUE(screen->navigationItem().backBarButtonItem);
  EXPECT_EQ(screen->navigationItem().backBarButtonItem->title, "");
}

TEST_F(NavigationBarTest, ReleasedScreenStopsListeningAndIsNotKeptAliveByItsBar) {
  scene_delegate->userType = UserType::FacilityAdmin;
  screen->setupNavigationBar("Manage Facilities");
  auto buttons = rightButtons();
  std::weak_ptr<SuperViewController> weak = screen;
  screen.reset();
  EXPECT_TRUE(weak.expired()) << "the bar's buttons hold the screen weakly";
  for (const auto& b : buttons) b->tap();  // reach nothing
  postCount({{"notifCount", Value("3")}});

  // A screen not owned through shared_ptr registers itself directly; its
  // release must take the registration away (ASan catches a late call).
  {
    auto plain = std::make_unique<SuperViewController>();
    plain->loadViewIfNeeded();
    postCount({{"notifCount", Value("6")}});
    EXPECT_EQ(plain->lblNotificationCount->text(), std::optional<std::string>("6"));
  }
  postCount({{"notifCount", Value("8")}});
}

// Keyboard forwarding.

class RecordingKeyboardDelegate : public KeyboardManagerDelegate {
 public:
  explicit RecordingKeyboardDelegate(bool answersChangeFrame) : answers_(answersChangeFrame) {}
  void keyboardWillShowWithNotification(const platform::Notification&, double height) override {
    calls.push_back("show " + platform::FormatDouble(height));
  }
  void keyboardWillHideWithNotification(const platform::Notification&) override { calls.push_back("hide"); }
  bool respondsToKeyboardWillChangeFrame() const override { return answers_; }
  void keyboardWillChangeFrameWithNotification(const platform::Notification&, double height) override {
    calls.push_back("change " + platform::FormatDouble(height));
  }
  std::vector<std::string> calls;

 private:
  bool answers_;
};

TEST(KeyboardManagerTest, ForwardsWithTheEndFrameHeight) {
  enum Handler { kShow, kHide, kChange };
  const platform::NotificationUserInfo withFrame{
      {uikit::kKeyboardFrameEndUserInfoKey, uikit::boxRect(uikit::Rect(0, 508, 390, 336))}};
  const platform::NotificationUserInfo noFrame{
      {uikit::kKeyboardFrameBeginUserInfoKey, uikit::boxRect(uikit::Rect(0, 844, 390, 336))}};
  const platform::NotificationUserInfo unboxed{{uikit::kKeyboardFrameEndUserInfoKey, Value("336")}};
  struct Case {
    const char* name;
    Handler handler;
    platform::NotificationUserInfo info;
    bool answers;
    std::vector<std::string> calls;
  };
  const std::vector<Case> cases{
      {"show", kShow, withFrame, false, {"show 336"}},
      {"show without end frame", kShow, noFrame, false, {}},
      {"show with an unboxed end frame", kShow, unboxed, false, {}},
      {"hide", kHide, {}, false, {"hide"}},
      {"change, answered", kChange, withFrame, true, {"change 336"}},
      {"change, not answered", kChange, withFrame, false, {}},
      {"change without end frame", kChange, noFrame, true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KeyboardManager manager;
    auto delegate = std::make_shared<RecordingKeyboardDelegate>(c.answers);
    manager.delegate = delegate;
    platform::Notification n{"k", c.info};
    auto run = [&] {
      switch (c.handler) {
        case kShow: manager.keyboardWillShowWithNotification(n); break;
        case kHide: manager.keyboardWillHideWithNotification(n); break;
        case kChange: manager.keyboardWillChangeFrameWithNotification(n); break;
      }
    };
    run();
    EXPECT_EQ(delegate->calls, c.calls);

    std::weak_ptr<RecordingKeyboardDelegate> weak = delegate;
    delegate.reset();
    ASSERT_TRUE(weak.expired());
    run();  // a gone delegate: nothing, no crash
  }
}

TEST(KeyboardManagerTest, RegisteredForThePlatformKeyboardNotifications) {
  auto& center = platform::NotificationCenter::defaultCenter();
  KeyboardManager manager;
  auto delegate = std::make_shared<RecordingKeyboardDelegate>(true);
  manager.delegate = delegate;
  std::vector<platform::NotificationCenter::Token> tokens{
      center.addObserver(uikit::kKeyboardWillShowNotification,
                         [&](const platform::Notification& n) { manager.keyboardWillShowWithNotification(n); }),
      center.addObserver(uikit::kKeyboardWillHideNotification,
                         [&](const platform::Notification& n) { manager.keyboardWillHideWithNotification(n); }),
      center.addObserver(uikit::kKeyboardWillChangeFrameNotification,
                         [&](const platform::Notification& n) { manager.keyboardWillChangeFrameWithNotification(n); }),
  };
  uikit::Keyboard::shared().reset();
  uikit::Keyboard::shared().show(300);
  uikit::Keyboard::shared().hide();
  for (auto t : tokens) center.removeObserver(t);
  uikit::Keyboard::shared().reset();
  EXPECT_EQ(delegate->calls, (std::vector<std::string>{"change 300", "show 300", "change 300", "hide"}));
}

}  // namespace
}  // namespace widgets_test
