// Writes a record as one JSON object through its field table, members in
// key-table order; empty optional fields are left out, never written as null.
#pragma once

#include <nlohmann/json.hpp>

#include "Facility/Models/RecordType.h"

namespace wire {

class RecordEncoder {
 public:
  // The wire form. With `withLocals`, each object that has local-only fields
  // also carries them under kLocalKey (diagnostic form; never sent).
  static nlohmann::ordered_json encode(const RecordType& type, const void* record, bool withLocals);

  static constexpr const char* kLocalKey = "(local)";
};

}  // namespace wire
