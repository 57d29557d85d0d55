#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Platform/Foundation/Value.h"
#include "Platform/UIKit/ImageView.h"
#include "tests/Facility/Screens/AccessAssignmentFixture.h"

namespace screens_test {
namespace {

using Building = TenantAssignAccessVC::Building;
using Form = std::vector<std::pair<std::string, std::string>>;

// Building A has both default floors and its ground floor ticked; B has
// neither. Rows: A, B, two-wheelers, four-wheelers.
constexpr const char* kAssignmentReply = R"({"IsSuccess":true,
  "BuildingList":[
    {"Text":"A","Value":"10","DefaultUp":"3","DefaultDown":"1",
     "FloorList":[{"Text":"G","Value":"1","IsSelected":true},{"Text":"F3","Value":"3","IsSelected":false}]},
    {"Text":"B","Value":"20","FloorList":[{"Text":"G","Value":"5"},{"Text":"F1","Value":"6"}]}],
  "TwoWheelerParkingList":[{"Text":"T1","Value":"3"},{"Text":"T2","Value":"4"},{"Text":"T3","Value":"5"}],
  "FourWheelerParkingList":[{"Text":"C1","Value":"9"}]})";

class TenantAssignAccessTest : public AccessAssignmentFixture {
 protected:
  Building building(std::size_t index) { return std::get<Building>(screen->arrData.at(index)); }
  template <class List>
  List list(std::size_t index) {
    return std::get<List>(screen->arrData.at(index));
  }
  static std::string imageName(const std::weak_ptr<uikit::ImageView>& view) {
    auto v = view.lock();
    return v && v->image() ? v->image()->name() : "";
  }
  static std::string textOf(const std::weak_ptr<SimpleTextField>& field) {
    auto f = field.lock();
    return f ? f->text().value_or("") : "<none>";
  }
};

// ---- loading ----

TEST_F(TenantAssignAccessTest, EmployeeIdIsEscapedInTheRequest) {
  openAssignment("12&x=1", "Meera", R"({"IsSuccess":true})");
  auto sent = requestsTo(kBaseAssignPath);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].method, "GET");
  EXPECT_EQ(sent[0].target, "/api/Tenant/BaseAssignAccess?id=12%26x%3D1");
  EXPECT_EQ(screen->title(), std::optional<std::string>("Assign Access"));
}

TEST_F(TenantAssignAccessTest, NoEmployeeMeansNoRequestAndAnEmptyTable) {
  openAssignment(std::nullopt, std::nullopt, kAssignmentReply, false);
  runFor(0.5);
  EXPECT_TRUE(requestsTo(kBaseAssignPath).empty());
  EXPECT_TRUE(loaderCalls_.empty());
  EXPECT_TRUE(screen->arrData.empty());
  EXPECT_EQ(screen->tblAssginAccess()->numberOfRowsInSection(0), 0);
}

TEST_F(TenantAssignAccessTest, UnusableRepliesLeaveTheTableEmpty) {
  openAssignment("E1", "Meera", "this is not json");
  EXPECT_EQ(alertOnScreen() ? alertOnScreen()->alertTitle() : std::nullopt, std::optional<std::string>("Sorry"));
  EXPECT_TRUE(screen->arrData.empty());

  nav.reset();
  screen.reset();
  loaderCalls_.clear();
  openAssignment("E1", "Meera", R"({"IsSuccess":false,"Message":"No access for you"})");
  EXPECT_TRUE(settleUntil([&] { return toastShows("No access for you"); }));
  EXPECT_TRUE(screen->arrData.empty());
  EXPECT_TRUE(screen->tempArrData.empty());
}

TEST_F(TenantAssignAccessTest, RowsFollowTheReplyAndDefaultFloorsShowTheirLifts) {
  openAssignment("E1", "Meera", kAssignmentReply);
  ASSERT_EQ(screen->arrData.size(), 4u);
  EXPECT_EQ(building(0)->text, std::optional<std::string>("A"));
  EXPECT_EQ(building(1)->text, std::optional<std::string>("B"));
  EXPECT_EQ(list<TenantAssignAccessVC::TwoWheelers>(2).size(), 3u);
  EXPECT_EQ(list<TenantAssignAccessVC::FourWheelers>(3).size(), 1u);
  EXPECT_EQ(screen->tempArrData.size(), 4u);

  auto a = row(0);
  ASSERT_TRUE(a);
  EXPECT_EQ(textOf(a->txtFieldUpFloor), "F3");
  EXPECT_EQ(imageName(a->imgVwUpFloor), "liftupgreen");
  EXPECT_EQ(textOf(a->txtFieldDownFloor), "G");
  EXPECT_EQ(imageName(a->imgVwDownFloor), "liftdowngreen");

  auto b = row(1);
  ASSERT_TRUE(b);
  EXPECT_EQ(textOf(b->txtFieldUpFloor), "--Default Up--");
  EXPECT_EQ(imageName(b->imgVwUpFloor), "liftupgray");
  pick(b->txtFieldDownFloor.lock(), 1);
  EXPECT_EQ(building(1)->defaultDown, building(1)->floorList->at(1)) << "the floor object itself";
  EXPECT_FALSE(building(1)->floorList->at(1)->isSelected.value_or(false)) << "picking ticks nothing";
  pump();
  b = row(1);
  EXPECT_EQ(textOf(b->txtFieldDownFloor), "F1");
  EXPECT_EQ(imageName(b->imgVwDownFloor), "liftdowngreen");
  EXPECT_EQ(imageName(b->imgVwUpFloor), "liftupgray");
}

TEST_F(TenantAssignAccessTest, TableFollowsItsContentUpToTheLimit) {
  openAssignment("E1", "Meera", R"({"IsSuccess":true})");
  EXPECT_EQ(screen->tblMaxHeight, 549.0) << "844 - (47 + 44) - 47 - 34 - 63 - 60";
  auto table = screen->tblAssginAccess();
  const int flashes = table->indicatorFlashCount();
  struct Case {
    double content, height;
  };
  for (const Case& c : std::vector<Case>{{400, 400}, {540, 540}, {549, 529}, {600, 529}, {120, 120}}) {
    table->setContentSize({table->bounds().width(), c.content});
    EXPECT_EQ(screen->cnTblAssignAccessHeight()->constant(), c.height) << "content " << c.content;
    EXPECT_EQ(table->bounds().height(), c.height) << "laid out at once";
  }
  EXPECT_EQ(table->indicatorFlashCount(), flashes + 5);
}

// ---- the checks and the submission ----

TEST_F(TenantAssignAccessTest, ChecksStopAtTheFirstProblemInOrder) {
  openAssignment("E1", "Meera", kAssignmentReply);
  ASSERT_EQ(screen->arrData.size(), 4u);
  auto a = building(0);
  auto b = building(1);
  const auto up = a->defaultUp;
  const auto down = a->defaultDown;
  struct Case {
    const char* name;
    std::function<void()> arrange;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"no building ticked", [] {}, "Please select at least one building to continue"},
      {"floors ticked, no default up",
       [&] {
         a->isSelected = true;
         a->defaultUp = nullptr;
       },
       "Please select any default up/down from A"},
      {"neither floors nor defaults: the default message comes first", [&] { b->isSelected = true; },
       "Please select any default up/down from B"},
      {"two without defaults",
       [&] {
         a->isSelected = true;
         a->defaultDown = nullptr;
         b->isSelected = true;
       },
       "Please select any default up/down from A, B"},
      {"defaults but no floor",
       [&] {
         a->isSelected = true;
         a->floorList->at(0)->isSelected = false;
       },
       "Please select any floor from A"},
      {"two-wheeler row ticked with nothing chosen",
       [&] {
         a->isSelected = true;
         screen->isTwoWheelerSelected = true;
       },
       "There is no item selected from two wheeler, Please select any item or uncheck to continue"},
      {"four-wheeler row ticked with nothing chosen",
       [&] {
         a->isSelected = true;
         screen->isFourWheelerSelected = true;
       },
       "There is no item selected from four wheeler, Please select any item or uncheck to continue"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    a->isSelected = b->isSelected = false;
    a->defaultUp = up;
    a->defaultDown = down;
    a->floorList->at(0)->isSelected = true;
    screen->isTwoWheelerSelected = screen->isFourWheelerSelected = false;
    c.arrange();
    screen->btnAssignAccessClicked();
    EXPECT_EQ(alertText(), "Alert: " + c.message);
    ASSERT_TRUE(press("Ok"));
    pump();
  }
  runFor(0.5);
  EXPECT_TRUE(requestsTo(kAssignPath).empty()) << "a failed check sends nothing";
}

TEST_F(TenantAssignAccessTest, ConfirmedAssignmentSendsTheChoicesAndReturnsToTheDashboard) {
  server_.setJsonReply(kAssignPath, R"({"IsSuccess":true})");
  openAssignment("E1", "Meera", kAssignmentReply);
  ASSERT_EQ(screen->arrData.size(), 4u);
  building(0)->isSelected = true;
  // The two-wheeler row is not ticked: its chosen spaces are not sent.
  list<TenantAssignAccessVC::TwoWheelers>(2).at(0)->isSelected = true;
  screen->isFourWheelerSelected = true;
  list<TenantAssignAccessVC::FourWheelers>(3).at(0)->isSelected = true;

  screen->btnAssignAccessClicked();
  EXPECT_EQ(alertText(), "Confirm: Are you sure you want to assign these access to Meera?");
  EXPECT_EQ(alertOnScreen()->displayedActionTitles(), (std::vector<std::string>{"Cancel", "Okay"}));
  ASSERT_TRUE(press("Cancel"));
  runFor(0.5);
  EXPECT_TRUE(requestsTo(kAssignPath).empty());
  EXPECT_TRUE(building(0)->isSelected);
  EXPECT_TRUE(screen->isFourWheelerSelected);

  // An invitation earlier in the run left its text on the shared popup.
  SuccessPopup::shared()->lbSuccess.lock()->setText(TenantAssignAccessVC::kInvitedText);
  screen->btnAssignAccessClicked();
  loaderCalls_.clear();
  server_.holdReply(kAssignPath);
  ASSERT_TRUE(press("Okay", /*replyHeld=*/true));
  EXPECT_TRUE(AppLoader::shared().isAnimating);
  ASSERT_TRUE(AppLoader::shared().messageLabel);
  EXPECT_EQ(AppLoader::shared().messageLabel->text(), std::optional<std::string>("Please wait..."));
  server_.releaseReply(kAssignPath);
  ASSERT_TRUE(settleUntil([&] { return hidden(); }));

  const Form form = lastForm(kAssignPath);
  EXPECT_EQ(valuesOf(form, "EmployeeId"), std::vector<std::string>{"E1"});
  EXPECT_TRUE(valuesOf(form, "TwoWheelerParkingList[]").empty());
  EXPECT_EQ(valuesOf(form, "FourWheelerParkingList[]"), std::vector<std::string>{"9"});
  const auto buildings = valuesOf(form, "StrBuildingList");
  ASSERT_EQ(buildings.size(), 1u);
  auto parsed = platform::Value::parseJson(buildings[0]);
  ASSERT_TRUE(parsed.ok());
  using V = platform::Value;
  EXPECT_EQ(parsed.value(), V(V::Array{V::Dictionary{
                                {"BuildingId", "10"}, {"DefaultUp", "3"}, {"DefaultDown", "1"}, {"FloorList", V::Array{"1"}}}}));

  EXPECT_FALSE(successShown()) << "not before 0.1 s";
  runFor(0.1);
  EXPECT_TRUE(successShown());
  EXPECT_EQ(successText(), "  Access Assigned Successfully  ");
  EXPECT_EQ(nav->viewControllers().size(), 2u);
  runFor(2.0);
  ASSERT_TRUE(settleUntil([&] { return nav->viewControllers().size() == 1; }));
  EXPECT_EQ(nav->viewControllers().front(), root);
  EXPECT_FALSE(successShown());
}

TEST_F(TenantAssignAccessTest, RefusedAssignmentKeepsEveryChoice) {
  server_.setJsonReply(kAssignPath, R"({"IsSuccess":false,"Message":"Employee is locked"})");
  openAssignment("E1", std::nullopt, kAssignmentReply);
  building(0)->isSelected = true;
  screen->btnAssignAccessClicked();
  EXPECT_EQ(alertText(), "Confirm: Are you sure you want to assign these access to ?");
  ASSERT_TRUE(press("Okay"));
  ASSERT_TRUE(settleUntil([&] { return alertText() == "Sorry: Employee is locked"; }));
  runFor(2.5);
  EXPECT_FALSE(successShown());
  EXPECT_EQ(nav->viewControllers().size(), 2u);
  EXPECT_TRUE(building(0)->isSelected);
  EXPECT_EQ(building(0)->defaultUp, building(0)->floorList->at(1));
}

// ---- the invitation road ----

// North (1) and South (2); North has a checked default up and down, South a
// checked default down only.
std::string visitorReply(bool twoWheelers, bool fourWheelers, const std::string& buildings) {
  std::string out = R"({"IsSuccess":true,"BuildingList":)" + buildings;
  if (twoWheelers) out += R"(,"TwoWheelerParkingList":[{"Text":"T1","Value":"3"},{"Text":"T2","Value":"4"},{"Text":"T3","Value":"5"}])";
  if (fourWheelers) out += R"(,"FourWheelerParkingList":[{"Text":"C1","Value":"9"}])";
  out += R"(,"DefaultUpList":[{"BuidlingID":"1","IsChecked":false,"Text":"N-G","Value":"n0"},
      {"BuidlingID":"1","Value":"n-x","IsChecked":false},
      {"BuidlingID":"1","IsChecked":true,"Text":"N-5","Value":"n5"},
      {"BuidlingID":"2","IsChecked":false,"Text":"S-G","Value":"s0"}],
    "DefaultDownList":[{"BuidlingID":"1","IsChecked":true,"Text":"N-G","Value":"n0"},
      {"BuidlingID":"2","IsChecked":true,"Text":"S-1","Value":"s1"}]})";
  return out;
}
constexpr const char* kTwoBuildings = R"([{"Text":"North","Value":"1"},{"Text":"South","Value":"2"}])";

TEST_F(TenantAssignAccessTest, InvitationRowsStandInTheirOrder) {
  struct Case {
    bool two, four;
    std::string buildings;
    std::vector<std::size_t> kinds;  // variant indexes: 1 building, 2 two, 3 four, 4 up, 5 down
  };
  for (const Case& c : std::vector<Case>{{true, true, kTwoBuildings, {1, 2, 3, 4, 5}},
                                         {true, true, "[]", {2, 3, 4, 5}},
                                         {false, true, kTwoBuildings, {1, 3, 4, 5}},
                                         {false, false, kTwoBuildings, {1, 4, 5}}}) {
    SCOPED_TRACE(testing::Message() << c.two << c.four << c.buildings);
    nav.reset();
    screen.reset();
    openInvitation(visitorReply(c.two, c.four, c.buildings));
    std::vector<std::size_t> kinds;
    for (const auto& r : screen->arrData) kinds.push_back(r.index());
    EXPECT_EQ(kinds, c.kinds);
    ASSERT_TRUE(screen->arrBuildingList);
    EXPECT_EQ(screen->arrBuildingList->size(), c.buildings == "[]" ? 0u : 2u);
  }
}

TEST_F(TenantAssignAccessTest, PickingABuildingNarrowsBothDefaultRowsWhereverTheyStand) {
  struct Case {
    bool two;
    std::size_t up, down;
  };
  // Without the two-wheeler list the default rows stand one higher.
  for (const Case& c : std::vector<Case>{{true, 3, 4}, {false, 2, 3}}) {
    SCOPED_TRACE(c.two ? "all lists" : "no two-wheeler list");
    nav.reset();
    screen.reset();
    openInvitation(visitorReply(c.two, true, kTwoBuildings));
    auto dropDown = row(0);
    ASSERT_TRUE(dropDown);
    EXPECT_EQ(textOf(dropDown->txtFieldUpFloor), "--Select Building--");
    EXPECT_EQ(textOf(row(static_cast<long>(c.up))->txtFieldUpFloor), "--Select Default Up--");

    pick(dropDown->txtFieldUpFloor.lock(), 0);
    EXPECT_EQ(screen->selectedBuildingObject, screen->arrBuildingList->at(0));
    EXPECT_TRUE(screen->arrBuildingList->at(0)->isSelected);
    auto ups = std::get<std::vector<DefaultUpList>>(screen->arrData[c.up]);
    ASSERT_EQ(ups.size(), 3u);
    ASSERT_TRUE(screen->objSelectedDefaultUp);
    EXPECT_EQ(screen->objSelectedDefaultUp->valuee, std::optional<std::string>("n5"));
    EXPECT_EQ(screen->selectedDefaultUpStr, "N-5");
    ASSERT_TRUE(screen->objSelectedDefaultDown);
    EXPECT_EQ(screen->objSelectedDefaultDown->valuee, std::optional<std::string>("n0"));
    pump();
    EXPECT_EQ(textOf(row(0)->txtFieldUpFloor), "North");
    EXPECT_EQ(textOf(row(static_cast<long>(c.up))->txtFieldUpFloor), "N-5");
    EXPECT_EQ(textOf(row(static_cast<long>(c.down))->txtFieldUpFloor), "N-G");

    // Another building narrows again from the lists as loaded.
    pick(row(0)->txtFieldUpFloor.lock(), 1);
    EXPECT_FALSE(screen->arrBuildingList->at(0)->isSelected);
    ups = std::get<std::vector<DefaultUpList>>(screen->arrData[c.up]);
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_EQ(ups[0].textt, std::optional<std::string>("S-G"));
    EXPECT_FALSE(screen->objSelectedDefaultUp) << "none of South's is checked";
    EXPECT_EQ(screen->selectedDefaultUpStr, "");
    EXPECT_EQ(screen->objSelectedDefaultDown->valuee, std::optional<std::string>("s1"));
    pump();
    EXPECT_EQ(textOf(row(static_cast<long>(c.up))->txtFieldUpFloor), "--Select Default Up--");
    EXPECT_EQ(textOf(row(static_cast<long>(c.down))->txtFieldUpFloor), "S-1");
  }
}

TEST_F(TenantAssignAccessTest, DefaultPickStoresTheEntryOfTheRowShown) {
  openInvitation(visitorReply(true, true, kTwoBuildings));
  pick(row(0)->txtFieldUpFloor.lock(), 0);
  pump();
  // North's rows: "N-G" and "N-5"; the textless entry between them is not shown.
  auto up = row(3)->txtFieldUpFloor.lock();
  EXPECT_EQ(TextFieldInput::of(up)->pickerView()->numberOfRowsInComponent(0), 2);
  pick(up, 1);
  ASSERT_TRUE(screen->objSelectedDefaultUp);
  EXPECT_EQ(screen->objSelectedDefaultUp->valuee, std::optional<std::string>("n5"));
  EXPECT_EQ(screen->selectedDefaultUpStr, "N-5");
  pick(row(3)->txtFieldUpFloor.lock(), 0);
  EXPECT_EQ(screen->objSelectedDefaultUp->valuee, std::optional<std::string>("n0"));
}

TEST_F(TenantAssignAccessTest, InvitationNeedsABuilding) {
  openInvitation(visitorReply(true, true, kTwoBuildings));
  screen->btnAssignAccessClicked();
  EXPECT_EQ(alertText(), "Alert: Please select building from dropdown list");
}

TEST_F(TenantAssignAccessTest, InvitationSendsTheVisitorAndReturnsToTheRoot) {
  server_.setJsonReply(kInvitePath, R"({"IsSuccess":true})");
  openInvitation(visitorReply(true, true, kTwoBuildings));
  // The form stands between the dashboard and this screen.
  nav->setViewControllers({root, std::make_shared<uikit::ViewController>(), screen}, false);
  pump();
  pick(row(0)->txtFieldUpFloor.lock(), 1);  // South: no default up checked
  pump();
  screen->isTwoWheelerSelected = true;
  auto spaces = list<TenantAssignAccessVC::TwoWheelers>(1);
  spaces[0]->isSelected = true;
  spaces[2]->isSelected = true;

  screen->btnAssignAccessClicked();
  EXPECT_EQ(alertText(), "Confirm: Are you sure you want to send an invitation?");
  loaderCalls_.clear();
  ASSERT_TRUE(press("Okay"));
  ASSERT_TRUE(settleUntil([&] { return !requestsTo(kInvitePath).empty() && hidden(); }));
  const Form form = lastForm(kInvitePath);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"FirstName", "Ann"},          {"LastName", " Lee"},       {"VisitorCategory", "2"},
      {"MobileNo", "+4412"},         {"EmailId", "a@b.co"},      {"PurposeVisit", "Audit"},
      {"VisitorCompany", "Acme"},    {"ExpectedDate", "05/03/2026"}, {"ExpectedTime", "14:07"},
      {"MeetingHours", "01:30"},     {"BuildingId", "2"},        {"DefaultUp", ""},
      {"DefaultDown", "s1"},         {"StrTwoWheelerParkingList", R"(["3","5"])"},
      {"StrFourWheelerParkingList", "[]"}, {"Location", ""}};
  for (const auto& [key, value] : expected) EXPECT_EQ(valuesOf(form, key), std::vector<std::string>{value}) << key;
  // The plain lists stay empty: the ticked spaces travel in the texts.
  EXPECT_TRUE(valuesOf(form, "TwoWheelerParkingList[]").empty());
  EXPECT_TRUE(valuesOf(form, "FourWheelerParkingList[]").empty());

  ASSERT_TRUE(settleUntil([&] { return successShown(); }));
  EXPECT_EQ(successText(), "  Invited Successfully  ");
  runFor(2.0);
  ASSERT_TRUE(settleUntil([&] { return nav->viewControllers().size() == 1; }));
  EXPECT_EQ(nav->viewControllers().front(), root) << "back to the dashboard without the form";
}

}  // namespace
}  // namespace screens_test
