#include <string>
#include <vector>

#include "Facility/Screens/ComplainRaiserFilterVC.h"
#include "Facility/Screens/ComplainResolverJSONData.h"
#include "Facility/Screens/RaisedComplaintCell.h"
#include "Facility/Screens/RaisedComplaintListVC.h"
#include "Facility/Screens/StoryboardName.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "tests/Facility/Screens/ComplaintFilterFixture.h"

namespace screens_test {
namespace {

constexpr const char* kComplaintListPath = "/api/Complain/ComplainList";
using Reply = testsupport::FacilityTestServer::Reply;
using Form = std::vector<std::pair<std::string, std::string>>;
using Rows = std::vector<std::string>;

const char* kTwoComplaints =
    R"({"IsSuccess":true,"lstComplainList":[)"
    R"({"ID":"1","Status":"OPEN","ComplainFor":"Parking","TypeOfComplain":"Lights","Description":"Dark","VisitDate":"12/03/2026"},)"
    R"({"ID":"2","Status":"Closed","ComplainFor":"Building","TypeOfComplain":"Lift","Description":"Stuck","VisitDate":"13/03/2026"}]})";
const char* kOneComplaint =
    R"({"IsSuccess":true,"lstComplainList":[{"Status":"Open","ComplainFor":"Auditorium","TypeOfComplain":"Sound"}]})";

// Ticks options by position: {group, option} pairs on a fresh raiser tree.
FilterData tree(std::initializer_list<std::pair<std::size_t, std::size_t>> ticks) {
  auto data = ComplainResolverJSONData::shared().getFilterData(ComplainerType::raiser).value();
  for (const auto& [g, o] : ticks) (*data.places)[g].subPlaces->at(o).isSelected = 1;
  return data;
}

class RaisedComplaintListTest : public ComplaintFilterFixture {
 protected:
  void SetUp() override {
    ComplaintFilterFixture::SetUp();
    server_.setJsonReply(kComplaintListPath, kTwoComplaints);
    // Lets any earlier toast finish.
    runFor(AppToastAlert::kVisibleDuration + 2 * AppToastAlert::kFadeDuration + 0.1);
  }
  void TearDown() override {
    screen.reset();
    ComplaintFilterFixture::TearDown();
  }

  // Pushed as the dashboard does, its first request answered.
  void openList(LandingFrom from = LandingFrom::none) {
    screen = std::dynamic_pointer_cast<RaisedComplaintListVC>(
        Storyboards::instantiateScreen(StoryboardName::tenantAdmin, "RaisedComplaintListVC"));
    ASSERT_TRUE(screen);
    screen->landingFrom = from;
    nav->pushViewController(screen, false);
    auto table = screen->tblRaisedComplaintList.lock();
    ASSERT_TRUE(table);
    // Every reply these tests open with is a success, which reloads the table.
    ASSERT_TRUE(runUntil([&] { return table->reloadCount() > 0; }));
    pump();
  }

  std::vector<Form> listForms() {
    std::vector<Form> forms;
    for (const auto& r : server_.requests()) {
      if (r.path == kComplaintListPath) forms.push_back(r.form());
    }
    return forms;
  }
  bool waitForListRequests(std::size_t n) {
    return runUntil([&] { return listForms().size() >= n; });
  }

  // "title | time | status@colour | description" per row.
  Rows shownRows() {
    Rows rows;
    auto table = screen->tblRaisedComplaintList.lock();
    for (long i = 0; table && i < table->numberOfRowsInSection(0); ++i) {
      auto cell = std::dynamic_pointer_cast<RaisedComplaintCell>(
          screen->tableViewCellForRowAtIndexPath(*table, uikit::IndexPath::forRow(i, 0)));
      if (!cell) {
        rows.push_back("<no cell>");
        continue;
      }
      auto status = cell->lblComplainStatus();
      const auto bg = status->backgroundColor();
      const std::string colour = bg == std::optional<uikit::Color>(AppColor::paleBlue()) ? "pale"
                                 : bg == std::optional<uikit::Color>(AppColor::silver()) ? "silver"
                                                                                          : "other";
      rows.push_back(cell->lblComplainTitle()->text().value_or("<nil>") + " | " +
                     cell->lblSuitableTime()->text().value_or("<nil>") + " | " + status->text().value_or("<nil>") +
                     "@" + colour + " | " + cell->lblComplainDesciption()->text().value_or("<nil>"));
    }
    return rows;
  }

  // "Filter gray 2 grayFilter" / "Filtered blue 9 blueFilter".
  std::string indicator() { return filterIndicator(screen->imgFilterIcon.lock(), screen->lblFilterTitle.lock()); }

  std::shared_ptr<RaisedComplaintListVC> screen;
};

TEST_F(RaisedComplaintListTest, TheBodyCarriesTheTickedOptionsOfTheFirstThreeGroups) {
  using D = platform::Value::Dictionary;
  auto noStatusId = tree({{1, 0}});
  (*noStatusId.places)[1].subPlaces->at(0).id.reset();
  auto noMonthForm = tree({{0, 0}, {0, 1}});
  (*noMonthForm.places)[0].subPlaces->at(0).monthInAPIFormate.reset();
  auto twoGroups = tree({{0, 24}, {1, 1}, {2, 2}});
  twoGroups.places->pop_back();
  auto noOptions = tree({{2, 0}});
  (*noOptions.places)[0].subPlaces.reset();
  auto marks = tree({});
  (*marks.places)[0].subPlaces->at(3).isSelected = 2;
  (*marks.places)[2].subPlaces->at(1).isSelected = 1;
  struct Case {
    const char* name;
    std::optional<FilterData> filter;
    D body;
  };
  const Case cases[] = {
      {"no filter", std::nullopt, D{{"MonthFilter", ""}, {"StatusFilter", ""}, {"ComplainFilter", ""}}},
      {"no groups", FilterData{}, D{{"MonthFilter", ""}, {"StatusFilter", ""}, {"ComplainFilter", ""}}},
      {"two months in option order", tree({{0, 26}, {0, 24}}),
       D{{"MonthFilter", "01-2026,03-2026"}, {"StatusFilter", ""}, {"ComplainFilter", ""}}},
      {"status without id", noStatusId, D{{"MonthFilter", ""}, {"StatusFilter", "0"}, {"ComplainFilter", ""}}},
      {"month without API form", noMonthForm, D{{"MonthFilter", ",02-2024"}, {"StatusFilter", ""}, {"ComplainFilter", ""}}},
      {"every group", tree({{0, 0}, {1, 0}, {1, 1}, {2, 2}}),
       D{{"MonthFilter", "01-2024"}, {"StatusFilter", "1,2"}, {"ComplainFilter", "3"}}},
      {"place group missing", twoGroups, D{{"MonthFilter", "01-2026"}, {"StatusFilter", "2"}, {"ComplainFilter", ""}}},
      {"months without options", noOptions, D{{"MonthFilter", ""}, {"StatusFilter", ""}, {"ComplainFilter", "1"}}},
      {"only 1 ticks", marks, D{{"MonthFilter", ""}, {"StatusFilter", ""}, {"ComplainFilter", "2"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RaisedComplaintListVC::complainListBody(c.filter), c.body);
  }

  // On the wire: the first appearance sends the empty filter as form fields.
  openList();
  const auto forms = listForms();
  ASSERT_EQ(forms.size(), 1u);
  EXPECT_EQ(forms[0], (Form{{"ComplainFilter", ""}, {"MonthFilter", ""}, {"StatusFilter", ""}}));
}

TEST_F(RaisedComplaintListTest, RowsShowStatusTitleTimeAndDescription) {
  server_.setJsonReply(kComplaintListPath,
                       R"({"IsSuccess":true,"lstComplainList":[)"
                       R"({"Status":"OPEN","ComplainFor":"Parking","TypeOfComplain":"Lights","VisitDate":"12/03/2026","Description":"Dark"},)"
                       R"({"Status":"Open"},{"Status":"Closed","ComplainFor":"Building"},{"Status":""},)"
                       R"({"TypeOfComplain":"Lift","Description":"Stuck"},{"Status":"opened"}]})");
  openList();
  EXPECT_EQ(shownRows(), (Rows{"Parking - Lights | 12/03/2026 | Open@pale | Dark",
                               " -  |  | Open@pale | ",
                               "Building -  |  | Close@silver | ",
                               " -  |  | Close@silver | ",
                               " - Lift |  | Close@silver | Stuck",
                               " -  |  | Close@silver | "}));
  EXPECT_EQ(indicator(), "Filter gray 2 grayFilter");
}

// Only a successful reply replaces the rows; failures toast and keep them.
TEST_F(RaisedComplaintListTest, RepliesReplaceKeepOrToast) {
  openList();
  ASSERT_EQ(shownRows().size(), 2u);
  struct Case {
    const char* name;
    Reply reply;
    std::size_t rows;
    std::optional<std::string> toast;
  };
  const Case cases[] = {
      {"refused", Reply(200, R"({"IsSuccess":false,"Message":"Try later"})"), 2, "Try later"},
      {"refused without message", Reply(200, R"({"IsSuccess":false})"), 2, ""},
      {"no verdict", Reply(200, R"({"lstComplainList":[]})"), 2, std::nullopt},
      {"success without list", Reply(200, R"({"IsSuccess":true})"), 0, std::nullopt},
      {"one row", Reply(200, kOneComplaint), 1, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server_.setReply(kComplaintListPath, c.reply);
    runFor(AppToastAlert::kVisibleDuration + 2 * AppToastAlert::kFadeDuration + 0.1);
    const std::size_t before = listForms().size();
    bool done = false;
    screen->fetchComplaintList(std::nullopt, [&] { done = true; });
    ASSERT_TRUE(runUntil([&] { return done; }));
    pump();
    EXPECT_EQ(listForms().size(), before + 1);
    EXPECT_EQ(shownRows().size(), c.rows);
    EXPECT_EQ(toastOnScreen(), c.toast);
  }
  server_.setReply(kComplaintListPath, Reply(200, "not json"));
  bool done = false;
  screen->fetchComplaintList(std::nullopt, [&] { done = true; });
  ASSERT_TRUE(runUntil([&] { return done; }));
  pump();
  EXPECT_EQ(shownRows().size(), 1u);
  EXPECT_TRUE(toastOnScreen());
}

TEST_F(RaisedComplaintListTest, BackGoesByHowTheListWasEntered) {
  struct Case {
    const char* name;
    LandingFrom from;
    std::size_t depthAfter;
  };
  const Case cases[] = {
      {"none", LandingFrom::none, 2},
      {"dashboard", LandingFrom::dashboard, 2},
      {"from the form", LandingFrom::addNewComplain, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    nav = uikit::NavigationController::withRoot(std::make_shared<uikit::ViewController>());
    delegate()->window()->setRootViewController(nav);
    nav->pushViewController(std::make_shared<uikit::ViewController>(), false);
    pump();
    openList(c.from);
    ASSERT_EQ(nav->viewControllers().size(), 3u);
    auto back = screen->navigationItem().leftBarButtonItem();
    ASSERT_TRUE(back);
    ASSERT_TRUE(back->image);
    EXPECT_EQ(back->image->name(), "ic_back-white");
    screen->backButtonTapped();
    pump();
    EXPECT_EQ(nav->viewControllers().size(), c.depthAfter);
  }
}

// Apply from the filter screen: the apply's request wins over the one of the
// reappearance; back from the form the list asks with the filter the
// indicator shows; Clear All asks nothing until the list shows again, then
// without filter.
TEST_F(RaisedComplaintListTest, EveryRequestCarriesTheFilterTheIndicatorShows) {
  openList();
  screen->actionGoToFilterList();
  pump();
  auto filter = std::dynamic_pointer_cast<ComplainRaiserFilterVC>(nav->topViewController());
  ASSERT_TRUE(filter);
  server_.clearRequests();
  // The reappearance asks with the filter it had, the apply with the new one;
  // the two go side by side, so the server may see them in either order.
  server_.setJsonReply(kComplaintListPath, kOneComplaint);
  filter->tableViewDidSelectRowAtIndexPath(*filter->tblRightSide.lock(), uikit::IndexPath::forRow(24, 0));
  pump();
  ASSERT_TRUE(filter->btnApply.lock()->tap());
  ASSERT_TRUE(waitForListRequests(2));
  ASSERT_TRUE(runUntil([&] { return shownRows().size() == 1; }));
  pump();
  EXPECT_EQ(nav->topViewController(), screen);
  EXPECT_EQ(indicator(), "Filtered blue 9 blueFilter");
  const auto forms = listForms();
  ASSERT_EQ(forms.size(), 2u);
  const Form filtered{{"ComplainFilter", ""}, {"MonthFilter", "01-2026"}, {"StatusFilter", ""}};
  EXPECT_TRUE(forms[0] == filtered || forms[1] == filtered);
  runFor(0.5);
  EXPECT_EQ(shownRows(), (Rows{"Auditorium - Sound |  | Open@pale | "}));

  // Back from the form under the filter.
  server_.clearRequests();
  server_.setJsonReply(kComplaintListPath, kOneComplaint);
  screen->actionAdd();
  pump();
  ASSERT_NE(nav->topViewController(), screen);
  nav->popViewController(false);
  ASSERT_TRUE(waitForListRequests(1));
  pump();
  ASSERT_EQ(listForms().size(), 1u);
  EXPECT_EQ(listForms()[0], (Form{{"ComplainFilter", ""}, {"MonthFilter", "01-2026"}, {"StatusFilter", ""}}));
  EXPECT_EQ(shownRows().size(), 1u);

  // The filter screen again shows the applied tick; Clear All sends nothing.
  screen->actionGoToFilterList();
  pump();
  filter = std::dynamic_pointer_cast<ComplainRaiserFilterVC>(nav->topViewController());
  ASSERT_TRUE(filter);
  EXPECT_EQ(rightRows(*filter)[24], "Jan 2026:Checked");
  server_.clearRequests();
  filter->clearAllFilters();
  runFor(0.5);
  EXPECT_TRUE(listForms().empty());
  EXPECT_EQ(indicator(), "Filter gray 2 grayFilter");
  EXPECT_FALSE(screen->filteredData);
  nav->popViewController(false);
  ASSERT_TRUE(waitForListRequests(1));
  EXPECT_EQ(listForms()[0], (Form{{"ComplainFilter", ""}, {"MonthFilter", ""}, {"StatusFilter", ""}}));
}

// Of two list requests in flight only the later one's reply counts, even
// when the earlier one's reply arrives last.
TEST_F(RaisedComplaintListTest, ALateReplyToAnOlderRequestChangesNothing) {
  struct Case {
    const char* name;
    const char* olderReply;
  };
  const Case cases[] = {
      {"older rows", kTwoComplaints},
      {"older refusal", R"({"IsSuccess":false,"Message":"Old failure"})"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    openList();
    server_.setJsonReply(kComplaintListPath, R"({"IsSuccess":true,"lstComplainList":[]})");
    screen->fetchComplaintList(std::nullopt, [] {});
    ASSERT_TRUE(runUntil([&] { return shownRows().empty(); }));
    runFor(AppToastAlert::kVisibleDuration + 2 * AppToastAlert::kFadeDuration + 0.1);
    server_.clearRequests();

    // The older reply waits half a second on the server; the newer is at once.
    server_.setReplies(kComplaintListPath, {Reply(200, c.olderReply), Reply(200, kOneComplaint)});
    server_.setReplyDelay(kComplaintListPath, 0.5);
    std::vector<std::string> order;
    screen->fetchComplaintList(tree({{0, 0}}), [&] { order.push_back("older"); });
    ASSERT_TRUE(server_.waitForRequests(1, 5.0));
    server_.setReplyDelay(kComplaintListPath, 0);
    screen->fetchComplaintList(tree({{0, 1}}), [&] { order.push_back("newer"); });
    ASSERT_TRUE(runUntil([&] { return order.size() == 2; }));
    pump();
    EXPECT_EQ(order, (Rows{"newer", "older"}));
    EXPECT_EQ(shownRows(), (Rows{"Auditorium - Sound |  | Open@pale | "}));
    EXPECT_EQ(toastOnScreen(), std::nullopt);
    TearDown();
    SetUp();
  }
}

}  // namespace
}  // namespace screens_test
