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
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/APMEvent.h"
#include "Analytics/Engine/Monitor/APMError.h"
#include "Analytics/Protobuf/APMPBMessage.h"
#include "Analytics/Storage/APMDailyCounts.h"
#include "Analytics/Storage/APMDatabase.h"
#include "Analytics/Storage/APMRawEventData.h"
#include "Analytics/Storage/APMUserAttribute.h"
#include "Platform/Foundation/Status.h"
#include "Platform/Foundation/Value.h"
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
  const std::shared_ptr<APMSessionReporter>& sessionReporter() const { return sessionReporter_; }
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
  void reportFirstOpenOnWorkerQueue();
  void reportAppUpdateOnWorkerQueue();
  void reportOSUpdateOnWorkerQueue();
  void reportStoredCampaignEventOnWorkerQueue(std::optional<int64_t> clickTimestampMillis);
  // Records; for an expired session, marks activity now (a new session).
  void reportSessionStartOnWorkerQueueWithTimestamp(double timestamp, bool appInBackground);
  void backfillSessionNumber();
  // Answers YES.
  bool wipeoutAnalyticsDataAndResetComponents();
  void subscribeForAppForegroundBackgroundNotifications();
  void swapBackgroundTaskWithNewTaskID(APMBackgroundTaskIdentifier taskID);
  // Ends the held background task (the identifier goes back to invalid).
  void terminateBackgroundTask();
  // --- End of the lifecycle block ---

  // --- User properties and conditional user properties (APMMeasurementUserProperties.cpp) ---
  void setPersonalizedAdsUserPropertyOnWorkerQueue();
  void setLastAdvertisingIDResetUserPropertyOnWorkerQueue();
  // Stores the attribute (the upsert step of setting a user property).
  bool setUserPropertyInDatabaseOnWorkerQueue(const APMUserAttribute& attribute);
  // Whether "_id" is stored; query errors count as NO.
  bool hasUserPropertyUserIDOnWorkerQueue();
  // Events the conditional user properties make of an event: none yet.
  std::optional<std::vector<APMEvent>> conditionalUserPropertyEventsForEvent(const APMEvent& event);
  // Answers NO.
  static bool disableVXRMeasurement();
  // The facade's listener notice.
  void notifyEventListeners(const APMEvent& event);
  // --- End of the user-properties block ---

  // --- Attribution (APMMeasurementAttribution.cpp) ---
  // Answers NO.
  bool isInFirstSKANPostbackWindow();
  void maybeFetchSKANCVAfterReachabilityChange();
  void scheduleSKANCVFetchAfterDataUpload();
  void checkPSMDependencyOnWorkerQueue();
  void maybeDeleteExpiredPSMValueOnWorkerQueue();
  void retrievePSMResponse();
  bool isPSMRequestPostponed() const { return isPSMRequestPostponed_; }
  void setIsPSMRequestPostponed(bool value) { isPSMRequestPostponed_ = value; }
  // Answers NO.
  bool shouldAllowRequestDeferredDeepLink();
  void requestDeferredDeepLink();
  void handleOpenURLOnWorkerQueue(const std::string& url, std::optional<int64_t> clickTimestampMillis,
                                  double eventTimestampSeconds, const APMEvent::Parameters& extraParameters);
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
  std::shared_ptr<APMSessionReporter> sessionReporter_;
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
