// The facade's log-event interceptor and listeners. Their state changes on
// the serial queue (directly when the caller is already there).
#include "Analytics/Engine/Interface/APMAnalytics.h"
#include "Analytics/Engine/Interface/APMAnalyticsState.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"

namespace {

// On the serial queue: at once when already there, else in order behind the
// held calls.
void OnSerialQueue(std::function<void()> block) {
  if (APMAnalytics::isCurrentQueueSerialQueue()) {
    block();
  } else {
    APMAnalytics::queueOperationWithBlock(std::move(block));
  }
}

}  // namespace

void APMAnalytics::setLogEventInterceptor(LogEventInterceptor interceptor) {
  OnSerialQueue([interceptor = std::move(interceptor)]() mutable {
    State& shared = state();
    std::lock_guard<std::mutex> lock(shared.mu);
    shared.interceptor = std::move(interceptor);
  });
}

APMAnalytics::LogEventInterceptor APMAnalytics::logEventInterceptor() {
  State& shared = state();
  std::lock_guard<std::mutex> lock(shared.mu);
  return shared.interceptor;
}

APMAnalytics::ListenerToken APMAnalytics::addLogEventListener(LogEventListener listener) {
  if (!listener) {
    APMMeasurementMonitor().logWithLevel(2, 25012, "Attempted addition of nil log event listener.");
    return 0;
  }
  ListenerToken token = state().nextListenerToken.fetch_add(1);
  OnSerialQueue([token, listener = std::move(listener)]() mutable {
    State& shared = state();
    std::lock_guard<std::mutex> lock(shared.mu);
    if (!shared.listeners) shared.listeners.emplace();
    shared.listeners->insert_or_assign(token, std::move(listener));
  });
  return token;
}

void APMAnalytics::removeLogEventListener(ListenerToken token) {
  if (token == 0) {
    APMMeasurementMonitor().logWithLevel(2, 25013, "Attempted removal of nil log event.");
    return;
  }
  queueOperationWithBlock([token] {
    State& shared = state();
    bool neverAdded = false;
    bool unknown = false;
    {
      std::lock_guard<std::mutex> lock(shared.mu);
      neverAdded = !shared.listeners.has_value();
      unknown = !neverAdded && shared.listeners->erase(token) == 0;
    }
    if (neverAdded) {
      APMMeasurementMonitor().logWithLevel(2, 25014, "Attempted removal of nil log event listener.");
    } else if (unknown) {
      APMMeasurementMonitor().logWithLevel(2, 25015, "Attempted removal of log event listener with invalid token.");
    }
  });
}

void APMAnalytics::notifyEventListeners(const APMEvent& event) {
  queueOperationWithBlock([event] { notifyEventListenersOnSerialQueue(event); });
}

void APMAnalytics::notifyEventListenersOnSerialQueue(const APMEvent& event) {
  std::vector<LogEventListener> listeners;
  {
    State& shared = state();
    std::lock_guard<std::mutex> lock(shared.mu);
    if (!shared.listeners) return;
    for (const auto& [token, listener] : *shared.listeners) listeners.push_back(listener);
  }
  // Called outside the lock: a listener may add or remove listeners.
  for (const LogEventListener& listener : listeners) listener(event);
}
