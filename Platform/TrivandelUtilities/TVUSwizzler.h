// Replacing a method of a class at run time, as far as the toolkit allows
// it: the did-appear and did-disappear of view controllers (selectors
// "viewDidAppear:" and "viewDidDisappear:", instance methods), per class name
// (uikit::ViewControllerAppearanceHooks::kBaseClassName for every
// controller). A replacement receives the controller and the animated flag;
// to keep the controller's own behaviour it calls the implementation it
// replaced, taken from currentImplementationForClass first.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "Platform/UIKit/ViewControllerAppearanceHooks.h"

namespace platform {

class TVUSwizzler {
 public:
  using Implementation = uikit::ViewControllerAppearanceHooks::Implementation;

  // The implementation a controller of the class runs now; none for a class
  // method or a selector that cannot be replaced.
  static std::optional<Implementation> currentImplementationForClass(const std::string& className,
                                                                     const std::string& selector,
                                                                     bool isClassSelector);
  // Makes block the method; false (nothing changed) for what cannot be
  // replaced or an empty block.
  static bool swizzleClass(const std::string& className, const std::string& selector, bool isClassSelector,
                           Implementation block);
};

}  // namespace platform
