// User properties, default event parameters, ad personalisation and the
// conditional user properties.
#include "Analytics/Engine/APMMeasurement.h"

#include "Analytics/Engine/Monitor/APMLogContext.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"

void APMMeasurement::setPersonalizedAdsUserPropertyOnWorkerQueue() {
  recordCall("setPersonalizedAdsUserPropertyOnWorkerQueue");
}

void APMMeasurement::setLastAdvertisingIDResetUserPropertyOnWorkerQueue() {
  recordCall("setLastAdvertisingIDResetUserPropertyOnWorkerQueue");
}

bool APMMeasurement::setUserPropertyInDatabaseOnWorkerQueue(const APMUserAttribute& attribute) {
  if (!database_) return false;
  APMError error;
  if (database_->updateUserAttribute(&attribute, &error)) {
    monitor().logWithLevel(7, 23087, "User property set. Name, value", APMLogContext(attribute.name()),
                           APMLogContext(attribute.value().description()));
    return true;
  }
  monitor().logWithLevel(1, 23085, "Unable to set user property. Name, value, error", APMLogContext(attribute.name()),
                         APMLogContext(attribute.value().description()), APMLogContext(error));
  return false;
}

bool APMMeasurement::hasUserPropertyUserIDOnWorkerQueue() {
  if (!database_) return false;
  APMError error;
  std::optional<platform::Value> exists = database_->containsUserAttributeWithName("_id", &error);
  return exists && exists->getBool().value_or(exists->numberAsInt64().value_or(0) != 0);
}

std::optional<std::vector<APMEvent>> APMMeasurement::conditionalUserPropertyEventsForEvent(const APMEvent&) {
  return std::vector<APMEvent>{};
}

bool APMMeasurement::disableVXRMeasurement() { return false; }

void APMMeasurement::notifyEventListeners(const APMEvent& event) { recordCall("notifyEventListeners:" + event.name()); }
