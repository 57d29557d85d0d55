#include "Platform/UIKit/Console/ConsoleDriver.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <functional>
#include <optional>
#include <sstream>
#include <vector>

#include "Platform/Foundation/DateFormatter.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/TaskQueue.h"
#include "Platform/UIKit/AlertController.h"
#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/CollectionView.h"
#include "Platform/UIKit/DatePicker.h"
#include "Platform/UIKit/Console/ConsoleInput.h"
#include "Platform/UIKit/Console/ScreenPrinter.h"
#include "Platform/UIKit/GestureRecognizer.h"
#include "Platform/UIKit/InfiniteScrollingView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/PickerView.h"
#include "Platform/UIKit/PullToRefreshView.h"
#include "Platform/UIKit/RefreshControl.h"
#include "Platform/UIKit/ScrollView.h"
#include "Platform/UIKit/TabBarController.h"
#include "Platform/UIKit/TableView.h"
#include "Platform/UIKit/TextField.h"
#include "Platform/UIKit/TextView.h"
#include "Platform/UIKit/Toolbar.h"
#include "Platform/UIKit/Window.h"

namespace uikit {

namespace {

std::string trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  std::size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

// Splits "word rest of line".
std::pair<std::string, std::string> head(const std::string& s) {
  std::string t = trim(s);
  std::size_t sp = t.find(' ');
  if (sp == std::string::npos) return {t, ""};
  return {t.substr(0, sp), trim(t.substr(sp + 1))};
}

// Depth-first search of the visible subtree, in subview order.
std::shared_ptr<View> findView(const std::shared_ptr<View>& root, const std::function<bool(View&)>& match) {
  if (!root || root->isHidden() || root->alpha() <= 0.01) return nullptr;
  if (match(*root)) return root;
  for (const auto& s : root->subviews()) {
    if (auto f = findView(s, match)) return f;
  }
  return nullptr;
}

// A person's tap on a row: selects it, or in a multiple-selection list
// takes a selected row out again. Anything else is a refused tap.
bool tapRow(TableView& table, const IndexPath& path) {
  auto selected = table.indexPathsForSelectedRows();
  bool was = std::find(selected.begin(), selected.end(), path) != selected.end();
  if (table.userSelectRow(path)) return true;
  selected = table.indexPathsForSelectedRows();
  return was && std::find(selected.begin(), selected.end(), path) == selected.end();
}

bool tapItem(CollectionView& grid, const IndexPath& path) {
  auto selected = grid.indexPathsForSelectedItems();
  bool was = std::find(selected.begin(), selected.end(), path) != selected.end();
  if (grid.userSelectItem(path)) return true;
  selected = grid.indexPathsForSelectedItems();
  return was && std::find(selected.begin(), selected.end(), path) == selected.end();
}

struct BuiltIn {
  const char* name;
  const char* help;
};

constexpr BuiltIn kBuiltIns[] = {
    {"tap", "tap <label or id>      taps a button, bar button, \"Back\", tappable view or cell"},
    {"type", "type <field> <text>    types text into the field named by id or placeholder"},
    {"select", "select <list> <row>    picks a row of a list, or of a field's picker wheel(s) or date"},
    {"refresh", "refresh <view>         pulls the scroll view down"},
    {"more", "more <view>            scrolls the scroll view to its end for the next page"},
    {"alert", "alert <action title>   presses the action of the alert on screen"},
    {"wait", "wait <seconds>         lets the run loop's clock move on"},
    {"dump", "dump                   prints the screen tree"},
    {"expect", "expect [<seconds>] <text>  passes when the previous command's output holds the text;\n"
               "                       with seconds, waits up to that long for it there or on screen"},
    {"help", "help                   lists the commands"},
    {"quit", "quit                   ends the session"},
};

bool isBuiltIn(const std::string& name) {
  return std::any_of(std::begin(kBuiltIns), std::end(kBuiltIns), [&](const BuiltIn& b) { return name == b.name; });
}

std::string labelText(View& v) {
  if (auto l = dynamic_cast<Label*>(&v)) return l->text().value_or("");
  return "";
}

}  // namespace

ConsoleDriver::ConsoleDriver(std::ostream& out, std::shared_ptr<Window> window,
                             std::shared_ptr<platform::ManualClock> clock)
    : out_(out), window_(std::move(window)), clock_(std::move(clock)) {}

std::shared_ptr<Window> ConsoleDriver::window() const {
  return window_ ? window_ : Application::shared().keyWindow();
}

void ConsoleDriver::print(const std::string& text) {
  std::lock_guard<std::mutex> lock(outputMu_);
  out_ << text;
  output_ += text;
}

void ConsoleDriver::note(const std::string& line) { print(line + "\n"); }

void ConsoleDriver::fail(const std::string& message) {
  ++failures_;
  print("error: " + message + "\n");
}

std::vector<std::string> ConsoleDriver::labelLines() const {
  std::vector<std::string> lines;
  std::istringstream in(dump());
  for (std::string line; std::getline(in, line);) {
    line = trim(line);
    if (line.rfind("Label", 0) == 0 && line.find('"') != std::string::npos) lines.push_back(line);
  }
  return lines;
}

bool ConsoleDriver::settle(const std::vector<std::string>& before) {
  if (!clock_) {
    // One block at a time, so that a label shown and gone again within the
    // command (a loader over a quick answer) still reaches its output.
    std::vector<std::string> passing;
    auto known = [](const std::vector<std::string>& v, const std::string& s) {
      return std::find(v.begin(), v.end(), s) != v.end();
    };
    while (platform::RunLoop::main().taskQueue()->runNext(false)) {
      for (auto& line : labelLines()) {
        if (!known(before, line) && !known(passing, line)) passing.push_back(std::move(line));
      }
    }
    const std::vector<std::string> after = labelLines();
    for (const auto& line : passing) {
      if (!known(after, line)) print("shown meanwhile: " + line + "\n");
    }
    return true;
  }
  return clock_->runUntilIdle(kSettleLimit) || stopUnsettled();
}

bool ConsoleDriver::stopUnsettled() {
  // Work still running would act on whatever the next commands see.
  fail("the run did not settle within " + std::to_string(static_cast<int>(kSettleLimit)) + " s");
  stopped_ = true;
  return false;
}

bool ConsoleDriver::wait(double seconds) {
  if (!clock_) {
    platform::RunLoop::main().runUntil([] { return false; }, seconds);
    return true;
  }
  return clock_->runFor(seconds, kSettleLimit) || stopUnsettled();
}

bool ConsoleDriver::addCommand(const std::string& name, const std::string& help, Command run) {
  if (name.empty() || name.find_first_of(" \t\r\n") != std::string::npos || name[0] == '#' || !run ||
      isBuiltIn(name)) {
    return false;
  }
  commands_[name] = Registered{help, std::move(run)};
  return true;
}

std::string ConsoleDriver::help() const {
  std::string text;
  for (const auto& b : kBuiltIns) text += std::string(b.help) + "\n";
  for (const auto& [name, c] : commands_) text += (c.help.empty() ? name : c.help) + "\n";
  return text;
}

std::string ConsoleDriver::dump() const {
  auto w = window();
  return w ? ScreenPrinter::print(*w) : std::string("screen: none\n");
}

bool ConsoleDriver::execute(const std::string& line) {
  if (stopped_) return false;
  auto [command, rest] = head(line);
  if (command.empty() || command[0] == '#') return true;
  if (command == "expect") return expect(rest);
  {
    std::lock_guard<std::mutex> lock(outputMu_);
    output_.clear();
  }
  const int failuresBefore = failures_;
  const std::vector<std::string> before = clock_ ? std::vector<std::string>() : labelLines();
  bool ok = true;
  if (command == "quit") {
    return false;
  } else if (command == "dump") {
    print(dump());
  } else if (command == "tap") {
    ok = tap(rest);
  } else if (command == "type") {
    auto [field, text] = head(rest);
    ok = type(field, text);
  } else if (command == "select") {
    auto [list, row] = head(rest);
    ok = select(list, row);
  } else if (command == "refresh") {
    ok = refresh(rest);
  } else if (command == "more") {
    ok = more(rest);
  } else if (command == "help") {
    print(help());
  } else if (command == "alert") {
    ok = pressAlert(rest);
  } else if (command == "wait") {
    char* end = nullptr;
    double s = std::strtod(rest.c_str(), &end);
    if (rest.empty() || end == rest.c_str() || *end != '\0' || !(s >= 0) || s > 3600) {
      fail("wait needs a number of seconds between 0 and 3600");
      return true;
    }
    return wait(s);
  } else if (auto c = commands_.find(command); c != commands_.end()) {
    // A copy: the command may register or replace commands while it runs.
    Command run = c->second.run;
    ok = run(*this, rest);
  } else {
    fail("unknown command \"" + command + "\"");
    return true;
  }
  // Every refusal counts as a failed command, even where the refusing
  // control had nothing to say.
  if (!ok && failures_ == failuresBefore) fail("\"" + trim(line) + "\" was refused");
  return settle(before);
}

namespace {

// The seconds of "expect <seconds> <text>": a first word made of digits
// with at most one point.
std::optional<double> leadingSeconds(const std::string& word) {
  if (word.empty() || word.find_first_not_of("0123456789.") != std::string::npos ||
      std::count(word.begin(), word.end(), '.') > 1 || word == ".") {
    return std::nullopt;
  }
  return std::strtod(word.c_str(), nullptr);
}

// How often a timed expect looks again at the screen.
constexpr double kExpectPollSeconds = 0.05;

}  // namespace

bool ConsoleDriver::expect(const std::string& text) {
  auto [first, rest] = head(text);
  if (auto seconds = leadingSeconds(first)) {
    if (rest.empty() || *seconds > 3600) {
      fail("expect <seconds> <text> needs at most 3600 seconds and the text to look for");
      return true;
    }
    return expectWithin(*seconds, rest);
  }
  if (text.empty()) {
    fail("expect needs the text to look for");
    return true;
  }
  bool found;
  {
    std::lock_guard<std::mutex> lock(outputMu_);
    found = output_.find(text) != std::string::npos;
  }
  return found || expectFailed(text);
}

bool ConsoleDriver::expectWithin(double seconds, const std::string& text) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  double waited = 0;  // on the manual clock
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(outputMu_);
      if (output_.find(text) != std::string::npos) return true;
    }
    if (dump().find(text) != std::string::npos) return true;
    if (clock_) {
      if (waited >= seconds) break;
      const double step = std::min(kExpectPollSeconds, seconds - waited);
      if (!clock_->runFor(step, kSettleLimit)) return stopUnsettled();
      waited += step;
    } else {
      const double left = std::chrono::duration<double>(deadline - std::chrono::steady_clock::now()).count();
      if (left <= 0) break;
      platform::RunLoop::main().runUntil([] { return false; }, std::min(kExpectPollSeconds, left));
    }
  }
  return expectFailed(text);
}

bool ConsoleDriver::expectFailed(const std::string& text) {
  fail("expected \"" + text + "\" in the output of the previous command");
  print(dump());
  stopped_ = true;
  return false;
}

int ConsoleDriver::run(std::istream& in) {
  std::string line;
  while (std::getline(in, line)) {
    if (!execute(line)) break;
  }
  return failures_;
}

int ConsoleDriver::runOnMainLoop(int fd) {
  // Shared with the blocks the reader posts, which may outlive this call.
  struct Inbox {
    std::deque<std::string> lines;
    bool ended = false;
  };
  auto inbox = std::make_shared<Inbox>();
  auto& loop = platform::RunLoop::main();
  ConsoleInput input(
      fd, [inbox, &loop](std::string line) { loop.post([inbox, line] { inbox->lines.push_back(line); }); },
      [inbox, &loop] { loop.post([inbox] { inbox->ended = true; }); });
  // The main thread alone touches the inbox: the reader only posts.
  constexpr double kIdleSlice = 3600;
  while (!stopped_) {
    loop.runUntil([&inbox] { return !inbox->lines.empty() || inbox->ended; }, kIdleSlice);
    if (inbox->lines.empty()) {
      if (inbox->ended) break;
      continue;
    }
    std::string line = std::move(inbox->lines.front());
    inbox->lines.pop_front();
    if (!execute(line)) break;
  }
  return failures_;
}

bool ConsoleDriver::tap(const std::string& target) {
  auto w = window();
  if (!w) {
    fail("no window");
    return false;
  }
  if (target.empty()) {
    fail("tap needs a label or id");
    return false;
  }
  if (ScreenPrinter::visibleAlert(*w)) {
    fail("an alert is on screen; use alert <action title>");
    return false;
  }
  auto shown = ScreenPrinter::shownController(*w);
  if (!shown) {
    fail("no screen");
    return false;
  }
  // Navigation bar: back and bar button items.
  if (auto nav = shown->navigationController()) {
    if (target == "Back" && nav->viewControllers().size() > 1) return nav->tapBackButton();
    auto& item = shown->navigationItem();
    std::vector<BarButtonItemPtr> items = item.leftBarButtonItems();
    for (const auto& r : item.rightBarButtonItems()) items.push_back(r);
    for (const auto& i : items) {
      if (!i) continue;
      if (i->title == target && i->press()) return true;
      if (i->customView) {
        auto found = findView(i->customView, [&](View& v) {
          auto b = dynamic_cast<Button*>(&v);
          return b && (v.accessibilityIdentifier() == target || b->currentTitle().value_or("") == target ||
                       (b->currentImage() && b->currentImage()->name() == target));
        });
        if (auto b = std::dynamic_pointer_cast<Button>(found)) {
          if (b->tap()) return true;
          fail("\"" + target + "\" is not enabled");
          return false;
        }
      }
    }
  }
  auto root = shown->view();
  // Controls by identifier, then buttons by title.
  auto control = findView(root, [&](View& v) { return dynamic_cast<Control*>(&v) && v.accessibilityIdentifier() == target; });
  if (!control) {
    control = findView(root, [&](View& v) {
      auto b = dynamic_cast<Button*>(&v);
      return b && b->currentTitle().value_or("") == target;
    });
  }
  if (auto c = std::dynamic_pointer_cast<Control>(control)) {
    if (c->tap()) return true;
    fail("\"" + target + "\" is not enabled");
    return false;
  }
  // Views with a tap recogniser, by identifier or text.
  auto tappable = findView(root, [&](View& v) {
    bool hasTap = false;
    for (const auto& g : v.gestureRecognizers()) hasTap |= dynamic_cast<TapGestureRecognizer*>(g.get()) != nullptr;
    return hasTap && (v.accessibilityIdentifier() == target || labelText(v) == target);
  });
  if (tappable) {
    for (const auto& g : tappable->gestureRecognizers()) {
      if (auto t = std::dynamic_pointer_cast<TapGestureRecognizer>(g); t && t->fire()) return true;
    }
  }
  // A shown label lying on a title-less button (a lift button with its
  // floor number): tapping the words hits the button beneath.
  std::shared_ptr<Button> under;
  findView(root, [&](View& v) {
    if (labelText(v) != target || !v.isVisibleOnScreen() || !v.superview()) return false;
    auto parent = v.superview();
    const Point centre = v.convertPointToView({v.bounds().size.width / 2, v.bounds().size.height / 2}, parent.get());
    for (const auto& sibling : parent->subviews()) {
      auto b = std::dynamic_pointer_cast<Button>(sibling);
      if (b && b->currentTitle().value_or("").empty() && b->isTappable() && b->frame().contains(centre)) {
        under = b;
        return true;
      }
    }
    return false;
  });
  if (under) return under->tap();
  // Cells by their text.
  auto cell = findView(root, [&](View& v) {
    if (!dynamic_cast<TableViewCell*>(&v) && !dynamic_cast<CollectionViewCell*>(&v)) return false;
    return v.accessibilityIdentifier() == target ||
           findView(v.sharedAs<View>(), [&](View& inner) { return labelText(inner) == target; }) != nullptr;
  });
  if (cell) {
    auto parent = cell->superview();
    if (auto table = std::dynamic_pointer_cast<TableView>(parent)) {
      if (auto p = table->indexPathForCell(static_cast<TableViewCell&>(*cell))) return tapRow(*table, *p);
    }
    if (auto grid = std::dynamic_pointer_cast<CollectionView>(parent)) {
      if (auto p = grid->indexPathForCell(static_cast<CollectionViewCell&>(*cell))) return tapItem(*grid, *p);
    }
  }
  fail("nothing to tap named \"" + target + "\"");
  return false;
}

bool ConsoleDriver::type(const std::string& field, const std::string& text) {
  auto w = window();
  auto shown = w ? ScreenPrinter::shownController(*w) : nullptr;
  if (!shown) {
    fail("no screen");
    return false;
  }
  auto found = findView(shown->view(), [&](View& v) {
    if (auto f = dynamic_cast<TextField*>(&v)) return v.accessibilityIdentifier() == field || f->placeholder() == field;
    if (dynamic_cast<TextView*>(&v)) return v.accessibilityIdentifier() == field;
    return false;
  });
  if (auto f = std::dynamic_pointer_cast<TextField>(found)) {
    if (!f->isEnabled()) {
      fail("field \"" + field + "\" is not enabled");
      return false;
    }
    f->typeText(text);
    return true;
  }
  if (auto tv = std::dynamic_pointer_cast<TextView>(found)) {
    tv->typeText(text);
    return true;
  }
  fail("no text field named \"" + field + "\"");
  return false;
}

bool ConsoleDriver::select(const std::string& list, const std::string& row) {
  auto w = window();
  auto shown = w ? ScreenPrinter::shownController(*w) : nullptr;
  if (!shown) {
    fail("no screen");
    return false;
  }
  auto found = findView(shown->view(), [&](View& v) {
    return (dynamic_cast<TableView*>(&v) || dynamic_cast<CollectionView*>(&v)) && v.accessibilityIdentifier() == list;
  });
  if (!found) return selectInPicker(shown->view(), list, row);
  IndexPath path;
  bool parsed = false;
  if (!row.empty() && row.find_first_not_of("0123456789.") == std::string::npos) {
    std::size_t dot = row.find('.');
    try {
      if (dot == std::string::npos) {
        path = {0, std::stol(row)};
      } else {
        path = {std::stol(row.substr(0, dot)), std::stol(row.substr(dot + 1))};
      }
      parsed = true;
    } catch (...) {
      parsed = false;
    }
  }
  if (auto table = std::dynamic_pointer_cast<TableView>(found)) {
    if (!parsed) {
      for (const auto& c : table->visibleCells()) {
        if (findView(c, [&](View& inner) { return labelText(inner) == row; })) {
          if (auto p = table->indexPathForCell(*c)) {
            path = *p;
            parsed = true;
            break;
          }
        }
      }
    }
    if (parsed && tapRow(*table, path)) return true;
  } else if (auto grid = std::dynamic_pointer_cast<CollectionView>(found)) {
    if (parsed && tapItem(*grid, path)) return true;
  }
  fail("no row \"" + row + "\" to select in \"" + list + "\"");
  return false;
}

namespace {

// A date picker's pick typed as its field shows it: "dd/MM/yyyy" for a date,
// "HH:mm" for a time (either for date and time).
std::optional<double> typedDate(const DatePicker& picker, const std::string& text) {
  std::vector<std::string> formats;
  if (picker.datePickerMode != DatePickerMode::kTime) formats.push_back("dd/MM/yyyy");
  if (picker.datePickerMode != DatePickerMode::kDate) formats.push_back("HH:mm");
  for (const auto& format : formats) {
    if (auto date = platform::DateFormatter(format).dateFromString(text)) return date->secondsSince1970;
  }
  return std::nullopt;
}

// A wheel's row by number, else by its title.
long wheelRow(const PickerView& picker, long component, const std::string& row) {
  const long rows = picker.numberOfRowsInComponent(component);
  if (!row.empty() && row.size() < 10 && row.find_first_not_of("0123456789") == std::string::npos) {
    const long index = std::stol(row);
    if (index < rows) return index;
  }
  for (long r = 0; r < rows; ++r) {
    if (picker.titleForRow(r, component) == row) return r;
  }
  return -1;
}

}  // namespace

// A person taps the field, turns its wheel (or each of its wheels, or its
// date picker) to the row and presses Done; a wheel input without a bar is
// closed by ending the edit.
bool ConsoleDriver::selectInPicker(const std::shared_ptr<View>& root, const std::string& name, const std::string& row) {
  auto field = std::dynamic_pointer_cast<TextField>(findView(root, [&](View& v) {
    auto f = dynamic_cast<TextField*>(&v);
    return f && (v.accessibilityIdentifier() == name || f->placeholder() == name);
  }));
  auto picker = field ? std::dynamic_pointer_cast<PickerView>(field->inputView) : nullptr;
  auto datePicker = field ? std::dynamic_pointer_cast<DatePicker>(field->inputView) : nullptr;
  if (!picker && !datePicker) {
    fail(field ? "field \"" + name + "\" has no picker wheel" : "no list named \"" + name + "\"");
    return false;
  }
  if (!field->isEnabled()) {
    fail("field \"" + name + "\" is not enabled");
    return false;
  }
  if (!field->isEditing() && !field->becomeFirstResponder()) {
    fail("field \"" + name + "\" does not begin editing");
    return false;
  }
  if (datePicker) {
    auto date = typedDate(*datePicker, row);
    if (!date) {
      fail("\"" + row + "\" is not a date or time for \"" + name + "\" (dd/MM/yyyy or HH:mm)");
      return false;
    }
    datePicker->userSelectDate(*date);
  } else {
    // Several wheels: one row for each, separated by blanks.
    const long wheels = picker->numberOfComponents();
    std::vector<std::string> rows;
    if (wheels > 1) {
      std::istringstream words(row);
      for (std::string word; words >> word;) rows.push_back(word);
    } else {
      rows.push_back(row);
    }
    if (static_cast<long>(rows.size()) != std::max(1L, wheels)) {
      fail("the picker of \"" + name + "\" has " + std::to_string(wheels) + " wheels: give one row for each");
      return false;
    }
    for (long c = 0; c < static_cast<long>(rows.size()); ++c) {
      const long index = wheelRow(*picker, c, rows[static_cast<std::size_t>(c)]);
      if (index < 0 || !picker->userSelectRow(index, c)) {
        fail("no row \"" + rows[static_cast<std::size_t>(c)] + "\" in the picker of \"" + name + "\"");
        return false;
      }
    }
  }
  auto bar = std::dynamic_pointer_cast<Toolbar>(field->inputAccessoryView);
  auto done = bar ? bar->itemTitled("Done") : nullptr;
  if (done) return done->press();
  if (picker && picker->numberOfComponents() > 1) return field->resignFirstResponder();
  fail("field \"" + name + "\" has no Done on its bar");
  return false;
}

std::shared_ptr<ScrollView> ConsoleDriver::scrollViewNamed(const std::string& target) {
  auto w = window();
  auto shown = w ? ScreenPrinter::shownController(*w) : nullptr;
  if (!shown) {
    fail("no screen");
    return nullptr;
  }
  if (ScreenPrinter::visibleAlert(*w)) {
    fail("an alert is on screen; use alert <action title>");
    return nullptr;
  }
  auto scroll = std::dynamic_pointer_cast<ScrollView>(findView(shown->view(), [&](View& v) {
    return dynamic_cast<ScrollView*>(&v) && v.accessibilityIdentifier() == target;
  }));
  if (!scroll) fail("no scroll view named \"" + target + "\"");
  return scroll;
}

bool ConsoleDriver::refresh(const std::string& target) {
  auto scroll = scrollViewNamed(target);
  if (!scroll) return false;
  if (auto control = scroll->refreshControl()) {
    if (!control->isEnabled() || control->isRefreshing()) {
      fail("\"" + target + "\" is refreshing already or its refresh control is not enabled");
      return false;
    }
    control->userPull();
    return true;
  }
  if (auto pull = scroll->pullToRefreshView(); pull && scroll->showsPullToRefresh) {
    if (pull->state() == PullToRefreshState::kLoading) {
      fail("\"" + target + "\" is refreshing already");
      return false;
    }
    scroll->triggerPullToRefresh();
    return true;
  }
  fail("\"" + target + "\" has no refresh control or pull-to-refresh");
  return false;
}

bool ConsoleDriver::more(const std::string& target) {
  auto scroll = scrollViewNamed(target);
  if (!scroll) return false;
  auto infinite = scroll->infiniteScrollingView();
  if (!infinite || !scroll->showsInfiniteScrolling || !infinite->enabled) {
    fail("\"" + target + "\" has no infinite scrolling to load more");
    return false;
  }
  if (infinite->state() == InfiniteScrollingState::kLoading) {
    fail("\"" + target + "\" is loading already");
    return false;
  }
  scroll->triggerInfiniteScrolling();
  return true;
}

bool ConsoleDriver::pressAlert(const std::string& title) {
  auto w = window();
  auto alert = w ? std::dynamic_pointer_cast<AlertController>(ScreenPrinter::visibleAlert(*w)) : nullptr;
  if (!alert) {
    fail("no alert on screen");
    return false;
  }
  if (!alert->pressActionWithTitle(title)) {
    fail("the alert has no action \"" + title + "\" to press now");
    return false;
  }
  return true;
}

}  // namespace uikit
