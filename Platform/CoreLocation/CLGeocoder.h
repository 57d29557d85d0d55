// Reverse geocoding from a table: there is no geocoding service. The program's
// table is empty, so every lookup fails; tests fill it. The answer comes on
// the main loop, never inside the call.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "Platform/CoreLocation/CLLocation.h"
#include "Platform/CoreLocation/CLPlacemark.h"
#include "Platform/Foundation/Status.h"

namespace corelocation {

class CLGeocoder {
 public:
  // Placemarks, or none with an error (NotFound when the table has no entry
  // within kMatchDegrees of the location).
  using Completion =
      std::function<void(std::optional<std::vector<CLPlacemark>> placemarks, std::optional<platform::Status> error)>;

  static constexpr double kMatchDegrees = 1e-6;

  void reverseGeocodeLocation(const CLLocation& location, Completion completion);
  // Number of lookups started by any geocoder since the last resetTable.
  static int lookupCount();

  // The process-wide table (thread-safe).
  static void setTableEntry(const CLLocation& location, std::vector<CLPlacemark> placemarks);
  static void resetTable();
};

}  // namespace corelocation
