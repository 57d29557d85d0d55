// Decodes JSON bytes straight into a record through its field table, with
// nlohmann's SAX parser: no intermediate document is built.
#pragma once

#include <string_view>

#include "Facility/Models/RecordType.h"
#include "Platform/Foundation/Status.h"

namespace wire {

class RecordDecoder {
 public:
  // Deepest nesting of objects and arrays accepted in a reply.
  static constexpr int kMaxDepth = 64;

  // Fills `record` (a fresh object of `type`'s record) from `json`.
  // Precedence of failures: malformed JSON, then nesting deeper than
  // kMaxDepth, then the first wrongly typed value in read order, reported
  // with its key path ("BuildingList[2].Value: expected text, got number").
  // On failure the record is partly filled and must be discarded.
  static platform::Status decode(const RecordType& type, std::string_view json, void* record);
};

}  // namespace wire
