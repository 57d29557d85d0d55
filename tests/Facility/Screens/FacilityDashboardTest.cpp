#include <string>
#include <vector>

#include "Facility/BLE+MainMethods/TarneloBLEKeys.h"
#include "Facility/Screens/FacilityAdminNotificationListVC.h"
#include "Facility/Screens/FacilityTaskListVC.h"
#include "Facility/Screens/SwitchUserVC.h"
#include "Facility/Services/NotificationCountRefresher.h"
#include "Facility/Storage/CurrentUserType.h"
#include "Facility/Widgets/TextFieldInput.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/UIKit/PickerView.h"
#include "tests/Facility/Screens/FacilityDashboardFixture.h"

namespace screens_test {
namespace {

using Rows = std::vector<std::string>;

class FacilityDashboardTest : public FacilityDashboardFixture {
 protected:
  // Picks a location on the field's wheel and presses Done.
  void pickLocation(long row) {
    auto field = dashboard()->txtLocation();
    ASSERT_TRUE(field);
    auto input = TextFieldInput::of(field);
    ASSERT_TRUE(field->becomeFirstResponder());
    ASSERT_TRUE(input->pickerView()->userSelectRow(row, 0));
    input->btnDoneTapped();
  }
};

TEST_F(FacilityDashboardTest, TheLocationListDecidesTheFieldAndTheLoad) {
  struct Case {
    const char* name;
    const char* reply;
    bool fieldShown;
    const char* fieldText;
    Rows loaded;
  };
  const Case cases[] = {
      {"none", R"({"IsSuccess":true,"LocationList":[]})", false, "", {}},
      {"absent", R"({"IsSuccess":true})", false, "", {}},
      {"one", kOneLocation, false, "", {"A"}},
      {"several", kTwoLocations, true, "Tower A", {"A"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server_.setJsonReply(kLocationsPath, c.reply);
    openDashboard();
    markToast();
    reappear();
    auto field = dashboard()->txtLocation();
    EXPECT_EQ(!field->isHidden(), c.fieldShown);
    EXPECT_EQ(field->text().value_or(""), c.fieldText);
    EXPECT_EQ(requestedLocations(), c.loaded);
    EXPECT_EQ(shownRows(), c.loaded.empty() ? Rows{} : (Rows{"P:Parking A", "V:Visitors A", "C:2/5/1"}));
    // Every successful location list shows its toast; the load's success
    // toast comes after it.
    EXPECT_EQ(lastToast(), "Success");
    TearDown();
    SetUp();
  }
}

// Old tiles stay until the dashboard reply empties the table; the new tiles
// come together with the task tile once the count has arrived.
TEST_F(FacilityDashboardTest, TheTableGoesOldThenEmptyThenTilesWithTheTaskTile) {
  openDashboard();
  ASSERT_EQ(shownRows(), (Rows{"P:Parking A", "V:Visitors A", "C:2/5/1"}));
  server_.setJsonReply(kDashboardPath, kTilesB);
  server_.holdReply(kDashboardPath);
  server_.holdReply(kTaskCountPath);
  pull();
  waitForRequestsTo(kDashboardPath, 1);
  EXPECT_EQ(shownRows(), (Rows{"P:Parking A", "V:Visitors A", "C:2/5/1"}));
  server_.releaseReply(kDashboardPath);
  waitForRequestsTo(kTaskCountPath, 1);
  ASSERT_TRUE(runUntil([&] { return !pulling(); }));
  EXPECT_EQ(shownRows(), Rows{});
  server_.releaseReply(kTaskCountPath);
  pump();
  EXPECT_EQ(shownRows(), (Rows{"P:Parking B", "V:Visitors B", "C:2/5/1"}));
}

TEST_F(FacilityDashboardTest, TheTaskCountDecidesTheTaskTile) {
  struct Case {
    const char* name;
    std::string reply;
    Rows rows;
    const char* toast;
  };
  const Case cases[] = {
      {"counts", kTaskCounts, {"P:Parking A", "V:Visitors A", "C:2/5/1"}, "Success"},
      {"missing totals", R"({"IsSuccess":true})", {"P:Parking A", "V:Visitors A", "C:0/0/0"}, "Success"},
      {"refused", R"({"IsSuccess":false,"Message":"No tasks"})", {"P:Parking A", "V:Visitors A"}, "No tasks"},
      {"refused without message", R"({"IsSuccess":false})", {"P:Parking A", "V:Visitors A"}, ""},
  };
  openDashboard();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server_.setJsonReply(kTaskCountPath, c.reply);
    markToast();
    reappear();
    EXPECT_EQ(shownRows(), c.rows);
    EXPECT_EQ(lastToast(), c.toast);
  }
  // Empty tile lists with counts: only the task tile.
  server_.setJsonReply(kTaskCountPath, kTaskCounts);
  server_.setJsonReply(kDashboardPath, R"({"IsSuccess":true,"ParkingTileList":[],"VisitorTileList":[]})");
  reappear();
  EXPECT_EQ(shownRows(), (Rows{"C:2/5/1"}));
}

// Two quick picks: the second location's tiles, and one task tile, whatever
// order the replies come in.
TEST_F(FacilityDashboardTest, OverlappingLocationPicksShowOnlyTheLatest) {
  server_.setJsonReply(kLocationsPath, kTwoLocations);
  openDashboard();
  server_.setReplies(kDashboardPath, {Reply(200, kTilesA), Reply(200, kTilesB)});
  server_.holdReply(kDashboardPath);
  pickLocation(0);
  waitForRequestsTo(kDashboardPath, 1);
  pickLocation(1);
  waitForRequestsTo(kDashboardPath, 2);
  server_.releaseReply(kDashboardPath);
  pump();
  EXPECT_EQ(requestedLocations(), (Rows{"A", "B"}));
  EXPECT_EQ(dashboard()->txtLocation()->text().value_or(""), "Tower B");
  EXPECT_EQ(shownRows(), (Rows{"P:Parking B", "V:Visitors B", "C:2/5/1"}));
  EXPECT_EQ(dashboard()->dispatchGroup.count(), 0);
}

// An older pick's failure, coming after the latest pick has shown its
// tiles, shows neither a toast nor an alert and leaves the tiles.
TEST_F(FacilityDashboardTest, AnOlderLoadsFailureStaysSilent) {
  struct Case {
    const char* name;
    Reply older;
  };
  const Case cases[] = {
      {"refused", Reply(200, R"({"IsSuccess":false,"Message":"Old location"})")},
      {"unreadable", Reply(200, "not json")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server_.setJsonReply(kLocationsPath, kTwoLocations);
    openDashboard();
    server_.setReplies(kDashboardPath, {c.older, Reply(200, kTilesB)});
    server_.holdReply(kDashboardPath);
    pickLocation(0);
    waitForRequestsTo(kDashboardPath, 1);
    server_.stopHoldingNewReplies(kDashboardPath);
    pickLocation(1);
    ASSERT_TRUE(runUntil([&] { return shownRows() == Rows{"P:Parking B", "V:Visitors B", "C:2/5/1"}; }));
    // The clock stands still while the older reply is held.
    markToast();
    server_.releaseReply(kDashboardPath);
    pump();
    runFor(0.5);
    EXPECT_EQ(lastToast(), "-");
    EXPECT_FALSE(alertOnScreen());
    EXPECT_EQ(shownRows(), (Rows{"P:Parking B", "V:Visitors B", "C:2/5/1"}));
    EXPECT_EQ(dashboard()->dispatchGroup.count(), 0);
    TearDown();
    SetUp();
  }
}

// The tiles' and the task tile's closures hold the dashboard weakly: once
// another root replaces it, the dashboard is gone.
TEST_F(FacilityDashboardTest, AReplacedDashboardIsReleasedWithItsTiles) {
  openDashboard();
  ASSERT_EQ(shownRows(), (Rows{"P:Parking A", "V:Visitors A", "C:2/5/1"}));
  std::weak_ptr<FacilityDashoboardVC> weak = dashboard();
  navigation()->setViewControllers({std::make_shared<uikit::ViewController>()}, false);
  pump();
  runFor(1.0);
  EXPECT_TRUE(weak.expired());
}

// A pull that cannot be sent leaves its group and stops the animation; the
// next pull fills the table again.
TEST_F(FacilityDashboardTest, AnOfflinePullDoesNotBlockTheNextOne) {
  openDashboard();
  NetworkReachability::shared().update(platform::ReachabilityStatus::kNotReachable);
  pull();
  pump();
  EXPECT_FALSE(pulling());
  if (auto alert = alertOnScreen()) alert->dismiss(false);
  pump();
  NetworkReachability::shared().update(platform::ReachabilityStatus::kReachableEthernetOrWiFi);
  server_.setJsonReply(kDashboardPath, kTilesB);
  pull();
  pump();
  EXPECT_FALSE(pulling());
  EXPECT_EQ(shownRows(), (Rows{"P:Parking B", "V:Visitors B", "C:2/5/1"}));
}

TEST_F(FacilityDashboardTest, TaskTilesOpenTheTaskListWithCategoryAndCounts) {
  struct Case {
    const char* button;
    ComplainTaskCategory category;
  };
  const Case cases[] = {{"btnToday", ComplainTaskCategory::today},
                        {"btnAllTask", ComplainTaskCategory::all},
                        {"btnOverdue", ComplainTaskCategory::overdue}};
  openDashboard();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    auto table = dashboard()->tblFacility();
    auto cell = std::dynamic_pointer_cast<FacilityComplainsCell>(table->cellForRowAtIndexPath({0, 2}));
    ASSERT_TRUE(cell);
    std::shared_ptr<uikit::Button> button;
    for (const auto& v : cell->containerView.lock()->subviews()) {
      if (v->accessibilityIdentifier() == c.button) button = std::dynamic_pointer_cast<uikit::Button>(v);
    }
    ASSERT_TRUE(button && button->tap());
    pump();
    runFor(0.5);
    auto list = std::dynamic_pointer_cast<FacilityTaskListVC>(topOfStack());
    ASSERT_TRUE(list);
    EXPECT_EQ(list->taskStatus, c.category);
    ASSERT_TRUE(list->objMyTaskCount);
    EXPECT_EQ(list->objMyTaskCount->allTotal, 5);
    navigation()->popToRootViewController(false);
    pump();
  }
}

TEST_F(FacilityDashboardTest, EachAppearanceClearsThePunchPermissionAndPostsTheCount) {
  openDashboard();
  struct Case {
    const char* reply;
    std::optional<std::string> posted;
  };
  const Case cases[] = {
      {R"({"IsSuccess":true,"Total":"12"})", "12"},
      {R"({"IsSuccess":true})", "0"},
      {R"({"IsSuccess":false,"Total":"3"})", std::nullopt},
  };
  std::optional<std::string> posted;
  auto& center = platform::NotificationCenter::defaultCenter();
  auto token = center.addObserver(NotificationCountRefresher::kNotificationName, [&](const platform::Notification& n) {
    auto it = n.userInfo.find(NotificationCountRefresher::kCountKey);
    posted = it != n.userInfo.end() && it->second.getString() ? *it->second.getString() : "?";
  });
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply);
    server_.setJsonReply(kCountPath, c.reply);
    (void)platform::UserDefaults::standard().setInteger(1, TarneloBLEKeys::shouldAllowPunch);
    posted.reset();
    reappear();
    EXPECT_EQ(posted, c.posted);
    EXPECT_EQ(platform::UserDefaults::standard().integerForKey(TarneloBLEKeys::shouldAllowPunch), 0);
  }
  center.removeObserver(token);
}

TEST_F(FacilityDashboardTest, BarButtonsOpenProfileAndNotifications) {
  openDashboard();
  dashboard()->onNavigationButtonTapped(NavigationButtonKind::profile);
  pump();
  runFor(0.5);
  auto profile = std::dynamic_pointer_cast<SwitchUserVC>(topOfStack());
  ASSERT_TRUE(profile);
  EXPECT_EQ(profile->userSelectionDelegate.lock(), dashboard());
  navigation()->popToRootViewController(false);
  pump();
  dashboard()->onNavigationButtonTapped(NavigationButtonKind::notification);
  pump();
  runFor(0.5);
  EXPECT_TRUE(std::dynamic_pointer_cast<FacilityAdminNotificationListVC>(topOfStack()));
}

// The role switch stores the chosen role and rewrites the login letter
// from it; the dashboard then rebuilds the root for that role (2 tenant,
// 3 facility, anything else the plain user).
TEST_F(FacilityDashboardTest, TheRoleCallbackRebuildsTheRootForTheStoredRole) {
  struct Case {
    std::int64_t stored;
    const char* root;
  };
  const Case cases[] = {{2, "TenantDashboardVC"}, {3, "FacilityDashoboardVC"}, {1, "UserDashboardVC"},
                        {9, "UserDashboardVC"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    openDashboard();
    auto before = dashboard();
    (void)platform::UserDefaults::standard().setInteger(c.stored, "com.facility.myCurrentUser");
    CurrentUserType::shared().syncLoginType();
    before->onUserTypeSelected();
    pump();
    auto nav = navigation();
    ASSERT_TRUE(nav && !nav->viewControllers().empty());
    auto root = nav->viewControllers().front();
    auto placeholder = std::dynamic_pointer_cast<PlaceholderScreen>(root);
    EXPECT_EQ(placeholder ? placeholder->screenName() : root->className(), c.root);
    EXPECT_NE(root, before);
    TearDown();
    SetUp();
  }
}

}  // namespace
}  // namespace screens_test
