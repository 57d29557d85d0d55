#include "Analytics/Engine/Interface/APMAnalytics.h"

#include <cstdlib>
#include <mutex>

#include "Analytics/Engine/APMDataTypeValidator.h"
#include "Analytics/Engine/APMDecimalNumber.h"
#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMEventUtilities.h"
#include "Analytics/Engine/APMIdentifiers.h"
#include "Analytics/Engine/APMIdentity.h"
#include "Analytics/Engine/APMInfoPlistFileUtil.h"
#include "Analytics/Engine/APMMeasurement.h"
#include "Analytics/Engine/APMScreenViewReporter.h"
#include "Analytics/Engine/Interface/APMAnalyticsState.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Engine/Monitor/APMUserDefaults.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Runtime/ClassRegistry.h"
#include "Platform/StoreKit/SKPaymentQueue.h"
#include "Platform/TrivandelUtilities/TVUAppDelegateSwizzler.h"

namespace {

using Settings = APMConsentSettingsUtil::Settings;

constexpr const char* kAllowPersonalizedAds = "allow_personalized_ads";

}  // namespace

APMUserDefaults& APMAnalytics::analyticsSuite() {
  static APMUserDefaults* suite = new APMUserDefaults(std::string(kAnalyticsSuiteName));
  return *suite;
}

void APMAnalytics::setConsent(const Settings& consent) { setConsent(consent, kConsentSettings1PKey); }

void APMAnalytics::setConsent(const Settings& consent, const std::string& key) {
  if (APMConsentSettingsUtil::consentSource() == APMConsentSettingsUtil::kSourceNone) loadPersistedConsentSettings();

  Settings entries = APMConsentSettingsUtil::consentSettingsFromDictionary(consent);
  for (auto it = entries.begin(); it != entries.end();) {
    const std::string* status = it->second.getString();
    if (status != nullptr && (*status == APMConsentSettingsUtil::kGranted || *status == APMConsentSettingsUtil::kDenied)) {
      ++it;
      continue;
    }
    APMMeasurementMonitor().logWithLevel(
        3, 25042, "Valid consent values are 'granted' and 'denied'. Ignoring invalid consent setting",
        APMLogContext(status != nullptr ? *status : it->second.description()));
    it = entries.erase(it);
  }
  if (entries.empty()) {
    APMMeasurementMonitor().logWithLevel(3, 25041, "Discarding empty consent settings");
    return;
  }

  int64_t source = key == kConsentSettings3PKey ? APMConsentSettingsUtil::kSource3P : APMConsentSettingsUtil::kSource1P;
  if (!APMConsentSettingsUtil::isConsentSourceHigherPriority(source)) {
    APMMeasurementMonitor().logWithLevel(3, 25043, "Ignoring lower priority consent settings");
    return;
  }

  std::optional<platform::Value> previous = analyticsSuite().objectForKey(key);
  APMConsentSettingsUtil::updateSettings(entries);
  APMConsentSettingsUtil::setConsentSource(source);
  persistConsentSettings(APMConsentSettingsUtil::consentSettings(), source);

  bool withdrawn = APMConsentSettingsUtil::didWithdrawPreviousConsent(previous);
  if (withdrawn) {
    analyticsSuite().removeObjectForKey(kAppInstanceIDAfterResetKey);
    if (APMEngineHooks::engineHasInitializedComponents()) {
      APMEngineHooks::resetAnalyticsData();
    } else {
      analyticsSuite().setBool(true, kDeferredConsentResetKey);
    }
  }

  if (APMEngineHooks::remoteConfig()->DMAConsentEnabled()) {
    std::optional<bool> personalization = APMConsentSettingsUtil::adPersonalization();
    if (personalization && (withdrawn || entries.contains(APMConsentSettingsUtil::kAdPersonalization))) {
      APMEngineHooks::setUserPropertyString(std::string(*personalization ? "YES" : "NO"), kAllowPersonalizedAds);
    }
  }
}

void APMAnalytics::loadPersistedConsentSettings() {
  int64_t source = persistedConsentSource();
  if (source == APMConsentSettingsUtil::kSourceNone) return;
  std::optional<Settings> thirdParty = consentSettings3P();
  std::optional<Settings> firstParty = consentSettings1P();
  if (!thirdParty && !firstParty) {
    APMConsentSettingsUtil::setConsentSource(source);
    return;
  }
  APMConsentSettingsUtil::setConsentSettings(thirdParty ? thirdParty : firstParty);
  int64_t restored = thirdParty ? APMConsentSettingsUtil::kSource3PRestored : APMConsentSettingsUtil::kSource1PRestored;
  APMConsentSettingsUtil::setConsentSource(std::min(source, restored));
}

void APMAnalytics::persistConsentSettings(const std::optional<Settings>& settings, int64_t source) {
  const char* key = source < 21 ? kConsentSettings3PKey : kConsentSettings1PKey;
  analyticsSuite().setObject(settings ? platform::Value(*settings) : platform::Value(), key);
  analyticsSuite().setInteger(source, kConsentSourceKey);
}

int64_t APMAnalytics::persistedConsentSource() {
  auto value = analyticsSuite().objectForKey(kConsentSourceKey);
  if (!value || !value->isNumber()) return APMConsentSettingsUtil::kSourceNone;
  return analyticsSuite().integerForKey(kConsentSourceKey);
}

std::optional<Settings> APMAnalytics::consentSettings3P() {
  return analyticsSuite().dictionaryForKey(kConsentSettings3PKey);
}

std::optional<Settings> APMAnalytics::consentSettings1P() {
  return analyticsSuite().dictionaryForKey(kConsentSettings1PKey);
}

std::optional<Settings> APMAnalytics::consentSettings1PStart() {
  return analyticsSuite().dictionaryForKey(kConsentSettingsOnStartKey);
}

bool APMAnalytics::deferredResetOnDeniedConsent() { return analyticsSuite().boolForKey(kDeferredConsentResetKey); }

void APMAnalytics::removeStartUpConsentSettings() { analyticsSuite().removeObjectForKey(kConsentSettingsOnStartKey); }

void APMAnalytics::removeDeferredResetOnDeniedConsent() {
  analyticsSuite().removeObjectForKey(kDeferredConsentResetKey);
}

void APMAnalytics::clearConsent() {
  for (const char* key : {kConsentSourceKey, kConsentSettings3PKey, kConsentSettings1PKey, kConsentSettingsOnStartKey,
                          kDeferredConsentResetKey}) {
    analyticsSuite().removeObjectForKey(key);
  }
  APMConsentSettingsUtil::clearAllSettings();
}

int64_t APMAnalytics::resetRetryCount() { return analyticsSuite().integerForKey(kResetRetryCountKey); }

void APMAnalytics::setResetRetryCount(int64_t count) {
  if (count < 1) {
    analyticsSuite().removeObjectForKey(kResetRetryCountKey);
  } else {
    analyticsSuite().setInteger(count, kResetRetryCountKey);
  }
}

bool APMAnalytics::needFirstOpenAfterReset() { return analyticsSuite().boolForKey(kNeedFirstOpenAfterResetKey); }

void APMAnalytics::setNeedFirstOpenAfterReset(bool need) { analyticsSuite().setBool(need, kNeedFirstOpenAfterResetKey); }

void APMAnalytics::removeNeedFirstOpenAfterReset() { analyticsSuite().removeObjectForKey(kNeedFirstOpenAfterResetKey); }

std::optional<std::string> APMAnalytics::appInstanceIDAfterReset() {
  return analyticsSuite().stringForKey(kAppInstanceIDAfterResetKey);
}

void APMAnalytics::setAppInstanceIDAfterReset(const std::optional<std::string>& appInstanceID) {
  if (appInstanceID) {
    analyticsSuite().setObject(platform::Value(*appInstanceID), kAppInstanceIDAfterResetKey);
  } else {
    analyticsSuite().removeObjectForKey(kAppInstanceIDAfterResetKey);
  }
}

std::optional<platform::Value> APMAnalytics::deferredAnalyticsCollection() {
  return analyticsSuite().objectForKey(kDeferredAnalyticsCollectionKey);
}

void APMAnalytics::setDeferredAnalyticsCollection(const std::optional<platform::Value>& value) {
  if (value) {
    analyticsSuite().setObject(*value, kDeferredAnalyticsCollectionKey);
  } else {
    analyticsSuite().removeObjectForKey(kDeferredAnalyticsCollectionKey);
  }
}

bool APMAnalytics::persistentConfigInApplicationSupportEnabled() {
  return analyticsSuite().boolForKey(kPersistentConfigInApplicationSupportEnabledKey);
}

void APMAnalytics::setPersistentConfigInApplicationSupportEnabled(bool enabled) {
  analyticsSuite().setBool(enabled, kPersistentConfigInApplicationSupportEnabledKey);
}

namespace {

struct LoadTimestamp {
  std::mutex mu;
  std::optional<double> value;
};

LoadTimestamp& SharedLoadTimestamp() {
  static LoadTimestamp* shared = new LoadTimestamp;
  return *shared;
}

}  // namespace

double APMAnalytics::loadTimestamp() {
  LoadTimestamp& shared = SharedLoadTimestamp();
  std::lock_guard<std::mutex> lock(shared.mu);
  if (!shared.value) shared.value = platform::Clock::nowSeconds();
  return *shared.value;
}

void APMAnalytics::setLoadTimestamp(double timestamp) {
  LoadTimestamp& shared = SharedLoadTimestamp();
  std::lock_guard<std::mutex> lock(shared.mu);
  shared.value = timestamp;
}

// ---- Shared instance and state ----

APMAnalytics::State& APMAnalytics::state() {
  static State* shared = new State;
  return *shared;
}

const std::shared_ptr<APMAnalytics>& APMAnalytics::sharedInstance() {
  static const std::shared_ptr<APMAnalytics>* shared = new std::shared_ptr<APMAnalytics>(new APMAnalytics);
  return *shared;
}

APMAnalytics::~APMAnalytics() = default;

// ---- Queues ----

const platform::DispatchQueuePtr& APMAnalytics::queue() { return state().serialQueue; }

void APMAnalytics::dispatchAsyncOnSerialQueue(std::function<void()> block) {
  if (block) queue()->async(std::move(block));
}

void APMAnalytics::queueOperationWithBlock(std::function<void()> block) {
  if (!block) return;
  State& shared = state();
  uint64_t generation = shared.generation.load();
  shared.operationQueue.addOperation([block = std::move(block), generation]() mutable {
    if (state().generation.load() != generation) return;
    queue()->async(std::move(block));
  });
}

void APMAnalytics::queueOperationWithBlockThenWait(std::function<void()> block) {
  State& shared = state();
  queueOperationWithBlock(std::move(block));
  if (shared.operationQueue.isSuspended()) return;
  // Everything queued so far is on the serial queue now; later calls wait
  // half a second behind it.
  shared.operationQueue.waitUntilAllOperationsAreFinished();
  shared.operationQueue.setSuspended(true);
  queue()->after(0.5, [] { unsuspendOperationQueue(); });
}

void APMAnalytics::unsuspendOperationQueue() { state().operationQueue.setSuspended(false); }

bool APMAnalytics::isCurrentQueueSerialQueue() { return platform::DispatchQueue::currentLabel() == kQueueLabel; }

// ---- Start and switches ----

namespace {

bool ClassExists(const char* name) { return platform::ClassRegistry::shared().classExists(name); }

bool IsEmpty(const std::optional<std::string>& text) { return !text || text->empty(); }

}  // namespace

void APMAnalytics::startWithAppID(const std::string& appID, const std::string& origin,
                                  const platform::Value::Dictionary& options) {
  startWithAppID(appID, origin, options, nullptr);
}

void APMAnalytics::startWithAppID(const std::string& appID, const std::string& origin,
                                  const platform::Value::Dictionary& options, std::shared_ptr<void> configuration) {
  APMMonitor& monitor = APMMeasurementMonitor();
  if (ClassExists(kOlderDatabaseLibraryClass)) {
    monitor.logWithLevel(1, 25029,
                         "Detected an older version of Trivandel Analytics for Quorvane framework. Data collection "
                         "will be disabled. Please upgrade to the latest version of Trivandel Analytics for Quorvane");
    return;
  }
  if (ClassExists(kPublicAnalyticsClass)) {
    if (origin != "qa") {
      monitor.logWithLevel(3, 25026, "Deferring to Quorvane for event data collection");
      return;
    }
  } else if (!IsEmpty(APMInfoPlistFileUtil::trivandelServiceInfoPlistPath())) {
    monitor.logWithLevel(0, 25027,
                         "Deferring to Trivandel Analytics for Quorvane for event data collection. See the "
                         "measurement section of the README");
    return;
  }
  if (ClassExists(kMobileAdsLibraryClass) && APMInfoPlistFileUtil::dictionaryFromTrivandelServiceInfoPlist() &&
      IsEmpty(APMIdentity::sharedInstance()->appIDFromPellumar())) {
    monitor.logWithLevel(3, 25028,
                         "Pellumar and Quorvane are in use in this app, but are not linked. For analytics data "
                         "consistency and integrity, it is highly recommended that you link your Pellumar app to the "
                         "corresponding Quorvane app and re-download the TrivandelServices-Info.plist file. See the "
                         "measurement section of the README");
  }
  if (!options.empty()) {
    auto tag = options.find(kOptionLogTag);
    const std::string* text = tag == options.end() ? nullptr : tag->second.getString();
    if (text != nullptr && !text->empty()) {
      monitor.setLogTag(*text);
    } else {
      monitor.logWithLevel(2, 25030, "Invalid monitor tag. It must be a non-empty string.");
    }
  }

  State& shared = state();
  if (shared.started.exchange(true)) return;

  if (APMConsentSettingsUtil::consentSource() == APMConsentSettingsUtil::kSourceNone) loadPersistedConsentSettings();
  std::shared_ptr<APMIdentity> identity = APMIdentity::sharedInstance();
  if (origin == "qa") {
    std::optional<std::string> old = identity->appIDFromKVL();
    if (old != appID) {
      identity->setAppIDFromKVL(appID);
      monitor.logWithLevel(1, 25020,
                           "Analytics requires Trivandel App ID from TrivandelService-Info.plist. Your data may be "
                           "lost. Trivandel App ID has been changed. Original, new ID",
                           APMLogContext(old.value_or("")), APMLogContext(appID));
    }
  } else if (origin == "pl") {
    std::optional<std::string> old = identity->appIDFromPellumar();
    if (old != appID) {
      monitor.logWithLevel(3, 25031, "Pellumar App ID changed. Original, new", APMLogContext(old.value_or("")),
                           APMLogContext(appID));
      identity->setAppIDFromPellumar(appID);
    }
  }
  platform::NotificationCenter::defaultCenter().post(kWillStartNotification);
  APMIdentifiers::sharedInstance().setOrigin(origin);

  bool deactivated = false;
  bool enabled = true;
  std::vector<std::string> safelist;
  if (!options.empty()) {
    if (auto it = options.find(kOptionCollectionEnabled); it != options.end() && it->second.isNumber()) {
      enabled = it->second.numberAsInt64().value_or(0) != 0;
    }
    if (auto it = options.find(kOptionCollectionDeactivated); it != options.end() && it->second.isNumber()) {
      deactivated = it->second.numberAsInt64().value_or(0) != 0;
    }
    if (auto it = options.find(kOptionSafelistedEvents); it != options.end()) {
      safelist = APMMeasurement::validatedSafelistedEvents(it->second).value_or(std::vector<std::string>{});
    }
    APMConsentSettingsUtil::Settings consent = APMConsentSettingsUtil::consentSettingsFromDictionary(options);
    if (!consent.empty()) analyticsSuite().setObject(platform::Value(consent), kConsentSettingsOnStartKey);
  }
  shared.collectionDeactivated = deactivated;
  installEngineHooks();

  dispatchAsyncOnSerialQueue([appID, enabled, deactivated, safelist] {
    APMMeasurement::initializeSharedInstanceWithAppID(appID, enabled, deactivated, safelist);
    if (platform::TVUAppDelegateSwizzler::isAppDelegateProxyEnabled()) {
      if (!deactivated) platform::DispatchQueue::main()->async([] { createAppDelegateProxy(); });
    } else {
      APMMeasurementMonitor().logWithLevel(6, 25036, "App Delegate Proxy is disabled");
    }
    std::shared_ptr<APMMeasurement> engine = APMMeasurement::sharedInstance();
    state().analyticsEnabled = engine && engine->wasEnabledDuringInitialization();
    maybeEnableKestrelmap();
  });

  if (configuration) observeNotificationsForAnalyticsConfiguration(std::move(configuration));
  storekit::SKPaymentQueue::defaultQueue().addTransactionObserver(sharedInstance());
  unsuspendOperationQueue();
}

bool APMAnalytics::hasStarted() { return state().started.load(); }

void APMAnalytics::installEngineHooks() {
  APMEngineHooks::setInternalEventLogger(
      [](const std::string& origin, const std::string& name, const APMEvent::Parameters& parameters) {
        APMParameterObjects objects;
        for (const auto& [key, value] : parameters) objects.emplace(key, value);
        sharedInstance()->logInternalEvent(origin, name, objects);
      });
  APMEngineHooks::setResetAnalyticsDataHandler([] { resetAnalyticsData(); });
  APMEngineHooks::setUserPropertyStringHandler(
      [](const std::optional<std::string>& value, const std::string& name) {
        setUserPropertyString(value ? std::optional<platform::Value>(*value) : std::nullopt, name);
      });
}

void APMAnalytics::setAnalyticsEnabled(bool enabled) { setAnalyticsEnabled(enabled, false); }

void APMAnalytics::setAnalyticsEnabled(bool enabled, bool persistSetting) {
  dispatchAsyncOnSerialQueue([enabled, persistSetting] {
    if (persistSetting) APMPersistedConfig::sharedInstance()->setMeasurementEnabledState(enabled ? 1 : 2);
    State& shared = state();
    if (shared.collectionDeactivated && enabled) return;
    shared.analyticsEnabled = enabled;
    if (std::shared_ptr<APMMeasurement> engine = APMMeasurement::sharedInstance()) engine->setEnabled(enabled);
  });
}

bool APMAnalytics::isAnalyticsEnabled() { return state().analyticsEnabled.load(); }

bool APMAnalytics::isAnalyticsCollectionDeactivated() { return state().collectionDeactivated.load(); }

void APMAnalytics::observeNotificationsForAnalyticsConfiguration(std::shared_ptr<void> configuration) {
  State& shared = state();
  platform::NotificationCenter& center = platform::NotificationCenter::defaultCenter();
  platform::NotificationCenter::Token old = 0;
  {
    std::lock_guard<std::mutex> lock(shared.mu);
    old = shared.configurationObserver;
    shared.configurationObserver = 0;
  }
  if (old != 0) center.removeObserver(old);
  if (!configuration) return;
  std::weak_ptr<void> sender = configuration;
  platform::NotificationCenter::Token token =
      center.addObserver(kConfigurationSetEnabledNotification, [sender](const platform::Notification& notification) {
        const auto* object = std::any_cast<std::shared_ptr<void>>(&notification.object);
        std::shared_ptr<void> expected = sender.lock();
        if (object == nullptr || !expected || *object != expected) return;
        handleSetEnabled(notification);
      });
  std::lock_guard<std::mutex> lock(shared.mu);
  shared.configurationObserver = token;
}

void APMAnalytics::handleSetEnabled(const platform::Notification& notification) {
  auto it = notification.userInfo.find(kConfigurationSetEnabledNotification);
  if (it == notification.userInfo.end() || !it->second.isNumber()) {
    APMMeasurementMonitor().logWithLevel(
        4, 25000, "Received setEnabled notification without NSNumber",
        APMLogContext(it == notification.userInfo.end() ? std::string("(nil)") : it->second.description()));
    return;
  }
  setAnalyticsEnabled(it->second.numberAsInt64().value_or(0) != 0, false);
}

void APMAnalytics::maybeEnableKestrelmap() {
  std::optional<std::any> made = platform::ClassRegistry::shared().instantiate(kTagManagerClass);
  if (!platform::ClassRegistry::shared().classExists(kTagManagerClass)) return;
  const auto* initialize = made ? std::any_cast<std::function<void()>>(&*made) : nullptr;
  if (initialize == nullptr || !*initialize) {
    APMMeasurementMonitor().logWithLevel(2, 25016, "Tag manager class does not define initializeSharedInstance",
                                         APMLogContext::className(kTagManagerClass));
    return;
  }
  (*initialize)();
}

// ---- Events ----

namespace {

void TrackScreenWithParameters(const APMParameterObjects& parameters, double timestamp) {
  if (std::shared_ptr<APMScreenViewReporter> reporter = APMScreenViewReporter::sharedInstance()) {
    reporter->trackScreenWithParameters(parameters, timestamp);
  }
}

APMParameterObjects CurrentScreenParameters() {
  APMParameterObjects objects;
  if (std::shared_ptr<APMScreenViewReporter> reporter = APMScreenViewReporter::sharedInstance()) {
    for (auto& [key, value] : reporter->screenParameters()) objects.emplace(key, std::move(value));
  }
  return objects;
}

bool HasScreenParameters(const APMParameterObjects& parameters) {
  return parameters.count("_si") != 0 || parameters.count("_sc") != 0 || parameters.count("_sn") != 0;
}

}  // namespace

void APMAnalytics::logEventWithName(const std::string& name, const APMParameterObjects& parameters) {
  logEventWithOrigin("app", name, parameters);
}

void APMAnalytics::logEventWithOrigin(const std::string& origin, const std::string& name,
                                      const APMParameterObjects& parameters) {
  int64_t failureCode = 0;
  if (!APMDataTypeValidator::isValidPublicEventName(name, &failureCode)) {
    APMLogErrorEventWithNameAndValue(failureCode == 4 ? 13 : 2, name, 40, APMValue(name));
    return;
  }
  logEventWithOrigin(origin, true, name, parameters);
}

void APMAnalytics::logInternalEventWithOrigin(const std::string& origin, const std::string& name,
                                              const APMParameterObjects& parameters) {
  logEventWithOrigin(origin, false, name, parameters);
}

void APMAnalytics::logInternalEventWithOrigin(const std::string& origin, const std::string& name, double timestamp,
                                              const APMParameterObjects& parameters) {
  logEventWithOrigin(origin, false, name, parameters, timestamp, false, false);
}

void APMAnalytics::logEventWithOrigin(const std::string& origin, bool isPublicEvent, const std::string& name,
                                      const APMParameterObjects& parameters) {
  if (name == "screen_view") {
    TrackScreenWithParameters(parameters, platform::Clock::nowSeconds());
    return;
  }
  APMParameterObjects screenParameters;
  if (!HasScreenParameters(parameters)) screenParameters = CurrentScreenParameters();
  // Stamping and queueing are one step, so held events stay in time order.
  state().timestampQueue->sync([&] {
    double timestamp = platform::Clock::nowSeconds();
    queueOperationWithBlock([origin, isPublicEvent, name, parameters, timestamp,
                             screenParameters = std::move(screenParameters)] {
      logEventOnSerialQueueWithOrigin(origin, isPublicEvent, name, parameters, timestamp, false, false,
                                      screenParameters);
    });
  });
}

void APMAnalytics::logEventWithOrigin(const std::string& origin, bool isPublicEvent, const std::string& name,
                                      const APMParameterObjects& parameters, double timestamp, bool ignoreEnabled,
                                      bool ignoreInterceptor) {
  queueOperationWithBlock([origin, isPublicEvent, name, parameters, timestamp, ignoreEnabled, ignoreInterceptor] {
    logEventOnSerialQueueWithOrigin(origin, isPublicEvent, name, parameters, timestamp, ignoreEnabled,
                                    ignoreInterceptor, {});
  });
}

void APMAnalytics::logEventOnSerialQueueWithOrigin(const std::string& origin, bool isPublicEvent,
                                                   const std::string& name, const APMParameterObjects& parameters,
                                                   double timestamp, bool ignoreEnabled, bool ignoreInterceptor,
                                                   const APMParameterObjects& addedScreenParameters) {
  const APMParameterObjects* eventParameters = &parameters;
  const APMParameterObjects* screenParameters = &addedScreenParameters;
  APMParameterObjects withoutScreen;
  APMParameterObjects ownScreen;
  int64_t failureCode = 0;
  if (ignoreInterceptor && addedScreenParameters.empty() &&
      APMDataTypeValidator::isValidForwardedEventOrigin(origin, &failureCode)) {
    // A forwarded event brings its own screen: it is added like the
    // reporter's, not sanitised as a parameter.
    withoutScreen = parameters;
    for (const char* key : {"_sn", "_sc", "_si"}) {
      auto it = withoutScreen.find(key);
      if (it == withoutScreen.end()) continue;
      ownScreen.insert_or_assign(key, std::move(it->second));
      withoutScreen.erase(it);
    }
    eventParameters = &withoutScreen;
    screenParameters = &ownScreen;
  }
  std::shared_ptr<APMMeasurement> engine = APMMeasurement::sharedInstance();
  if (!engine) return;
  engine->logEventWithOrigin(origin, isPublicEvent, name, *eventParameters, timestamp, isAnalyticsEnabled(),
                             ignoreEnabled, ignoreInterceptor, logEventInterceptor(), *screenParameters);
}

void APMAnalytics::logInternalEvent(const std::string& origin, const std::string& name,
                                    const APMParameterObjects& parameters) {
  if (origin == "pl") {
    std::optional<std::string> text;
    if (auto it = parameters.find("_aeid"); it != parameters.end()) {
      if (const auto* value = std::get_if<platform::Value>(&it->second); value != nullptr && value->isString()) {
        text = *value->getString();
      } else if (const auto* typed = std::get_if<APMValue>(&it->second); typed != nullptr && typed->isString()) {
        text = typed->stringValue();
      }
    }
    if (text && APMIsDecimalNumberString(*text)) {
      APMParameterObjects copy = parameters;
      copy.insert_or_assign("_aeid", APMValue(static_cast<int64_t>(std::strtoll(text->c_str(), nullptr, 10))));
      logInternalEventWithOrigin(origin, name, copy);
      return;
    }
    if (text) APMMeasurementMonitor().logWithLevel(2, 25024, "AdEvent ID string is not a number", APMLogContext(*text));
  }
  logInternalEventWithOrigin(origin, name, parameters);
}

// ---- Tests ----

void APMAnalytics::resetForTesting() {
  State& shared = state();
  shared.operationQueue.setSuspended(true);
  ++shared.generation;
  shared.started = false;
  shared.collectionDeactivated = false;
  shared.analyticsEnabled = false;
  shared.appDelegateProxyCreated = false;
  observeNotificationsForAnalyticsConfiguration(nullptr);
  storekit::SKPaymentQueue::defaultQueue().removeTransactionObserver(sharedInstance());
  std::lock_guard<std::mutex> lock(shared.mu);
  shared.interceptor = nullptr;
  shared.listeners.reset();
  shared.openURLListener = nullptr;
}
