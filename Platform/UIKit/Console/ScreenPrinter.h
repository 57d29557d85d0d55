// Prints what is on screen as an indented text tree: per visible view its
// class, identifier, visible texts and enabled state (page dots as
// "page=<current>/<count>"); then the navigation
// bar of the visible screen and the alert on screen, if any.
#pragma once

#include <memory>
#include <string>

namespace uikit {

class View;
class ViewController;
class Window;

class ScreenPrinter {
 public:
  // The screen a person sees in the window: the last controller of the
  // presentation chain that is not an alert (the alert is printed apart).
  static std::shared_ptr<ViewController> visibleScreen(const Window& window);
  // The alert controller on top of the window, if any.
  static std::shared_ptr<ViewController> visibleAlert(const Window& window);
  // The visible screen with navigation and tab containers descended to the
  // controller whose content is showing.
  static std::shared_ptr<ViewController> shownController(const Window& window);

  static std::string print(const Window& window);
  static std::string printView(const View& view, int depth = 0);
};

}  // namespace uikit
