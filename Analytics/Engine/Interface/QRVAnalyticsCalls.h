// The calls that the interop connector and the screen-view modifier make of
// the public class QRVAnalytics and its conditional-user-property
// controller. Those classes are not built yet: they install themselves here
// when they are. Until then nothing is installed, and callers drop their
// calls and get no answers (a timed wait runs out).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/APMConditionalUserProperty.h"
#include "Analytics/Engine/APMEvent.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/Value.h"

class QRVAnalyticsCalls {
 public:
  using LogEventListener = std::function<void(const APMEvent& event)>;
  using UserPropertiesCallback = std::function<void(const platform::Value::Dictionary& properties)>;
  using MaxUserPropertiesCallback = std::function<void(int32_t maximum)>;

  virtual ~QRVAnalyticsCalls() = default;

  // Public event, origin "app".
  virtual void logEventWithName(const std::string& name, const APMParameterObjects& parameters) = 0;
  virtual void logInternalEventWithOrigin(const std::string& origin, const std::string& name,
                                          const APMParameterObjects& parameters) = 0;
  // None removes the property.
  virtual void setInternalUserProperty(const std::optional<platform::Value>& value, const std::string& name,
                                       const std::string& origin) = 0;
  virtual void userPropertiesIncludingInternal(bool includeInternal, const platform::DispatchQueuePtr& queue,
                                               UserPropertiesCallback callback) = 0;
  virtual void maxUserPropertiesForOrigin(const std::string& origin, const platform::DispatchQueuePtr& queue,
                                          MaxUserPropertiesCallback callback) = 0;
  // A token for removeLogEventListener.
  virtual int64_t addLogEventListener(LogEventListener listener) = 0;
  virtual void removeLogEventListener(int64_t token) = 0;

  // The conditional-user-property controller.
  virtual std::vector<APMConditionalUserProperty> conditionalUserPropertiesWithNamePrefix(
      const std::string& prefix, const std::string& origin) = 0;
  virtual void setConditionalUserProperty(const APMConditionalUserProperty& property, const std::string& name) = 0;
  virtual void clearConditionalUserPropertyWithClearEvent(const APMEvent& clearEvent, const std::string& name) = 0;

  static std::shared_ptr<QRVAnalyticsCalls> installed();
  // Null uninstalls.
  static void install(std::shared_ptr<QRVAnalyticsCalls> calls);
};
