// An ordering by one named key, as fetch options carry it.
#pragma once

#include <string>

namespace platform {

struct SortDescriptor {
  std::string key;
  bool ascending = true;
  friend bool operator==(const SortDescriptor&, const SortDescriptor&) = default;
};

}  // namespace platform
