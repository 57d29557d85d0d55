#include "Analytics/Storage/Experiments/APMEExperimentObserverDelegate.h"

#include "Platform/Foundation/DispatchQueue.h"

void APMEExperimentObserverDelegate::clientDidReceiveNewSnapshot(APMEClient&) {}

void APMEExperimentObserverDelegate::clientDidReceiveFetchError(APMEClient&, const APMError&) {}

std::optional<bool> APMEExperimentObserverDelegate::shouldFetchExperimentsForClient(APMEClient&) {
  return std::nullopt;
}

std::shared_ptr<platform::DispatchQueue> APMEExperimentObserverDelegate::queue() { return nullptr; }
