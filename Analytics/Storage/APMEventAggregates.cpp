#include "Analytics/Storage/APMEventAggregates.h"

#include <limits>

#include "Analytics/Engine/APMDataTypeValidator.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"

namespace {

void Increment(int32_t* count, int64_t code, const char* message) {
  if (*count == std::numeric_limits<int32_t>::max()) {
    *count = 0;
    APMMeasurementMonitor().logWithLevel(5, code, message);
    return;
  }
  ++*count;
}

}  // namespace

std::optional<APMEventAggregates> APMEventAggregates::initWithName(const std::string& name, int32_t lifetimeCount,
                                                                   int32_t currentBundleCount,
                                                                   int32_t currentSessionCount,
                                                                   double lastFireTimestamp) {
  if (!APMDataTypeValidator::isValidInternalEventName(name, nullptr)) return std::nullopt;
  if (lifetimeCount < 0 || currentBundleCount < 0 || currentSessionCount < 0) {
    APMMeasurementMonitor().logWithLevel(5, 17000, "Failed to create event aggregates object. Received negative count.");
    return std::nullopt;
  }
  return APMEventAggregates(name, lifetimeCount, currentBundleCount, currentSessionCount, lastFireTimestamp);
}

void APMEventAggregates::incrementLifetimeCount() {
  Increment(&lifetimeCount_, 17001, "Lifetime count overflow. Lifetime count reset to 0.");
}

void APMEventAggregates::incrementCurrentBundleCount() {
  Increment(&currentBundleCount_, 17002, "Bundle count overflow. Bundle count reset to 0.");
}

void APMEventAggregates::incrementCurrentSessionCount() {
  Increment(&currentSessionCount_, 17003, "Session count overflow. Session count reset to 0.");
}
