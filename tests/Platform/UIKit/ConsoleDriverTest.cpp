#include <sstream>
#include <string>

#include "Platform/UIKit/AlertController.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/Console/ConsoleDriver.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/TableView.h"
#include "Platform/UIKit/TextField.h"
#include "tests/Platform/UIKit/UIKitFixture.h"

namespace uikit::testing {
namespace {

// A small screen: a name field, a greet button that shows an alert, a list
// whose picked row is echoed in a label.
class SampleScreen : public ViewController, public TableViewDataSource, public TableViewDelegate {
 public:
  void viewDidLoad() override {
    setTitle("Sample");
    auto root = view();
    name = std::make_shared<TextField>(Rect(16, 100, 300, 40));
    name->setAccessibilityIdentifier("name");
    name->setPlaceholder("Your name");
    greet = Button::withType(ButtonType::kSystem);
    greet->setAccessibilityIdentifier("greet");
    greet->setTitle("Greet");
    greet->setFrame(Rect(16, 150, 100, 40));
    greet->setEnabled(false);
    std::weak_ptr<SampleScreen> weak = sharedAs<SampleScreen>();
    name->addAction([weak](Control& c) {
      if (auto self = weak.lock()) self->greet->setEnabled(!static_cast<TextField&>(c).text().value_or("").empty());
    }, kControlEventEditingChanged);
    greet->addTarget(weak.lock(), [weak](Control&) {
      auto self = weak.lock();
      auto alert = AlertController::make("Hello", "Hello " + self->name->text().value_or(""));
      alert->addAction(AlertAction::make("OK", AlertActionStyle::kDefault, [weak](AlertAction&) {
        if (auto s = weak.lock()) s->status->setText("Greeted");
      }));
      self->present(alert, true);
    }, kControlEventTouchUpInside);
    status = std::make_shared<Label>(Rect(16, 200, 300, 20));
    status->setAccessibilityIdentifier("status");
    list = std::make_shared<TableView>(Rect(0, 240, 390, 132), TableViewStyle::kPlain);
    list->setAccessibilityIdentifier("list");
    list->registerClass("Cell", nullptr);
    list->setDataSource(std::static_pointer_cast<TableViewDataSource>(sharedAs<SampleScreen>()));
    list->setDelegate(std::static_pointer_cast<TableViewDelegate>(sharedAs<SampleScreen>()));
    for (auto v : std::vector<ViewPtr>{name, greet, status, list}) root->addSubview(v);
  }
  long tableViewNumberOfRowsInSection(TableView&, long) override { return 5; }
  std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& t, const IndexPath& p) override {
    auto cell = t.dequeueReusableCellWithIdentifier("Cell", p);
    cell->textLabel()->setText("Floor " + std::to_string(p.row + 1));
    return cell;
  }
  void tableViewDidSelectRowAtIndexPath(TableView&, const IndexPath& p) override {
    status->setText("Picked floor " + std::to_string(p.row + 1));
  }
  std::shared_ptr<TextField> name;
  std::shared_ptr<Button> greet;
  std::shared_ptr<Label> status;
  std::shared_ptr<TableView> list;
};

class ConsoleDriverTest : public UIKitFixture {};

TEST_F(ConsoleDriverTest, ScriptsTheSampleScreenAndPrintsWhatIsShown) {
  show(NavigationController::withRoot(std::make_shared<SampleScreen>()));
  std::ostringstream out;
  ConsoleDriver driver(out, window, clock);
  std::istringstream script(
      "dump\n"
      "tap greet\n"
      "type name Ada\n"
      "tap Greet\n"
      "wait 0.3\n"
      "dump\n"
      "tap greet\n"
      "alert OK\n"
      "wait 0.3\n"
      "select list 2\n"
      "select list Floor 1\n"
      "select shelf 1\n"
      "frobnicate\n"
      "dump\n"
      "quit\n"
      "dump\n");
  EXPECT_EQ(driver.run(script), 4);
  EXPECT_EQ(out.str(),
            "screen: SampleScreen \"Sample\"\n"
            "  navigation: title=\"Sample\"\n"
            "  TextField #name placeholder=\"Your name\" text=\"\"\n"
            "  Button #greet \"Greet\" (disabled)\n"
            "  Label #status\n"
            "  TableView #list\n"
            "    TableViewCell [0.0]\n"
            "      Label \"Floor 1\"\n"
            "    TableViewCell [0.1]\n"
            "      Label \"Floor 2\"\n"
            "    TableViewCell [0.2]\n"
            "      Label \"Floor 3\"\n"
            "error: \"greet\" is not enabled\n"
            "screen: SampleScreen \"Sample\"\n"
            "  navigation: title=\"Sample\"\n"
            "  TextField #name placeholder=\"Your name\" text=\"Ada\"\n"
            "  Button #greet \"Greet\"\n"
            "  Label #status\n"
            "  TableView #list\n"
            "    TableViewCell [0.0]\n"
            "      Label \"Floor 1\"\n"
            "    TableViewCell [0.1]\n"
            "      Label \"Floor 2\"\n"
            "    TableViewCell [0.2]\n"
            "      Label \"Floor 3\"\n"
            "alert: \"Hello\" \"Hello Ada\" actions=[\"OK\"]\n"
            "error: an alert is on screen; use alert <action title>\n"
            "error: no list named \"shelf\"\n"
            "error: unknown command \"frobnicate\"\n"
            "screen: SampleScreen \"Sample\"\n"
            "  navigation: title=\"Sample\"\n"
            "  TextField #name placeholder=\"Your name\" text=\"Ada\"\n"
            "  Button #greet \"Greet\"\n"
            "  Label #status \"Picked floor 1\"\n"
            "  TableView #list\n"
            "    TableViewCell [0.0] (selected)\n"
            "      Label \"Floor 1\"\n"
            "    TableViewCell [0.1]\n"
            "      Label \"Floor 2\"\n"
            "    TableViewCell [0.2]\n"
            "      Label \"Floor 3\"\n");
}

TEST_F(ConsoleDriverTest, RejectsBadWaitsAndWorksWithoutAWindow) {
  std::ostringstream out;
  ConsoleDriver driver(out, nullptr, clock);
  EXPECT_TRUE(driver.execute("wait -1"));
  EXPECT_TRUE(driver.execute("wait soon"));
  EXPECT_TRUE(driver.execute("tap Login"));
  EXPECT_TRUE(driver.execute("dump"));
  EXPECT_FALSE(driver.execute("quit"));
  EXPECT_EQ(out.str(),
            "error: wait needs a number of seconds between 0 and 3600\n"
            "error: wait needs a number of seconds between 0 and 3600\n"
            "error: no window\n"
            "screen: none\n");
}

TEST_F(ConsoleDriverTest, RefusedTapsCountAsFailures) {
  auto nav = NavigationController::withRoot(std::make_shared<SampleScreen>());
  show(nav);
  auto pinned = std::make_shared<ViewController>();
  pinned->navigationItem().hidesBackButton = true;  // no way back from here
  nav->pushViewController(pinned, false);
  clock->runUntilIdle();
  std::ostringstream out;
  ConsoleDriver driver(out, window, clock);
  std::istringstream script("tap Back\n");
  EXPECT_EQ(driver.run(script), 1) << out.str();
  EXPECT_EQ(out.str(), "error: \"tap Back\" was refused\n");
  EXPECT_EQ(nav->viewControllers().size(), 2u);
}

}  // namespace
}  // namespace uikit::testing
