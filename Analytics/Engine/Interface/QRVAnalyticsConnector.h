// What the vendor's other libraries (messaging, in-app messaging, remote
// configuration, crash reporting) get when they ask the core library for
// analytics: events under their own origin, user properties, conditional
// user properties, and a listener told about the app's events. The fixed
// lists of QRVConnectorUtils keep them away from the engine's own names.
// Every call may come from any thread; refused calls are dropped without a
// message.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/APMEvent.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/Value.h"

class QRVAnalyticsConnector : public std::enable_shared_from_this<QRVAnalyticsConnector> {
 public:
  // A sibling library's listener; called on the main queue.
  class Listener {
   public:
    virtual ~Listener() = default;
    virtual void messageTriggered(const std::string& name, const platform::Value::Dictionary& parameters) = 0;
  };

  static constexpr const char* kLibraryName = "quorvane-analytics";
  static constexpr const char* kLibraryVersion = "10.17.0";
  static constexpr double kMaxUserPropertiesWaitSeconds = 10;

  // "com.trivandel.analytics_connector.queue", made once, shared by all connectors.
  static const platform::DispatchQueuePtr& connectorQueue();
  // Registers the library with the core; its component makes new connectors.
  static void registerWithCore();
  static std::shared_ptr<QRVAnalyticsConnector> makeComponent();

  void logEventWithOrigin(const std::string& origin, const std::string& name, const APMParameterObjects& parameters);
  void setUserPropertyWithOrigin(const std::string& origin, const std::string& name,
                                 const std::optional<platform::Value>& value);
  // Names that pass isUserPropertyAllowedForQuery only; on the connector queue.
  void getUserPropertiesWithCallback(std::function<void(const platform::Value::Dictionary&)> callback);
  // Waits up to kMaxUserPropertiesWaitSeconds (on the current clock) for the
  // answer; 0 when none came in time. A late answer is dropped. Answers 0 at
  // once when called on the connector queue, where the answer would queue
  // behind the wait.
  int32_t maxUserProperties(const std::string& origin);
  void setConditionalUserProperty(const platform::Value::Dictionary& property);
  // propertyName is not used: the one entry of clearEventParameters names the
  // property and is the clear event's parameter.
  void clearConditionalUserProperty(const std::string& propertyName, const std::string& origin,
                                    const std::string& clearEventName,
                                    const platform::Value::Dictionary& clearEventParameters);
  // {"name", "value"} of each property with a name and a string value.
  std::vector<platform::Value::Dictionary> conditionalUserProperties(const std::string& origin,
                                                                     const std::string& propertyNamePrefix);
  void registerAnalyticsListener(const std::shared_ptr<Listener>& listener, const std::string& origin);
  void unregisterAnalyticsListenerWithOrigin(const std::string& origin);

  static platform::Value::Dictionary simplifiedParametersFromEventParameters(const APMEvent::Parameters& parameters);
  // "origin", "name", "timestamp" (now when absent) and "parameters"; none
  // when the event is not valid.
  static std::optional<APMEvent> eventFromDictionary(const platform::Value::Dictionary& dictionary);
  static std::optional<APMEvent> eventWithOrigin(const std::string& origin, const std::string& eventName,
                                                 const APMParameterObjects& parameters);

  // Registered origins (tests).
  std::vector<std::string> listenerOrigins() const;
  bool hasLogEventListener() const;

 private:
  void eventLogged(const APMEvent& event);
  std::shared_ptr<Listener> listenerFor(const std::string& origin) const;

  // Guards logEventListener_ and listeners_: registration and the engine's
  // event callback run on different threads.
  mutable std::mutex mu_;
  std::optional<int64_t> logEventListener_;
  std::map<std::string, std::shared_ptr<Listener>> listeners_;
};
