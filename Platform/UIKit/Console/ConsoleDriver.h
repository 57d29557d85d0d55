// Drives the screens from a script or standard input, as a person would:
//
//   tap <label or id>      taps a button, bar button, "Back", tappable view or cell
//   type <field> <text>    types text into the field named by id or placeholder
//   select <list> <row>    picks row N (or S.N, or the row's text) in a list by id,
//                          or row N (or its title) of a text field's picker wheel,
//                          then presses the Done of the field's bar
//   refresh <view>         pulls the scroll view by id down: its refresh control
//                          or its pull-to-refresh
//   more <view>            scrolls the scroll view by id to its end: its
//                          infinite scrolling loads the next page
//   alert <action title>   presses the action of the alert on screen
//   wait <seconds>         lets the run loop's clock move on
//   dump                   prints the screen tree (see ScreenPrinter)
//   expect <text>          passes when the output since the previous command
//                          (tree, error and verdict lines) contains the text;
//                          otherwise prints the tree and stops the run
//   expect <seconds> <text>
//                          the same, but lets the run loop turn for up to that
//                          many seconds (wall clock, or the manual clock's) until
//                          that output or the tree on screen holds the text; a
//                          first word that is a number is always the wait
//   help                   lists the commands, registered ones included
//   quit                   ends the session
//
// A program or tool adds its own commands with addCommand (a simulated
// camera's "scan", say); they run when a line's first word names them.
//
// After every command the run loop runs what is ready now; on the wall clock
// its output then also lists, as "shown meanwhile: <Label line>", labels that
// came and went within the command (a loader over a quick answer). With a
// manual clock "wait" advances it; with the wall clock it pumps for that
// long. With a manual clock, work that does not settle within kSettleLimit seconds of
// wall time fails the command and stops the run.
#pragma once

#include <functional>
#include <istream>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "Platform/Foundation/ManualClock.h"

namespace uikit {

class ScrollView;
class View;
class Window;

class ConsoleDriver {
 public:
  // window: the window to drive; none means the application's key window.
  ConsoleDriver(std::ostream& out, std::shared_ptr<Window> window = nullptr,
                std::shared_ptr<platform::ManualClock> clock = nullptr);

  // Instrumented builds run several times slower, and CI runs their tests
  // side by side: they get more wall time before work counts as stuck.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  static constexpr double kSettleLimit = 30.0;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
  static constexpr double kSettleLimit = 30.0;
#else
  static constexpr double kSettleLimit = 5.0;
#endif
#else
  static constexpr double kSettleLimit = 5.0;
#endif

  // A registered command: gets the rest of the line; false counts as a
  // failed command. The run loop settles after it as after a built-in one.
  using Command = std::function<bool(ConsoleDriver&, const std::string& args)>;
  // Registers name (one word) with its help line. A built-in name, an empty
  // or spaced name or an empty command is refused (false); registering a name
  // again replaces the earlier registration.
  bool addCommand(const std::string& name, const std::string& help, Command run);
  // The help lines: built-in ones first, then registered ones by name.
  std::string help() const;

  // Runs one command line; false after quit or when the run stopped.
  bool execute(const std::string& line);
  // Runs every line of the stream until quit, a stop or its end. Returns the
  // number of commands that failed.
  int run(std::istream& in);
  // The same for a program on the wall clock: a thread of its own reads the
  // descriptor and posts each line to the main run loop, which keeps turning
  // between commands while no input comes. Pump from the main thread.
  int runOnMainLoop(int fd);
  std::string dump() const;
  // True once a failed expect or unsettled work stopped the run.
  bool stopped() const { return stopped_; }
  // Prints a line (no newline needed) among the running command's output,
  // where expect sees it: the hook for simulations reporting what happened,
  // such as a reader's verdict on a write. Safe from any thread.
  void note(const std::string& line);

 private:
  std::shared_ptr<Window> window() const;
  bool tap(const std::string& target);
  bool type(const std::string& field, const std::string& text);
  bool select(const std::string& list, const std::string& row);
  bool selectInPicker(const std::shared_ptr<View>& root, const std::string& field, const std::string& row);
  // The scroll view by id on the shown screen; fails (none) without one or
  // while an alert is up.
  std::shared_ptr<ScrollView> scrollViewNamed(const std::string& target);
  bool refresh(const std::string& target);
  bool more(const std::string& target);
  bool expect(const std::string& text);
  bool expectWithin(double seconds, const std::string& text);
  bool expectFailed(const std::string& text);
  bool pressAlert(const std::string& title);
  bool wait(double seconds);
  // On the wall clock, also prints each label line that showed during the
  // command, was not there before it and is gone at its end.
  bool settle(const std::vector<std::string>& before);
  std::vector<std::string> labelLines() const;
  bool stopUnsettled();
  void fail(const std::string& message);
  void print(const std::string& text);

  std::ostream& out_;
  std::shared_ptr<Window> window_;
  std::shared_ptr<platform::ManualClock> clock_;
  int failures_ = 0;
  bool stopped_ = false;
  mutable std::mutex outputMu_;
  std::string output_;  // since the previous command, for expect
  struct Registered {
    std::string help;
    Command run;
  };
  std::map<std::string, Registered> commands_;
};

}  // namespace uikit
