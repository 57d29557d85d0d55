// Which classes come from the program's own bundle, as opposed to the
// toolkit's or a library's. The program registers the class names of its own
// controllers; code that must tell app screens from system ones (screen
// reporting) asks here.
#pragma once

#include <string>
#include <string_view>

namespace uikit {

class Object;

class MainBundleClasses {
 public:
  static void add(std::string className);
  static bool contains(std::string_view className);
  // True when the object's class was registered.
  static bool isFromMainBundle(const Object& object);
  // Forgets every registration (test isolation).
  static void reset();
};

}  // namespace uikit
