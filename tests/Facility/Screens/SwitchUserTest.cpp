#include <optional>
#include <string>
#include <vector>

#include "Facility/Storage/CurrentUserType.h"
#include "Facility/Screens/StoryboardName.h"
#include "Facility/Widgets/TextFieldInput.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/UIKit/BarButtonItem.h"
#include "Platform/UIKit/NavigationController.h"
#include "tests/Facility/Screens/ScreensFixture.h"

namespace screens_test {
namespace {

// A dashboard that opened the role switch; notes what it saw when called.
class FakeDashboard : public uikit::ViewController, public UserSelectionDelegate {
 public:
  struct Call {
    double at = 0;
    std::size_t stackDepth = 0;  // the role switch is still on the stack
  };
  void onUserTypeSelected() override {
    auto nav = navigationController();
    calls.push_back({platform::Clock::currentShared()->uptime(), nav ? nav->viewControllers().size() : 0});
    if (onSelected) onSelected();
  }
  std::vector<Call> calls;
  std::function<void()> onSelected;
};

struct Posted {
  platform::Value::Dictionary userInfo;
  std::optional<std::int64_t> storedRole;
  std::optional<std::string> fieldText;
};

class SwitchUserTest : public ScreensFixture {
 protected:
  void TearDown() override {
    if (observer_) platform::NotificationCenter::defaultCenter().removeObserver(observer_);
    observer_ = 0;
    posted.clear();
    screen.reset();
    dashboard.reset();
    nav.reset();
    ScreensFixture::TearDown();
  }

  // Signs in with the flags and stored role, then opens the role switch on
  // a dashboard's navigation stack.
  void open(LoginFlags flags, std::optional<platform::Value> storedRole, std::optional<std::string> leftItem = {}) {
    signInAndConnect(flags);
    auto& d = platform::UserDefaults::standard();
    if (storedRole) {
      (void)d.setObject(*storedRole, "com.facility.myCurrentUser");
    } else {
      (void)d.removeObjectForKey("com.facility.myCurrentUser");
    }
    dashboard = std::make_shared<FakeDashboard>();
    nav = uikit::NavigationController::withRoot(dashboard);
    if (leftItem) nav->navigationItem().setLeftBarButtonItem(uikit::BarButtonItem::withTitle(*leftItem));
    delegate()->window()->setRootViewController(nav);
    pump();
    screen = std::dynamic_pointer_cast<SwitchUserVC>(Storyboards::instantiateScreen(StoryboardName::user, "SwitchUserVC"));
    ASSERT_TRUE(screen);
    screen->userSelectionDelegate = dashboard;
    ASSERT_TRUE(nav->pushViewController(screen, false));
    pump();
    observer_ = platform::NotificationCenter::defaultCenter().addObserver(
        "updateNotificationCount", [this](const platform::Notification& n) {
          auto field = screen ? screen->txtDropDown() : nullptr;
          posted.push_back({n.userInfo, platform::UserDefaults::standard().objectForKey("com.facility.myCurrentUser")
                                            ? platform::UserDefaults::standard().integerForKey("com.facility.myCurrentUser")
                                            : std::optional<std::int64_t>(),
                            field ? field->text() : std::nullopt});
        });
  }

  std::vector<std::string> offeredRoles() {
    auto picker = TextFieldInput::of(screen->txtDropDown())->pickerView();
    std::vector<std::string> out;
    for (long row = 0; row < picker->numberOfRowsInComponent(0); ++row) {
      out.push_back(picker->titleForRow(row, 0).value_or("?"));
    }
    return out;
  }

  // Opens the picker, chooses the row and taps Done.
  void choose(long row) {
    auto field = screen->txtDropDown();
    auto input = TextFieldInput::of(field);
    ASSERT_TRUE(field->becomeFirstResponder());
    ASSERT_TRUE(input->pickerView()->userSelectRow(row, 0));
    input->btnDoneTapped();
  }

  static std::optional<std::int64_t> storedRole() {
    auto& d = platform::UserDefaults::standard();
    if (!d.objectForKey("com.facility.myCurrentUser")) return std::nullopt;
    return d.integerForKey("com.facility.myCurrentUser");
  }
  // The letter as saved in the store, read back after reopening it.
  static std::optional<std::string> savedLoginLetter() {
    CoreDataManager::resetShared();
    auto record = LoginEntity::findByDictionary({{"empid", kEmployee}});
    return record ? record->logintype : std::nullopt;
  }

  std::shared_ptr<FakeDashboard> dashboard;
  std::shared_ptr<uikit::NavigationController> nav;
  std::shared_ptr<SwitchUserVC> screen;
  std::vector<Posted> posted;
  platform::NotificationCenter::Token observer_ = 0;
};

TEST_F(SwitchUserTest, LabelAndTheRolesTheLoginAllows) {
  struct Case {
    const char* name;
    LoginFlags flags;
    std::vector<std::string> roles;
  };
  for (const Case& c : {Case{"both", {"1", "1"}, {"User", "Facility Admin"}},
                        Case{"facility only", {"yes", std::nullopt}, {"User", "Facility Admin"}},
                        Case{"tenant only", {std::nullopt, "1"}, {"User", "Tenant Admin"}},
                        Case{"empty facility, tenant", {"", "1"}, {"User", "Tenant Admin"}},
                        Case{"neither", {std::nullopt, std::nullopt}, {"User"}},
                        Case{"both empty", {"", ""}, {"User"}}}) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    open(c.flags, platform::Value(1));
    EXPECT_EQ(offeredRoles(), c.roles);
    auto label = screen->lblSwitchText();
    ASSERT_TRUE(label);
    EXPECT_EQ(label->text(), std::optional<std::string>("Switch To:"));
    EXPECT_EQ(label->font().fontName(), "Gotham-Medium");
    EXPECT_DOUBLE_EQ(label->font().pointSize(), 17.0) << "15 pt, two larger on this phone";
  }
}

TEST_F(SwitchUserTest, FieldShowsTheStoredRole) {
  struct Case {
    const char* name;
    std::optional<platform::Value> stored;
    const char* shown;
    long pickerRow;  // the row the open picker starts on
  };
  for (const Case& c : {Case{"absent", std::nullopt, "User", 0}, Case{"0", platform::Value(0), "User", 0},
                        Case{"1", platform::Value(1), "User", 0},
                        Case{"2", platform::Value(2), "Tenant Admin", 0},
                        Case{"3", platform::Value(3), "Facility Admin", 1},
                        Case{"4", platform::Value(4), "User", 0}}) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    open({"1", std::nullopt}, c.stored);
    EXPECT_EQ(screen->txtDropDown()->text(), std::optional<std::string>(c.shown));
    ASSERT_TRUE(screen->txtDropDown()->becomeFirstResponder());
    EXPECT_EQ(TextFieldInput::of(screen->txtDropDown())->pickerView()->selectedRowInComponent(0), c.pickerRow);
  }
}

TEST_F(SwitchUserTest, DoneClearsBadgesStoresTheRoleAndHandsBackHalfASecondLater) {
  struct Case {
    const char* name;
    LoginFlags flags;
    std::int64_t storedBefore;
    long row;
    const char* chosen;
    std::int64_t stored;
    const char* letter;
  };
  for (const Case& c : {Case{"to facility admin", {"1", "1"}, 1, 1, "Facility Admin", 3, "F"},
                        Case{"to tenant admin", {std::nullopt, "1"}, 1, 1, "Tenant Admin", 2, "T"},
                        Case{"back to user", {"1", std::nullopt}, 3, 0, "User", 1, "U"},
                        Case{"same role again", {"1", std::nullopt}, 3, 1, "Facility Admin", 3, "F"},
                        Case{"only user", {std::nullopt, std::nullopt}, 2, 0, "User", 1, "U"}}) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    open(c.flags, platform::Value(c.storedBefore));
    const double start = clock_->uptime();
    choose(c.row);

    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].userInfo, (platform::Value::Dictionary{{"notifCount", platform::Value("0")}}));
    EXPECT_EQ(posted[0].storedRole, std::optional<std::int64_t>(c.storedBefore)) << "posted before anything is stored";
    EXPECT_EQ(screen->txtDropDown()->text(), std::optional<std::string>(c.chosen));
    EXPECT_EQ(storedRole(), std::optional<std::int64_t>(c.stored));
    EXPECT_EQ(savedLoginLetter(), std::optional<std::string>(c.letter));

    runFor(0.49);
    EXPECT_TRUE(dashboard->calls.empty());
    EXPECT_EQ(nav->viewControllers().size(), 2u);
    runFor(0.01);
    ASSERT_EQ(dashboard->calls.size(), 1u);
    EXPECT_DOUBLE_EQ(dashboard->calls[0].at - start, 0.5);
    EXPECT_EQ(dashboard->calls[0].stackDepth, 2u) << "the dashboard hears it before the screen leaves";
    runFor(0.3);  // the animated pop
    EXPECT_EQ(nav->viewControllers(), (std::vector<uikit::ViewControllerPtr>{dashboard}));
    runFor(1.0);
    EXPECT_EQ(dashboard->calls.size(), 1u);
  }
}

TEST_F(SwitchUserTest, ScreenGoneBeforeTheDelayDoesNothingMore) {
  open({"1", std::nullopt}, platform::Value(1));
  choose(1);
  EXPECT_EQ(storedRole(), std::optional<std::int64_t>(3));
  std::weak_ptr<SwitchUserVC> weak = screen;
  nav->popViewController(false);
  screen.reset();
  pump();
  ASSERT_TRUE(weak.expired());
  runFor(1.0);
  EXPECT_TRUE(dashboard->calls.empty());
  EXPECT_EQ(nav->viewControllers().size(), 1u);
}

TEST_F(SwitchUserTest, WithoutDelegateOrLoginRecordTheSwitchStillCompletes) {
  open({"1", std::nullopt}, platform::Value(1));
  screen->userSelectionDelegate.reset();
  (void)platform::UserDefaults::standard().removeObjectForKey("empid");
  choose(1);
  EXPECT_EQ(storedRole(), std::optional<std::int64_t>(3));
  EXPECT_EQ(savedLoginLetter(), std::optional<std::string>("U")) << "no employee: the letter stays";
  runFor(0.8);
  EXPECT_TRUE(dashboard->calls.empty());
  EXPECT_EQ(nav->viewControllers().size(), 1u);
}

TEST_F(SwitchUserTest, LoadingOnAStackClearsTheStacksOwnLeftItem) {
  open({"1", std::nullopt}, platform::Value(1), "Back");
  EXPECT_FALSE(nav->navigationItem().leftBarButtonItem());
}

TEST_F(SwitchUserTest, TheDashboardRebuildsTheWindowForTheChosenRole) {
  open({"1", std::nullopt}, platform::Value(1));
  dashboard->onSelected = [this] {
    delegate()->userType = CurrentUserType::shared().currentUserType();
    delegate()->setRootViewController();
  };
  choose(1);
  runFor(0.8);
  EXPECT_EQ(topScreenName(), "FacilityDashoboardVC");
  EXPECT_EQ(delegate()->userType, std::optional<UserType>(UserType::FacilityAdmin));
}

}  // namespace
}  // namespace screens_test
