// Entry points for the wire records of the facility web service.
//
//   auto reply = wire::decode<MDLUserDashboard>(bodyBytes);
//   if (!reply.ok()) { /* reply.status().message(): "BuildingList[2].Value: expected text, got number" */ }
//   std::string body = wire::encode(MDLInitApiRequest{apiKey});   // {"key":"..."}
//
// Decoding rules, the same for every record:
// - the top level must be a JSON object; keys match exactly (case-sensitive);
// - a missing key or null leaves the field absent (std::nullopt); only
//   required texts (MDLLocation) become "" instead;
// - text takes only a JSON string, boolean only true/false, integer only a
//   number with an integral value that fits int64 (12.0 yes; 12.5, "12",
//   true, 9223372036854775808 no);
// - a wrong type at any depth, or a null element inside a list, fails the
//   whole reply; the error names the key path of the first failure in the
//   record's read order;
// - unknown keys are ignored; with duplicate keys the last one wins;
// - local-only fields keep their initial values;
// - a reply nested deeper than 64 levels is refused; there is no size cap.
// Errors are values; nothing throws.
//
// Shared reference records (MDLBaseAssignAccess, MDLBaseAssignAccessBuilding,
// MDLBaseAssignFloor, MDLTwoWheeler, MDLFourWheeler) decode to
// std::shared_ptr; the others are plain values.
//
// Encoding (records declared encodable only) writes one object in key-table
// order, leaves empty optional fields out, always writes required ones and
// never writes local-only fields. Texts are raw bytes (stored records do not
// check UTF-8): each byte that is not well-formed UTF-8 is written as U+FFFD.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "Facility/Models/RecordDecoder.h"
#include "Facility/Models/RecordEncoder.h"
#include "Facility/Models/RecordType.h"
#include "Platform/Foundation/Status.h"

namespace wire {

template <class T>
using Decoded = std::conditional_t<RecordTraits<T>::shared, std::shared_ptr<T>, T>;

template <WireRecord T>
platform::Result<Decoded<T>> decode(std::string_view json) {
  static_assert(RecordTraits<T>::direction != Direction::kEncode, "record is not decoded");
  if constexpr (RecordTraits<T>::shared) {
    auto record = std::make_shared<T>();
    platform::Status status = RecordDecoder::decode(RecordTraits<T>::type(), json, record.get());
    if (!status.ok()) return status;
    return record;
  } else {
    T record{};
    platform::Status status = RecordDecoder::decode(RecordTraits<T>::type(), json, &record);
    if (!status.ok()) return status;
    return record;
  }
}

// The wire form as compact JSON text (the JSON value and the diagnostic form
// are in WireRecordJson.h).
template <WireRecord T>
std::string encode(const T& record) {
  static_assert(RecordTraits<T>::direction != Direction::kDecode, "record is not encoded");
  return RecordEncoder::encodeText(RecordTraits<T>::type(), &record);
}

}  // namespace wire
