// Lookup of the decodable records by name, for tools that are given a record
// name at run time (decode-reply, the fuzzer).
#pragma once

#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "Platform/Foundation/Status.h"

namespace wire {

struct RecordEntry {
  std::string_view name;
  // Decodes and gives the diagnostic form (wire members and local fields).
  platform::Result<nlohmann::ordered_json> (*decodeDescribed)(std::string_view json);
};

class RecordRegistry {
 public:
  // Every decodable record, in a fixed order.
  static const std::vector<RecordEntry>& decodable();
  // The record of that exact name, or nullptr.
  static const RecordEntry* find(std::string_view name);
};

}  // namespace wire
