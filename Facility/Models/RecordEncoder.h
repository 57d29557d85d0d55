// Writes a record as one JSON object through its field table, members in
// key-table order; empty optional fields are left out, never written as null.
#pragma once

#include <string>

#include <nlohmann/json_fwd.hpp>

#include "Facility/Models/RecordType.h"

namespace wire {

class RecordEncoder {
 public:
  // The wire form. With `withLocals`, each object that has local-only fields
  // also carries them under kLocalKey (diagnostic form; never sent).
  static nlohmann::ordered_json encode(const RecordType& type, const void* record, bool withLocals);
  // The wire form as compact JSON text. Here rather than in the header's
  // templates, so that the many users of the records never compile the JSON
  // library.
  static std::string encodeText(const RecordType& type, const void* record);

  static constexpr const char* kLocalKey = "(local)";
};

}  // namespace wire
