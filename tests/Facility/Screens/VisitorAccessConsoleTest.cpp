// The visitor invitation and an access assignment driven through the
// console, as the dashboards host them, against the facility test double.
#include <gtest/gtest.h>

#include <sstream>

#include "Facility/Screens/InviteUserVC.h"
#include "Platform/UIKit/Console/ConsoleDriver.h"
#include "tests/Facility/Screens/AccessAssignmentFixture.h"

namespace screens_test {
namespace {

class VisitorAccessConsoleTest : public AccessAssignmentFixture {};

TEST_F(VisitorAccessConsoleTest, AFilledFormInvitesAndEndsOnTheRoot) {
  server_.setJsonReply(kBaseVisitorPath, R"({"IsSuccess":true,
    "BuildingList":[{"Text":"North","Value":"1"},{"Text":"South","Value":"2"}],
    "TwoWheelerParkingList":[{"Text":"T1","Value":"3"}],
    "DefaultUpList":[{"BuidlingID":"1","IsChecked":true,"Text":"N-5","Value":"n5"}],
    "DefaultDownList":[{"BuidlingID":"1","IsChecked":true,"Text":"N-G","Value":"n0"}]})");
  server_.setJsonReply(kInvitePath, R"({"IsSuccess":true})");
  host();
  auto form = make<InviteUserVC>(StoryboardName::user, "InviteUserVC");
  ASSERT_TRUE(form);
  form->arrCategories = {{"Guest", "2"}, {"Vendor", "3"}};
  ASSERT_TRUE(nav->pushViewController(form, false));
  pump();

  std::ostringstream out;
  uikit::ConsoleDriver driver(out, delegate()->window(), clock_);
  std::istringstream script(R"(dump
expect screen: InviteUserVC
type firstName Ann
type lastName Lee
select category Vendor
type mobileNumber +4412345
type emailID ann@lee.co
type purposeOfVisit Audit
type companyName Acme
select expectedDate 05/03/2026
select expectedTime 14:07
select meetingHours 1 30
tap Next
wait 0.5
dump
expect screen: TenantAssignAccessVC
select txtBuilding North
wait 0.5
tap Assign
wait 0.5
dump
expect alert: "Confirm"
alert Okay
wait 2.5
dump
expect screen: ViewController
quit
)");
  const int failures = driver.run(script);
  EXPECT_EQ(failures, 0) << out.str();
  EXPECT_FALSE(driver.stopped()) << out.str();
  EXPECT_EQ(nav->viewControllers().size(), 1u) << "the form is gone too";
  auto sent = requestsTo(kInvitePath);
  ASSERT_EQ(sent.size(), 1u) << out.str();
  const auto form0 = sent[0].form();
  EXPECT_EQ(valuesOf(form0, "FirstName"), std::vector<std::string>{"Ann"});
  EXPECT_EQ(valuesOf(form0, "VisitorCategory"), std::vector<std::string>{"3"});
  EXPECT_EQ(valuesOf(form0, "ExpectedDate"), std::vector<std::string>{"05/03/2026"});
  EXPECT_EQ(valuesOf(form0, "ExpectedTime"), std::vector<std::string>{"14:07"});
  EXPECT_EQ(valuesOf(form0, "MeetingHours"), std::vector<std::string>{"01:30"});
  EXPECT_EQ(valuesOf(form0, "BuildingId"), std::vector<std::string>{"1"});
  EXPECT_EQ(valuesOf(form0, "DefaultUp"), std::vector<std::string>{"n5"});
}

TEST_F(VisitorAccessConsoleTest, ATickedBuildingIsAssignedAndTheScreenCloses) {
  server_.setJsonReply(kAssignPath, R"({"IsSuccess":true})");
  openAssignment("E1", "Meera", R"({"IsSuccess":true,"BuildingList":[
    {"Text":"Tower","Value":"10","DefaultUp":"3","DefaultDown":"1",
     "FloorList":[{"Text":"G","Value":"1","IsSelected":true},{"Text":"F3","Value":"3"}]}]})");
  std::ostringstream out;
  uikit::ConsoleDriver driver(out, delegate()->window(), clock_);
  std::istringstream script(R"(dump
expect screen: TenantAssignAccessVC
tap Tower
wait 0.5
select txtFieldUpFloor F3
wait 0.5
tap Assign
wait 0.5
dump
expect Are you sure you want to assign these access to Meera?
alert Okay
wait 2.5
dump
expect screen: ViewController
quit
)");
  const int failures = driver.run(script);
  EXPECT_EQ(failures, 0) << out.str();
  EXPECT_FALSE(driver.stopped()) << out.str();
  EXPECT_EQ(nav->viewControllers().size(), 1u);
  auto sent = requestsTo(kAssignPath);
  ASSERT_EQ(sent.size(), 1u) << out.str();
  EXPECT_EQ(valuesOf(sent[0].form(), "EmployeeId"), std::vector<std::string>{"E1"});
}

}  // namespace
}  // namespace screens_test
