// Where the last deep link and the time it arrived are stored in the user
// defaults.
#pragma once

inline constexpr const char* kDeepLinkKey = "/trivandel/measurement/deep_link";
inline constexpr const char* kDeepLinkTimestampKey = "/trivandel/measurement/deep_link_timestamp_seconds";
