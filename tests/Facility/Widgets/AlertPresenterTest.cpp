#include <optional>
#include <string>
#include <vector>

#include "Facility/Widgets/AAction.h"
#include "Facility/Widgets/AlertPresenter.h"
#include "tests/Facility/Widgets/WidgetsFixture.h"

namespace widgets_test {
namespace {

using uikit::AlertActionStyle;

TEST(AActionTest, TitlesAndStyles) {
  struct Case {
    AAction action;
    std::string title;
    AlertActionStyle style;
  };
  for (const Case& c : std::vector<Case>{
           {AAction::Custom("Send later"), "Send later", AlertActionStyle::kDefault},
           {AAction::Okay, "Okay", AlertActionStyle::kDefault},
           {AAction::Ok, "Ok", AlertActionStyle::kDefault},
           {AAction::Yes, "Yes", AlertActionStyle::kDefault},
           {AAction::No, "No", AlertActionStyle::kDefault},
           {AAction::Cancel, "Cancel", AlertActionStyle::kCancel},
           {AAction::Edit, "Edit", AlertActionStyle::kDefault},
           {AAction::Delete, "Delete", AlertActionStyle::kDefault},
           {AAction::Remove, "Remove", AlertActionStyle::kDefault},
           {AAction::Logout, "Logout", AlertActionStyle::kDefault},
       }) {
    SCOPED_TRACE(c.title);
    EXPECT_EQ(c.action.title(), c.title);
    EXPECT_EQ(c.action.style(), c.style);
  }
}

TEST(AActionTest, Equality) {
  struct Case {
    AAction a, b;
    bool equal;
  };
  for (const Case& c : std::vector<Case>{
           {AAction::Okay, AAction::Okay, true},
           {AAction::Ok, AAction::Okay, false},
           {AAction::Custom("Okay"), AAction::Okay, false},
           {AAction::Custom("Cancel"), AAction::Cancel, false},
           {AAction::Custom("a"), AAction::Custom("a"), true},
           {AAction::Custom("a"), AAction::Custom("b"), false},
           {AAction::Custom(""), AAction::Custom(""), true},
       }) {
    SCOPED_TRACE(c.a.title() + " / " + c.b.title());
    EXPECT_EQ(c.a == c.b, c.equal);
    EXPECT_EQ(c.b == c.a, c.equal);
  }
}

class AlertPresenterTest : public WidgetsFixture {
 protected:
  void SetUp() override {
    WidgetsFixture::SetUp();
    screen = std::make_shared<uikit::ViewController>();
    show(screen);
  }
  std::shared_ptr<uikit::AlertController> presented() {
    return std::dynamic_pointer_cast<uikit::AlertController>(screen->presentedViewController());
  }
  uikit::ViewControllerPtr screen;
};

// The buttons follow the given kinds (an empty list gives one "Okay"), and a
// tap reports the kind at the tapped position, Custom values included.
TEST_F(AlertPresenterTest, ButtonsAndTheReportedKind) {
  struct Case {
    const char* name;
    std::vector<AAction> actions;
    std::vector<std::string> titles;
    std::vector<AlertActionStyle> styles;
    std::string tap;
    AAction reported;
  };
  const auto kDefault = AlertActionStyle::kDefault;
  for (const Case& c : std::vector<Case>{
           {"empty list", {}, {"Okay"}, {kDefault}, "Okay", AAction::Okay},
           {"logout confirmation", {AAction::No, AAction::Yes}, {"No", "Yes"}, {kDefault, kDefault}, "Yes",
            AAction::Yes},
           {"access confirmation",
            {AAction::Okay, AAction::Cancel},
            {"Okay", "Cancel"},
            {kDefault, AlertActionStyle::kCancel},
            "Cancel",
            AAction::Cancel},
           {"custom titled like a kind",
            {AAction::Custom("Okay"), AAction::Delete},
            {"Okay", "Delete"},
            {kDefault, kDefault},
            "Okay",
            AAction::Custom("Okay")},
       }) {
    SCOPED_TRACE(c.name);
    std::vector<AAction> tapped;
    AlertPresenter::showAlert(*screen, "Confirm", "Sure?", uikit::AlertControllerStyle::kAlert, c.actions,
                              [&](const AAction& a) { tapped.push_back(a); });
    runFor(1);  // past the present and dismiss transitions
    auto alert = presented();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->alertTitle(), std::optional<std::string>("Confirm"));
    EXPECT_EQ(alert->message(), std::optional<std::string>("Sure?"));
    EXPECT_EQ(alert->preferredStyle(), uikit::AlertControllerStyle::kAlert);
    std::vector<std::string> titles;
    std::vector<AlertActionStyle> styles;
    for (const auto& a : alert->actions()) {
      titles.push_back(a->title().value_or("<none>"));
      styles.push_back(a->style());
    }
    EXPECT_EQ(titles, c.titles) << "added in the given order";
    EXPECT_EQ(styles, c.styles);
    ASSERT_TRUE(alert->pressActionWithTitle(c.tap));
    runFor(1);  // past the present and dismiss transitions
    ASSERT_EQ(tapped.size(), 1u);
    EXPECT_TRUE(tapped[0] == c.reported) << tapped[0].title();
    EXPECT_FALSE(screen->presentedViewController());
  }
}

TEST_F(AlertPresenterTest, WithoutTextsOrHandlerTheButtonsStillWork) {
  AlertPresenter::showAlert(*screen, std::nullopt, std::nullopt, uikit::AlertControllerStyle::kAlert,
                            {AAction::Ok});
  runFor(1);  // past the present and dismiss transitions
  auto alert = presented();
  ASSERT_TRUE(alert);
  EXPECT_FALSE(alert->alertTitle());
  EXPECT_FALSE(alert->message());
  EXPECT_EQ(alert->displayedActionTitles(), std::vector<std::string>{"Ok"});
  ASSERT_TRUE(alert->pressActionWithTitle("Ok"));
  runFor(1);  // past the present and dismiss transitions
  EXPECT_FALSE(screen->presentedViewController()) << "a tap without handler only closes the alert";
}

}  // namespace
}  // namespace widgets_test
