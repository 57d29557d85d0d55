// Field indexes of the wire event and its parameters, shared by the event
// record, which writes them, and the database, which reads them back.
#pragma once

#include <cstdint>

namespace apm_event_fields {

constexpr int32_t kEventParams = 0;
constexpr int32_t kEventName = 1;
constexpr int32_t kEventTimestamp = 2;
constexpr int32_t kEventPreviousTimestamp = 3;
constexpr int32_t kParamName = 0;
constexpr int32_t kParamString = 1;
constexpr int32_t kParamInt = 2;
constexpr int32_t kParamDouble = 4;
constexpr int32_t kParamNested = 5;

}  // namespace apm_event_fields
