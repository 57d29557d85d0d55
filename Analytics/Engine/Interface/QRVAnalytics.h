// The analytics engine's public face: what an app, the vendor core library
// and its sibling libraries call. Holds no state of its own: every call is
// checked here and handed to the facade APMAnalytics, which owns the queues,
// the switches and the engine. Any thread; nothing throws, nothing blocks but
// the on-device-conversion calls (see APMAnalytics::setUserData).
//
// Events, user properties and on-device-conversion data are dropped (and
// logged) until the core's default app is configured; they are not held.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Analytics/Engine/Interface/APMAnalytics.h"
#include "Analytics/Engine/Interface/QRVAnalyticsCalls.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/QuorvaneCore/QRVOptions.h"

class QRVAnalytics {
 public:
  static constexpr const char* kClassName = "QRVAnalytics";
  // Values of this class (looked up by name in platform::ClassRegistry)
  // cannot be bridged into an event. The registry's factory yields a
  // std::function<bool(const platform::Value&)> telling whether a value is
  // of the class; a name-only registration matches nothing.
  static constexpr const char* kUnbridgeableValueClassName = "__SwiftValue";
  using UnbridgeableValueTest = std::function<bool(const platform::Value& value)>;
  static constexpr const char* kEmailAddressKey = "email_address";
  static constexpr const char* kPhoneNumberKey = "phone_number";

  // The core library's version string.
  static std::string topLevelVersion();

  // ---- Events ----
  // Origin "app".
  static void logEventWithName(const std::string& name, const APMParameterObjects& parameters);
  static void logEventWithOrigin(const std::string& origin, const std::string& name,
                                 const APMParameterObjects& parameters);
  static void logInternalEventWithOrigin(const std::string& origin, const std::string& name,
                                         const APMParameterObjects& parameters);
  static void logEventWithOrigin(const std::string& origin, bool isPublicEvent, const std::string& name,
                                 const APMParameterObjects& parameters, double timestamp, bool ignoreEnabled,
                                 bool ignoreInterceptor);
  // Whether a value of the unbridgeable class sits anywhere in the parameters
  // (keys included, through dictionaries and arrays); false while the class
  // is not registered.
  static bool containsUnbridgeableValue(const APMParameterObjects& parameters);

  // ---- User properties, identity, consent ----
  // None clears the property.
  static void setUserPropertyString(const std::optional<std::string>& value, const std::string& name);
  static void setUserID(const std::optional<std::string>& userID);
  static void userPropertiesIncludingInternal(bool includeInternal, const platform::DispatchQueuePtr& queue,
                                              APMAnalytics::UserPropertiesCallback callback);
  static void setDefaultEventParameters(const std::optional<platform::Value::Dictionary>& parameters);
  static void setAnalyticsCollectionEnabled(bool enabled);
  static void setSessionTimeoutInterval(double seconds);
  static void sessionIDWithCompletion(APMAnalytics::SessionIDCompletion completion);
  static std::optional<std::string> appInstanceID();
  static void resetAnalyticsData();
  // Always the highest-priority (third-party) consent source.
  static void setConsent(const APMConsentSettingsUtil::Settings& consent);
  // None or empty sends the empty text.
  static void initiateOnDeviceConversionMeasurementWithEmailAddress(const std::optional<std::string>& emailAddress);
  static void initiateOnDeviceConversionMeasurementWithPhoneNumber(const std::optional<std::string>& phoneNumber);

  // ---- Listeners and interceptor ----
  static void setLogEventInterceptor(APMAnalytics::LogEventInterceptor interceptor);
  static APMAnalytics::ListenerToken addLogEventListener(APMAnalytics::LogEventListener listener);
  static void removeLogEventListener(APMAnalytics::ListenerToken token);
  static void notifyEventListeners(const APMEvent& event);
  static void setOpenURLListener(APMAnalytics::OpenURLListener listener);

  // ---- Start, opened URLs, queues ----
  // Called once by the core library after the app configured it. The
  // configuration object may be null.
  static void startWithConfiguration(std::shared_ptr<void> configuration, const platform::QRVOptions& options);
  // Registers the start above with the core library (at load).
  static void registerStartWithCore();
  static void handleEventsForBackgroundURLSession(const std::string& identifier,
                                                  const std::function<void()>& completionHandler);
  static void handleOpenURL(const std::string& url);
  static void handleUserActivity(const platform::UserActivity& activity);
  // Asks the installations library for the ID and hands it (empty on
  // failure) to the identity.
  static void updateQuorvaneInstallationID();
  // Observes the installation-ID change notification, at most once.
  static void observeQuorvaneInstallationIDChanges();
  static void notCalled();
  static void dispatchAsyncOnSerialQueue(std::function<void()> block);
  static void queueOperationWithBlock(std::function<void()> block);
  static void unsuspendOperationQueue();
  static double loadTimestamp();

  // The one instance, for the interop connector and the screen-view
  // modifier: its calls go to the facade's instance and the
  // conditional-user-property controller.
  static const std::shared_ptr<QRVAnalyticsCalls>& sharedInstance();
  // Installs sharedInstance() as QRVAnalyticsCalls (at load).
  static void installSharedInstance();

  QRVAnalytics() = delete;
};
