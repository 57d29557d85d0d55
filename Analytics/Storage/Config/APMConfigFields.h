// Field indexes of the measurement configuration message, shared by the code
// that reads a configuration, stores it and sends its audiences.
#pragma once

#include <cstdint>

inline constexpr int32_t kConfigVersion = 0;
inline constexpr int32_t kConfigAppID = 1;
inline constexpr int32_t kConfigSettings = 3;
inline constexpr int32_t kConfigEventConfigs = 4;
inline constexpr int32_t kConfigAudiences = 5;
inline constexpr int32_t kConfigAdsAppID = 6;
inline constexpr int32_t kConfigPrograms = 8;
inline constexpr int32_t kConfigDataControls = 9;
inline constexpr int32_t kConfigUploadHostPrefix = 10;
inline constexpr int32_t kConfigConsent = 14;
inline constexpr int32_t kConfigPsm = 15;
