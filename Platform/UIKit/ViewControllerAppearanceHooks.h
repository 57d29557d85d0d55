// Replaceable implementations of a view controller's did-appear and
// did-disappear, per class name: the toolkit's stand-in for replacing a
// method of a class at run time. The appearance code calls the current
// implementation for the controller's class; by default that is the
// controller's own callback. A replacement usually calls the implementation
// it replaced first, then adds its own work, so hooks run after the
// controller's own callback.
//
// Lookup: a replacement made for the controller's exact class name, else one
// made for kBaseClassName (every controller), else the own callback. The
// toolkit knows a controller's dynamic class only, so a replacement for an
// intermediate base class applies to that exact class alone.
#pragma once

#include <functional>
#include <string>

namespace uikit {

class ViewController;

enum class AppearanceCallback { kViewDidAppear, kViewDidDisappear };

class ViewControllerAppearanceHooks {
 public:
  using Implementation = std::function<void(ViewController& controller, bool animated)>;
  static constexpr const char* kBaseClassName = "ViewController";

  // What a controller of className runs now for the callback.
  static Implementation current(const std::string& className, AppearanceCallback callback);
  // Makes implementation the one for className; an empty one restores the
  // inherited behaviour.
  static void replace(const std::string& className, AppearanceCallback callback, Implementation implementation);
  // Called by the appearance code (main thread).
  static void run(ViewController& controller, AppearanceCallback callback, bool animated);
  // Drops every replacement (test isolation).
  static void resetAll();
};

}  // namespace uikit
