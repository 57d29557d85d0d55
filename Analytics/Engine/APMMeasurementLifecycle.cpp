// First open, app and system updates, stored campaigns, session starts, and
// the lifecycle: background tasks, reset and wipe, the purchase filter.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "Analytics/Engine/APMEnvironmentInfo.h"
#include "Analytics/Engine/APMEngineChecks.h"
#include "Analytics/Engine/APMEngineConfig.h"
#include "Analytics/Engine/APMIdentity.h"
#include "Analytics/Engine/APMMeasurement.h"
#include "Analytics/Engine/APMNamesForLogging.h"
#include "Analytics/Engine/APMScheduler.h"
#include "Analytics/Engine/APMScreenViewReporter.h"
#include "Analytics/Engine/APMSessionReporter.h"
#include "Analytics/Engine/APMSessionStartEvent.h"
#include "Analytics/Engine/Interface/APMAEU.h"
#include "Analytics/Engine/Interface/APMAnalytics.h"
#include "Analytics/Engine/Interface/APMAppEnvironment.h"
#include "Analytics/Engine/Interface/APMConsentSettingsUtil.h"
#include "Analytics/Engine/Interface/APMDeepLinkKeys.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Engine/Monitor/APMUserDefaults.h"
#include "Analytics/Storage/APMMeasurementFiles.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Analytics/Storage/Purchases/APMInAppPurchaseReceipt.h"
#include "Analytics/Storage/Purchases/APMInAppPurchaseTransactionReporter.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/StoreKit/SKAdNetwork.h"
#include "Platform/UIKit/Application.h"

namespace {

constexpr const char* kBackgroundTaskName = "APMAnalyticsMeasurementBackgroundTask";
constexpr const char* kNotSet = "(not set)";
constexpr int64_t kHourMillis = 3600000;
// Becoming active refetches a configuration this old (either direction).
constexpr double kStaleRemoteConfigSeconds = 604800;

// A stored count: a missing, unreadable or non-positive one is 0.
int64_t ParseCount(const std::optional<std::string>& text) {
  if (!text || text->empty()) return 0;
  errno = 0;
  char* end = nullptr;
  long long value = std::strtoll(text->c_str(), &end, 10);
  if (errno != 0 || end == text->c_str() || *end != '\0' || value < 1) return 0;
  return static_cast<int64_t>(value);
}

bool IsTrue(const std::optional<platform::Value>& value) {
  if (!value) return false;
  if (auto flag = value->getBool()) return *flag;
  return value->numberAsInt64().value_or(0) != 0;
}

// The application object; none inside an app extension.
uikit::Application* SharedApplication() { return APMAEU::isAEX() ? nullptr : &uikit::Application::shared(); }

// Observations that end when their owner goes.
std::shared_ptr<void> ObservationGuard(std::vector<platform::NotificationCenter::Token> tokens) {
  return std::shared_ptr<void>(new int(0), [tokens = std::move(tokens)](void* p) {
    for (platform::NotificationCenter::Token token : tokens) {
      platform::NotificationCenter::defaultCenter().removeObserver(token);
    }
    delete static_cast<int*>(p);
  });
}

}  // namespace

// ---- First open, updates, campaigns ----

int64_t APMMeasurement::timestampMillisRoundedUpToNextHour(int64_t millis) {
  int64_t result = 0;
  if (__builtin_add_overflow((millis / kHourMillis) * kHourMillis, kHourMillis, &result)) {
    return std::numeric_limits<int64_t>::max();
  }
  return result;
}

bool APMMeasurement::isVersionSameAsOriginalVersion() { return APMIsAppVersionSameAsOriginalVersion(); }

double APMMeasurement::firstOpenTimestamp() {
  if (!database_) return 0;
  APMError error;
  std::optional<std::vector<APMUserAttribute>> attributes = database_->userAttributesIncludingInternal(true, &error);
  if (!attributes) {
    monitor().logWithLevel(1, 23123, "Unable to query current user properties. Error", APMLogContext(error));
    return 0;
  }
  if (attributes->empty()) {
    monitor().logWithLevel(2, 23124, "Cannot extract first open timestamp. Empty user properties");
    return 0;
  }
  double earliest = std::numeric_limits<double>::infinity();
  for (const APMUserAttribute& attribute : *attributes) {
    if (attribute.name() == "_fot") return attribute.lastSetTimestamp();
    earliest = std::min(earliest, attribute.lastSetTimestamp());
  }
  return earliest;
}

void APMMeasurement::reportFirstOpenOnWorkerQueue() {
  recordCall("reportFirstOpenOnWorkerQueue");
  APMScheduler::checkOnBackgroundThreadWithMethodName("reportFirstOpenOnWorkerQueue");
  if (!database_) return;
  APMMonitor& log = monitor();
  std::shared_ptr<APMRemoteConfig> config = ConfigOf(*this);

  APMError error;
  std::optional<platform::Value> hasFirstOpenTime = database_->containsUserAttributeWithName("_fot", &error);
  if (!hasFirstOpenTime) {
    log.logWithLevel(1, 23019, "Failed to query first open property. Error", APMLogContext(error));
    return;
  }
  const int64_t previousCount = ParseCount(previousFirstOpenCount());

  if (IsTrue(hasFirstOpenTime)) {
    // The keychain outlives the app: a later launch still counts as one open.
    if (previousCount < 1) setPreviousFirstOpenCount(std::string("1"));
    APMAnalytics::setDeferredAnalyticsCollection(std::nullopt);
    if (APMEnvironmentInfo::systemVersionAtLeast(15, 0) && APMHasSceneManifest() && APMIsActivePrewarm()) {
      reportSessionStartWhenSceneWillConnectOnWorkerQueue();
    } else {
      reportSessionStartOnWorkerQueueWithTimestamp(initTimestamp_, false);
    }
    persistedConfig_->setLoadTimestampValue(platform::Value());
    return;
  }

  // "_fi": a reinstall (counted in the keychain) or the originally obtained build.
  const int64_t afterInstall = previousCount >= 1 ? 1 : (isVersionSameAsOriginalVersion() ? 1 : 0);
  const int64_t storedFirstOpenMillis = persistedConfig_->firstOpenTimestampMilliseconds();
  const double afterInstallSetTime =
      storedFirstOpenMillis != 0 ? static_cast<double>(storedFirstOpenMillis) / 1000.0 : initTimestamp_;
  struct PropertyStep {
    const char* name;
    APMValue value;
    double setTime;
    int64_t queryCode;
    const char* queryMessage;
    int64_t missingCode;
    const char* missingMessage;
  };
  const int64_t firstOpenMillis = static_cast<int64_t>(initTimestamp_ * 1000.0);
  const PropertyStep steps[] = {
      {"_fi", APMValue(afterInstall), afterInstallSetTime, 23161,
       "Failed to query first open after install property after setting it. Error", 23162,
       "Failed to set first open after install property"},
      {"_fot", APMValue(timestampMillisRoundedUpToNextHour(firstOpenMillis)), initTimestamp_, 23020,
       "Failed to query first open property after setting it. Error", 23021, "Failed to set first open property"},
  };
  for (const PropertyStep& step : steps) {
    if (std::optional<APMUserAttribute> attribute =
            APMUserAttribute::initWithOrigin("auto", step.name, step.value, step.setTime)) {
      setUserAttributeOnWorkerQueue(*attribute);
    }
    APMError checkError;
    std::optional<platform::Value> stored = database_->containsUserAttributeWithName(step.name, &checkError);
    if (!stored) {
      log.logWithLevel(1, step.queryCode, step.queryMessage, APMLogContext(checkError));
      return;
    }
    if (!IsTrue(stored)) {
      log.logWithLevel(1, step.missingCode, step.missingMessage);
      return;
    }
  }

  const bool efficientEngagement = config->efficientEngagementReportingEnabled();
  APMEvent::Parameters parameters;
  if (!previousKVLAppID_.empty()) parameters.emplace("_pkvl", APMValue(previousKVLAppID_));
  parameters.emplace("_pfo", APMValue(previousCount));
  parameters.emplace("_uwa", APMValue(int64_t{afterInstall == 1 ? 0 : 1}));
  if (IsTrue(APMAnalytics::deferredAnalyticsCollection())) parameters.emplace("_dac", APMValue(int64_t{1}));
  if (efficientEngagement) parameters.emplace("_et", APMValue(int64_t{1}));
  parameters.merge(APMScreenViewReporter::sharedInstance()->screenParameters());
  if (std::optional<APMEvent> firstOpen = APMEvent::initWithOrigin("auto", false, "_f", initTimestamp_, 0, parameters)) {
    handleInternalEventOnWorkerQueue(std::move(*firstOpen));
  }

  APMAnalytics::setDeferredAnalyticsCollection(std::nullopt);
  persistedConfig_->setLoadTimestampValue(platform::Value());
  reportSessionStartOnWorkerQueueWithTimestamp(initTimestamp_, false);

  if (!config->redundantEngagementRemovalEnabled()) {
    APMEvent::Parameters engagement{{"_et", APMValue(int64_t{1})}};
    if (efficientEngagement) engagement.emplace("_fr", APMValue(int64_t{1}));
    engagement.merge(APMScreenViewReporter::sharedInstance()->screenParameters());
    if (std::optional<APMEvent> event = APMEvent::initWithOrigin("auto", false, "_e", initTimestamp_, 0, engagement)) {
      handleInternalEventOnWorkerQueue(std::move(*event));
    }
  }

  persistedConfig_->setFirstOpenTimestampMilliseconds(firstOpenMillis);
  // A link stored before the first open is attributed just before it.
  reportStoredCampaignEventOnWorkerQueue(firstOpenMillis - 1);

  if (APMEnvironmentInfo::systemVersionAtLeast(11, 3)) {
    if (shouldAllowAdNetworkRegistration()) {
      storekit::SKAdNetwork::registerAppForAdNetworkAttribution();
    } else {
      log.logWithLevel(7, 23217, "Opted out of registration for ad network attribution");
    }
  }
}

void APMMeasurement::reportAppUpdateOnWorkerQueue() {
  recordCall("reportAppUpdateOnWorkerQueue");
  APMScheduler::checkOnBackgroundThreadWithMethodName("reportAppUpdateOnWorkerQueue");
  if (!identity_) return;
  const std::string current = identity_->appVersion();
  const std::optional<std::string> previous = persistedConfig_->appVersion();
  if (previous && *previous == current) return;
  persistedConfig_->setAppVersion(current);
  if (previous && !previous->empty()) {
    APMAnalytics::logInternalEventWithOrigin("auto", "_au", APMParameterObjects{{"_pv", APMValue(*previous)}});
  }
}

void APMMeasurement::reportOSUpdateOnWorkerQueue() {
  recordCall("reportOSUpdateOnWorkerQueue");
  APMScheduler::checkOnBackgroundThreadWithMethodName("reportOSUpdateOnWorkerQueue");
  const std::string current = APMEnvironmentInfo::sharedInstance().deviceOSVersion();
  const std::optional<std::string> previous = persistedConfig_->osVersion();
  if (previous && *previous == current) return;
  persistedConfig_->setOSVersion(current);
  if (previous && !previous->empty()) {
    APMAnalytics::logInternalEventWithOrigin("auto", "_ou", APMParameterObjects{{"_po", APMValue(*previous)}});
  }
}

void APMMeasurement::reportStoredCampaignEventOnWorkerQueue(std::optional<int64_t> clickTimestampMillis) {
  recordCall("reportStoredCampaignEventOnWorkerQueue");
  APMScheduler::checkOnBackgroundThreadWithMethodName("reportStoredCampaignEventWithClickTimestampInMillisOnWorkerQueue:");
  APMUserDefaults& defaults = APMUserDefaults::standardUserDefaults();
  std::optional<platform::Value> link = defaults.objectForKey(kDeepLinkKey);
  const std::string* url = link ? link->getString() : nullptr;
  if (url == nullptr || url->empty()) return;
  std::optional<platform::Value> storedTime = defaults.objectForKey(kDeepLinkTimestampKey);
  const double storedSeconds = storedTime ? storedTime->numberAsDouble().value_or(0) : 0;

  std::string campaignURL = *url;
  APMEvent::Parameters extra;
  if (std::fabs(platform::Clock::nowSeconds() - storedSeconds) > ConfigOf(*this)->attributionCacheTTLInterval()) {
    campaignURL = kNotSet;
    extra.emplace("utm_source", APMValue(kNotSet));
    extra.emplace("utm_medium", APMValue(kNotSet));
    extra.emplace("_cc", APMValue(int64_t{1}));
  } else {
    extra.emplace("_cc", APMValue(APMPreviousHourStartMillis(static_cast<int64_t>(storedSeconds * 1000.0))));
  }
  APMClearStoredDeepLink(defaults);
  handleOpenURLOnWorkerQueue(campaignURL, clickTimestampMillis, storedSeconds, extra);
}

// ---- Sessions ----

void APMMeasurement::reportSessionStart() {
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:1159", [weak] {
    if (auto self = weak.lock()) self->reportSessionStartOnWorkerQueueWithTimestamp(self->initTimestamp_, false);
  });
}

void APMMeasurement::reportSessionStartOnWorkerQueueWithTimestamp(double timestamp, bool appInBackground) {
  recordCall("reportSessionStartOnWorkerQueueWithTimestamp");
  APMScheduler::checkOnBackgroundThreadWithMethodName("reportSessionStartOnWorkerQueue");
  if (!sessionReporter_ || !sessionReporter_->isSessionExpired()) return;
  sessionReporter_->updatePropertiesForNewSessionStart();
  if (auto property = sessionReporter_->sessionIDPropertyWithTimestamp(timestamp)) {
    setUserAttributeOnWorkerQueue(*property);
  }
  if (auto property = sessionReporter_->sessionNumberProperty()) setUserAttributeOnWorkerQueue(*property);
  const bool inBackground = appInBackground && ConfigOf(*this)->appInBackgroundParameterEnabled();
  if (std::optional<APMEvent> event =
          APMSessionStartEvent::eventWithSessionNumber(persistedConfig_->sessionNumber(), inBackground, timestamp)) {
    handleInternalEventOnWorkerQueue(std::move(*event));
  }
}

void APMMeasurement::reportSessionStartWhenSceneWillConnectOnWorkerQueue() {
  if (!APMEnvironmentInfo::systemVersionAtLeast(13, 0)) return;
  auto token = std::make_shared<std::atomic<platform::NotificationCenter::Token>>(0);
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  token->store(platform::NotificationCenter::defaultCenter().addObserver(
      uikit::kSceneWillConnectNotification, [weak, token](const platform::Notification&) {
        platform::NotificationCenter::Token mine = token->exchange(0);
        if (mine == 0) return;
        platform::NotificationCenter::defaultCenter().removeObserver(mine);
        if (auto self = weak.lock()) self->reportSessionStart();
      }));
}

void APMMeasurement::setSessionTimeoutInterval(double seconds) {
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:1576", [weak, seconds] {
    auto self = weak.lock();
    if (self && self->sessionReporter_) self->sessionReporter_->setTimeoutSessionInterval(seconds);
  });
}

void APMMeasurement::backfillSessionNumber() {
  recordCall("backfillSessionNumber");
  if (!database_ || persistedConfig_->sessionNumber() != 0) return;
  APMError error;
  std::optional<APMEventAggregates> aggregates = database_->eventAggregatesWithName("_s", &error);
  if (!aggregates && HasError(error)) {
    monitor().logWithLevel(1, 23063, "Unable to query event aggregates. Name, error",
                           APMLogContext(APMEventNameForLogging("_s")), APMLogContext(error));
    return;
  }
  persistedConfig_->setSessionNumber(aggregates ? aggregates->lifetimeCount() : 0);
}

// ---- Lifecycle ----

void APMMeasurement::subscribeForAppDidFinishLaunchingNotifications() {
  static std::once_flag once;
  std::call_once(once, [] {
    platform::NotificationCenter::defaultCenter().addObserver(uikit::kApplicationDidFinishLaunchingNotification,
                                                              &APMMeasurement::handleAppDidFinishLaunching);
  });
}

void APMMeasurement::handleAppDidFinishLaunching(const platform::Notification& notification) {
  // Touched so that a launch without a configured engine is told.
  sharedInstance();
  if (!notification.userInfo.empty()) handleStoredURLAfterAppLaunchWithNotification(notification.userInfo);
}

void APMMeasurement::subscribeForAppForegroundBackgroundNotifications() {
  recordCall("subscribeForAppForegroundBackgroundNotifications");
  if (appStateObservations_) return;
  platform::NotificationCenter& center = platform::NotificationCenter::defaultCenter();
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  std::vector<platform::NotificationCenter::Token> tokens;
  tokens.push_back(center.addObserver(uikit::kApplicationDidBecomeActiveNotification, [weak](const auto&) {
    if (auto self = weak.lock()) self->handleAppDidBecomeActiveEvent();
  }));
  tokens.push_back(center.addObserver(uikit::kApplicationWillResignActiveNotification, [weak](const auto&) {
    if (auto self = weak.lock()) self->handleAppWillResignActiveEvent();
  }));
  tokens.push_back(center.addObserver(uikit::kApplicationWillEnterForegroundNotification, [weak](const auto&) {
    if (auto self = weak.lock()) self->handleAppWillEnterForegroundNotification();
  }));
  appStateObservations_ = ObservationGuard(std::move(tokens));
}

void APMMeasurement::handleAppDidBecomeActiveEvent() {
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  if (ConfigOf(*this)->blocklistInternal()) {
    scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:4213", [weak] {
      auto self = weak.lock();
      if (!self) return;
      std::shared_ptr<APMRemoteConfig> config = ConfigOf(*self);
      if (std::fabs(platform::Clock::nowSeconds() - config->lastRemoteConfigUpdateTimestamp()) <
          kStaleRemoteConfigSeconds) {
        return;
      }
      if (self->isNetworkReadyForRequest()) {
        self->fetchRemoteConfig();
      } else {
        monitor().logWithLevel(8, 23143, "Network operation is pending. Ignoring request to fetch configuration");
      }
    });
  }
  scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:4221", [weak] {
    if (auto self = weak.lock()) self->fetchSKANCV();
  });
}

void APMMeasurement::handleAppWillResignActiveEvent() {
  persistedConfig_->synchronizeToDisk();
  monitor().logWithLevel(8, 23144, "App will resign active state. Scheduling data upload");
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  APMBackgroundTaskIdentifier task = kAPMBackgroundTaskInvalid;
  if (uikit::Application* application = SharedApplication()) {
    task = static_cast<APMBackgroundTaskIdentifier>(application->beginBackgroundTask(kBackgroundTaskName, [weak] {
      if (auto self = weak.lock()) self->terminateBackgroundTask();
    }));
  }
  swapBackgroundTaskWithNewTaskID(task);
  monitor().logWithLevel(8, 23145, "Background task started. Task ID", APMLogContext(task));
  // After every call already queued on the facade.
  APMAnalytics::queueOperationWithBlock([weak] {
    auto self = weak.lock();
    if (!self) return;
    self->scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:4268", [weak] {
      if (auto engine = weak.lock()) engine->uploadData();
    });
  });
}

void APMMeasurement::handleAppWillEnterForegroundNotification() { terminateBackgroundTask(); }

void APMMeasurement::swapBackgroundTaskWithNewTaskID(APMBackgroundTaskIdentifier taskID) {
  const APMBackgroundTaskIdentifier old = backgroundUpdateTask_.exchange(taskID);
  if (old == kAPMBackgroundTaskInvalid) return;
  monitor().logWithLevel(7, 23142, "Cancelling background upload task. Task ID ", APMLogContext(old));
  if (uikit::Application* application = SharedApplication()) {
    application->endBackgroundTask(static_cast<uikit::BackgroundTaskIdentifier>(old));
  }
}

void APMMeasurement::terminateBackgroundTask() {
  persistedConfig_->synchronizeToDisk();
  swapBackgroundTaskWithNewTaskID(kAPMBackgroundTaskInvalid);
}

// ---- Reset and wipe ----

void APMMeasurement::resetPSMCounts() {
  PSMStartCount_ = 0;
  PSMRetryCount_ = 0;
}

bool APMMeasurement::wipeoutAnalyticsDataAndResetComponents() {
  recordCall("wipeoutAnalyticsDataAndResetComponents");
  APMScheduler::checkOnBackgroundThreadWithMethodName("wipeoutAnalyticsDataAndResetComponents");
  APMMonitor& log = monitor();
  log.logWithLevel(6, 23171, "Resetting App Measurement data");
  resetPSMCounts();

  previousKVLAppID_ = persistedConfig_->appIDFromKVL().value_or(std::string());
  persistedConfig_->clearValues();
  log.clearMonitoringData();

  if (ConfigOf(*this)->DMAConsentEnabled() && APMConsentSettingsUtil::adPersonalization()) {
    APMConsentSettingsUtil::unsetAdPersonalization();
    APMConsentSettingsUtil::setDefaultSettings(std::nullopt);
    APMConsentSettingsUtil::setDelegatedSettings(std::nullopt);
  }

  if (database_) {
    APMError error;
    if (!database_->reset(&error)) {
      log.logWithLevel(1, 23209, "Failed to reset database", APMLogContext(error));
      return false;
    }
    if (std::shared_ptr<APMRemoteConfig> config = remoteConfigInstance()) config->reset();
    auto reporter = std::make_shared<APMSessionReporter>(persistedConfig_);
    reporter->setReportingEnabled(isEnabled());
    sessionReporter_ = std::move(reporter);
  } else {
    // During the start, before the database is opened: the file goes.
    APMError error;
    if (!APMDeleteFileAtPath(APMMeasurementPath(databaseName_), &error) && HasError(error)) {
      log.logWithLevel(1, 23014, "Failed to delete old database file. Error", APMLogContext(error));
    }
  }

  if (identity_) {
    identity_->updateIdentifiersAndWait();
    identity_->resetEphemeralAppInstanceID();
    identity_->resetSessionStitchingToken();
  }
  return true;
}

bool APMMeasurement::resetAnalyticsDataWithAppInstanceID(const std::string& appInstanceID) {
  APMScheduler::checkOnBackgroundThreadWithMethodName("resetAnalyticsData");
  APMMonitor& log = monitor();
  if (appInstanceID.empty()) {
    if (!APMConsentSettingsUtil::isAnalyticsStorageDenied()) {
      log.logWithLevel(1, 23167, "Cannot reset with an empty app instance ID");
      return false;
    }
    log.logWithLevel(7, 23218, "Resetting with an empty app instance ID");
  }
  const double loadTimestamp = APMAnalytics::loadTimestamp();
  bool wiped = false;
  scheduler_->dispatchSyncOnWorkerQueueBlockID("APMMeasurement:3636", [&] {
    wiped = wipeoutAnalyticsDataAndResetComponents();
    if (!wiped) return;
    persistedConfig_->setAppInstanceID(appInstanceID.empty() ? std::nullopt
                                                             : std::optional<std::string>(appInstanceID));
    updatePersistedAppIDFromKVLAndPellumar();
    log.logWithLevel(6, 23168, "Analytics data has been reset");
    if (!isAnalyticsCollectionDeactivated_ && !APMAnalytics::deferredAnalyticsCollection()) {
      APMAnalytics::setDeferredAnalyticsCollection(platform::Value(static_cast<int64_t>(isEnabled() ? 0 : 1)));
    }
    initTimestamp_ = loadTimestamp;
    persistedConfig_->setLoadTimestampValue(platform::Value(loadTimestamp));
    if (isEnabled()) {
      setPersonalizedAdsUserPropertyOnWorkerQueue();
      reportFirstOpenOnWorkerQueue();
    }
  });
  return wiped;
}

// ---- Purchases ----

void APMMeasurement::filterPurchaseTransactions(PaymentTransactions transactions,
                                                std::function<void(PaymentTransactions transactions)> callback) {
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID(
      "APMMeasurement:4079", [weak, transactions = std::move(transactions), callback = std::move(callback)] {
        auto self = weak.lock();
        if (!self) return;
        APMMonitor& log = monitor();
        PaymentTransactions kept;
        for (const storekit::SKPaymentTransactionPtr& transaction : transactions) {
          if (!transaction || transaction->transactionState != storekit::SKPaymentTransactionState::kPurchased) {
            continue;
          }
          const std::string& productID = transaction->payment.productIdentifier;
          const std::string fingerprint =
              APMInAppPurchaseTransactionReporter::transactionFingerprint(transaction).value_or(std::string());
          if (fingerprint.empty()) {
            log.logWithLevel(2, 23139,
                             "Purchase has nil or empty fingerprint. Purchase will not be checked for duplicates. "
                             "Product ID",
                             APMLogContext(productID));
            kept.push_back(transaction);
            continue;
          }
          APMError error;
          std::optional<bool> inserted;
          if (self->database_) {
            inserted = self->database_->insertIfNotDuplicatePurchaseFingerprint(fingerprint, &error);
          } else {
            error = APMError("com.trivandel.kvl.measurement.ErrorDomain", 1, "Measurement database is not open");
          }
          if (!inserted && HasError(error)) {
            // Kept: a lookup failure must not lose the purchase.
            log.logWithLevel(1, 23140,
                             "Failed to save purchase fingerprint. Purchase will not be checked for duplicates. "
                             "Product ID, error",
                             APMLogContext(productID), APMLogContext(error));
            kept.push_back(transaction);
          } else if (inserted.value_or(false)) {
            kept.push_back(transaction);
          } else {
            log.logWithLevel(4, 23141, "Purchase is a duplicate and will not be reported. Product ID",
                             APMLogContext(productID));
          }
        }
        if (!callback) return;
        platform::DispatchQueue::global(platform::QueuePriority::defaultPriority)
            ->async([callback, kept = std::move(kept)] { callback(kept); });
      });
}
