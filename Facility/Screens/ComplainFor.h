// A place a complaint can concern. The form offers the fixed choices in
// this order; the id is the facility type the server knows them by.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ComplainFor {
  std::int64_t id = 0;
  std::string name;
  bool isSelected = false;

  static std::vector<ComplainFor> choices() {
    return {{1, "Parking", false}, {2, "Auditorium", false}, {3, "Building", false}};
  }

  friend bool operator==(const ComplainFor&, const ComplainFor&) = default;
};
