// Drives the screens from a script or standard input, as a person would:
//
//   tap <label or id>      taps a button, bar button, "Back", tappable view or cell
//   type <field> <text>    types text into the field named by id or placeholder
//   select <list> <row>    picks row N (or S.N, or the row's text) in a list by id
//   alert <action title>   presses the action of the alert on screen
//   wait <seconds>         lets the run loop's clock move on
//   dump                   prints the screen tree (see ScreenPrinter)
//   quit                   ends the session
//
// After every command the run loop runs what is ready now. With a manual
// clock "wait" advances it; with the wall clock it pumps for that long.
#pragma once

#include <istream>
#include <memory>
#include <ostream>
#include <string>

#include "Platform/Foundation/ManualClock.h"

namespace uikit {

class View;
class Window;

class ConsoleDriver {
 public:
  // window: the window to drive; none means the application's key window.
  ConsoleDriver(std::ostream& out, std::shared_ptr<Window> window = nullptr,
                std::shared_ptr<platform::ManualClock> clock = nullptr);

  // Runs one command line; false after quit.
  bool execute(const std::string& line);
  // Runs every line of the stream until quit or its end. Returns the number
  // of commands that failed.
  int run(std::istream& in);
  std::string dump() const;

 private:
  std::shared_ptr<Window> window() const;
  bool tap(const std::string& target);
  bool type(const std::string& field, const std::string& text);
  bool select(const std::string& list, const std::string& row);
  bool pressAlert(const std::string& title);
  void wait(double seconds);
  void settle();
  void fail(const std::string& message);

  std::ostream& out_;
  std::shared_ptr<Window> window_;
  std::shared_ptr<platform::ManualClock> clock_;
  int failures_ = 0;
};

}  // namespace uikit
