#include "Platform/CoreLocation/CLGeocoder.h"

#include <cmath>
#include <mutex>
#include <utility>

#include "Platform/Foundation/DispatchQueue.h"

namespace corelocation {
namespace {

struct Entry {
  CLLocation location;
  std::vector<CLPlacemark> placemarks;
};

struct Table {
  std::mutex mu;
  std::vector<Entry> entries;
  int lookups = 0;
};

Table& table() {
  static Table* t = new Table();  // lives to the end of the process
  return *t;
}

bool near(const CLLocation& a, const CLLocation& b) {
  return std::fabs(a.coordinate().latitude - b.coordinate().latitude) <= CLGeocoder::kMatchDegrees &&
         std::fabs(a.coordinate().longitude - b.coordinate().longitude) <= CLGeocoder::kMatchDegrees;
}

}  // namespace

void CLGeocoder::reverseGeocodeLocation(const CLLocation& location, Completion completion) {
  std::optional<std::vector<CLPlacemark>> found;
  {
    std::lock_guard<std::mutex> lock(table().mu);
    ++table().lookups;
    for (const Entry& e : table().entries) {
      if (near(e.location, location)) {
        found = e.placemarks;
        break;
      }
    }
  }
  platform::DispatchQueue::main()->async([found = std::move(found), completion = std::move(completion)] {
    if (!completion) return;
    if (found) {
      completion(found, std::nullopt);
    } else {
      completion(std::nullopt, platform::Status::NotFound("no place known at this location"));
    }
  });
}

int CLGeocoder::lookupCount() {
  std::lock_guard<std::mutex> lock(table().mu);
  return table().lookups;
}

void CLGeocoder::setTableEntry(const CLLocation& location, std::vector<CLPlacemark> placemarks) {
  std::lock_guard<std::mutex> lock(table().mu);
  for (Entry& e : table().entries) {
    if (near(e.location, location)) {
      e.placemarks = std::move(placemarks);
      return;
    }
  }
  table().entries.push_back({location, std::move(placemarks)});
}

void CLGeocoder::resetTable() {
  std::lock_guard<std::mutex> lock(table().mu);
  table().entries.clear();
  table().lookups = 0;
}

}  // namespace corelocation
