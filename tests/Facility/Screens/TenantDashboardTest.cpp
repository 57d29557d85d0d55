#include <string>
#include <vector>

#include "Facility/BLE+MainMethods/TarneloBLEKeys.h"
#include "Facility/Screens/AddNewComplaintVC.h"
#include "Facility/Screens/FacilityAdminNotificationListVC.h"
#include "Facility/Screens/SwitchUserVC.h"
#include "Facility/Screens/TenantAssignAccessVC.h"
#include "Facility/Storage/CurrentUserType.h"
#include "Facility/Support/AppColor.h"
#include "Facility/Support/Device.h"
#include "Facility/Widgets/TextFieldInput.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/PickerView.h"
#include "tests/Facility/Screens/TenantDashboardFixture.h"

namespace screens_test {
namespace {

class TenantDashboardTest : public TenantDashboardFixture {
 protected:
  std::shared_ptr<uikit::Button> buttonIn(const std::shared_ptr<uikit::View>& root, const std::string& id) {
    if (!root) return nullptr;
    if (root->accessibilityIdentifier() == id) return std::dynamic_pointer_cast<uikit::Button>(root);
    for (const auto& s : root->subviews()) {
      if (auto b = buttonIn(s, id)) return b;
    }
    return nullptr;
  }
  void tap(const std::string& id) {
    auto button = buttonIn(dashboard()->view(), id);
    ASSERT_TRUE(button) << id;
    ASSERT_TRUE(button->tap()) << id;
    pump();
  }
  // Opens the sheet, lets its animation end and presses its Done.
  void applySheet(const char* open, const char* done) {
    tap(open);
    runFor(0.3);
    tap(done);
  }
};

TEST_F(TenantDashboardTest, OnlyTheOtherTabSendsItsRequest) {
  openDashboard();
  auto d = dashboard();
  EXPECT_TRUE(d->btnAllottedFacility.lock()->isSelected());
  EXPECT_FALSE(d->tblAlloted.lock()->isHidden());
  EXPECT_TRUE(d->tblManage.lock()->isHidden());
  EXPECT_TRUE(d->vwSortFilter.lock()->isHidden());
  tapTab(true);
  EXPECT_EQ(server_.requestCount(), 0u);
  showManage();
  EXPECT_EQ(requestedPages(), Rows{"1"});
  EXPECT_TRUE(d->tblAlloted.lock()->isHidden());
  EXPECT_FALSE(d->tblManage.lock()->isHidden());
  EXPECT_FALSE(d->vwSortFilter.lock()->isHidden());
  EXPECT_EQ(d->btnManageFacility.lock()->backgroundColor(), AppColor::green());
  EXPECT_EQ(d->btnAllottedFacility.lock()->backgroundColor(), AppColor::white());
  tapTab(false);
  EXPECT_EQ(requestsTo(kEmployeesPath), 1u);
  tapTab(true);
  tapTab(true);
  EXPECT_EQ(requestsTo(kAllottedPath), 1u);
  EXPECT_EQ(d->btnAllottedFacility.lock()->backgroundColor(), AppColor::green());
}

// Coming back shows the Allotted tab; the sort field goes back to name,
// the direction and the filters stay.
TEST_F(TenantDashboardTest, ReturningShowsAllottedAndKeepsDirectionAndFilters) {
  openDashboard();
  showManage();
  tap("btnSort");
  tap("btnEmployeeID");
  tap("btnDescending");
  tap("btnFilter");
  tap("btnTag");
  tap("btnVisitor");
  server_.clearRequests();
  reappear();
  auto d = dashboard();
  EXPECT_TRUE(d->btnAllottedFacility.lock()->isSelected());
  EXPECT_FALSE(d->tblAlloted.lock()->isHidden());
  EXPECT_EQ(requestsTo(kAllottedPath), 1u);
  EXPECT_EQ(d->sortOn, 0);
  EXPECT_TRUE(d->btnName.lock()->isSelected());
  EXPECT_FALSE(d->imgVwNameCheckmark.lock()->isHidden());
  EXPECT_TRUE(d->imgVwEmpIDCheckmark.lock()->isHidden());
  showManage();
  const auto sent = employeeRequests();
  ASSERT_EQ(sent.size(), 1u);
  const std::map<std::string, std::string> expected = {
      {"PageNo", "1"},        {"SortOn", "0"},          {"SortDesc", "1"},
      {"IsTagAssigned", "1"}, {"IsFloorAccess", "0"},   {"IsParkingAccess", "0"},
      {"IsVisitorAssignAccess", "1"}};
  EXPECT_EQ(sent[0], expected);
}

TEST_F(TenantDashboardTest, AllottedRowsComeInOrderWithTheComplaintRowLast) {
  struct Case {
    const char* name;
    const char* allotted;
    const char* count;
    Rows rows;
  };
  const Case cases[] = {
      {"everything, three open", kAllotted, kOpenComplaints,
       {"B:2", "P:Car park", "P:Bike park", "I:Identity", "Open : 3"}},
      {"none open", kAllotted, R"({"IsSuccess":true,"ComplainCount":0})",
       {"B:2", "P:Car park", "P:Bike park", "I:Identity", "Raise"}},
      {"one open", kAllotted, R"({"IsSuccess":true,"ComplainCount":1})",
       {"B:2", "P:Car park", "P:Bike park", "I:Identity", "Open : 1"}},
      {"count absent", kAllotted, R"({"IsSuccess":true})", {"B:2", "P:Car park", "P:Bike park", "I:Identity", "Raise"}},
      {"count refused", kAllotted, R"({"IsSuccess":false,"Message":"No count"})",
       {"B:2", "P:Car park", "P:Bike park", "I:Identity"}},
      {"parking only",
       R"({"IsSuccess":true,"ParkingTileList":[{"TileName":"A"},{"TileName":"B"},{"TileName":"C"}]})",
       kOpenComplaints, {"P:A", "P:B", "P:C", "Open : 3"}},
      {"allotted refused", R"({"IsSuccess":false,"Message":"Not allowed"})", kOpenComplaints, {}},
  };
  openDashboard();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server_.setJsonReply(kAllottedPath, c.allotted);
    server_.setJsonReply(kCountPath, c.count);
    dashboard()->tblAlloted.lock()->triggerPullToRefresh();
    pump();
    EXPECT_EQ(allottedRows(), c.rows);
    EXPECT_FALSE(pulling(dashboard()->tblAlloted));
    EXPECT_EQ(dashboard()->dispatchGroup.count(), 0);
  }
}

// The table stays empty from the allotted reply until the count is in;
// then the rows come together with the complaint row.
TEST_F(TenantDashboardTest, TheRowsShowOnceBothRepliesAreIn) {
  openDashboard();
  server_.holdReply(kCountPath);
  dashboard()->tblAlloted.lock()->triggerPullToRefresh();
  waitForRequestsTo(kCountPath, 1);
  EXPECT_EQ(allottedRows(), Rows{});
  server_.releaseReply(kCountPath);
  pump();
  EXPECT_EQ(allottedRows(), (Rows{"B:2", "P:Car park", "P:Bike park", "I:Identity", "Open : 3"}));
}

TEST_F(TenantDashboardTest, PagingFollowsTotalRecords) {
  struct Case {
    const char* name;
    std::vector<Reply> pages;
    int mores;
    Rows requested;
    std::size_t rows;
    const char* pageNo;
    bool loadsMore;
    bool barShown;
  };
  const Case cases[] = {
      // Paging ends one request after the last page: the fourth request
      // finds the list complete and takes nothing.
      {"25 in 10, 10, 5",
       {Reply(200, page(0, 10, "25")), Reply(200, page(10, 10, "25")), Reply(200, page(20, 5, "25")),
        Reply(200, page(25, 3, "25"))},
       5, {"1", "2", "3", "4"}, 25, "4", false, true},
      {"none", {Reply(200, page(0, 0, "0"))}, 2, {"1"}, 0, "1", false, false},
      {"total absent", {Reply(200, page(0, 10, std::nullopt))}, 1, {"1", "1"}, 0, "1", true, false},
      {"total not a number", {Reply(200, page(0, 10, "x"))}, 1, {"1", "1"}, 0, "1", true, false},
      {"signed total", {Reply(200, page(0, 2, "+2"))}, 1, {"1", "2"}, 2, "2", false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    openDashboard();
    server_.setReplies(kEmployeesPath, c.pages);
    showManage();
    for (int i = 0; i < c.mores; ++i) {
      more();
      runFor(0.1);
    }
    auto d = dashboard();
    EXPECT_EQ(requestedPages(), c.requested);
    EXPECT_EQ(d->arrEmployees.size(), c.rows);
    EXPECT_EQ(d->tblManage.lock()->numberOfRowsInSection(0), static_cast<long>(c.rows));
    EXPECT_EQ(d->pageNo, c.pageNo);
    EXPECT_EQ(d->shouldLoadMore, c.loadsMore);
    EXPECT_FALSE(d->isApiRunning);
    EXPECT_FALSE(loadingMore());
    EXPECT_EQ(!d->vwSortFilter.lock()->isHidden(), c.barShown);
    TearDown();
    SetUp();
  }
}

TEST_F(TenantDashboardTest, RowsShowTheEmployeesAndOptionsOpenTheirAccess) {
  openDashboard();
  server_.setJsonReply(kEmployeesPath, page(0, 3, "3"));
  showManage();
  EXPECT_EQ(employeeRows(), (Rows{"E0", "E1", "E2"}));
  auto table = dashboard()->tblManage.lock();
  table->scrollToRowAtIndexPath({0, 1}, uikit::TableViewScrollPosition::kNone, false);
  auto cell = std::dynamic_pointer_cast<UserCell>(table->cellForRowAtIndexPath({0, 1}));
  ASSERT_TRUE(cell);
  ASSERT_TRUE(cell->btnOptions.lock()->tap());
  pump();
  runFor(0.5);
  auto access = std::dynamic_pointer_cast<TenantAssignAccessVC>(topOfStack());
  ASSERT_TRUE(access);
  EXPECT_EQ(access->userId, "101");
  EXPECT_EQ(access->userName, "E1");
}

// The sheets slide to the bottom edge and back to just below it; the
// dimming button shows while one is open.
TEST_F(TenantDashboardTest, SheetsOpenAndCloseAndDoneRestartsTheList) {
  openDashboard();
  showManage();
  auto d = dashboard();
  runFor(0.2);
  ASSERT_TRUE(d->cnVwSortHeight && d->cnVwFilterHeight);
  EXPECT_EQ(d->cnVwSortHeight->constant(), d->vwSort.lock()->frame().height());
  EXPECT_EQ(d->cnVwFilterHeight->constant(), d->vwFilter.lock()->frame().height());
  EXPECT_TRUE(d->btnBackground->isHidden());
  EXPECT_EQ(d->btnBackground->alpha(), 0.5);
  EXPECT_EQ(d->btnBackground->backgroundColor(), AppColor::black());
  tap("btnSort");
  EXPECT_EQ(d->cnVwSortBottomSpace->constant(), 0);
  EXPECT_TRUE(d->btnBackground->isHidden());  // until the slide ends
  runFor(0.3);
  EXPECT_FALSE(d->btnBackground->isHidden());
  tap("btnFilter");
  runFor(0.3);
  // The dimming closes both.
  ASSERT_TRUE(d->btnBackground->tap());
  runFor(0.3);
  const double bottom = Device::safeAreaInsets().bottom;
  EXPECT_EQ(d->cnVwSortBottomSpace->constant(), d->cnVwSortHeight->constant() + bottom);
  EXPECT_EQ(d->cnVwFilterBottomSpace->constant(), d->cnVwFilterHeight->constant() + bottom);
  EXPECT_TRUE(d->btnBackground->isHidden());
  // Done closes its sheet and asks for the first page again.
  server_.setJsonReply(kEmployeesPath, page(0, 10, "20"));
  server_.clearRequests();
  applySheet("btnSort", "btnSortDone");
  more();
  runFor(0.3);
  EXPECT_EQ(requestedPages(), (Rows{"1", "2"}));
  EXPECT_EQ(d->cnVwSortBottomSpace->constant(), d->cnVwSortHeight->constant() + bottom);
  EXPECT_TRUE(d->btnBackground->isHidden());
  auto done = d->btnSortDone.lock();
  EXPECT_EQ(done->layer().cornerRadius, done->frame().height() / 2);
  EXPECT_EQ(done->backgroundColor(), AppColor::green());
}

TEST_F(TenantDashboardTest, FilterOptionsToggleWithTheirColours) {
  struct Case {
    const char* button;
    int TenantDashboardVC::*flag;
    std::weak_ptr<uikit::View> TenantDashboardVC::*background;
    std::weak_ptr<uikit::ImageView> TenantDashboardVC::*icon;
    const char* key;
  };
  const Case cases[] = {
      {"btnTag", &TenantDashboardVC::tagAssigned, &TenantDashboardVC::vwTag, &TenantDashboardVC::imgVwTag,
       "IsTagAssigned"},
      {"btnAccess", &TenantDashboardVC::floorAccess, &TenantDashboardVC::vwAccess, &TenantDashboardVC::imgVwAccess,
       "IsFloorAccess"},
      {"btnParking", &TenantDashboardVC::parkingAccess, &TenantDashboardVC::vwParking,
       &TenantDashboardVC::imgVwParking, "IsParkingAccess"},
      {"btnVisitor", &TenantDashboardVC::visitorAccess, &TenantDashboardVC::vwVisitor,
       &TenantDashboardVC::imgVwVisitor, "IsVisitorAssignAccess"},
  };
  openDashboard();
  showManage();
  auto d = dashboard();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    auto background = ((*d).*c.background).lock();
    auto icon = ((*d).*c.icon).lock();
    EXPECT_EQ(background->backgroundColor(), AppColor::lightGray());
    EXPECT_EQ(background->layer().cornerRadius, background->frame().width() / 2);
    for (const char* expected : {"1", "0"}) {
      const bool on = std::string(expected) == "1";
      tap(c.button);
      EXPECT_EQ((*d).*c.flag, on ? 1 : 0);
      EXPECT_EQ(background->backgroundColor(), on ? AppColor::green() : AppColor::lightGray());
      EXPECT_EQ(icon->tintColor(), on ? AppColor::white() : uikit::Color::gray());
      server_.clearRequests();
      applySheet("btnFilter", "btnFilterDone");
      runFor(0.3);
      ASSERT_EQ(employeeRequests().size(), 1u);
      EXPECT_EQ(employeeRequests()[0].at(c.key), expected);
    }
  }
  // A stray value switches on; an unknown tag does nothing.
  d->visitorAccess = 5;
  tap("btnVisitor");
  EXPECT_EQ(d->visitorAccess, 1);
  uikit::Button stray;
  stray.setTag(9);
  d->btnFilterOptionClickedWithSender(stray);
  EXPECT_EQ(d->tagAssigned + d->floorAccess + d->parkingAccess, 0);
}

TEST_F(TenantDashboardTest, SortChoicesMoveTheUnderlineAndTakeEffectOnDone) {
  openDashboard();
  showManage();
  auto d = dashboard();
  tap("btnDescending");
  EXPECT_EQ(d->sortDesc, 1);
  EXPECT_EQ(d->cnVwLineCenterXToBtnAscending->priority(), 250);
  EXPECT_EQ(d->cnVwLineCenterXToBtnDesceding->priority(), 999);
  tap("btnEmployeeID");
  EXPECT_EQ(d->sortOn, 1);
  EXPECT_TRUE(d->imgVwNameCheckmark.lock()->isHidden());
  EXPECT_FALSE(d->imgVwEmpIDCheckmark.lock()->isHidden());
  EXPECT_EQ(requestsTo(kEmployeesPath), 1u);  // not yet
  applySheet("btnSort", "btnSortDone");
  runFor(0.3);
  ASSERT_EQ(employeeRequests().size(), 2u);
  EXPECT_EQ(employeeRequests()[1].at("SortOn"), "1");
  EXPECT_EQ(employeeRequests()[1].at("SortDesc"), "1");
  tap("btnAscending");
  EXPECT_EQ(d->sortDesc, 0);
  EXPECT_EQ(d->cnVwLineCenterXToBtnAscending->priority(), 999);
  EXPECT_EQ(d->cnVwLineCenterXToBtnDesceding->priority(), 250);
}

// Two overlapping loads (a pull and a complaint just added): only the
// latest load's rows, with one complaint row, whichever reply comes last.
TEST_F(TenantDashboardTest, OverlappingAllottedLoadsShowOnlyTheLatest) {
  openDashboard();
  server_.setReplies(kAllottedPath,
                     {Reply(200, R"({"IsSuccess":true,"ParkingTileList":[{"TileName":"Old"}]})"),
                      Reply(200, R"({"IsSuccess":true,"ParkingTileList":[{"TileName":"New"}]})")});
  server_.holdReply(kAllottedPath);
  dashboard()->tblAlloted.lock()->triggerPullToRefresh();
  waitForRequestsTo(kAllottedPath, 1);
  server_.stopHoldingNewReplies(kAllottedPath);
  dashboard()->loadAllotted();
  waitForRequestsTo(kCountPath, 1);
  ASSERT_TRUE(runUntil([&] { return allottedRows() == Rows{"P:New", "Open : 3"}; }));
  server_.releaseReply(kAllottedPath);
  pump();
  runFor(0.5);
  EXPECT_EQ(requestsTo(kCountPath), 1u);
  EXPECT_EQ(allottedRows(), (Rows{"P:New", "Open : 3"}));
  EXPECT_EQ(dashboard()->dispatchGroup.count(), 0);
  EXPECT_FALSE(pulling(dashboard()->tblAlloted));
}

// An older load's failure, coming after the latest load has filled the
// table, shows neither a toast nor an alert and leaves the rows.
TEST_F(TenantDashboardTest, AnOlderLoadsFailureStaysSilent) {
  struct Case {
    const char* name;
    Reply older;
  };
  const Case cases[] = {
      {"refused", Reply(200, R"({"IsSuccess":false,"Message":"Old load"})")},
      {"unreadable", Reply(200, "not json")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    openDashboard();
    server_.setReplies(kAllottedPath,
                       {c.older, Reply(200, R"({"IsSuccess":true,"ParkingTileList":[{"TileName":"New"}]})")});
    server_.holdReply(kAllottedPath);
    dashboard()->tblAlloted.lock()->triggerPullToRefresh();
    waitForRequestsTo(kAllottedPath, 1);
    server_.stopHoldingNewReplies(kAllottedPath);
    dashboard()->loadAllotted();
    ASSERT_TRUE(runUntil([&] { return allottedRows() == Rows{"P:New", "Open : 3"}; }));
    // The clock stands still while the older reply is held.
    markToast();
    server_.releaseReply(kAllottedPath);
    pump();
    runFor(0.5);
    EXPECT_EQ(lastToast(), "-");
    EXPECT_FALSE(alertOnScreen());
    EXPECT_EQ(allottedRows(), (Rows{"P:New", "Open : 3"}));
    EXPECT_EQ(dashboard()->dispatchGroup.count(), 0);
    TearDown();
    SetUp();
  }
}

// Every closure a row of either table keeps holds the dashboard weakly:
// once another root replaces it, the dashboard is gone.
TEST_F(TenantDashboardTest, AReplacedDashboardIsReleasedWithItsRows) {
  openDashboard();
  ASSERT_EQ(allottedRows(), (Rows{"B:2", "P:Car park", "P:Bike park", "I:Identity", "Open : 3"}));
  server_.setJsonReply(kEmployeesPath, page(0, 3, "3"));
  showManage();
  ASSERT_EQ(employeeRows(), (Rows{"E0", "E1", "E2"}));
  std::weak_ptr<TenantDashboardVC> weak = dashboard();
  navigation()->setViewControllers({std::make_shared<uikit::ViewController>()}, false);
  pump();
  runFor(1.0);
  EXPECT_TRUE(weak.expired());
}

// A pull that cannot be sent leaves its group and stops the animation; the
// next pull fills the table.
TEST_F(TenantDashboardTest, AnOfflinePullDoesNotBlockTheNextOne) {
  openDashboard();
  NetworkReachability::shared().update(platform::ReachabilityStatus::kNotReachable);
  dashboard()->tblAlloted.lock()->triggerPullToRefresh();
  pump();
  EXPECT_FALSE(pulling(dashboard()->tblAlloted));
  dismissAlert();
  NetworkReachability::shared().update(platform::ReachabilityStatus::kReachableEthernetOrWiFi);
  server_.setJsonReply(kAllottedPath, R"({"IsSuccess":true,"ParkingTileList":[{"TileName":"Back"}]})");
  dashboard()->tblAlloted.lock()->triggerPullToRefresh();
  pump();
  EXPECT_FALSE(pulling(dashboard()->tblAlloted));
  EXPECT_EQ(allottedRows(), (Rows{"P:Back", "Open : 3"}));
  EXPECT_EQ(dashboard()->dispatchGroup.count(), 0);
}

// A Done while a page is loading asks for the first page at once; the older
// reply, coming last, changes nothing.
TEST_F(TenantDashboardTest, ADoneDuringAPageLoadSupersedesIt) {
  openDashboard();
  server_.setJsonReply(kEmployeesPath, page(0, 10, "30"));
  showManage();
  server_.setReplies(kEmployeesPath, {Reply(200, page(10, 10, "30")), Reply(200, page(50, 10, "30"))});
  server_.holdReply(kEmployeesPath);
  server_.clearRequests();
  auto d = dashboard();
  d->tblManage.lock()->triggerInfiniteScrolling();
  waitForRequestsTo(kEmployeesPath, 1);
  EXPECT_TRUE(d->isApiRunning);
  d->loadEmployees(true);  // a further page waits for the one in flight
  server_.stopHoldingNewReplies(kEmployeesPath);
  ASSERT_TRUE(d->btnFilter.lock()->tap());
  ASSERT_TRUE(d->btnFilterDone.lock()->tap());
  waitForRequestsTo(kEmployeesPath, 2);
  ASSERT_TRUE(runUntil([&] { return !d->isApiRunning; }));
  EXPECT_EQ(requestedPages(), (Rows{"2", "1"}));
  EXPECT_EQ(d->arrEmployees.size(), 10u);
  EXPECT_EQ(d->arrEmployees.front().employeeName, "E50");
  EXPECT_EQ(d->pageNo, "2");
  EXPECT_FALSE(loadingMore());
  server_.releaseReply(kEmployeesPath);
  pump();
  runFor(0.5);
  EXPECT_EQ(d->arrEmployees.size(), 10u);
  EXPECT_EQ(d->arrEmployees.front().employeeName, "E50");
  EXPECT_EQ(d->pageNo, "2");
  EXPECT_FALSE(d->isApiRunning);
  EXPECT_EQ(employeeRows().front(), "E50");
}

// A page that cannot be sent ends the request: scrolling loads again.
TEST_F(TenantDashboardTest, AnUndeliveredPageDoesNotFreezeTheList) {
  openDashboard();
  server_.setJsonReply(kEmployeesPath, page(0, 10, "30"));
  showManage();
  NetworkReachability::shared().update(platform::ReachabilityStatus::kNotReachable);
  more();
  pump();
  dismissAlert();
  EXPECT_FALSE(dashboard()->isApiRunning);
  EXPECT_FALSE(loadingMore());
  NetworkReachability::shared().update(platform::ReachabilityStatus::kReachableEthernetOrWiFi);
  server_.setJsonReply(kEmployeesPath, page(10, 10, "30"));
  server_.clearRequests();
  more();
  runFor(0.3);
  EXPECT_EQ(requestedPages(), Rows{"2"});
  EXPECT_EQ(dashboard()->arrEmployees.size(), 20u);
}

TEST_F(TenantDashboardTest, ComplaintCardsOpenTheListAndTheFormWhichReloadsBothTabs) {
  openDashboard();
  auto table = dashboard()->tblAlloted.lock();
  auto cell = std::dynamic_pointer_cast<FacilityManageComplainCell>(table->cellForRowAtIndexPath({0, 4}));
  ASSERT_TRUE(cell);
  cell->actionOpenApply();
  pump();
  runFor(0.5);
  EXPECT_EQ(topOfStack()->className(), "RaisedComplaintListVC");
  navigation()->popToRootViewController(false);
  pump();
  cell = std::dynamic_pointer_cast<FacilityManageComplainCell>(table->cellForRowAtIndexPath({0, 4}));
  ASSERT_TRUE(cell);
  cell->actionNewApply();
  pump();
  runFor(0.5);
  auto form = std::dynamic_pointer_cast<AddNewComplaintVC>(topOfStack());
  ASSERT_TRUE(form && form->actionUpdateCount);
  server_.clearRequests();
  form->actionUpdateCount();
  pump();
  EXPECT_EQ(requestsTo(kAllottedPath), 1u);
  EXPECT_EQ(requestedPages(), Rows{"1"});
}

TEST_F(TenantDashboardTest, ChoosingABuildingReloadsTheTableWithItsFloors) {
  openDashboard();
  auto table = dashboard()->tblAlloted.lock();
  auto cell = std::dynamic_pointer_cast<TenantBuildingCell>(table->cellForRowAtIndexPath({0, 0}));
  ASSERT_TRUE(cell);
  EXPECT_EQ(cell->delegate.lock(), dashboard());
  const int reloads = table->reloadCount();
  ASSERT_TRUE(cell->colViewBuilding.lock()->userSelectItem({0, 0}));
  pump();
  EXPECT_GT(table->reloadCount(), reloads);
  cell = std::dynamic_pointer_cast<TenantBuildingCell>(table->cellForRowAtIndexPath({0, 0}));
  ASSERT_TRUE(cell);
  EXPECT_EQ(cell->selectedBuilding, 0);
  EXPECT_EQ(cell->arrFloors.size(), 2u);
  EXPECT_FALSE(cell->colViewfloors.lock()->isHidden());
  EXPECT_EQ(table->rectForRowAtIndexPath({0, 0}).height(), TenantBuildingCell::kHeightWithFloors);
}

TEST_F(TenantDashboardTest, EachAppearanceClearsThePunchPermission) {
  openDashboard();
  for (int i = 0; i < 2; ++i) {
    (void)platform::UserDefaults::standard().setInteger(1, TarneloBLEKeys::shouldAllowPunch);
    reappear();
    EXPECT_EQ(platform::UserDefaults::standard().integerForKey(TarneloBLEKeys::shouldAllowPunch), 0);
  }
}

TEST_F(TenantDashboardTest, BarButtonsOpenProfileAndNotifications) {
  openDashboard();
  dashboard()->onNavigationButtonTapped(NavigationButtonKind::scanner);
  pump();
  EXPECT_EQ(topOfStack(), dashboard());
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

TEST_F(TenantDashboardTest, TheRoleCallbackRebuildsTheRootForTheStoredRole) {
  struct Case {
    std::int64_t stored;
    const char* root;
  };
  const Case cases[] = {{2, "TenantDashboardVC"}, {3, "FacilityDashoboardVC"}, {1, "UserDashboardVC"},
                        {0, "UserDashboardVC"}};
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
    EXPECT_EQ(root->className(), c.root);
    EXPECT_NE(root, before);
    TearDown();
    SetUp();
  }
}

// Through the role switch itself: it rewrites the stored role and the login
// letter, and the dashboard's callback rebuilds the root from them.
TEST_F(TenantDashboardTest, TheProfileSwitchLeadsToTheChosenRolesDashboard) {
  signInAndConnect({"1", "1"}, "T");
  (void)platform::UserDefaults::standard().setInteger(2, "com.facility.myCurrentUser");
  ASSERT_TRUE(dashboard());
  dashboard()->onNavigationButtonTapped(NavigationButtonKind::profile);
  pump();
  runFor(0.5);
  auto profile = std::dynamic_pointer_cast<SwitchUserVC>(topOfStack());
  ASSERT_TRUE(profile);
  auto field = profile->txtDropDown();
  auto input = TextFieldInput::of(field);
  ASSERT_TRUE(field->becomeFirstResponder());
  ASSERT_TRUE(input->pickerView()->userSelectRow(1, 0));
  EXPECT_EQ(input->pickerView()->titleForRow(1, 0), "Facility Admin");
  input->btnDoneTapped();
  runFor(0.8);
  pump();
  auto nav = navigation();
  ASSERT_TRUE(nav && !nav->viewControllers().empty());
  EXPECT_EQ(nav->viewControllers().front()->className(), "FacilityDashoboardVC");
}

TEST(TenantTotalRecordsTest, ReadsSignedDecimalNumbersOnly) {
  struct Case {
    std::optional<std::string> text;
    std::optional<std::int64_t> value;
  };
  const Case cases[] = {
      {"25", 25},
      {"+7", 7},
      {"-3", -3},
      {"0", 0},
      {"9223372036854775807", INT64_MAX},
      {"-9223372036854775808", INT64_MIN},
      {"9223372036854775808", std::nullopt},
      {"x", std::nullopt},
      {"", std::nullopt},
      {"+", std::nullopt},
      {" 5", std::nullopt},
      {"5 ", std::nullopt},
      {"1e3", std::nullopt},
      {"0x10", std::nullopt},
      {std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.value_or("<absent>"));
    EXPECT_EQ(TenantDashboardVC::totalRecords(c.text), c.value);
  }
}

}  // namespace
}  // namespace screens_test
