#include "Facility/Screens/SharedDateFormatter.h"

#include "Platform/Foundation/Locale.h"

platform::DateFormatter& sharedDateFormatter() {
  static platform::DateFormatter formatter = [] {
    platform::DateFormatter made;
    made.setLocale(platform::Locale("en_US_POSIX"));
    // No fixed zone: the system's zone at each use.
    return made;
  }();
  return formatter;
}
