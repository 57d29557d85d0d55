// Attribution: conversion values, campaign URLs and deferred deep links,
// on-device conversion measurement.
#include "Analytics/Engine/APMMeasurement.h"

bool APMMeasurement::isInFirstSKANPostbackWindow() { return false; }
void APMMeasurement::maybeFetchSKANCVAfterReachabilityChange() {
  recordCall("maybeFetchSKANCVAfterReachabilityChange");
}
void APMMeasurement::scheduleSKANCVFetchAfterDataUpload() { recordCall("scheduleSKANCVFetchAfterDataUpload"); }
void APMMeasurement::checkPSMDependencyOnWorkerQueue() { recordCall("checkPSMDependencyOnWorkerQueue"); }
void APMMeasurement::maybeDeleteExpiredPSMValueOnWorkerQueue() {
  recordCall("maybeDeleteExpiredPSMValueOnWorkerQueue");
}
void APMMeasurement::retrievePSMResponse() { recordCall("retrievePSMResponse"); }
bool APMMeasurement::shouldAllowRequestDeferredDeepLink() { return false; }
void APMMeasurement::requestDeferredDeepLink() { recordCall("requestDeferredDeepLink"); }
void APMMeasurement::handleOpenURLOnWorkerQueue(const std::string&, std::optional<int64_t>, double,
                                                const APMEvent::Parameters&) {
  recordCall("handleOpenURLOnWorkerQueue");
}
