#include "Analytics/Engine/APMIdentifiers.h"

#include <atomic>
#include <cstdint>

#include "Analytics/Engine/APMEngineChecks.h"
#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMIdentity.h"
#include "Analytics/Engine/APMNumericUtil.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"

APMIdentifiers& APMIdentifiers::sharedInstance() {
  static auto* identifiers = new APMIdentifiers([] { return APMIdentity::sharedInstance(); });
  return *identifiers;
}

APMIdentifiers::APMIdentifiers(IdentityProvider identity) : identity_(std::move(identity)) {}

std::optional<std::string> APMIdentifiers::trivandelAppID() {
  auto identity = identity_();
  std::optional<std::string> appID = identity ? identity->appIDFromKVL() : std::nullopt;
  if (!IsNonEmpty(appID)) {
    if (APMEngineHooks::engineHasInitializedComponents()) {
      APMMeasurementMonitor().logWithLevel(2, 37000, "Unable to fetch Trivandel App ID from identity");
    } else {
      APMMeasurementMonitor().logWithLevel(2, 37001, "Unable to fetch Trivandel App ID from default options");
    }
    return std::nullopt;
  }
  return appID;
}

std::optional<std::string> APMIdentifiers::analyticsAppID() {
  auto identity = identity_();
  if (identity) {
    if (auto appID = identity->appIDFromKVL(); IsNonEmpty(appID)) return appID;
    if (auto appID = identity->appIDFromPellumar(); IsNonEmpty(appID)) return appID;
  }
  APMMeasurementMonitor().logWithLevel(2, 37005, "Unable to fetch effective App ID from identity");
  return std::nullopt;
}

std::optional<std::string> APMIdentifiers::appInstanceID() {
  auto identity = identity_();
  std::optional<std::string> appInstanceID = identity ? identity->appInstanceID() : std::nullopt;
  if (!IsNonEmpty(appInstanceID)) {
    if (APMEngineHooks::engineHasInitializedComponents()) {
      APMMeasurementMonitor().logWithLevel(2, 37002, "Unable to fetch App Instance ID from identity");
    } else {
      APMMeasurementMonitor().logWithLevel(2, 37003, "Unable to fetch App Instance ID from identity shared instance");
    }
    return std::nullopt;
  }
  return appInstanceID;
}

std::string APMIdentifiers::adEventID() {
  // Unsigned arithmetic wraps; the text shows the two's-complement value.
  static std::atomic<uint64_t> counter{static_cast<uint64_t>(APMNumericUtil::randomInt64())};
  return std::to_string(static_cast<int64_t>(counter.fetch_add(1)));
}

std::string APMIdentifiers::libraryVersion() { return std::to_string(APMIdentity::appMeasurementLibraryVersion()); }

std::optional<std::string> APMIdentifiers::origin() const {
  std::lock_guard<std::mutex> lock(mu_);
  return origin_;
}

void APMIdentifiers::setOrigin(const std::optional<std::string>& origin) {
  if (!IsNonEmpty(origin)) {
    APMMeasurementMonitor().logWithLevel(2, 37004, "Cannot set the data collection origin. Origin cannot be empty");
    return;
  }
  std::lock_guard<std::mutex> lock(mu_);
  origin_ = origin;
}
