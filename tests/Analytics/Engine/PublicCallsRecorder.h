// A stand-in for the public analytics class behind QRVAnalyticsCalls: it
// records every call, answers queries as scripted, and lets a test fire the
// log-event listeners as the engine would.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/Interface/QRVAnalyticsCalls.h"

class PublicCallsRecorder : public QRVAnalyticsCalls {
 public:
  struct Logged {
    std::string origin;  // "app" for public events
    std::string name;
    APMParameterObjects parameters;
  };

  void logEventWithName(const std::string& name, const APMParameterObjects& parameters) override {
    std::lock_guard<std::mutex> lock(mu);
    logged.push_back({"app", name, parameters});
  }
  void logInternalEventWithOrigin(const std::string& origin, const std::string& name,
                                  const APMParameterObjects& parameters) override {
    std::lock_guard<std::mutex> lock(mu);
    logged.push_back({origin, name, parameters});
  }
  void setInternalUserProperty(const std::optional<platform::Value>& value, const std::string& name,
                               const std::string& origin) override {
    std::lock_guard<std::mutex> lock(mu);
    userProperties.push_back(origin + ":" + name + "=" + (value && value->getString() ? *value->getString() : "?"));
  }
  void userPropertiesIncludingInternal(bool includeInternal, const platform::DispatchQueuePtr& queue,
                                       UserPropertiesCallback callback) override {
    EXPECT_TRUE(includeInternal);
    queue->async([callback, answer = storedProperties] { callback(answer); });
  }
  void maxUserPropertiesForOrigin(const std::string& origin, const platform::DispatchQueuePtr& queue,
                                  MaxUserPropertiesCallback callback) override {
    std::lock_guard<std::mutex> lock(mu);
    maxQueries.push_back(origin);
    if (answerMax) {
      queue->async([callback, answer = *answerMax] { callback(answer); });
    } else {
      heldMaxCallbacks.push_back(callback);  // answered late, or never
    }
  }
  // For a test waiting on another thread's query.
  std::size_t maxQueryCount() {
    std::lock_guard<std::mutex> lock(mu);
    return maxQueries.size();
  }
  int64_t addLogEventListener(LogEventListener listener) override {
    std::lock_guard<std::mutex> lock(mu);
    listeners[nextToken] = std::move(listener);
    return nextToken++;
  }
  void removeLogEventListener(int64_t token) override {
    std::lock_guard<std::mutex> lock(mu);
    listeners.erase(token);
    removedTokens.push_back(token);
  }
  std::vector<APMConditionalUserProperty> conditionalUserPropertiesWithNamePrefix(const std::string& prefix,
                                                                                 const std::string& origin) override {
    std::lock_guard<std::mutex> lock(mu);
    conditionalQueries.push_back(origin + "/" + prefix);
    return storedConditional;
  }
  void setConditionalUserProperty(const APMConditionalUserProperty& property, const std::string& name) override {
    std::lock_guard<std::mutex> lock(mu);
    setConditional.push_back({property, name});
  }
  void clearConditionalUserPropertyWithClearEvent(const APMEvent& clearEvent, const std::string& name) override {
    std::lock_guard<std::mutex> lock(mu);
    cleared.push_back({clearEvent, name});
  }

  // The engine reporting an event to its listeners.
  void fire(const APMEvent& event) {
    std::map<int64_t, LogEventListener> copy;
    {
      std::lock_guard<std::mutex> lock(mu);
      copy = listeners;
    }
    for (auto& [token, listener] : copy) listener(event);
  }

  std::mutex mu;
  std::vector<Logged> logged;
  std::vector<std::string> userProperties;
  platform::Value::Dictionary storedProperties;
  std::optional<int32_t> answerMax;
  std::vector<std::string> maxQueries;
  std::vector<MaxUserPropertiesCallback> heldMaxCallbacks;
  std::map<int64_t, LogEventListener> listeners;
  std::vector<int64_t> removedTokens;
  int64_t nextToken = 1;
  std::vector<APMConditionalUserProperty> storedConditional;
  std::vector<std::string> conditionalQueries;
  std::vector<std::pair<APMConditionalUserProperty, std::string>> setConditional;
  std::vector<std::pair<APMEvent, std::string>> cleared;
};
