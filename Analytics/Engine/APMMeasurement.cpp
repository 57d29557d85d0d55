#include "Analytics/Engine/APMMeasurement.h"

#include <mutex>
#include <utility>

#include "Analytics/Engine/APMAlarm.h"
#include "Analytics/Engine/APMBackwardCompatibilityUtil.h"
#include "Analytics/Engine/APMDataTypeValidator.h"
#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMIdentifiers.h"
#include "Analytics/Engine/APMIdentity.h"
#include "Analytics/Engine/APMScheduler.h"
#include "Analytics/Engine/APMSearchAdReporter.h"
#include "Analytics/Engine/APMSessionReporter.h"
#include "Analytics/Engine/Interface/APMAnalytics.h"
#include "Analytics/Engine/Interface/APMAppEnvironment.h"
#include "Analytics/Engine/Interface/APMConsentSettingsUtil.h"
#include "Analytics/Engine/Interface/APMDeepLinkKeys.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Engine/Monitor/APMUserDefaults.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Analytics/Storage/Audience/APMAudience.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Analytics/Storage/Experiments/APMEManager.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/DataRoot.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Runtime/ClassRegistry.h"
#include "Platform/Runtime/Deployment.h"
#include "Platform/TrivandelUtilities/TVULogger.h"

namespace {

constexpr const char* kPublicAnalyticsClass = "QRVAnalytics";
constexpr const char* kRemoteConfigSDKClass = "QRVRemoteConfig";
constexpr const char* kLoggerService = "<VurAvizivozora>";
constexpr const char* kHelpPointer = " (see the Analytics logging section of the Facility README)";

// Process-wide state of the class.
struct SharedState {
  std::mutex mu;
  bool initialized = false;
  std::shared_ptr<APMMeasurement> instance;
};

SharedState& EngineSlot() {
  static SharedState* state = new SharedState;
  return *state;
}

bool PublicAnalyticsClassExists() { return platform::ClassRegistry::shared().classExists(kPublicAnalyticsClass); }

bool IsSet(const std::optional<std::string>& value) { return value && !value->empty(); }

std::shared_ptr<APMMeasurement> CurrentInstance() {
  std::lock_guard<std::mutex> lock(EngineSlot().mu);
  return EngineSlot().instance;
}

// The engine answers the remote configuration; internal events (error
// events) reach it the way the facade will hand them over: stamped now,
// not public, handled on the worker queue.
void InstallEngineHooks() {
  APMEngineHooks::setRemoteConfigProvider([] { return APMMeasurement::remoteConfig(); });
  // Internal events (error events) take the facade's road: stamped, held
  // until the facade started, then handed to the engine in order.
  APMEngineHooks::setInternalEventLogger(
      [](const std::string& origin, const std::string& name, const APMEvent::Parameters& parameters) {
        APMParameterObjects objects;
        for (const auto& [key, value] : parameters) objects.emplace(key, value);
        APMAnalytics::sharedInstance()->logInternalEvent(origin, name, objects);
      });
  // An app's screen view keeps the time it was logged at.
  APMEngineHooks::setTimedInternalEventLogger([](const std::string& origin, const std::string& name, double timestamp,
                                                 const APMEvent::Parameters& parameters) {
    APMParameterObjects objects;
    for (const auto& [key, value] : parameters) objects.emplace(key, value);
    APMAnalytics::logInternalEventWithOrigin(origin, name, timestamp, objects);
  });
  APMEngineHooks::setPurchaseFingerprintsForgetter([](const std::vector<std::string>& fingerprints) {
    if (std::shared_ptr<APMMeasurement> engine = CurrentInstance()) engine->forgetPurchaseFingerprints(fingerprints);
  });
}

// The hooks report what the shared engine is doing. Read and published
// under the class lock, so that two threads publishing cannot leave an older
// reading last.
void PublishState(const APMMeasurement* engine) {
  std::lock_guard<std::mutex> lock(EngineSlot().mu);
  if (EngineSlot().instance.get() != engine) return;
  APMEngineHooks::setEngineState({true, engine->didInitializeComponents(), engine->isEnabled()});
}

}  // namespace

// ---- Shared instance ----

void APMMeasurement::initializeSharedInstanceWithAppID(const std::string& appID, bool isAnalyticsCollectionEnabled,
                                                       bool isAnalyticsCollectionDeactivated,
                                                       const std::vector<std::string>& safelistedEvents) {
  std::shared_ptr<APMMeasurement> created;
  {
    std::lock_guard<std::mutex> lock(EngineSlot().mu);
    if (EngineSlot().initialized) return;
    EngineSlot().initialized = true;
  }
  // Created outside the class lock: creation queues work and logs.
  if (!appID.empty()) {
    created = initWithAppID(appID, isAnalyticsCollectionEnabled, isAnalyticsCollectionDeactivated, safelistedEvents,
                            APMEManager::sharedInstance());
  }
  if (!created) return;
  {
    std::lock_guard<std::mutex> lock(EngineSlot().mu);
    EngineSlot().instance = created;
  }
  InstallEngineHooks();
  PublishState(created.get());
}

bool APMMeasurement::hasSharedInstance() {
  std::lock_guard<std::mutex> lock(EngineSlot().mu);
  return EngineSlot().initialized && EngineSlot().instance != nullptr;
}

std::shared_ptr<APMMeasurement> APMMeasurement::sharedInstance() {
  bool warn = false;
  std::shared_ptr<APMMeasurement> instance;
  {
    std::lock_guard<std::mutex> lock(EngineSlot().mu);
    warn = !EngineSlot().initialized;
    instance = EngineSlot().instance;
  }
  if (warn && PublicAnalyticsClassExists()) {
    platform::TVULogWarning(kLoggerService, false, "I-ACS023147",
                            "Trivandel Analytics for Quorvane has not been created. Please, configure Quorvane by "
                            "calling [QRVApp configure]");
  }
  return instance;
}

APMMonitor& APMMeasurement::monitor() { return APMMeasurementMonitor(); }

std::shared_ptr<APMRemoteConfig> APMMeasurement::remoteConfig() {
  std::shared_ptr<APMMeasurement> instance;
  {
    std::lock_guard<std::mutex> lock(EngineSlot().mu);
    instance = EngineSlot().instance;
  }
  if (instance) {
    if (auto config = instance->remoteConfigInstance()) return config;
  }
  return APMRemoteConfig::defaultInstance();
}

bool APMMeasurement::isQuorvaneRemoteConfigSDKPresent() {
  return platform::ClassRegistry::shared().classExists(kRemoteConfigSDKClass);
}

std::optional<std::vector<std::string>> APMMeasurement::validatedSafelistedEvents(const platform::Value& value) {
  const platform::Value::Array* list = value.getArray();
  if (list == nullptr) {
    monitor().logWithLevel(0, 25034, "Invalid safelisted event parameter. Type must be an array");
    return std::nullopt;
  }
  std::vector<std::string> names;
  for (const platform::Value& element : *list) {
    const std::string* name = element.getString();
    int64_t failureCode = 0;
    if (name == nullptr || !APMDataTypeValidator::isValidInternalEventName(*name, &failureCode)) {
      monitor().logWithLevel(0, 25035, "Invalid event name for safelisting. Name",
                             APMLogContext(name != nullptr ? *name : element.description()));
      return std::nullopt;
    }
    names.push_back(*name);
  }
  return names;
}

void APMMeasurement::resetSharedInstanceForTesting() {
  std::shared_ptr<APMMeasurement> old;
  {
    std::lock_guard<std::mutex> lock(EngineSlot().mu);
    old = std::move(EngineSlot().instance);
    EngineSlot().instance = nullptr;
    EngineSlot().initialized = false;
  }
  APMEngineHooks::setRemoteConfigProvider(nullptr);
  APMEngineHooks::setInternalEventLogger(nullptr);
  APMEngineHooks::setPurchaseFingerprintsForgetter(nullptr);
  APMEngineHooks::setEngineState({});
}

void APMMeasurement::installSharedInstanceForTesting(std::shared_ptr<APMMeasurement> engine) {
  {
    std::lock_guard<std::mutex> lock(EngineSlot().mu);
    EngineSlot().initialized = true;
    EngineSlot().instance = engine;
  }
  InstallEngineHooks();
  if (engine) PublishState(engine.get());
}

// ---- Creation ----

std::shared_ptr<APMMeasurement> APMMeasurement::initWithAppID(const std::string& appID,
                                                              bool isAnalyticsCollectionEnabled,
                                                              bool isAnalyticsCollectionDeactivated,
                                                              const std::vector<std::string>& safelistedEvents,
                                                              std::shared_ptr<APMEManager> experimentManager) {
  APMMonitor& log = monitor();
  if (appID.empty()) {
    log.logWithLevel(1, 23170, "Cannot start Measurement. App ID is empty.");
    return nullptr;
  }
  bool publicClass = PublicAnalyticsClassExists();
  log.logWithLevel(6, 23007, "Analytics v." + std::string(kDefaultTopLevelVersion) + " started");
  if (publicClass) {
    log.logWithLevel(8, 23222, "Build " + std::to_string(APMIdentity::appMeasurementLibraryVersion()));
  }

  // How to switch logging; the arguments themselves are read by the monitor.
  const char* prefix = publicClass ? "QRV" : "APM";
  std::string argument = log.isDebugModeEnabled() ? std::string("-no") + prefix + "AnalyticsDebugEnabled"
                                                  : std::string("-") + prefix + "AnalyticsDebugEnabled";
  log.logWithLevel(6, 23008,
                   std::string(log.isDebugModeEnabled() ? "To disable" : "To enable") +
                       " debug logging set the following application argument: " + argument + kHelpPointer);
  log.logWithLevel(7, 23009, "Debug logging enabled");
  argument = std::string("-") + prefix +
             (log.isVerboseLoggingEnabled() ? "AnalyticsVerboseLoggingDisabled" : "AnalyticsVerboseLoggingEnabled");
  log.logWithLevel(7, 23207,
                   std::string(log.isVerboseLoggingEnabled() ? "To disable" : "To enable") +
                       " verbose logging set the following application argument: " + argument + kHelpPointer);

  auto network = std::make_shared<platform::TVUNetwork>(platform::Deployment::measurementServiceHost());
  network->setIsDebugModeEnabled(log.isDebugModeEnabled());

  auto scheduler = std::make_shared<APMScheduler>(kWorkerQueueLabel);
  auto alarm = std::make_shared<APMAlarm>(scheduler->workerQueue(), kAlarmName);
  return initWithDatabaseName(APMDatabase::kDatabaseName, APMPersistedConfig::sharedInstance(), std::move(network),
                              std::move(scheduler), std::move(alarm), appID, isAnalyticsCollectionEnabled,
                              isAnalyticsCollectionDeactivated, safelistedEvents, std::move(experimentManager));
}

std::shared_ptr<APMMeasurement> APMMeasurement::initWithDatabaseName(
    const std::string& databaseName, std::shared_ptr<APMPersistedConfig> persistedConfig,
    std::shared_ptr<platform::TVUNetwork> network, std::shared_ptr<APMScheduler> scheduler,
    std::shared_ptr<APMAlarm> alarm, const std::string& appID, bool isAnalyticsCollectionEnabled,
    bool isAnalyticsCollectionDeactivated, const std::vector<std::string>& safelistedEvents,
    std::shared_ptr<APMEManager> experimentManager) {
  if (!persistedConfig || !scheduler || !alarm) return nullptr;
  auto engine = std::make_shared<APMMeasurement>(PrivateTag{}, databaseName, std::move(persistedConfig),
                                                 std::move(network), std::move(scheduler), std::move(alarm), appID,
                                                 isAnalyticsCollectionEnabled, isAnalyticsCollectionDeactivated,
                                                 safelistedEvents, std::move(experimentManager));
  if (engine->network_) engine->network_->setLoggerDelegate(engine);
  bool enable = engine->shouldEnableMeasurement();
  engine->setEnabled(enable);
  engine->wasEnabledDuringInitialization_ = enable;
  engine->swapBackgroundTaskWithNewTaskID(kAPMBackgroundTaskInvalid);
  return engine;
}

APMMeasurement::APMMeasurement(PrivateTag, const std::string& databaseName,
                               std::shared_ptr<APMPersistedConfig> persistedConfig,
                               std::shared_ptr<platform::TVUNetwork> network, std::shared_ptr<APMScheduler> scheduler,
                               std::shared_ptr<APMAlarm> alarm, const std::string& appID,
                               bool isAnalyticsCollectionEnabled, bool isAnalyticsCollectionDeactivated,
                               const std::vector<std::string>& safelistedEvents,
                               std::shared_ptr<APMEManager> experimentManager)
    : databaseName_(databaseName),
      alarm_(std::move(alarm)),
      network_(std::move(network)),
      persistedConfig_(std::move(persistedConfig)),
      scheduler_(std::move(scheduler)),
      experimentManager_(std::move(experimentManager)),
      appID_(appID),
      safelistedEvents_(safelistedEvents),
      isAnalyticsCollectionEnabled_(isAnalyticsCollectionEnabled),
      isAnalyticsCollectionDeactivated_(isAnalyticsCollectionDeactivated) {
  // The first load time ever seen survives restarts until a start clears it.
  std::optional<platform::Value> stored = persistedConfig_->loadTimestampValue();
  std::optional<double> storedSeconds = stored ? stored->numberAsDouble() : std::nullopt;
  if (storedSeconds) {
    initTimestamp_ = *storedSeconds;
  } else {
    initTimestamp_ = APMAnalytics::loadTimestamp();
    persistedConfig_->setLoadTimestampValue(platform::Value(initTimestamp_));
  }
}

APMMeasurement::~APMMeasurement() = default;

// ---- Enablement and start ----

bool APMMeasurement::shouldEnableMeasurement() const {
  if (isAnalyticsCollectionDeactivated_) return false;
  switch (persistedConfig_->measurementEnabledState()) {
    case 1:
      return true;
    case 2:
      return false;
    default:
      return isAnalyticsCollectionEnabled_;
  }
}

void APMMeasurement::setEnabled(bool enabled) {
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:622", [weak, enabled] {
    if (auto self = weak.lock()) self->setEnabledOnWorkerQueue(enabled);
  });
}

void APMMeasurement::setEnabledOnWorkerQueue(bool enabled) {
  APMScheduler::checkOnBackgroundThreadWithMethodName("setIsEnabledOnWorkerQueue");
  APMMonitor& log = monitor();
  if (isAnalyticsCollectionDeactivated_ && enabled) {
    log.logWithLevel(6, 23206, "Analytics collection deactivated");
    return;
  }
  if (!isAnalyticsCollectionDeactivated_ && !APMAnalytics::deferredAnalyticsCollection()) {
    APMAnalytics::setDeferredAnalyticsCollection(platform::Value(static_cast<int64_t>(enabled ? 0 : 1)));
  }
  enabled_ = enabled;
  PublishState(this);

  if (enabled) {
    if (!startMeasurementOnWorkerQueue()) {
      log.logWithLevel(0, 23011, "Failed to start Analytics. Analytics is disabled");
      setEnabled(false);
      return;
    }
    if (sessionReporter_) sessionReporter_->setReportingEnabled(true);
    if (searchAdReporter_) searchAdReporter_->setSearchAdReporterEnabled(true);
    log.logWithLevel(6, 23012, "Analytics collection enabled");
    if (APMEngineHooks::automaticScreenReportingEnabled() && PublicAnalyticsClassExists()) {
      log.logWithLevel(6, 23220,
                       "Analytics screen reporting is enabled. Call Analytics.logEvent(AnalyticsEventScreenView, "
                       "parameters: [...]) to log a screen view event. To disable automatic screen reporting, set "
                       "the flag %@ to NO (boolean) in the Info.plist",
                       APMLogContext("QuorvaneAutomaticScreenReportingEnabled"));
    }
    return;
  }

  APMClearStoredDeepLinkIfExpired(*remoteConfig());
  alarm_->cancel();
  if (sessionReporter_) sessionReporter_->setReportingEnabled(false);
  if (searchAdReporter_) searchAdReporter_->setSearchAdReporterEnabled(false);
  log.logWithLevel(6, 23013, "Analytics collection disabled");
}

bool APMMeasurement::startMeasurementOnWorkerQueue() {
  APMScheduler::checkOnBackgroundThreadWithMethodName("startMeasurementOnWorkerQueue");
  {
    std::lock_guard<std::mutex> lock(initializeComponentsLock_);
    if (!didInitializeComponents()) {
      if (!initializeComponents()) return false;
      setDidInitializeComponents(true);
    }
  }
  setPersonalizedAdsUserPropertyOnWorkerQueue();
  if (APMAnalytics::needFirstOpenAfterReset()) {
    reportFirstOpenOnWorkerQueue();
    APMAnalytics::removeNeedFirstOpenAfterReset();
  }
  updateSchedule();
  if (APMBackwardCompatibilityUtil::disableVXRMeasurement()) {
    monitor().logWithLevel(1, 23210, "Disabled the legacy measurement class");
  }
  return true;
}

void APMMeasurement::setDidInitializeComponents(bool value) {
  didInitializeComponents_ = value;
  PublishState(this);
}

std::shared_ptr<APMRemoteConfig> APMMeasurement::remoteConfigInstance() const {
  std::lock_guard<std::mutex> lock(remoteConfigMu_);
  return remoteConfig_;
}

std::vector<int64_t> APMMeasurement::experimentIDs() const {
  return experimentManager_ ? experimentManager_->experimentIDs() : std::vector<int64_t>{};
}

bool APMMeasurement::initializeComponents() {
  APMMonitor& log = monitor();

  // 1. Identity.
  identity_ = APMIdentity::sharedInstance();
  if (!identity_) return false;
  recordCall("identity");

  // 2-3. Consent chosen for this start, and whether it withdrew an earlier one.
  std::optional<platform::Value> rememberedConsent;
  if (auto current = APMConsentSettingsUtil::consentSettings()) rememberedConsent = platform::Value(*current);
  setProspectiveConsentSettings();
  bool resetOnDeniedConsent = APMConsentSettingsUtil::didWithdrawPreviousConsent(rememberedConsent) ||
                              APMAnalytics::deferredResetOnDeniedConsent();
  APMAnalytics::removeStartUpConsentSettings();
  APMAnalytics::removeDeferredResetOnDeniedConsent();

  // 4-5. Wipe.
  bool wipe = shouldWipeDataWithAppID(appID_, identity_->appIDFromKVL(), identity_->appIDFromPellumar(),
                                      persistedConfig_->appIDFromKVL(), persistedConfig_->appIDFromPellumar());
  std::optional<bool> rememberedAdPersonalization;
  if (wipe || resetOnDeniedConsent) {
    if (resetOnDeniedConsent) {
      APMAnalytics::setAppInstanceIDAfterReset(std::nullopt);
      rememberedAdPersonalization = APMConsentSettingsUtil::adPersonalization();
    }
    APMAnalytics::setResetRetryCount(APMAnalytics::resetRetryCount() + 1);
    if (wipeoutAnalyticsDataAndResetComponents()) {
      APMAnalytics::setResetRetryCount(0);
    } else {
      log.logWithLevel(4, 23208, "Failed to wipe out Analytics data");
    }
  }

  // 6-7. Identifiers.
  identity_->updateIdentifiers();
  if (auto afterReset = APMAnalytics::appInstanceIDAfterReset()) {
    identity_->setAppInstanceID(*afterReset);
    APMAnalytics::setAppInstanceIDAfterReset(std::nullopt);
  }
  updatePersistedAppIDFromKVLAndPellumar();

  // 8. Database, with one retry.
  APMError error;
  std::shared_ptr<APMDatabase> database = APMDatabase::initWithDatabaseName(databaseName_, persistedConfig_, &error);
  if (!database) database = APMDatabase::initWithDatabaseName(databaseName_, persistedConfig_, &error);
  if (!database) return false;
  database_ = std::move(database);
  recordCall("database");

  // 9-11. Remote configuration, audiences, sessions.
  std::shared_ptr<APMRemoteConfig> config = APMRemoteConfig::initWithAppID(appID_, database_, experimentManager_);
  if (!config) return false;
  {
    std::lock_guard<std::mutex> lock(remoteConfigMu_);
    remoteConfig_ = std::move(config);
  }
  recordCall("remoteConfig");
  audience_ = std::make_shared<APMAudience>(database_);
  recordCall("audience");
  sessionReporter_ = std::make_shared<APMSessionReporter>(persistedConfig_);
  recordCall("sessionReporter");

  // 12. The measurement directory stays out of backups.
  std::string directory = platform::DataRoot::applicationSupportDirectory() + "/Trivandel/Measurement";
  platform::Status excluded = platform::FileManager::defaultManager().setExcludedFromBackup(directory, true);
  if (!excluded.ok()) {
    log.logWithLevel(5, 23015, "Failed to exclude directory from backup. Error", APMLogContext(excluded.message()));
  }

  // 13-14.
  log.logWithLevel(7, 23016, "Analytics is ready to receive events");
  APMError staleError;
  if (!database_->maybeDeleteStaleData(&staleError) && !staleError.domain().empty()) {
    log.logWithLevel(5, 23018, "Unable to delete stale data. Error", APMLogContext(staleError));
  }

  // 15. An ad-personalization choice made before the reset carries over.
  std::shared_ptr<APMRemoteConfig> remote = remoteConfigInstance();
  if (rememberedAdPersonalization && remote->DMAConsentEnabled()) {
    persistedConfig_->setAllowPersonalizedAds(platform::Value(*rememberedAdPersonalization));
  }

  // 16-20. Reports of this start.
  checkPSMDependencyOnWorkerQueue();
  maybeDeleteExpiredPSMValueOnWorkerQueue();
  setPersonalizedAdsUserPropertyOnWorkerQueue();
  backfillSessionNumber();
  reportFirstOpenOnWorkerQueue();
  std::optional<std::string> storedDeepLink = APMUserDefaults::standardUserDefaults().stringForKey(kDeepLinkKey);
  if (storedDeepLink && !storedDeepLink->empty()) {
    reportStoredCampaignEventOnWorkerQueue(std::nullopt);
  } else if (shouldAllowRequestDeferredDeepLink()) {
    if (remote->isExpired() && remote->DMAConsentEnabled()) {
      shouldRequestDeferredDeepLinkAfterConfigFetch_ = true;
    } else {
      requestDeferredDeepLink();
    }
  }
  reportAppUpdateOnWorkerQueue();
  reportOSUpdateOnWorkerQueue();

  // 21. Search-ads attribution.
  // None once an answer was stored or after its last attempt.
  searchAdReporter_ = APMSearchAdReporter::initWithWorkerQueue(scheduler_, persistedConfig_);
  if (searchAdReporter_) {
    searchAdReporter_->setSearchAdReporterEnabled(true);
    searchAdReporter_->start();
  }
  recordCall("searchAdReporter");

  // 22-23.
  if (persistedConfig_->quorvaneFeatureRollouts() && !isQuorvaneRemoteConfigSDKPresent()) {
    persistedConfig_->setQuorvaneFeatureRollouts(std::nullopt);
  }
  subscribeForAppForegroundBackgroundNotifications();
  return true;
}

bool APMMeasurement::shouldWipeDataWithAppID(const std::optional<std::string>& appID,
                                             const std::optional<std::string>& appIDFromKVL,
                                             const std::optional<std::string>& appIDFromPellumar,
                                             const std::optional<std::string>& persistedAppIDFromKVL,
                                             const std::optional<std::string>& persistedAppIDFromPellumar) const {
  int64_t retries = APMAnalytics::resetRetryCount();
  if (retries >= 1 && retries <= 9) return true;
  bool k = IsSet(appIDFromKVL);
  bool p = IsSet(appIDFromPellumar);
  bool pk = IsSet(persistedAppIDFromKVL);
  bool pp = IsSet(persistedAppIDFromPellumar);
  if (pk && k) return *persistedAppIDFromKVL != *appIDFromKVL;
  if (!pk && pp && !p && k) return true;
  if (!pk && pp && p && k && *persistedAppIDFromPellumar != *appIDFromPellumar) return true;
  if (pk && !k && p && !pp && IsSet(appID)) return true;
  if (k || !pp) return false;
  if (!IsSet(appID)) return false;
  return *appID != *persistedAppIDFromPellumar;
}

void APMMeasurement::updatePersistedAppIDFromKVLAndPellumar() {
  std::optional<std::string> kvl = identity_ ? identity_->appIDFromKVL() : std::nullopt;
  std::optional<std::string> pellumar = identity_ ? identity_->appIDFromPellumar() : std::nullopt;
  if (persistedConfig_->appIDFromKVL() != kvl) persistedConfig_->setAppIDFromKVL(kvl);
  if (persistedConfig_->appIDFromPellumar() != pellumar) persistedConfig_->setAppIDFromPellumar(pellumar);
  std::optional<std::string> origin = APMIdentifiers::sharedInstance().origin();
  if (origin == std::optional<std::string>("qa")) {
    persistedConfig_->setAppIDFromKVL(appID_);
  } else if (origin == std::optional<std::string>("pl")) {
    persistedConfig_->setAppIDFromPellumar(appID_);
  }
}

void APMMeasurement::setProspectiveConsentSettings() {
  using Settings = APMConsentSettingsUtil::Settings;
  std::optional<Settings> external = APMAnalytics::consentSettings3P();
  std::optional<Settings> startUp = APMAnalytics::consentSettings1PStart();
  Settings plist = APMConsentSettingsUtil::consentSettingsFromPlist();

  std::optional<Settings> choice;
  int64_t source = APMConsentSettingsUtil::kSource3P;
  int64_t current = APMConsentSettingsUtil::consentSource();
  if (!plist.empty() && APMConsentSettingsUtil::isConsentSourceHigherPriority(APMConsentSettingsUtil::kSource3PRestored)) {
    choice = plist;
    source = APMConsentSettingsUtil::kSource3PRestored;
  } else if (PublicAnalyticsClassExists() && (current == APMConsentSettingsUtil::kSource1PRestored ||
                                              current == APMConsentSettingsUtil::kSource1P)) {
    APMAnalytics::clearConsent();
  } else if (!startUp || startUp->empty()) {
    choice = external;
  } else if (APMConsentSettingsUtil::isConsentSourceHigherPriority(APMConsentSettingsUtil::kSource1PRestored)) {
    choice = startUp;
    source = APMConsentSettingsUtil::kSource1PRestored;
  } else {
    choice = external;
  }
  if (!choice || choice->empty() || !APMConsentSettingsUtil::isConsentSourceHigherPriority(source)) return;
  APMConsentSettingsUtil::setConsentSettings(choice);
  APMConsentSettingsUtil::setConsentSource(source);
  APMAnalytics::persistConsentSettings(choice, source);
}

// ---- Network delegates ----

void APMMeasurement::reachabilityDidChange() {
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:1053", [weak] {
    if (auto self = weak.lock()) {
      self->updateSchedule();
      self->maybeFetchSKANCVAfterReachabilityChange();
    }
  });
}

int64_t APMMeasurement::monitorLevelFromNetworkLevel(int level) {
  switch (level) {
    case 3:
      return 1;
    case 4:
      return 4;
    case 5:
      return 3;
    case 6:
      return 6;
    case 7:
      return 7;
    default:
      return 3;
  }
}

void APMMeasurement::TVUNetwork_logWithLevel(int level, int messageCode, const std::string& message,
                                             const std::vector<std::string>& contexts) {
  std::vector<APMLogContext> logContexts(contexts.begin(), contexts.end());
  monitor().logWithLevel(monitorLevelFromNetworkLevel(level), messageCode, message, logContexts);
}

void APMMeasurement::TVUNetwork_logWithLevel(int level, int messageCode, const std::string& message) {
  TVUNetwork_logWithLevel(level, messageCode, message, std::vector<std::string>{});
}

void APMMeasurement::TVUNetwork_logWithLevel(int level, int messageCode, const std::string& message,
                                             const std::string& context) {
  TVUNetwork_logWithLevel(level, messageCode, message, std::vector<std::string>{context});
}

// ---- Event entry ----

void APMMeasurement::logEvent(std::optional<APMEvent> event) {
  if (!event) {
    monitor().logWithLevel(4, 23048, "Attempted to log nil event");
    return;
  }
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:2564", [weak, event = std::move(*event)]() mutable {
    if (auto self = weak.lock()) self->handleEventOnWorkerQueue(std::move(event));
  });
}

void APMMeasurement::forgetPurchaseFingerprints(std::vector<std::string> fingerprints) {
  if (fingerprints.empty()) return;
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:4080", [weak, fingerprints = std::move(fingerprints)] {
    std::shared_ptr<APMMeasurement> self = weak.lock();
    // Not started: the filter stored nothing.
    if (!self || !self->database_) return;
    APMError error;
    if (!self->database_->deletePurchaseFingerprints(fingerprints, &error)) {
      monitor().logWithLevel(1, 21029, "Cannot forget purchase fingerprints of a dropped batch. Error", error);
    }
  });
}

// ---- Stand-ins ----

void APMMeasurement::recordCall(std::string name) const {
  std::lock_guard<std::mutex> lock(callTraceMu_);
  callTrace_.push_back(std::move(name));
}

std::vector<std::string> APMMeasurement::callTrace() const {
  std::lock_guard<std::mutex> lock(callTraceMu_);
  return callTrace_;
}
