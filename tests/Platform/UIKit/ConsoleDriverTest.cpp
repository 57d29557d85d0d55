#include <unistd.h>

#include <atomic>
#include <chrono>
#include <sstream>
#include <string>
#include <thread>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/UIKit/AlertController.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/Console/ConsoleDriver.h"
#include "Platform/UIKit/InfiniteScrollingView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/PageControl.h"
#include "Platform/UIKit/PickerView.h"
#include "Platform/UIKit/PullToRefreshView.h"
#include "Platform/UIKit/RefreshControl.h"
#include "Platform/UIKit/ScrollView.h"
#include "Platform/UIKit/TableView.h"
#include "Platform/UIKit/TextField.h"
#include "Platform/UIKit/Toolbar.h"
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


// Lists that refresh when pulled, and a floor field whose keyboard is a
// picker wheel with a Done bar; what happened is echoed in a label.
class PullScreen : public ViewController, public PickerViewDataSource, public PickerViewDelegate {
 public:
  void viewDidLoad() override {
    auto root = view();
    status = std::make_shared<Label>(Rect(16, 60, 300, 20));
    status->setAccessibilityIdentifier("status");
    std::weak_ptr<PullScreen> weak = sharedAs<PullScreen>();
    withControl = std::make_shared<ScrollView>(Rect(0, 100, 390, 100));
    withControl->setAccessibilityIdentifier("news");
    withControl->setRefreshControl(std::make_shared<RefreshControl>());
    withControl->refreshControl()->addAction([weak](Control&) {
      if (auto self = weak.lock()) self->status->setText("news " + std::to_string(++self->newsPulls));
    }, kControlEventValueChanged);
    withPull = std::make_shared<ScrollView>(Rect(0, 200, 390, 100));
    withPull->setAccessibilityIdentifier("doors");
    withPull->addPullToRefreshWithActionHandler([weak] {
      if (auto self = weak.lock()) self->status->setText("doors " + std::to_string(++self->doorPulls));
    });
    withPull->addInfiniteScrollingWithActionHandler([weak] {
      if (auto self = weak.lock()) self->status->setText("page " + std::to_string(++self->pages));
    });
    plain = std::make_shared<ScrollView>(Rect(0, 300, 390, 100));
    plain->setAccessibilityIdentifier("plain");
    floor = std::make_shared<TextField>(Rect(16, 420, 300, 40));
    floor->setAccessibilityIdentifier("floor");
    picker = std::make_shared<PickerView>();
    picker->setDataSource(std::static_pointer_cast<PickerViewDataSource>(sharedAs<PullScreen>()));
    picker->setDelegate(std::static_pointer_cast<PickerViewDelegate>(sharedAs<PullScreen>()));
    floor->inputView = picker;
    auto bar = std::make_shared<Toolbar>();
    bar->items.push_back(BarButtonItem::withTitle("Done", BarButtonItemStyle::kDone, [weak](BarButtonItem&) {
      auto self = weak.lock();
      if (!self) return;
      self->floor->setText(kFloors[self->picker->selectedRowInComponent(0)]);
      self->floor->resignFirstResponder();
    }));
    floor->inputAccessoryView = bar;
    bare = std::make_shared<TextField>(Rect(16, 470, 300, 40));
    bare->setAccessibilityIdentifier("bare");
    for (auto v : std::vector<ViewPtr>{status, withControl, withPull, plain, floor, bare}) root->addSubview(v);
  }
  long numberOfComponentsInPickerView(PickerView&) override { return 1; }
  long pickerViewNumberOfRowsInComponent(PickerView&, long) override { return 3; }
  std::optional<std::string> pickerViewTitleForRowForComponent(PickerView&, long row, long) override {
    return kFloors[row];
  }
  static constexpr const char* kFloors[] = {"Lobby", "Floor 1", "Floor 2"};
  std::shared_ptr<Label> status;
  std::shared_ptr<ScrollView> withControl, withPull, plain;
  std::shared_ptr<TextField> floor, bare;
  std::shared_ptr<PickerView> picker;
  int newsPulls = 0, doorPulls = 0, pages = 0;
};

TEST_F(ConsoleDriverTest, RefreshPullsTheNamedListOncePerPull) {
  auto screen = std::make_shared<PullScreen>();
  show(screen);
  std::ostringstream out;
  ConsoleDriver driver(out, window, clock);
  struct Step {
    const char* command;
    const char* status;
    const char* error;  // "" when the command succeeds
  };
  const Step steps[] = {
      {"refresh news", "news 1", ""},
      // Still refreshing: a second pull starts nothing.
      {"refresh news", "news 1", "error: \"news\" is refreshing already or its refresh control is not enabled\n"},
      {"refresh doors", "doors 1", ""},
      {"refresh doors", "doors 1", "error: \"doors\" is refreshing already\n"},
      {"refresh plain", "doors 1", "error: \"plain\" has no refresh control or pull-to-refresh\n"},
      {"refresh shelf", "doors 1", "error: no scroll view named \"shelf\"\n"},
  };
  int failures = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.command);
    out.str("");
    EXPECT_TRUE(driver.execute(step.command));
    EXPECT_EQ(screen->status->text().value_or(""), step.status);
    EXPECT_EQ(out.str(), step.error);
    if (*step.error) ++failures;
  }
  // Once the refresh has ended, the next pull refreshes again.
  screen->withControl->refreshControl()->endRefreshing();
  screen->withPull->pullToRefreshView()->stopAnimating();
  EXPECT_TRUE(driver.execute("refresh news"));
  EXPECT_TRUE(driver.execute("refresh doors"));
  EXPECT_EQ(screen->newsPulls, 2);
  EXPECT_EQ(screen->doorPulls, 2);
  std::istringstream none("");
  EXPECT_EQ(driver.run(none), failures);
}

TEST_F(ConsoleDriverTest, SelectTurnsAFieldsPickerWheelAndPressesDone) {
  auto screen = std::make_shared<PullScreen>();
  show(screen);
  std::ostringstream out;
  ConsoleDriver driver(out, window, clock);
  struct Case {
    const char* command;
    const char* text;   // the field after the command
    const char* error;  // "" when the command succeeds
  };
  const Case cases[] = {
      {"select floor 2", "Floor 2", ""},
      {"select floor Lobby", "Lobby", ""},
      {"select floor Floor 1", "Floor 1", ""},
      {"select floor 3", "Floor 1", "error: no row \"3\" in the picker of \"floor\"\n"},
      {"select floor Roof", "Floor 1", "error: no row \"Roof\" in the picker of \"floor\"\n"},
      {"select bare 0", "Floor 1", "error: field \"bare\" has no picker wheel\n"},
      {"select attic 0", "Floor 1", "error: no list named \"attic\"\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    out.str("");
    EXPECT_TRUE(driver.execute(c.command));
    EXPECT_EQ(screen->floor->text().value_or(""), c.text);
    EXPECT_EQ(out.str(), c.error);
    // Done ends the editing, as a person's press does.
    if (!*c.error) {
      EXPECT_FALSE(screen->floor->isEditing());
    }
  }
  screen->floor->setEnabled(false);
  out.str("");
  EXPECT_TRUE(driver.execute("select floor 0"));
  EXPECT_EQ(out.str(), "error: field \"floor\" is not enabled\n");
  EXPECT_EQ(screen->floor->text().value_or(""), "Floor 1");
}

TEST_F(ConsoleDriverTest, ExpectLooksOnlyAtTheOutputSinceThePreviousCommand) {
  auto screen = std::make_shared<PullScreen>();
  show(screen);
  std::ostringstream out;
  ConsoleDriver driver(out, window, clock);
  // A simulation reports while the command's work settles.
  screen->withPull->pullToRefreshView()->actionHandler = [&driver] {
    platform::DispatchQueue::main()->async([&driver] { driver.note("reader r1 accepted tag=7"); });
  };
  std::istringstream script(
      "dump\n"
      "expect Label #status\n"
      "# comments and blank lines leave the output alone\n"
      "\n"
      "expect ScrollView #doors\n"
      "refresh shelf\n"
      "expect no scroll view named \"shelf\"\n"
      "refresh doors\n"
      "expect reader r1 accepted tag=7\n"
      "tap nothing\n"
      "expect reader r1 accepted\n"
      "dump\n");
  EXPECT_EQ(driver.run(script), 3);
  EXPECT_TRUE(driver.stopped());
  const std::string text = out.str();
  // The verdict of the previous command passed; after a later command it is
  // gone: the failed expect prints the tree and the last dump never runs.
  const std::string failure = "error: expected \"reader r1 accepted\" in the output of the previous command\n";
  ASSERT_NE(text.find(failure), std::string::npos) << text;
  const std::string after = text.substr(text.find(failure) + failure.size());
  EXPECT_EQ(after, driver.dump());
  EXPECT_FALSE(driver.execute("dump"));
  EXPECT_EQ(out.str(), text);
}

TEST_F(ConsoleDriverTest, ExpectNeedsText) {
  std::ostringstream out;
  ConsoleDriver driver(out, nullptr, clock);
  EXPECT_TRUE(driver.execute("expect"));
  EXPECT_FALSE(driver.stopped());
  EXPECT_EQ(out.str(), "error: expect needs the text to look for\n");
}

// Work that keeps a queue busy past the settle limit fails the command and
// stops the run, rather than letting later commands act on a half-done state.
TEST_F(ConsoleDriverTest, ARunThatDoesNotSettleFails) {
  show(std::make_shared<SampleScreen>());
  std::ostringstream out;
  ConsoleDriver driver(out, window, clock);
  auto queue = platform::DispatchQueue::create("busy");
  auto busy = std::make_shared<std::atomic<bool>>(true);
  std::function<void()> spin;
  spin = [queue, busy, &spin] {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (*busy) queue->async(spin);
  };
  queue->async(spin);
  std::istringstream script("type name Ada\ndump\n");
  EXPECT_EQ(driver.run(script), 1);
  *busy = false;
  clock->runUntilIdle();
  EXPECT_TRUE(driver.stopped());
  EXPECT_EQ(out.str(), "error: the run did not settle within " +
                           std::to_string(static_cast<int>(ConsoleDriver::kSettleLimit)) + " s\n");
}

// "more" asks the list's infinite scrolling for the next page, once per
// finished page, and names what cannot scroll for more.
TEST_F(ConsoleDriverTest, MoreLoadsTheNextPageOfTheNamedList) {
  auto screen = std::make_shared<PullScreen>();
  show(screen);
  std::ostringstream out;
  ConsoleDriver driver(out, window, clock);
  struct Step {
    const char* command;
    const char* status;
    const char* error;
  };
  const Step steps[] = {
      {"more doors", "page 1", ""},
      {"more doors", "page 1", "error: \"doors\" is loading already\n"},
      {"more news", "page 1", "error: \"news\" has no infinite scrolling to load more\n"},
      {"more shelf", "page 1", "error: no scroll view named \"shelf\"\n"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.command);
    out.str("");
    EXPECT_TRUE(driver.execute(step.command));
    EXPECT_EQ(screen->status->text().value_or(""), step.status);
    EXPECT_EQ(out.str(), step.error);
  }
  screen->withPull->infiniteScrollingView()->stopAnimating();
  EXPECT_TRUE(driver.execute("more doors"));
  EXPECT_EQ(screen->pages, 2);
  // The list that ran out of pages turns its infinite scrolling off.
  screen->withPull->infiniteScrollingView()->stopAnimating();
  screen->withPull->showsInfiniteScrolling = false;
  out.str("");
  EXPECT_TRUE(driver.execute("more doors"));
  EXPECT_EQ(screen->pages, 2);
  EXPECT_EQ(out.str(), "error: \"doors\" has no infinite scrolling to load more\n");
}

// A registered command gets the rest of its line, prints where expect sees
// it, fails like a built-in one when it refuses, and is listed by help; it
// cannot take a built-in name.
TEST_F(ConsoleDriverTest, RegisteredCommandsRunBesideTheBuiltInOnes) {
  auto screen = std::make_shared<SampleScreen>();
  show(screen);
  std::ostringstream out;
  ConsoleDriver driver(out, window, clock);
  std::vector<std::string> heard;
  EXPECT_TRUE(driver.addCommand("say", "say <words>            shows the words in the status line",
                                [&](ConsoleDriver& d, const std::string& args) {
                                  heard.push_back(args);
                                  if (args.empty()) return false;
                                  screen->status->setText(args);
                                  d.note("said " + args);
                                  return true;
                                }));
  const auto noop = [](ConsoleDriver&, const std::string&) { return true; };
  for (const char* refused : {"tap", "expect", "more", "help", "quit", "", "two words", "#x"}) {
    SCOPED_TRACE(refused);
    EXPECT_FALSE(driver.addCommand(refused, "x", noop));
  }
  EXPECT_FALSE(driver.addCommand("empty", "x", nullptr));
  std::istringstream script(
      "say hello   there\n"
      "expect said hello   there\n"
      "say\n"
      "help\n"
      "expect say <words>\n"
      "expect more <view>\n"
      "tap Greet\n");
  EXPECT_EQ(driver.run(script), 2);  // the empty say and the disabled button
  EXPECT_EQ(heard, (std::vector<std::string>{"hello   there", ""}));
  EXPECT_EQ(screen->status->text().value_or(""), "hello   there");
  EXPECT_NE(out.str().find("error: \"say\" was refused\n"), std::string::npos);
  EXPECT_FALSE(driver.stopped());
}

// A timed expect lets the clock move on until the screen shows the text;
// when it never does, it fails like a plain expect: the tree, then a stop.
TEST_F(ConsoleDriverTest, TimedExpectWaitsForTheScreenUpToItsSeconds) {
  auto screen = std::make_shared<SampleScreen>();
  show(screen);
  std::ostringstream out;
  ConsoleDriver driver(out, window, clock);
  platform::RunLoop::main().asyncAfter(1.5, [screen] { screen->status->setText("Ready"); });
  runUntilIdle();
  std::istringstream script(
      "expect 0 Label #status\n"
      "expect 3 Label #status \"Ready\"\n"
      "expect 1.2.3 x\n"
      "dump\n");
  EXPECT_EQ(driver.run(script), 1);
  EXPECT_TRUE(driver.stopped());
  // "1.2.3" is no number of seconds: the whole text is looked for, at once.
  const std::string failure = "error: expected \"1.2.3 x\" in the output of the previous command\n";
  EXPECT_EQ(out.str(), failure + driver.dump());

  ConsoleDriver later(out, window, clock);
  out.str("");
  const double before = clock->now();
  EXPECT_FALSE(later.execute("expect 2 Never shown"));
  EXPECT_NEAR(clock->now() - before, 2.0, 1e-3);
  EXPECT_EQ(out.str(), "error: expected \"Never shown\" in the output of the previous command\n" + later.dump());
  EXPECT_TRUE(later.stopped());

  ConsoleDriver refusing(out, window, clock);
  out.str("");
  EXPECT_TRUE(refusing.execute("expect 5"));
  EXPECT_TRUE(refusing.execute("expect 3601 Ready"));
  EXPECT_FALSE(refusing.stopped());
  EXPECT_EQ(out.str(),
            "error: expect <seconds> <text> needs at most 3600 seconds and the text to look for\n"
            "error: expect <seconds> <text> needs at most 3600 seconds and the text to look for\n");
}

// Without a manual clock a command's work runs to its end before the next
// line: a label that came and went meanwhile (a loader over a quick answer)
// is listed in its output; one that stays, or was there before, is not.
TEST_F(ConsoleDriverTest, WallClockCommandsListLabelsShownAndGoneMeanwhile) {
  show(std::make_shared<SampleScreen>());
  auto root = window->rootViewController()->view();
  auto before = std::make_shared<Label>(Rect(0, 0, 100, 20));
  before->setText("Ready");
  root->addSubview(before);
  std::ostringstream out;
  ConsoleDriver driver(out, window);
  const ConsoleDriver::Command work = [root, before](ConsoleDriver&, const std::string&) {
    auto loader = std::make_shared<Label>(Rect(0, 30, 100, 20));
    loader->setText("Working...");
    platform::RunLoop::main().async([root, loader, before] {
      root->addSubview(loader);
      platform::RunLoop::main().async([root, loader, before] {
        loader->removeFromSuperview();
        before->removeFromSuperview();
        auto done = std::make_shared<Label>(Rect(0, 60, 100, 20));
        done->setText("Done");
        root->addSubview(done);
      });
    });
    return true;
  };
  ASSERT_TRUE(driver.addCommand("work", "work", work));
  EXPECT_TRUE(driver.execute("work"));
  EXPECT_EQ(out.str(), "shown meanwhile: Label \"Working...\"\n");
  EXPECT_TRUE(driver.execute("expect Working..."));
  EXPECT_NE(driver.dump().find("Label \"Done\""), std::string::npos);
  // A manual clock's driver keeps its output as it was.
  out.str("");
  ConsoleDriver manual(out, window, clock);
  ASSERT_TRUE(manual.addCommand("work", "work", work));
  EXPECT_TRUE(manual.execute("work"));
  EXPECT_EQ(out.str(), "");
}

// Page dots show in the tree as the current page of how many.
TEST_F(ConsoleDriverTest, DumpShowsAPageControlsPageOfItsCount) {
  show(std::make_shared<SampleScreen>());
  auto dots = std::make_shared<PageControl>();
  dots->setAccessibilityIdentifier("dots");
  window->rootViewController()->view()->addSubview(dots);
  std::ostringstream out;
  ConsoleDriver driver(out, window, clock);
  EXPECT_NE(driver.dump().find("PageControl #dots page=0/0\n"), std::string::npos);
  dots->setNumberOfPages(3);
  dots->setCurrentPage(1);
  EXPECT_NE(driver.dump().find("PageControl #dots page=2/3\n"), std::string::npos);
}

// On the wall clock the program's console reads its input on a thread of its
// own: the run loop keeps turning while no line comes, so a timer can fire
// (here it is what sends the next lines).
TEST(ConsoleDriverOnMainLoop, TimersFireWhileNoInputArrives) {
  ASSERT_FALSE(platform::Clock::currentShared()->isManual());
  int pipe[2];
  ASSERT_EQ(::pipe(pipe), 0);
  std::ostringstream out;
  ConsoleDriver driver(out, nullptr);
  bool fired = false;
  platform::RunLoop::main().asyncAfter(0.05, [&] {
    fired = true;
    const std::string lines = "dump\nfrobnicate\nquit\ndump\n";
    ASSERT_EQ(::write(pipe[1], lines.data(), lines.size()), static_cast<ssize_t>(lines.size()));
  });
  EXPECT_EQ(driver.runOnMainLoop(pipe[0]), 1);  // returns on quit, the pipe still open
  EXPECT_TRUE(fired);
  EXPECT_EQ(out.str(), driver.dump() + "error: unknown command \"frobnicate\"\n");
  // The end of input ends a run too, a last line without its break included.
  out.str("");
  ASSERT_EQ(::write(pipe[1], "dump", 4), 4);
  ::close(pipe[1]);
  EXPECT_EQ(driver.runOnMainLoop(pipe[0]), 1);
  EXPECT_EQ(out.str(), driver.dump());
  ::close(pipe[0]);
  platform::RunLoop::main().removeAllPending();
}

}  // namespace
}  // namespace uikit::testing
