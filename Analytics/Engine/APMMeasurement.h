// The measurement engine: one object per process that owns the worker queue,
// the upload alarm, the network component, the measurement database and the
// components that record, bundle and upload events. Creation is cheap; the
// start (identity, consent, wipe decision, database, remote configuration,
// audiences) runs later on the worker queue when collection is enabled.
//
// The class is defined over several files: construction, start and
// enablement (APMMeasurement.cpp), event intake and writing
// (APMMeasurementIntake.cpp), bundling and sampling
// (APMMeasurementBundling.cpp), upload and configuration fetch
// (APMMeasurementUpload.cpp), first open and lifecycle
// (APMMeasurementLifecycle.cpp), user properties
// (APMMeasurementUserProperties.cpp) and attribution
// (APMMeasurementAttribution.cpp). Apart from the atomics, state is touched
// only on the worker queue.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/APMAtomicSharedPtr.h"
#include "Analytics/Engine/APMEvent.h"
#include "Analytics/Engine/APMPrivateSetMembershipClient.h"
#include "Analytics/Engine/Monitor/APMError.h"
#include "Analytics/Protobuf/APMPBMessage.h"
#include "Analytics/Storage/APMDailyCounts.h"
#include "Analytics/Storage/APMDatabase.h"
#include "Analytics/Storage/APMRawEventData.h"
#include "Analytics/Storage/APMUserAttribute.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/Status.h"
#include "Platform/Foundation/UserActivity.h"
#include "Platform/Foundation/Value.h"
#include "Platform/StoreKit/SKPaymentTransaction.h"
#include "Platform/TrivandelUtilities/TVUNetwork.h"

class APMAlarm;
class APMAudience;
class APMAudienceTimestampsCache;
class APMEManager;
class APMIdentity;
class APMMonitor;
class APMPersistedConfig;
class APMRemoteConfig;
class APMScheduler;
class APMSearchAdReporter;
class APMSessionReporter;

// Told about the engine's events; no operation yet.
class APMMeasurementDelegate {
 public:
  virtual ~APMMeasurementDelegate() = default;
};

// Background task identifiers; 0 is "no task".
using APMBackgroundTaskIdentifier = int64_t;
inline constexpr APMBackgroundTaskIdentifier kAPMBackgroundTaskInvalid = 0;

class APMMeasurement : public std::enable_shared_from_this<APMMeasurement>,
                       public platform::TVUNetworkReachabilityDelegate,
                       public platform::TVUNetworkLoggerDelegate {
 public:
  static constexpr const char* kWorkerQueueLabel = "com.trivandel.qrva.worker";
  static constexpr const char* kAlarmName = "Measurement timer";
  static constexpr const char* kDefaultTopLevelVersion = "101700000";
  // Host whose reachability the network component watches; the deployment's
  // measurement host is used when the deployment names one.
  static constexpr const char* kDefaultMeasurementHost = "app-measurement.trivandel.invalid";

  // ---- Shared instance ----
  // Once per process: the first call sets the "initialised" mark and, for a
  // non-empty app ID, creates the instance. Later calls do nothing.
  static void initializeSharedInstanceWithAppID(const std::string& appID, bool isAnalyticsCollectionEnabled,
                                                bool isAnalyticsCollectionDeactivated,
                                                const std::vector<std::string>& safelistedEvents);
  static bool hasSharedInstance();
  // None before creation (logged as the public warning when QRVAnalytics is
  // registered and nothing was created yet).
  static std::shared_ptr<APMMeasurement> sharedInstance();
  static APMMonitor& monitor();
  // The shared instance's remote configuration, else the default instance.
  static std::shared_ptr<APMRemoteConfig> remoteConfig();
  static bool isQuorvaneRemoteConfigSDKPresent();
  // The facade's check of a "safelisted_events" option: the names, or none
  // (logged 25034 / 25035) when the value is not a list of valid names.
  static std::optional<std::vector<std::string>> validatedSafelistedEvents(const platform::Value& value);
  // Tests: forgets the shared instance and the "initialised" mark; or makes
  // a built engine the shared one.
  static void resetSharedInstanceForTesting();
  static void installSharedInstanceForTesting(std::shared_ptr<APMMeasurement> engine);

  // ---- Creation ----
  // None for an empty app ID (logged 23170). Logs the start banner and builds
  // the network, worker queue and alarm itself.
  static std::shared_ptr<APMMeasurement> initWithAppID(const std::string& appID, bool isAnalyticsCollectionEnabled,
                                                       bool isAnalyticsCollectionDeactivated,
                                                       const std::vector<std::string>& safelistedEvents,
                                                       std::shared_ptr<APMEManager> experimentManager);
  // Components injected. Queues the enable or disable decided by
  // shouldEnableMeasurement.
  static std::shared_ptr<APMMeasurement> initWithDatabaseName(
      const std::string& databaseName, std::shared_ptr<APMPersistedConfig> persistedConfig,
      std::shared_ptr<platform::TVUNetwork> network, std::shared_ptr<APMScheduler> scheduler,
      std::shared_ptr<APMAlarm> alarm, const std::string& appID, bool isAnalyticsCollectionEnabled,
      bool isAnalyticsCollectionDeactivated, const std::vector<std::string>& safelistedEvents,
      std::shared_ptr<APMEManager> experimentManager);
  ~APMMeasurement() override;
  APMMeasurement(const APMMeasurement&) = delete;
  APMMeasurement& operator=(const APMMeasurement&) = delete;

  // ---- Enablement and start ----
  bool shouldEnableMeasurement() const;
  // Any thread: queues setEnabledOnWorkerQueue.
  void setEnabled(bool enabled);
  void setEnabledOnWorkerQueue(bool enabled);
  bool startMeasurementOnWorkerQueue();
  bool shouldWipeDataWithAppID(const std::optional<std::string>& appID,
                               const std::optional<std::string>& appIDFromKVL,
                               const std::optional<std::string>& appIDFromPellumar,
                               const std::optional<std::string>& persistedAppIDFromKVL,
                               const std::optional<std::string>& persistedAppIDFromPellumar) const;
  void updatePersistedAppIDFromKVLAndPellumar();
  void setProspectiveConsentSettings();

  // Network delegates.
  void reachabilityDidChange() override;
  void TVUNetwork_logWithLevel(int level, int messageCode, const std::string& message,
                               const std::vector<std::string>& contexts) override;
  void TVUNetwork_logWithLevel(int level, int messageCode, const std::string& message);
  void TVUNetwork_logWithLevel(int level, int messageCode, const std::string& message, const std::string& context);
  // The network's level on the monitor's scale.
  static int64_t monitorLevelFromNetworkLevel(int level);

  // ---- Accessors ----
  const std::string& databaseName() const { return databaseName_; }
  bool didInitializeComponents() const { return didInitializeComponents_.load(); }
  void setDidInitializeComponents(bool value);
  const std::shared_ptr<APMAlarm>& alarm() const { return alarm_; }
  const std::shared_ptr<APMAudience>& audience() const { return audience_; }
  const std::shared_ptr<APMDatabase>& database() const { return database_; }
  const std::shared_ptr<APMIdentity>& identity() const { return identity_; }
  const std::shared_ptr<platform::TVUNetwork>& network() const { return network_; }
  const std::shared_ptr<APMPersistedConfig>& persistedConfig() const { return persistedConfig_; }
  std::shared_ptr<APMRemoteConfig> remoteConfigInstance() const;
  const std::shared_ptr<APMScheduler>& scheduler() const { return scheduler_; }
  // Read on the main thread; a wipe replaces it on the worker queue.
  std::shared_ptr<APMSessionReporter> sessionReporter() const { return sessionReporter_.load(); }
  const std::shared_ptr<APMSearchAdReporter>& searchAdReporter() const { return searchAdReporter_; }
  const std::shared_ptr<APMEManager>& experimentManager() const { return experimentManager_; }
  // The experiment IDs that travel with bundles (none until experiments land).
  std::vector<int64_t> experimentIDs() const;
  const std::vector<std::string>& safelistedEvents() const { return safelistedEvents_; }
  const std::string& appID() const { return appID_; }
  double initTimestamp() const { return initTimestamp_; }
  bool isEnabled() const { return enabled_.load(); }
  bool wasEnabledDuringInitialization() const { return wasEnabledDuringInitialization_; }
  bool isAnalyticsCollectionEnabled() const { return isAnalyticsCollectionEnabled_; }
  void setIsAnalyticsCollectionEnabled(bool value) { isAnalyticsCollectionEnabled_ = value; }
  bool isAnalyticsCollectionDeactivated() const { return isAnalyticsCollectionDeactivated_; }
  void setIsAnalyticsCollectionDeactivated(bool value) { isAnalyticsCollectionDeactivated_ = value; }
  bool isNetworkRequestPending() const { return isNetworkRequestPending_; }
  void setIsNetworkRequestPending(bool value) { isNetworkRequestPending_ = value; }
  std::weak_ptr<APMMeasurementDelegate> measurementDelegate() const { return measurementDelegate_; }
  void setMeasurementDelegate(std::weak_ptr<APMMeasurementDelegate> delegate) {
    measurementDelegate_ = std::move(delegate);
  }
  bool isSKANRequestInProgress() const { return isSKANRequestInProgress_; }
  void setIsSKANRequestInProgress(bool value) { isSKANRequestInProgress_ = value; }
  bool fetchSKANWhenNetworkConnected() const { return fetchSKANWhenNetworkConnected_; }
  void setFetchSKANWhenNetworkConnected(bool value) { fetchSKANWhenNetworkConnected_ = value; }
  int64_t lastEventEndTimestampMsec() const { return lastEventEndTimestampMsec_; }
  void setLastEventEndTimestampMsec(int64_t value) { lastEventEndTimestampMsec_ = value; }
  int64_t SKANRetryCount() const { return SKANRetryCount_; }
  void setSKANRetryCount(int64_t value) { SKANRetryCount_ = value; }
  const std::shared_ptr<APMAlarm>& SKANRetryAlarm() const { return SKANRetryAlarm_; }
  void setSKANRetryAlarm(std::shared_ptr<APMAlarm> alarm) { SKANRetryAlarm_ = std::move(alarm); }
  const std::shared_ptr<APMAlarm>& SKANDelayAlarm() const { return SKANDelayAlarm_; }
  void setSKANDelayAlarm(std::shared_ptr<APMAlarm> alarm) { SKANDelayAlarm_ = std::move(alarm); }
  double suspendedUploadTimestamp() const { return suspendedUploadTimestamp_; }
  void setSuspendedUploadTimestamp(double value) { suspendedUploadTimestamp_ = value; }
  const std::optional<std::vector<platform::Value>>& uploadingBundleIDs() const { return uploadingBundleIDs_; }
  const std::string& previousKVLAppID() const { return previousKVLAppID_; }
  bool foundAdPersonalizationPlistFlag() const { return foundAdPersonalizationPlistFlag_; }
  void setFoundAdPersonalizationPlistFlag(bool value) { foundAdPersonalizationPlistFlag_ = value; }
  bool shouldUpdateNPAUserProperty() const { return shouldUpdateNPAUserProperty_; }
  void setShouldUpdateNPAUserProperty(bool value) { shouldUpdateNPAUserProperty_ = value; }
  bool shouldRequestDeferredDeepLinkAfterConfigFetch() const { return shouldRequestDeferredDeepLinkAfterConfigFetch_; }
  void setShouldRequestDeferredDeepLinkAfterConfigFetch(bool value) {
    shouldRequestDeferredDeepLinkAfterConfigFetch_ = value;
  }
  APMBackgroundTaskIdentifier backgroundUpdateTask() const { return backgroundUpdateTask_.load(); }

  // ---- Event entry (any thread) ----
  // Queues handleEventOnWorkerQueue; none logs 23048.
  void logEvent(std::optional<APMEvent> event);
  // Queues the deletion of purchase fingerprints the duplicate filter stored
  // for a batch the purchase reporter then dropped, so a redelivery of those
  // purchases is reported; a failure logs 21029. Installed as the reporter's
  // hook when the engine becomes the shared one.
  void forgetPurchaseFingerprints(std::vector<std::string> fingerprints);

  // ---- Event intake and writing (APMMeasurementIntake.cpp, worker queue) ----
  void handleInternalEventOnWorkerQueue(APMEvent event);
  void handleEventOnWorkerQueue(APMEvent event);
  void writeEventOnWorkerQueue(APMEvent event);
  void writeFilteredEventOnWorkerQueue(APMEvent event);
  bool writeEvent(const APMEvent& event, bool isPublicEvent, bool isRealtime);
  std::optional<APMEvent> eventAfterSafelistingEvent(const APMEvent& event) const;
  void processSessionFromEvent(const APMEvent& event);
  bool dedupeSubscriptionEvent(const APMEvent& event);
  bool shouldDropDuplicatedSessionStartWithRolloutEvent(const APMEvent& event);
  APMEvent appExceptionEventWithQuorvaneFeatureRollouts(const APMEvent& event) const;
  void writeSessionStartEventOnWorkerQueue(const APMEvent& event);
  bool updateLifetimeValueWithEvent(const APMEvent& event);
  bool shouldProcessEvent(const APMEvent& event, APMDailyCounts& dailyCounts, bool isPublicEvent);
  bool isRealtimeEvent(APMEvent& event, const APMDailyCounts& dailyCounts);
  void maybeAddDebugAndRealtimeParameters(APMEvent& event);
  void logFirstOpenConsentedEvent(double timestamp);

  // ---- Previous first-open count, kept in the keychain under "_pfo" ----
  std::optional<std::string> previousFirstOpenCount() const;
  // None deletes the item.
  void setPreviousFirstOpenCount(const std::optional<std::string>& count);

  // Stand-ins for later parts record their name (see callTrace) and do
  // nothing else unless told below; each block's owner replaces them in place.

  // --- First open, updates, session starts, lifecycle, reset and wipe (APMMeasurementLifecycle.cpp) ---
  // Worker queue. What this start is: a first open ("_f", "_fi", "_fot"),
  // an app or system update, a pending stored campaign, a new session.
  void reportFirstOpenOnWorkerQueue();
  void reportAppUpdateOnWorkerQueue();
  void reportOSUpdateOnWorkerQueue();
  // Reports a deep link stored before the start; the click time is in ms.
  void reportStoredCampaignEventOnWorkerQueue(std::optional<int64_t> clickTimestampMillis);
  // Any thread: queues a session start at the load time.
  void reportSessionStart();
  // Starts a session ("_sid", "_sno", "_s") when the current one expired.
  void reportSessionStartOnWorkerQueueWithTimestamp(double timestamp, bool appInBackground);
  // A prewarmed launch: the session starts when the first scene connects.
  void reportSessionStartWhenSceneWillConnectOnWorkerQueue();
  // Any thread: queued to the session reporter.
  void setSessionTimeoutInterval(double seconds);
  // A session number of 0 takes the lifetime count of "_s".
  void backfillSessionNumber();
  // The start of the next whole hour (an exact hour moves on by one).
  static int64_t timestampMillisRoundedUpToNextHour(int64_t millis);
  bool isVersionSameAsOriginalVersion();
  // Seconds: when "_fot" was set, else the earliest user property; 0 when unknown.
  double firstOpenTimestamp();

  // Lifecycle. The class follows the app's launch; a started engine
  // follows activation, resignation and the return to the foreground.
  static void subscribeForAppDidFinishLaunchingNotifications();
  static void handleAppDidFinishLaunching(const platform::Notification& notification);
  void subscribeForAppForegroundBackgroundNotifications();
  void handleAppDidBecomeActiveEvent();
  // Holds a background task while the upload queued here may still run.
  void handleAppWillResignActiveEvent();
  void handleAppWillEnterForegroundNotification();
  // Stores the task; a valid task it replaces is ended.
  void swapBackgroundTaskWithNewTaskID(APMBackgroundTaskIdentifier taskID);
  // Flushes the persisted values and ends the held background task.
  void terminateBackgroundTask();

  // Reset and wipe. The reset blocks its caller (never the worker queue)
  // until the wipe has run; a new first open follows when enabled.
  bool resetAnalyticsDataWithAppInstanceID(const std::string& appInstanceID);
  bool wipeoutAnalyticsDataAndResetComponents();

  // Purchases: drops those not purchased and those already reported; the
  // callback hears the rest on the default-priority global queue.
  using PaymentTransactions = std::vector<storekit::SKPaymentTransactionPtr>;
  void filterPurchaseTransactions(PaymentTransactions transactions,
                                  std::function<void(PaymentTransactions transactions)> callback);
  // Worker queue: a wipe lets on-device conversion measurement start afresh.
  void resetPSMCounts();

 private:
  // Removes the foreground and background observations when the engine goes.
  std::shared_ptr<void> appStateObservations_;

 public:
  // --- End of the lifecycle block ---

  // --- User properties and conditional user properties (APMMeasurementUserProperties.cpp) ---
  // Takes over a public event: origin, name, the parameters (screen
  // parameters merged in, they win) and the time, seconds since 1970.
  using EventInterceptor = std::function<void(const std::string& origin, const std::string& name,
                                              const APMEvent::Parameters& parameters, double timestamp)>;
  using UserAttributeCallback = std::function<void(const std::optional<APMUserAttribute>& attribute)>;
  using UserPropertiesCallback = std::function<void(const platform::Value::Dictionary& properties)>;
  using MaxUserPropertiesCallback = std::function<void(int32_t maximum)>;
  // Session ID, or 0 with an error (code 13).
  using SessionIDCompletion = std::function<void(int64_t sessionID, const std::optional<APMError>& error)>;
  // New non-public user properties one origin may hold.
  static constexpr int32_t kMaxUserPropertiesPerOrigin = 25;

  // Entries, any thread. Each queues its worker-queue form and holds the
  // engine weakly (the event entry holds it until the block has run).
  void logEventWithOrigin(const std::string& origin, bool isPublicEvent, const std::string& name,
                          const APMParameterObjects& parameters, double timestamp, bool enabled, bool ignoreEnabled,
                          bool ignoreInterceptor, EventInterceptor interceptor,
                          const APMParameterObjects& addedScreenParameters);
  // None clears every default parameter.
  void setDefaultEventParameters(const std::optional<platform::Value::Dictionary>& parameters);
  // None is logged (23074 / 23079) and not queued.
  void removeUserAttribute(const std::optional<APMUserAttribute>& attribute);
  void setUserAttribute(const std::optional<APMUserAttribute>& attribute);
  // The answer comes on the background-priority global queue. An empty
  // callback is logged (23088 / 23090) and nothing is queued.
  void userAttributeWithName(const std::string& name, UserAttributeCallback callback);
  void userPropertiesIncludingInternal(bool includeInternal, UserPropertiesCallback callback);
  // Not through the worker queue; answers 25.
  void maxUserPropertiesForOrigin(const std::string& origin, MaxUserPropertiesCallback callback);
  // The completion runs on the worker queue (or at once when the engine is gone).
  void sessionIDWithCompletion(SessionIDCompletion completion);
  // Optional "email_address" and "phone_number".
  void setUserData(const platform::Value::Dictionary& userData);

  // Worker queue.
  void logEventOnWorkerQueueWithOrigin(const std::string& origin, bool isPublicEvent, const std::string& name,
                                       const APMParameterObjects& parameters, double timestamp, bool enabled,
                                       bool ignoreEnabled, bool ignoreInterceptor, const EventInterceptor& interceptor,
                                       const APMParameterObjects& addedScreenParameters);
  void logEventOnWorkerQueue(APMEvent event, bool notifyEventListeners);
  void handleSetDefaultEventParametersOnWorkerQueue(const std::optional<platform::Value::Dictionary>& parameters);
  // The stored defaults under the given parameters (a given key wins).
  APMParameterObjects parametersWithAddedDefaultEventParameters(const APMParameterObjects& parameters) const;
  void removeUserAttributeOnWorkerQueue(const APMUserAttribute& attribute);
  void setUserAttributeOnWorkerQueue(const APMUserAttribute& attribute);
  // Checks the per-origin limits for a new name, then stores; true when stored.
  bool setUserPropertyInDatabaseOnWorkerQueue(const APMUserAttribute& attribute);
  // Brings "_npa" in line with shouldDisableAdPersonalization.
  void setPersonalizedAdsUserPropertyOnWorkerQueue();
  void updateAdPersonalizationConsentFromNPAValue(bool npa);
  // YES: personalised ads off; none: nothing says either way.
  std::optional<bool> shouldDisableAdPersonalization();
  static bool shouldAllowAdNetworkRegistration();
  void setLastAdvertisingIDResetUserPropertyOnWorkerQueue();
  // Whether "_id" is stored; query errors count as NO.
  bool hasUserPropertyUserIDOnWorkerQueue();
  void setUserDataOnWorkerQueue(const platform::Value::Dictionary& userData);
  // The events the conditional user properties make of a processed event;
  // none when they could not be processed.
  std::optional<std::vector<APMEvent>> conditionalUserPropertyEventsForEvent(const APMEvent& event);
  // The facade's listener notice.
  void notifyEventListeners(const APMEvent& event);
  // --- End of the user-properties block ---

  // --- Attribution (APMMeasurementAttribution.cpp) ---
  // Conversion values (worker queue).
  // The ad-network version the system supports: "4.0" from 16.1 down to "0".
  static std::string SKANVersion();
  // Within 48 hours (inclusive) of first open, in whole milliseconds.
  bool isInFirstSKANPostbackWindow();
  // More than 35 days after first open.
  bool isPastAllSKANPostbackWindows();
  static bool isValidFineConversionValue(int64_t value);
  // 3 high, 2 medium, anything else low.
  static std::string convertCoarseConversionValueFromProtoValue(int32_t value);
  int64_t SKANFetchRetryLimit();
  bool shouldFetchSKANConversionValue();
  void scheduleSKANCVFetchAfterDataUpload();
  void fetchSKANCV();
  void handleSKANFetchResponse(const std::optional<platform::TVUHTTPResponse>& response, const platform::Bytes& data,
                               const std::optional<platform::Status>& error);
  void updateSKANPostbackConversionValueFromResponse(
      const std::shared_ptr<APMPBSkAdNetworkConversionValueResponse>& response);
  // error: none for success.
  void handleSKANUpdatePostbackCompletion(const std::shared_ptr<APMPBSkAdNetworkConversionValueResponse>& response,
                                          const std::optional<std::string>& errorDomain, int64_t errorCode);
  void maybeScheduleSKANCVFetchRetry();
  void stopProcessingSKANResponseAndResetRetryCount();
  void maybeFetchSKANCVAfterReachabilityChange();

  // On-device conversion measurement (worker queue); the add-on is looked
  // up by name. The start's checks also record their name (callTrace).
  static std::optional<APMPrivateSetMembershipClientClass> PSMClientClass();
  void checkPSMDependencyOnWorkerQueue();
  bool shouldRetrievePSMResponse();
  bool shouldRetrievePSMResponseWithEmailAddress(const std::string& emailAddress);
  bool shouldRetrievePSMResponseWithPhoneNumber(const std::string& phoneNumber);
  // None without the add-on (or an initialiser for the input).
  std::shared_ptr<APMPrivateSetMembershipClient> PSMClientWithEmailAddress(const std::string& emailAddress);
  std::shared_ptr<APMPrivateSetMembershipClient> PSMClientWithPhoneNumber(const std::string& phoneNumber);
  // The client of the current request (none between requests).
  std::shared_ptr<APMPrivateSetMembershipClient> privateSetMembershipClient() const;
  void setPrivateSetMembershipClient(std::shared_ptr<APMPrivateSetMembershipClient> client);
  void retrievePSMResponse();
  void maybeSchedulePSMRetry();
  void handlePSMValueOnWorkerQueue(const std::string& value);
  void incrementPSMCountOnWorkerQueueWithName(const std::string& name);
  void maybeDeleteExpiredPSMValueOnWorkerQueue();
  bool isPSMRequestPostponed() const { return isPSMRequestPostponed_; }
  void setIsPSMRequestPostponed(bool value) { isPSMRequestPostponed_ = value; }
  bool isPSMRequestInProgress() const { return isPSMRequestInProgress_; }
  int64_t PSMStartCount() const { return PSMStartCount_; }
  void setPSMStartCount(int64_t value) { PSMStartCount_ = value; }
  int64_t PSMRetryCount() const { return PSMRetryCount_; }
  void setPSMRetryCount(int64_t value) { PSMRetryCount_ = value; }
  const std::shared_ptr<APMAlarm>& PSMRetryAlarm() const { return PSMRetryAlarm_; }

  // Campaign URLs and deep links.
  // The web page URL of a browsing activity; none (logged) otherwise.
  static std::optional<std::string> deepLinkFromUserActivity(const std::optional<platform::UserActivity>& activity);
  // Stores the launch's deep link (an activity's before the URL) for the start to report.
  static void handleStoredURLAfterAppLaunchWithNotification(const platform::NotificationUserInfo& userInfo);
  // Any thread but the worker queue (refused there, 23163).
  void handleNonFirstOpenEventURL(const std::string& url, double eventTimestampSeconds);
  void handleOpenURL(const std::string& url, std::optional<int64_t> clickTimestampMillis,
                     double eventTimestampSeconds);
  void handleDebugModeWithURL(const std::string& url);
  void handleDeepLink(const std::string& url, std::optional<int64_t> clickTimestampMillis,
                      double eventTimestampSeconds);
  void handleOpenURLOnWorkerQueue(const std::string& url, std::optional<int64_t> clickTimestampMillis,
                                  double eventTimestampSeconds, const APMEvent::Parameters& extraParameters);
  static bool isValidCampaignURLParamDictionary(const std::map<std::string, std::string>& parameters);
  bool shouldAllowClickID();
  // Deferred deep links.
  bool shouldAllowRequestDeferredDeepLink();
  void requestDeferredDeepLink();
  std::optional<platform::Value::Dictionary> deepLinkInfoFromResponseData(const platform::Bytes& data);
  void handleDeferredDeepLinkInfo(const platform::Value::Dictionary& info);
  // Main thread: hands the URL to the application delegate when it takes
  // opened URLs itself; answers whether it did.
  static bool sendDeepLinkURLToAppDelegateOnMainThread(const std::string& url,
                                                       const std::map<std::string, std::string>& extraInfo);
  // --- End of the attribution block ---

  // The stand-in calls and the start's component steps so far, oldest
  // first (any thread).
  std::vector<std::string> callTrace() const;

  // --- Bundling and sampling (APMMeasurementBundling.cpp) ---
  // The metadata stored with each raw event (also used by intake).
  std::shared_ptr<APMPBMeasurementBundle> createRawEventMetadataWithUserAttributes(
      const std::vector<APMUserAttribute>& userAttributes);
  // One transaction: true when raw events were consumed (queued as a bundle,
  // or deleted because they cannot decode or sampling left none).
  bool bundleRawEvents();
  // The raw events of one bundle: one hour, one unbroken run of row IDs,
  // within the count and size limits. A row that does not decode is taken
  // (size 0) while it continues the run, so it can be deleted with the rest.
  struct RawEventSelection {
    std::vector<APMRawEventData> rawEvents;  // the rows taken that decoded, in row order
    int64_t maxRowID = -1;                   // the last row taken; -1 when none
    bool noneDecoded = false;                // rows were taken and none of them decoded
  };
  // None when the read failed (logged).
  std::optional<RawEventSelection> rawEventsWithMetadataFingerprint(int64_t metadataFingerprint);
  // Events to bundle, empty (all rejected and deleted up to maxRowID), or none.
  std::optional<std::vector<APMRawEventData>> processRawEvents(const std::vector<APMRawEventData>& rawEvents,
                                                              int64_t metadataFingerprint, int64_t maxRowID);
  APMRawEventData internalEventFromPublicEvent(const APMRawEventData& rawEvent);
  APMRawEventData validatePurchaseEvent(const APMRawEventData& rawEvent);
  bool checkConversion(APMEvent& event, APMDailyCounts& dailyCounts);
  bool checkRealtime(APMEvent& event, APMDailyCounts& dailyCounts);
  // Session start and engagement ("_lte", "_se"); failures are logged and end it early.
  void evaluationTimeFromRawEvents(const std::vector<APMRawEventData>& rawEvents, APMPBMeasurementBundle* bundle);
  // The bundle's wire events, each with the time its name was last seen.
  std::optional<std::vector<std::shared_ptr<APMPBEvent>>> eventsAfterUpdatingEventAggregates(
      const std::vector<APMRawEventData>& rawEvents, APMAudienceTimestampsCache* audienceTimestampsCache);
  // Times in seconds.
  bool updateAppMetadataForBundle(APMPBMeasurementBundle* bundle, double bundleStartTimestamp,
                                  double bundleEndTimestamp);
  bool updateUserEngagement(int64_t engagementMillis, APMPBMeasurementBundle* bundle, bool sessionScoped);
  void addBundleMetadataIntoBundle(APMPBMeasurementBundle* bundle, double bundleStartTimestamp,
                                   double bundleEndTimestamp);
  // Kept events in their order, or none with the error.
  std::optional<std::vector<std::shared_ptr<APMPBEvent>>> sampleEvents(
      const std::vector<std::shared_ptr<APMPBEvent>>& events, APMError* error);
  bool canEventBeSampled(const APMPBEvent& event);
  // YES with probability 1/rate.
  bool isEventBundledAfterRoll(int32_t rate);
  // A uniform integer in [0, upperBound); tests inject their rolls.
  using SamplingRollSource = std::function<uint32_t(uint32_t upperBound)>;
  void setSamplingRollSource(SamplingRollSource source) { samplingRollSource_ = std::move(source); }

 private:
  // Today's number for the daily counts (the persisted midnight offset applied).
  int32_t currentDayForDailyCounts() const;
  SamplingRollSource samplingRollSource_;

 public:
  // --- Upload and configuration fetch (APMMeasurementUpload.cpp) ---
  // updateSchedule is called by start and intake: define first.
  bool hasDataToUpload();
  // Seconds since 1970 at which the next upload is due; 0 for none.
  double nextUploadingTime();
  void updateSchedule();
  void uploadDataOrRegisterAlarm();
  void uploadData();
  bool isNetworkReadyForRequest();
  bool shouldUseBackgroundSession();
  std::vector<APMDatabase::QueuedBundle> filteredBundlesWithCompatibleAppID(
      const std::string& compatibleAppID, const std::optional<std::string>& resettableDeviceID,
      const std::optional<std::string>& vendorDeviceID, const std::vector<APMDatabase::QueuedBundle>& bundlesToUpload);
  void setUploadInProgressWithBundleIDs(const std::vector<platform::Value>& bundleIDs);
  void networkUploadCompletionHandlerWithResponse(const std::optional<platform::TVUHTTPResponse>& response,
                                                  const std::optional<platform::Status>& error);
  void incrementRetryCounter();
  bool removeBundlesFromDatabaseWithIDs(const std::vector<platform::Value>& bundleIDs);
  void fetchRemoteConfig();
  void networkRemoteConfigFetchCompletionHandler(const std::optional<platform::TVUHTTPResponse>& response,
                                                 const platform::Bytes& data,
                                                 const std::optional<platform::Status>& error);

 private:
  // --- End of the bundling/upload blocks ---

  struct PrivateTag {};

 public:
  APMMeasurement(PrivateTag, const std::string& databaseName, std::shared_ptr<APMPersistedConfig> persistedConfig,
                 std::shared_ptr<platform::TVUNetwork> network, std::shared_ptr<APMScheduler> scheduler,
                 std::shared_ptr<APMAlarm> alarm, const std::string& appID, bool isAnalyticsCollectionEnabled,
                 bool isAnalyticsCollectionDeactivated, const std::vector<std::string>& safelistedEvents,
                 std::shared_ptr<APMEManager> experimentManager);

 private:
  // The one-time part of the start.
  bool initializeComponents();
  void recordCall(std::string name) const;

  // Fields in their documented order.
  std::string databaseName_;
  std::atomic<bool> didInitializeComponents_{false};
  std::mutex initializeComponentsLock_;
  std::shared_ptr<APMAlarm> alarm_;
  std::shared_ptr<APMAudience> audience_;
  std::shared_ptr<APMDatabase> database_;
  std::shared_ptr<APMIdentity> identity_;
  std::shared_ptr<platform::TVUNetwork> network_;
  std::shared_ptr<APMPersistedConfig> persistedConfig_;
  std::shared_ptr<APMRemoteConfig> remoteConfig_;  // guarded by remoteConfigMu_ (read from any thread)
  mutable std::mutex remoteConfigMu_;
  std::shared_ptr<APMScheduler> scheduler_;
  APMAtomicSharedPtr<APMSessionReporter> sessionReporter_;
  std::shared_ptr<APMSearchAdReporter> searchAdReporter_;
  std::shared_ptr<APMEManager> experimentManager_;
  std::shared_ptr<void> privateSetMembershipClient_;
  bool isPSMRequestInProgress_ = false;
  bool isPSMRequestPostponed_ = false;
  int64_t PSMStartCount_ = 0;
  int64_t PSMRetryCount_ = 0;
  std::shared_ptr<APMAlarm> PSMRetryAlarm_;
  bool isSKANRequestInProgress_ = false;
  bool fetchSKANWhenNetworkConnected_ = false;
  int64_t lastEventEndTimestampMsec_ = 0;
  int64_t SKANRetryCount_ = 0;
  std::shared_ptr<APMAlarm> SKANRetryAlarm_;
  std::shared_ptr<APMAlarm> SKANDelayAlarm_;
  // Row IDs of the bundles being uploaded; none when no upload is under way.
  std::optional<std::vector<platform::Value>> uploadingBundleIDs_;
  std::string previousKVLAppID_;
  std::atomic<APMBackgroundTaskIdentifier> backgroundUpdateTask_{kAPMBackgroundTaskInvalid};
  double initTimestamp_ = 0;
  double suspendedUploadTimestamp_ = 0;
  std::string appID_;
  std::vector<std::string> safelistedEvents_;
  bool foundAdPersonalizationPlistFlag_ = false;
  bool shouldUpdateNPAUserProperty_ = false;
  bool shouldRequestDeferredDeepLinkAfterConfigFetch_ = false;
  std::atomic<bool> enabled_{false};
  bool wasEnabledDuringInitialization_ = false;
  bool isAnalyticsCollectionEnabled_ = false;
  bool isAnalyticsCollectionDeactivated_ = false;
  bool isNetworkRequestPending_ = false;
  std::weak_ptr<APMMeasurementDelegate> measurementDelegate_;

  mutable std::mutex callTraceMu_;
  mutable std::vector<std::string> callTrace_;
};
