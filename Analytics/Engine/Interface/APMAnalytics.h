// The analytics facade between the public interface and the engine: starts
// the engine once, holds calls made before the start and releases them in
// order afterwards, keeps the process-wide switches, validates public names
// and values, and keeps the log-event interceptor, the listeners and the
// open-URL listener. Callers on any thread.
//
// Three queues: the operation queue (one at a time, suspended until the
// start) hands blocks in order to the serial queue "APMAnalyticsQueue",
// where every engine call runs; the timestamp queue stamps public events and
// queues them in one step. The analytics suite (the persisted switches) is
// written on the caller's thread.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/APMEvent.h"
#include "Analytics/Engine/Interface/APMConsentSettingsUtil.h"
#include "Analytics/Engine/Monitor/APMError.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/UserActivity.h"
#include "Platform/Foundation/Value.h"
#include "Platform/StoreKit/SKPaymentTransactionObserver.h"

class APMUserDefaults;

class APMAnalytics : public storekit::SKPaymentTransactionObserver {
 public:
  // ---- Names ----
  static constexpr const char* kOperationQueueName = "APMAnalyticsOperationQueue";
  static constexpr const char* kQueueLabel = "APMAnalyticsQueue";
  static constexpr const char* kTimestampQueueLabel = "APMAnalyticsTimestampQueue";
  // Start options.
  static constexpr const char* kOptionConfiguration = "QUORVANE_ANALYTICS_CONFIGURATION";
  static constexpr const char* kOptionCollectionEnabled = "QUORVANE_ANALYTICS_COLLECTION_ENABLED";
  static constexpr const char* kOptionCollectionDeactivated = "QUORVANE_ANALYTICS_COLLECTION_DEACTIVATED";
  static constexpr const char* kOptionLogTag = "app_measurement_log_tag";
  static constexpr const char* kOptionSafelistedEvents = "safelisted_events";
  // Posted (no user info) right before the one-time part of the start.
  static constexpr const char* kWillStartNotification = "kQRVAnalyticsWillStartNotification";
  // Posted by a configuration object; the user info holds the switch under the same key.
  static constexpr const char* kConfigurationSetEnabledNotification =
      "QRVAnalyticsConfigurationSetEnabledNotification";
  // Classes of other libraries looked up by name (registered only by tests).
  static constexpr const char* kOlderDatabaseLibraryClass = "FacilityLegacyMeasurementDatabase";
  static constexpr const char* kMobileAdsLibraryClass = "FacilityMobileAds";
  static constexpr const char* kTagManagerClass = "FacilityTagManager";
  // The tag manager's factory yields its initializeSharedInstance as a
  // std::function<void()>; a class without one cannot be initialised.
  static constexpr const char* kPublicAnalyticsClass = "QRVAnalytics";
  static constexpr const char* kAllowPersonalizedAdsProperty = "allow_personalized_ads";

  // ---- Callback types ----
  // The interceptor takes over public events: origin, name, the parameters
  // (screen parameters merged in) and the time, seconds since 1970.
  using LogEventInterceptor = std::function<void(const std::string& origin, const std::string& name,
                                                 const APMEvent::Parameters& parameters, double timestamp)>;
  using LogEventListener = std::function<void(const APMEvent& event)>;
  // Listener tokens: integers from 1 up, never reused; 0 is "no token".
  using ListenerToken = int64_t;
  using OpenURLListener = std::function<void(const std::string& url)>;
  using UserPropertiesCallback = std::function<void(const platform::Value::Dictionary& properties)>;
  using MaxUserPropertiesCallback = std::function<void(int32_t maximum)>;
  // Session ID, or 0 with an error.
  using SessionIDCompletion = std::function<void(int64_t sessionID, const std::optional<APMError>& error)>;

  // The one instance (the payment queue's observer, and the receiver of the
  // connector's instance calls).
  static const std::shared_ptr<APMAnalytics>& sharedInstance();
  ~APMAnalytics() override;

  // ---- Queues ----
  static const platform::DispatchQueuePtr& queue();
  // At once on the serial queue (not held before the start).
  static void dispatchAsyncOnSerialQueue(std::function<void()> block);
  // Held until the start; then handed to the serial queue in the order added.
  static void queueOperationWithBlock(std::function<void()> block);
  // As queueOperationWithBlock; after the start it also waits until every
  // queued block has been handed on, then holds later ones for 0.5 s on the
  // serial queue's clock.
  static void queueOperationWithBlockThenWait(std::function<void()> block);
  static void unsuspendOperationQueue();
  static bool isCurrentQueueSerialQueue();

  // ---- Start and switches ----
  // Once per process (later calls only repeat the checks and the log tag).
  // The configuration object, when given, is the sender of the set-enabled
  // notification (matched against Notification::object).
  static void startWithAppID(const std::string& appID, const std::string& origin,
                             const platform::Value::Dictionary& options);
  static void startWithAppID(const std::string& appID, const std::string& origin,
                             const platform::Value::Dictionary& options, std::shared_ptr<void> configuration);
  static bool hasStarted();
  static void setAnalyticsEnabled(bool enabled);
  static void setAnalyticsEnabled(bool enabled, bool persistSetting);
  static bool isAnalyticsEnabled();
  static bool isAnalyticsCollectionDeactivated();
  // Null stops observing.
  static void observeNotificationsForAnalyticsConfiguration(std::shared_ptr<void> configuration);
  static void handleSetEnabled(const platform::Notification& notification);
  static void maybeEnableKestrelmap();

  // ---- Events ----
  // Public event, origin "app".
  static void logEventWithName(const std::string& name, const APMParameterObjects& parameters);
  static void logEventWithOrigin(const std::string& origin, const std::string& name,
                                 const APMParameterObjects& parameters);
  static void logInternalEventWithOrigin(const std::string& origin, const std::string& name,
                                         const APMParameterObjects& parameters);
  // Given time, not stamped on the timestamp queue.
  static void logInternalEventWithOrigin(const std::string& origin, const std::string& name, double timestamp,
                                         const APMParameterObjects& parameters);
  static void logEventWithOrigin(const std::string& origin, bool isPublicEvent, const std::string& name,
                                 const APMParameterObjects& parameters);
  static void logEventWithOrigin(const std::string& origin, bool isPublicEvent, const std::string& name,
                                 const APMParameterObjects& parameters, double timestamp, bool ignoreEnabled,
                                 bool ignoreInterceptor);
  // On the serial queue.
  static void logEventOnSerialQueueWithOrigin(const std::string& origin, bool isPublicEvent, const std::string& name,
                                              const APMParameterObjects& parameters, double timestamp,
                                              bool ignoreEnabled, bool ignoreInterceptor,
                                              const APMParameterObjects& addedScreenParameters);
  // The instance entry (the connector's and the engine's internal events):
  // for origin "pl", a numeric string "_aeid" becomes an integer.
  void logInternalEvent(const std::string& origin, const std::string& name, const APMParameterObjects& parameters);

  // ---- User properties ----
  // None removes; "allow_personalized_ads" drives "_npa" instead.
  static void setUserPropertyString(const std::optional<platform::Value>& value, const std::string& name);
  // None removes "_id" and "_lair".
  static void setUserID(const std::optional<platform::Value>& userID);
  static void removeUserAttributeForName(const std::string& name);
  static void setUserAttributeNumber(const platform::Value& number, const std::string& name);
  static void removeInternalUserAttributeForName(const std::string& name);
  // A null queue answers an empty dictionary on the main queue.
  static void userPropertiesIncludingInternal(bool includeInternal, const platform::DispatchQueuePtr& queue,
                                              UserPropertiesCallback callback);
  void setInternalUserProperty(const std::optional<platform::Value>& value, const std::string& name,
                               const std::string& origin);
  void maxUserPropertiesForOrigin(const std::string& origin, const platform::DispatchQueuePtr& queue,
                                  MaxUserPropertiesCallback callback);

  // ---- Listeners and interceptor ----
  static void setLogEventInterceptor(LogEventInterceptor interceptor);
  // The current interceptor (serial queue).
  static LogEventInterceptor logEventInterceptor();
  // 0 for an empty listener (logged).
  static ListenerToken addLogEventListener(LogEventListener listener);
  static void removeLogEventListener(ListenerToken token);
  // Queued; every listener hears the event on the serial queue.
  static void notifyEventListeners(const APMEvent& event);
  static void notifyEventListenersOnSerialQueue(const APMEvent& event);

  // ---- Session and identity ----
  // Main thread only.
  static void setScreenName(const std::optional<std::string>& screenName, const std::optional<std::string>& screenClass);
  static void setSessionTimeoutInterval(double seconds);
  // The completion runs on the global default-priority queue.
  static void sessionIDWithCompletion(SessionIDCompletion completion);
  static std::optional<std::string> appInstanceID();
  // Blocks the caller until earlier held calls are handed on (see
  // queueOperationWithBlockThenWait).
  static void setUserData(const platform::Value::Dictionary& userData);
  static void setUserDataOnSerialQueue(const platform::Value::Dictionary& userData);
  static void resetAnalyticsData();
  static void setDefaultEventParameters(const std::optional<platform::Value::Dictionary>& parameters);

  // ---- Opened URLs and the app delegate ----
  static void handleOpenURL(const std::string& url);
  static void handleUserActivity(const platform::UserActivity& activity);
  static void setOpenURLListener(OpenURLListener listener);
  // Without background sessions the handler is called at once.
  static void handleEventsForBackgroundURLSession(const std::string& identifier,
                                                  const std::function<void()>& completionHandler);
  // Once: puts the interceptor registry in front of the app delegate and
  // registers the facade's interceptor.
  static void createAppDelegateProxy();

  // ---- Purchases ----
  void paymentQueueUpdatedTransactions(storekit::SKPaymentQueue& queue,
                                       const std::vector<storekit::SKPaymentTransactionPtr>& transactions) override;
  static void handleUpdatedTransactions(storekit::SKPaymentQueue& queue,
                                        const std::vector<storekit::SKPaymentTransactionPtr>& transactions);

  // ---- Tests ----
  // Back to a process that never started: queues made anew (the operation
  // queue suspended), switches, listeners and one-time marks cleared. Waits
  // for nothing; call with the queues idle.
  static void resetForTesting();

  static constexpr const char* kAnalyticsSuiteName = "APMAnalyticsSuiteName";
  // Keys of the analytics suite used by consent.
  static constexpr const char* kConsentSettings1PKey = "consent_settings";
  static constexpr const char* kConsentSettings3PKey = "consent_settings_3p";
  static constexpr const char* kConsentSourceKey = "consent_source";
  static constexpr const char* kConsentSettingsOnStartKey = "consent_settings_on_start";
  static constexpr const char* kDeferredConsentResetKey = "deferred_consent_reset";
  static constexpr const char* kAppInstanceIDAfterResetKey = "app_instance_id_after_reset";
  // Keys of the analytics suite kept for the engine.
  static constexpr const char* kResetRetryCountKey = "reset_retry_count";
  static constexpr const char* kNeedFirstOpenAfterResetKey = "need_first_open_after_reset";
  static constexpr const char* kDeferredAnalyticsCollectionKey = "deferred_analytics_collection";
  static constexpr const char* kPersistentConfigInApplicationSupportEnabledKey =
      "persistent_config_in_application_support_enabled";

  static APMUserDefaults& analyticsSuite();

  // Consent of the app itself (1P).
  static void setConsent(const APMConsentSettingsUtil::Settings& consent);
  // key: kConsentSettings3PKey for the public interface (3P), else 1P.
  static void setConsent(const APMConsentSettingsUtil::Settings& consent, const std::string& key);
  static void loadPersistedConsentSettings();
  static void persistConsentSettings(const std::optional<APMConsentSettingsUtil::Settings>& settings,
                                     int64_t source);
  // "Nothing set" when none was persisted.
  static int64_t persistedConsentSource();
  static std::optional<APMConsentSettingsUtil::Settings> consentSettings3P();
  static std::optional<APMConsentSettingsUtil::Settings> consentSettings1P();
  static std::optional<APMConsentSettingsUtil::Settings> consentSettings1PStart();
  static bool deferredResetOnDeniedConsent();
  static void removeStartUpConsentSettings();
  static void removeDeferredResetOnDeniedConsent();
  // Forgets the persisted consent and returns to the state at launch.
  static void clearConsent();

  // One-line accessors of the suite, on the caller's thread.
  static int64_t resetRetryCount();
  // Below 1 removes the count.
  static void setResetRetryCount(int64_t count);
  static bool needFirstOpenAfterReset();
  static void setNeedFirstOpenAfterReset(bool need);
  static void removeNeedFirstOpenAfterReset();
  static std::optional<std::string> appInstanceIDAfterReset();
  // None removes it.
  static void setAppInstanceIDAfterReset(const std::optional<std::string>& appInstanceID);
  static std::optional<platform::Value> deferredAnalyticsCollection();
  // None removes it.
  static void setDeferredAnalyticsCollection(const std::optional<platform::Value>& value);
  static bool persistentConfigInApplicationSupportEnabled();
  static void setPersistentConfigInApplicationSupportEnabled(bool enabled);

  // When the facade was loaded (taken on first use), seconds since 1970;
  // read and written under one lock.
  static double loadTimestamp();
  static void setLoadTimestamp(double timestamp);

 private:
  APMAnalytics() = default;
  // The engine-base seams that lead here (internal events, the consent's
  // reset and user property).
  static void installEngineHooks();

  // The facade's process-wide state (APMAnalyticsState.h), shared by the
  // files that define this class.
  struct State;
  static State& state();
};
