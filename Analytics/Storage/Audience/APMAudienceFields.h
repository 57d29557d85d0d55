// Field indexes of the audience filter and result messages that more than one
// file of the audience evaluation reads.
#pragma once

#include <cstdint>

// EventFilter
inline constexpr int32_t kEventNameField = 1;
inline constexpr int32_t kParameterFiltersField = 2;
inline constexpr int32_t kEventCountFilterField = 4;
inline constexpr int32_t kEventSessionScopedField = 7;
// PropertyFilter
inline constexpr int32_t kPropertyNameField = 1;
inline constexpr int32_t kPropertyFilterField = 2;
// Filter
inline constexpr int32_t kStringFilterField = 0;
inline constexpr int32_t kNumberFilterField = 1;
inline constexpr int32_t kParamNameField = 3;
// ResultData
inline constexpr int32_t kDynamicTimestampsField = 2;
inline constexpr int32_t kSequenceTimestampsField = 3;
// DynamicFilterResultTimestamp and SequenceFilterResultTimestamp
inline constexpr int32_t kFilterIDField = 0;
