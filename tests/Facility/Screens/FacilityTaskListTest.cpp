#include <string>
#include <vector>

#include "Facility/Screens/ComplainResolverFilterVC.h"
#include "Facility/Widgets/FadeInTransitionAnimator.h"
#include "tests/Facility/Screens/FacilityTaskFixture.h"

namespace screens_test {
namespace {

using D = platform::Value::Dictionary;

class FacilityTaskListTest : public FacilityTaskFixture {};

TEST_F(FacilityTaskListTest, TheListBodyCarriesTheCategoryAndTheTicksOfTheFirstTwoGroups) {
  auto noMonthForm = resolverTree({{0, 24}, {0, 25}, {0, 26}});
  (*noMonthForm.places)[0].subPlaces->at(25).monthInAPIFormate.reset();
  auto monthsOnly = resolverTree({{0, 24}});
  monthsOnly.places->pop_back();
  auto extraGroup = resolverTree({{1, 0}});
  extraGroup.places->push_back(Places{"Status", 3, 0, std::vector<SubPlaces>{SubPlaces{"Open", 1, 1, std::nullopt}}});
  auto placeWithoutId = resolverTree({{1, 1}});
  (*placeWithoutId.places)[1].subPlaces->at(1).id.reset();
  auto noOptions = resolverTree({{1, 2}});
  (*noOptions.places)[0].subPlaces.reset();
  struct Case {
    const char* name;
    ComplainTaskCategory category;
    std::optional<FilterData> filter;
    D body;
  };
  const Case cases[] = {
      {"none reads as all", ComplainTaskCategory::none, std::nullopt,
       D{{"TaskStatus", "A"}, {"ComplainFilter", ""}, {"MonthFilter", ""}}},
      {"all", ComplainTaskCategory::all, std::nullopt, D{{"TaskStatus", "A"}, {"ComplainFilter", ""}, {"MonthFilter", ""}}},
      {"today", ComplainTaskCategory::today, std::nullopt,
       D{{"TaskStatus", "T"}, {"ComplainFilter", ""}, {"MonthFilter", ""}}},
      {"overdue is a lower-case o", ComplainTaskCategory::overdue, std::nullopt,
       D{{"TaskStatus", "o"}, {"ComplainFilter", ""}, {"MonthFilter", ""}}},
      {"January and March 2026 with Building", ComplainTaskCategory::all, resolverTree({{0, 26}, {0, 24}, {1, 2}}),
       D{{"TaskStatus", "A"}, {"ComplainFilter", "3"}, {"MonthFilter", "01-2026,03-2026"}}},
      {"a month without API form is an empty element", ComplainTaskCategory::all, noMonthForm,
       D{{"TaskStatus", "A"}, {"ComplainFilter", ""}, {"MonthFilter", "01-2026,,03-2026"}}},
      {"only the months group", ComplainTaskCategory::today, monthsOnly,
       D{{"TaskStatus", "T"}, {"ComplainFilter", ""}, {"MonthFilter", "01-2026"}}},
      {"groups after the second are ignored", ComplainTaskCategory::all, extraGroup,
       D{{"TaskStatus", "A"}, {"ComplainFilter", "1"}, {"MonthFilter", ""}}},
      {"a place without id is 0", ComplainTaskCategory::all, placeWithoutId,
       D{{"TaskStatus", "A"}, {"ComplainFilter", "0"}, {"MonthFilter", ""}}},
      {"months without options", ComplainTaskCategory::all, noOptions,
       D{{"TaskStatus", "A"}, {"ComplainFilter", "3"}, {"MonthFilter", ""}}},
      {"no groups", ComplainTaskCategory::all, FilterData{},
       D{{"TaskStatus", "A"}, {"ComplainFilter", ""}, {"MonthFilter", ""}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FacilityTaskListVC::closeComplainListBody(c.category, c.filter), c.body);
  }

  // On the wire, as form fields.
  openList(ComplainTaskCategory::overdue);
  ASSERT_EQ(formsOf(kListPath).size(), 1u);
  EXPECT_EQ(formsOf(kListPath)[0], (Form{{"ComplainFilter", ""}, {"MonthFilter", ""}, {"TaskStatus", "o"}}));
  screen->applyFilter(resolverTree({{0, 24}, {0, 26}, {1, 2}}), false);
  ASSERT_TRUE(waitForRequests(kListPath, 2));
  EXPECT_EQ(formsOf(kListPath)[1],
            (Form{{"ComplainFilter", "3"}, {"MonthFilter", "01-2026,03-2026"}, {"TaskStatus", "o"}}));
}

// The handed-in counts show at once; the loader runs from the reload until
// the first reply; list and count requests go out together.
TEST_F(FacilityTaskListTest, OpeningShowsTheHandedInCountsThenReloads) {
  server_.holdReply(kListPath);
  server_.holdReply(kCountPath);
  pushList(ComplainTaskCategory::all, MDLMyTaskCount{true, std::nullopt, 4, 6, 1});
  ASSERT_TRUE(waitForRequests(kListPath, 1));
  ASSERT_TRUE(waitForRequests(kCountPath, 1));
  stepHeld(0);
  EXPECT_EQ(counts(), (Rows{" 4 ", " 6 ", " 1 "}));
  EXPECT_TRUE(AppLoader::shared().isAnimating);
  EXPECT_EQ(formsOf(kListPath)[0], (Form{{"ComplainFilter", ""}, {"MonthFilter", ""}, {"TaskStatus", "A"}}));
  const auto requests = server_.requests();
  for (const auto& r : requests) {
    if (r.path == kCountPath) {
      EXPECT_EQ(r.method, "GET");
      EXPECT_TRUE(r.body.empty());
    }
  }
  EXPECT_EQ(screen->dispatchGroup.count(), 2);

  server_.releaseReply(kListPath);
  ASSERT_TRUE(runUntil([&] { return screen->dispatchGroup.count() == 1; }));
  stepHeld(0);
  EXPECT_FALSE(AppLoader::shared().isAnimating);
  EXPECT_EQ(shownRows().size(), 2u);
  // The list's own totals are not the tiles' while no filter applies.
  EXPECT_EQ(counts(), (Rows{" 4 ", " 6 ", " 1 "}));

  server_.releaseReply(kCountPath);
  ASSERT_TRUE(runUntil([&] { return screen->dispatchGroup.count() == 0; }));
  pump();
  EXPECT_EQ(counts(), (Rows{" 2 ", " 12 ", " 3 "}));
  EXPECT_FALSE(AppLoader::shared().isAnimating);
}

TEST_F(FacilityTaskListTest, RowsShowTheTaskAndTheReportingTimeByCategory) {
  struct Case {
    ComplainTaskCategory category;
    Rows rows;
  };
  const Case cases[] = {
      {ComplainTaskCategory::today,
       {"Acme | Reporting Time : 10:30 AM |   Building   | Client : Ravi | Lift stuck",
        "Globex | Reporting Time :  |   Parking   | Client : Meera | Dark"}},
      {ComplainTaskCategory::all,
       {"Acme | 10:30 AM |   Building   | Client : Ravi | Lift stuck", "Globex |  |   Parking   | Client : Meera | Dark"}},
      {ComplainTaskCategory::overdue,
       {"Acme | 10:30 AM |   Building   | Client : Ravi | Lift stuck", "Globex |  |   Parking   | Client : Meera | Dark"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(complainTaskCategoryName(c.category));
    openList(c.category);
    EXPECT_EQ(shownRows(), c.rows);
    EXPECT_EQ(emptyState(), "list");
    nav->popToRootViewController(false);
    pump();
  }
}

// Tile styling: at once the chosen tile is restyled plainly; 0.1 s later it
// alone carries the wide dark-blue border.
TEST_F(FacilityTaskListTest, TheChosenTileIsHighlightedATenthOfASecondLater) {
  openList(ComplainTaskCategory::all);
  const auto look = [&] {
    Rows looks;
    for (const auto& outlet :
         {screen->todayTaskContainerView, screen->allTaskTaskContainerView, screen->overdueTaskContainerView}) {
      auto tile = outlet.lock();
      const auto& layer = tile->layer();
      const std::string colour = layer.borderColor == std::optional<uikit::Color>(AppColor::darkBlue())   ? "blue"
                                 : layer.borderColor == std::optional<uikit::Color>(AppColor::darkGray()) ? "gray"
                                                                                                         : "other";
      char width[16];
      std::snprintf(width, sizeof width, "%.1f", layer.borderWidth);
      looks.push_back(colour + " " + width);
    }
    return looks;
  };
  EXPECT_EQ(look(), (Rows{"gray 0.7", "blue 1.2", "gray 0.7"}));
  server_.holdReply(kListPath);
  server_.holdReply(kCountPath);
  screen->actionOverdueTask();
  stepHeld(0);
  EXPECT_EQ(screen->taskStatus, ComplainTaskCategory::overdue);
  EXPECT_EQ(look(), (Rows{"gray 0.7", "blue 1.2", "gray 0.7"}));
  stepHeld(0.05);
  EXPECT_EQ(look(), (Rows{"gray 0.7", "blue 1.2", "gray 0.7"}));
  stepHeld(0.06);
  EXPECT_EQ(look(), (Rows{"gray 0.7", "gray 0.7", "blue 1.2"}));
  server_.releaseReply(kListPath);
  server_.releaseReply(kCountPath);
  ASSERT_TRUE(runUntil([&] { return screen->dispatchGroup.count() == 0; }));
}

// A successful empty reply shows the empty state and keeps the rows behind
// it; switching to all shows those rows until its own reply; today shows
// the empty state before any reply; a reply without a list changes nothing.
TEST_F(FacilityTaskListTest, TheEmptyStateAndTheRowsBehindIt) {
  openList(ComplainTaskCategory::all);
  server_.setJsonReply(kListPath, R"({"IsSuccess":true,"lstComplainList":[]})");
  screen->actionOverdueTask();
  ASSERT_TRUE(runUntil([&] { return screen->dispatchGroup.count() == 0; }));
  runFor(0.5);
  EXPECT_EQ(emptyState(), "empty");
  EXPECT_EQ(screen->arrTasks.size(), 2u);

  server_.holdReply(kListPath);
  screen->actionAllTask();
  ASSERT_TRUE(waitForRequests(kListPath, 3));
  stepHeld(0);
  EXPECT_EQ(emptyState(), "list");
  EXPECT_EQ(shownRows().size(), 2u);

  // Replies are taken as requests arrive: the held all request keeps the
  // empty list, today's gets one row.
  server_.setJsonReply(kListPath, kOneTask);
  screen->actionTodayTask();
  ASSERT_TRUE(waitForRequests(kListPath, 4));
  stepHeld(0);
  EXPECT_EQ(emptyState(), "empty");
  server_.releaseReply(kListPath);
  ASSERT_TRUE(runUntil([&] { return screen->dispatchGroup.count() == 0; }));
  runFor(0.5);
  EXPECT_EQ(emptyState(), "list");
  EXPECT_EQ(shownRows(), (Rows{"Initech | Reporting Time : 09:00 AM |   Auditorium   | Client : Ann | Leak"}));

  server_.setJsonReply(kListPath, R"({"IsSuccess":true,"TodayTotal":4})");
  screen->actionOverdueTask();
  ASSERT_TRUE(runUntil([&] { return screen->dispatchGroup.count() == 0; }));
  runFor(0.5);
  EXPECT_EQ(emptyState(), "list");
  EXPECT_EQ(shownRows().size(), 1u);
}

TEST_F(FacilityTaskListTest, FailedRepliesToastOrAlertAndKeepTheRows) {
  openList(ComplainTaskCategory::all);
  struct Case {
    const char* name;
    Reply list;
    Reply count;
    std::optional<std::string> toast;
    bool alert;
  };
  const Case cases[] = {
      {"list refused", Reply(200, R"({"IsSuccess":false,"Message":"No tasks today"})"), Reply(200, kCounts),
       "No tasks today", false},
      {"list without verdict is silent", Reply(200, R"({"lstComplainList":[]})"), Reply(200, kCounts), std::nullopt,
       false},
      {"list undecodable", Reply(200, "not json"), Reply(200, kCounts), "", false},
      {"count refused", Reply(200, kTwoTasks), Reply(200, R"({"IsSuccess":false,"Message":"Counts later"})"),
       "Counts later", false},
      {"count undecodable", Reply(200, kTwoTasks), Reply(200, "[]"), std::nullopt, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server_.setReply(kListPath, c.list);
    server_.setReply(kCountPath, c.count);
    screen->reloadTasksAndCounts();
    ASSERT_TRUE(runUntil([&] { return screen->dispatchGroup.count() == 0; }));
    pump();
    EXPECT_FALSE(AppLoader::shared().isAnimating);
    EXPECT_EQ(shownRows().size(), 2u);
    EXPECT_EQ(emptyState(), "list");
    auto toast = toastOnScreen();
    if (c.toast && !c.toast->empty()) {
      EXPECT_EQ(toast, c.toast);
    } else if (c.toast) {
      EXPECT_TRUE(toast);  // the decoding failure's description
    } else {
      EXPECT_EQ(toast, std::nullopt);
    }
    auto alert = alertOnScreen();
    EXPECT_EQ(static_cast<bool>(alert), c.alert);
    if (alert) {
      EXPECT_EQ(alert->alertTitle(), std::optional<std::string>("Sorry"));
      ASSERT_EQ(alert->actions().size(), 1u);
      EXPECT_EQ(alert->actions()[0]->title(), std::optional<std::string>("Ok"));
      runFor(0.5);
      ASSERT_TRUE(alert->pressActionWithTitle("Ok"));
      runFor(0.5);
    }
    settleToast();
  }
}

// Filtered totals show bare, the count reply's with a space on each side.
TEST_F(FacilityTaskListTest, FilteredTotalsShowBareAndCountRepliesSpaced) {
  openList(ComplainTaskCategory::all);
  EXPECT_EQ(counts(), (Rows{" 2 ", " 12 ", " 3 "}));
  server_.setJsonReply(kListPath, kOneTask);
  server_.clearRequests();
  screen->applyFilter(resolverTree({{1, 0}}), false);
  ASSERT_TRUE(runUntil([&] { return shownRows().size() == 1; }));
  pump();
  EXPECT_EQ(counts(), (Rows{"1", "5", "0"}));
  EXPECT_EQ(indicator(), "Filtered blue 9 blueFilter");
  // No loader, no count request for a filter.
  EXPECT_TRUE(formsOf(kCountPath).empty());
  EXPECT_FALSE(AppLoader::shared().isAnimating);
  EXPECT_EQ(screen->dispatchGroup.count(), 0);

  // Clear All: back to the plain indicator and a full reload without filter.
  server_.setJsonReply(kListPath, kTwoTasks);
  screen->applyFilter(std::nullopt, true);
  ASSERT_TRUE(runUntil([&] { return screen->dispatchGroup.count() == 0 && formsOf(kCountPath).size() == 1; }));
  runFor(0.5);
  EXPECT_EQ(indicator(), "Filter gray 2 grayFilter");
  EXPECT_FALSE(screen->filteredData);
  EXPECT_EQ(formsOf(kListPath).back(), (Form{{"ComplainFilter", ""}, {"MonthFilter", ""}, {"TaskStatus", "A"}}));
  EXPECT_EQ(counts(), (Rows{" 2 ", " 12 ", " 3 "}));
}

// After a close under a filter the reload asks with that filter, leaves the
// group and keeps the filtered totals while storing the counts.
TEST_F(FacilityTaskListTest, TheReloadAfterACloseUnderAFilterKeepsTheFilter) {
  openList(ComplainTaskCategory::all);
  server_.setJsonReply(kListPath, kOneTask);
  screen->applyFilter(resolverTree({{0, 24}, {1, 2}}), false);
  ASSERT_TRUE(runUntil([&] { return shownRows().size() == 1; }));
  pump();
  server_.clearRequests();
  server_.setJsonReply(kCountPath, R"({"IsSuccess":true,"TodayTotal":20,"AllTotal":30,"OverdueTotal":40})");
  // The count reply first: it stores the counts and leaves the labels.
  server_.holdReply(kListPath);
  screen->reloadTasksAndCounts();
  ASSERT_TRUE(waitForRequests(kListPath, 1));
  ASSERT_TRUE(runUntil([&] { return screen->dispatchGroup.count() == 1; }));
  stepHeld(0.2);
  EXPECT_EQ(counts(), (Rows{"1", "5", "0"}));
  server_.releaseReply(kListPath);
  ASSERT_TRUE(runUntil([&] { return screen->dispatchGroup.count() == 0; }));
  runFor(0.5);
  ASSERT_EQ(formsOf(kListPath).size(), 1u);
  EXPECT_EQ(formsOf(kListPath)[0], (Form{{"ComplainFilter", "3"}, {"MonthFilter", "01-2026"}, {"TaskStatus", "A"}}));
  EXPECT_EQ(shownRows().size(), 1u);
  EXPECT_EQ(indicator(), "Filtered blue 9 blueFilter");
  EXPECT_EQ(counts(), (Rows{"1", "5", "0"}));
  ASSERT_TRUE(screen->objMyTaskCount);
  EXPECT_EQ(screen->objMyTaskCount->allTotal, 30);
  EXPECT_FALSE(AppLoader::shared().isAnimating);
}

// Of two list requests in flight only the newer one's reply counts, even
// when the older one's reply arrives last; a reload's older reply still
// leaves the group.
TEST_F(FacilityTaskListTest, AReplyToAnOlderListRequestChangesNothing) {
  struct Case {
    const char* name;
    const char* olderReply;
  };
  const Case cases[] = {
      {"older rows", kTwoTasks},
      {"older empty list", R"({"IsSuccess":true,"TodayTotal":9,"AllTotal":9,"OverdueTotal":9,"lstComplainList":[]})"},
      {"older refusal", R"({"IsSuccess":false,"Message":"Old failure"})"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    openList(ComplainTaskCategory::all);
    server_.clearRequests();
    // The older: a full reload under no filter, held on the server.
    server_.setReplies(kListPath, {Reply(200, c.olderReply), Reply(200, kOneTask)});
    server_.holdReply(kListPath);
    screen->reloadTasksAndCounts();
    ASSERT_TRUE(waitForRequests(kListPath, 1));
    ASSERT_TRUE(waitForRequests(kCountPath, 1));
    server_.stopHoldingNewReplies(kListPath);
    // The newer: a filter applied meanwhile, answered at once.
    screen->applyFilter(resolverTree({{1, 1}}), false);
    ASSERT_TRUE(runUntil([&] { return shownRows().size() == 1; }));
    stepHeld(0);
    EXPECT_EQ(screen->dispatchGroup.count(), 1);
    server_.releaseReply(kListPath);
    ASSERT_TRUE(runUntil([&] { return screen->dispatchGroup.count() == 0; }));
    runFor(0.5);
    EXPECT_EQ(shownRows(), (Rows{"Initech | 09:00 AM |   Auditorium   | Client : Ann | Leak"}));
    EXPECT_EQ(emptyState(), "list");
    EXPECT_EQ(counts(), (Rows{"1", "5", "0"}));
    EXPECT_EQ(indicator(), "Filtered blue 9 blueFilter");
    EXPECT_EQ(toastOnScreen(), std::nullopt);
    EXPECT_FALSE(AppLoader::shared().isAnimating);
    TearDown();
    SetUp();
  }
}

// The loader is gone after a pop mid-reload, and after an offline reload
// followed by an online one; refused requests leave the group too.
TEST_F(FacilityTaskListTest, TheLoaderEndsHiddenAndTheGroupBalanced) {
  server_.holdReply(kListPath);
  server_.holdReply(kCountPath);
  pushList(ComplainTaskCategory::all);
  ASSERT_TRUE(waitForRequests(kListPath, 1));
  ASSERT_TRUE(waitForRequests(kCountPath, 1));
  stepHeld(0);
  EXPECT_TRUE(AppLoader::shared().isAnimating);
  std::weak_ptr<FacilityTaskListVC> weak = screen;
  nav->popViewController(false);
  screen.reset();
  stepHeld(0);
  server_.releaseReply(kListPath);
  server_.releaseReply(kCountPath);
  ASSERT_TRUE(runUntil([&] { return !AppLoader::shared().isAnimating && server_.requestCount() >= 2; }));
  runFor(0.5);
  EXPECT_FALSE(AppLoader::shared().isAnimating);
  EXPECT_FALSE(weak.lock());

  openList(ComplainTaskCategory::all);
  NetworkReachability::shared().isNetworkReachable = false;
  server_.clearRequests();
  screen->reloadTasksAndCounts();
  runFor(0.5);
  EXPECT_TRUE(server_.requests().empty());
  EXPECT_EQ(screen->dispatchGroup.count(), 0);
  EXPECT_FALSE(AppLoader::shared().isAnimating);
  runFor(1.0);
  if (auto alert = alertOnScreen()) {
    ASSERT_TRUE(alert->dismiss(false));
    pump();
  }
  NetworkReachability::shared().isNetworkReachable = true;
  bool notified = false;
  screen->reloadTasksAndCounts();
  screen->dispatchGroup.notify([&] { notified = true; });
  ASSERT_TRUE(runUntil([&] { return notified; }));
  pump();
  EXPECT_EQ(screen->dispatchGroup.count(), 0);
  EXPECT_FALSE(AppLoader::shared().isAnimating);
  EXPECT_EQ(formsOf(kListPath).size(), 1u);
}

TEST_F(FacilityTaskListTest, ARowOpensTheClosurePopupAndASuccessfulCloseReloads) {
  openList(ComplainTaskCategory::overdue);
  server_.setJsonReply(kGetPath, R"({"IsSuccess":true,"TenantID":12,"FacilityType":"Parking","Remark":"Dark"})");
  server_.setJsonReply(kSavePath, R"({"IsSuccess":true,"Message":"Closed"})");
  server_.clearRequests();
  screen->tableViewDidSelectRowAtIndexPath(*screen->tblTaskList.lock(), uikit::IndexPath::forRow(1, 0));
  ASSERT_TRUE(waitForRequests(kGetPath, 1));
  runFor(1.0);
  auto popup = std::dynamic_pointer_cast<ComplainClosurePopupVC>(screen->presentedViewController());
  ASSERT_TRUE(popup);
  EXPECT_EQ(popup->complainId, "42");
  EXPECT_EQ(popup->modalPresentationStyle, uikit::ModalPresentationStyle::kOverCurrentContext);
  EXPECT_EQ(popup->modalTransitionStyle, uikit::ModalTransitionStyle::kCrossDissolve);
  EXPECT_EQ(popup->transitioningDelegate().get(), static_cast<uikit::ViewControllerTransitioningDelegate*>(screen.get()));
  EXPECT_TRUE(std::dynamic_pointer_cast<FadeInTransitionAnimator>(
      screen->animationControllerForPresentedController(popup, screen, screen)));
  EXPECT_FALSE(screen->animationControllerForDismissedController(popup));
  EXPECT_EQ(formsOf(kGetPath)[0], (Form{{"ID", "42"}}));

  server_.setJsonReply(kListPath, kOneTask);
  popup->submitComplaintClosure();
  ASSERT_TRUE(waitForRequests(kSavePath, 1));
  ASSERT_TRUE(waitForRequests(kListPath, 1));
  ASSERT_TRUE(waitForRequests(kCountPath, 1));
  ASSERT_TRUE(runUntil([&] { return screen->dispatchGroup.count() == 0; }));
  runFor(0.5);
  EXPECT_FALSE(screen->presentedViewController());
  EXPECT_EQ(formsOf(kListPath)[0], (Form{{"ComplainFilter", ""}, {"MonthFilter", ""}, {"TaskStatus", "o"}}));
  EXPECT_EQ(shownRows().size(), 1u);

  // A task without id opens the popup with an empty one.
  server_.setJsonReply(kListPath, R"({"IsSuccess":true,"lstComplainList":[{"Tenant":"NoId"}]})");
  screen->reloadTasksAndCounts();
  ASSERT_TRUE(runUntil([&] { return screen->dispatchGroup.count() == 0 && screen->arrTasks.size() == 1 &&
                                    screen->arrTasks[0].tenant == std::optional<std::string>("NoId"); }));
  runFor(0.5);
  server_.clearRequests();
  screen->openTaskClosure(0);
  ASSERT_TRUE(waitForRequests(kGetPath, 1));
  EXPECT_EQ(formsOf(kGetPath)[0], (Form{{"ID", ""}}));
}

}  // namespace
}  // namespace screens_test
