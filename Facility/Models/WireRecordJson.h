// The wire records as JSON values, for diagnostics and tests; the rest of
// the app needs only WireRecord.h, which keeps the JSON library out.
#pragma once

#include <nlohmann/json.hpp>

#include "Facility/Models/WireRecord.h"

namespace wire {

// The wire form as an ordered JSON object.
template <WireRecord T>
nlohmann::ordered_json encodeJson(const T& record) {
  static_assert(RecordTraits<T>::direction != Direction::kDecode, "record is not encoded");
  return RecordEncoder::encode(RecordTraits<T>::type(), &record, false);
}

// Diagnostic form of any record: its wire members under their keys, and in
// each object that has local-only fields, those under "(local)".
template <WireRecord T>
nlohmann::ordered_json describe(const T& record) {
  return RecordEncoder::encode(RecordTraits<T>::type(), &record, true);
}

}  // namespace wire
