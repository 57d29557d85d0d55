#include "Platform/StoreKit/SKAdNetwork.h"

#include <atomic>
#include <mutex>

#include "Platform/Foundation/DispatchQueue.h"

namespace storekit {
namespace {

std::atomic<int> gRegistrations{0};

struct UpdateState {
  std::mutex mu;
  std::vector<SKAdNetwork::ConversionValueUpdate> updates;
  std::optional<SKAdNetworkError> nextError;
};

UpdateState& State() {
  static auto* state = new UpdateState();
  return *state;
}

const platform::DispatchQueuePtr& CompletionQueue() {
  static auto* queue = new platform::DispatchQueuePtr(platform::DispatchQueue::create("storekit.adnetwork"));
  return *queue;
}

}  // namespace

void SKAdNetwork::registerAppForAdNetworkAttribution() { gRegistrations.fetch_add(1); }

int SKAdNetwork::registrationCount() { return gRegistrations.load(); }

void SKAdNetwork::updatePostbackConversionValue(int64_t fineValue, const std::string& coarseValue, bool lockWindow,
                                                UpdateCompletion completion) {
  std::optional<SKAdNetworkError> error;
  {
    std::lock_guard<std::mutex> lock(State().mu);
    State().updates.push_back(ConversionValueUpdate{fineValue, coarseValue, lockWindow});
    error = State().nextError;
  }
  if (!completion) return;
  CompletionQueue()->async([completion = std::move(completion), error] { completion(error); });
}

std::vector<SKAdNetwork::ConversionValueUpdate> SKAdNetwork::conversionValueUpdates() {
  std::lock_guard<std::mutex> lock(State().mu);
  return State().updates;
}

void SKAdNetwork::setNextUpdateError(std::optional<SKAdNetworkError> error) {
  std::lock_guard<std::mutex> lock(State().mu);
  State().nextError = std::move(error);
}

void SKAdNetwork::reset() {
  gRegistrations = 0;
  std::lock_guard<std::mutex> lock(State().mu);
  State().updates.clear();
  State().nextError.reset();
}

}  // namespace storekit
