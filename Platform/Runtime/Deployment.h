// Where this deployment's services live. $FACILITY_DEPLOYMENT names a
// property list (a dictionary) read once, on first use; without it, or
// without a key, the shipped value holds. The shipped hosts end in
// ".invalid", so nothing leaves the machine until a deployment names real
// ones. A list that does not read and a value that is not non-empty text are
// logged and change nothing.
//
//   MeasurementServiceHost           host[:port]  configuration fetch, upload, experiments
//   AdsConversionServiceHost         host[:port]  deferred deep links
//   SearchAdsAttributionServiceHost  host[:port]  search-ads attribution
//   TrustedCertificatesFile          PEM file     trusted besides the system's, for these hosts only
#pragma once

#include <optional>
#include <string>

namespace platform {

class Deployment {
 public:
  static constexpr const char* kEnvironmentVariable = "FACILITY_DEPLOYMENT";
  static constexpr const char* kMeasurementServiceHostKey = "MeasurementServiceHost";
  static constexpr const char* kAdsConversionServiceHostKey = "AdsConversionServiceHost";
  static constexpr const char* kSearchAdsAttributionServiceHostKey = "SearchAdsAttributionServiceHost";
  static constexpr const char* kTrustedCertificatesFileKey = "TrustedCertificatesFile";

  static constexpr const char* kShippedMeasurementServiceHost = "measurement.facility.invalid";
  static constexpr const char* kShippedAdsConversionServiceHost = "adsconversion.facility.invalid";
  static constexpr const char* kShippedSearchAdsAttributionServiceHost = "searchads.facility.invalid";

  static std::string measurementServiceHost();
  static std::string adsConversionServiceHost();
  static std::string searchAdsAttributionServiceHost();
  // None unless the list names one.
  static std::optional<std::string> trustedCertificatesFile();

  // For tests: the next read loads the list again.
  static void resetForTesting();
};

}  // namespace platform
