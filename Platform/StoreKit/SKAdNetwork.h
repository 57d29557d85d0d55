// Ad-network attribution: the stand-in records the app's registrations and
// conversion-value updates so tests can tell whether (and how) the app
// called. An update's completion runs on a queue of its own, never on the
// caller's, with the error scripted by setNextUpdateError (none by default).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace storekit {

// Coarse conversion values as the platform names them.
inline constexpr const char* kSKAdNetworkCoarseConversionValueHigh = "high";
inline constexpr const char* kSKAdNetworkCoarseConversionValueMedium = "medium";
inline constexpr const char* kSKAdNetworkCoarseConversionValueLow = "low";

inline constexpr const char* kSKANErrorDomain = "SKANErrorDomain";

struct SKAdNetworkError {
  std::string domain;
  int64_t code = 0;
  friend bool operator==(const SKAdNetworkError&, const SKAdNetworkError&) = default;
};

class SKAdNetwork {
 public:
  struct ConversionValueUpdate {
    int64_t fineValue = 0;
    std::string coarseValue;
    bool lockWindow = false;
  };
  using UpdateCompletion = std::function<void(std::optional<SKAdNetworkError> error)>;

  static void registerAppForAdNetworkAttribution();
  static int registrationCount();

  static void updatePostbackConversionValue(int64_t fineValue, const std::string& coarseValue, bool lockWindow,
                                            UpdateCompletion completion);
  // Every update so far, oldest first.
  static std::vector<ConversionValueUpdate> conversionValueUpdates();
  // The error the following updates complete with (none: success).
  static void setNextUpdateError(std::optional<SKAdNetworkError> error);

  // Forgets registrations, updates and the scripted error.
  static void reset();
};

}  // namespace storekit
