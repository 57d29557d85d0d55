// User properties, default event parameters, the session-ID query, user data
// for on-device conversion measurement, the internal "_npa" property with its
// link to the ad-personalisation consent, and the conditional user
// properties' share of event intake.
#include <utility>

#include "Analytics/Engine/APMConditionalUserPropertyController.h"
#include "Analytics/Engine/APMDataTypeValidator.h"
#include "Analytics/Engine/APMEngineChecks.h"
#include "Analytics/Engine/APMEngineClock.h"
#include "Analytics/Engine/APMEventUtilities.h"
#include "Analytics/Engine/APMIdentity.h"
#include "Analytics/Engine/APMMeasurement.h"
#include "Analytics/Engine/APMNamesForLogging.h"
#include "Analytics/Engine/APMScheduler.h"
#include "Analytics/Engine/APMSessionReporter.h"
#include "Analytics/Engine/Interface/APMAnalytics.h"
#include "Analytics/Engine/Interface/APMConsentSettingsUtil.h"
#include "Analytics/Engine/Monitor/APMLogContext.h"
#include "Analytics/Engine/Monitor/APMMainBundle.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/DispatchQueue.h"

namespace {

constexpr const char* kAllowAdPersonalizationSignalsKey = "TRIVANDEL_ANALYTICS_DEFAULT_ALLOW_AD_PERSONALIZATION_SIGNALS";
constexpr const char* kRegistrationWithAdNetworkKey = "TRIVANDEL_ANALYTICS_REGISTRATION_WITH_AD_NETWORK_ENABLED";
constexpr const char* kNPAProperty = "_npa";
constexpr const char* kUserIDProperty = "_id";
constexpr const char* kLastAdvertisingIDResetProperty = "_lair";
constexpr const char* kSessionIDProperty = "_sid";
constexpr int64_t kSessionIDErrorCode = 13;

// Callers' answers never run on the worker queue.
void AnswerOnBackgroundQueue(std::function<void()> block) {
  platform::DispatchQueue::global(platform::QueuePriority::background)->async(std::move(block));
}

std::optional<bool> Exists(const std::optional<platform::Value>& answer) {
  if (!answer) return std::nullopt;
  return answer->numberAsInt64().value_or(0) != 0;
}

// The form in which two user IDs are compared.
std::string StringForm(const APMValue& value) { return value.description(); }

APMEvent::Parameters TypedForLogging(const APMParameterObjects& objects) {
  APMEvent::Parameters typed;
  for (const auto& [key, object] : objects) {
    if (std::optional<APMValue> value = APMValue::valueFromObject(object, true)) typed.emplace(key, std::move(*value));
  }
  return typed;
}

platform::Value::Dictionary ADPersonalization(bool denied) {
  return {{APMConsentSettingsUtil::kAdPersonalization,
           platform::Value(denied ? APMConsentSettingsUtil::kDenied : APMConsentSettingsUtil::kGranted)}};
}

bool HoldsADPersonalization(const std::optional<APMConsentSettingsUtil::Settings>& settings) {
  return settings && settings->count(APMConsentSettingsUtil::kAdPersonalization) != 0;
}

}  // namespace

// ---- Entries ----

void APMMeasurement::logEventWithOrigin(const std::string& origin, bool isPublicEvent, const std::string& name,
                                        const APMParameterObjects& parameters, double timestamp, bool enabled,
                                        bool ignoreEnabled, bool ignoreInterceptor, EventInterceptor interceptor,
                                        const APMParameterObjects& addedScreenParameters) {
  // Held strongly: an event handed over is written even if the caller lets go.
  scheduler_->scheduleOnWorkerQueueBlockID(
      "APMMeasurement:2458", [self = shared_from_this(), origin, isPublicEvent, name, parameters, timestamp, enabled,
                              ignoreEnabled, ignoreInterceptor, interceptor = std::move(interceptor),
                              addedScreenParameters] {
        self->logEventOnWorkerQueueWithOrigin(origin, isPublicEvent, name, parameters, timestamp, enabled,
                                              ignoreEnabled, ignoreInterceptor, interceptor, addedScreenParameters);
      });
}

void APMMeasurement::setDefaultEventParameters(const std::optional<platform::Value::Dictionary>& parameters) {
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:2573", [weak, parameters] {
    if (auto self = weak.lock()) self->handleSetDefaultEventParametersOnWorkerQueue(parameters);
  });
}

void APMMeasurement::removeUserAttribute(const std::optional<APMUserAttribute>& attribute) {
  if (!attribute) {
    monitor().logWithLevel(3, 23074, "Attempted to remove nil user property");
    return;
  }
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:2755", [weak, attribute = *attribute] {
    if (auto self = weak.lock()) self->removeUserAttributeOnWorkerQueue(attribute);
  });
}

void APMMeasurement::setUserAttribute(const std::optional<APMUserAttribute>& attribute) {
  if (!attribute) {
    monitor().logWithLevel(3, 23079, "Attempted to set nil user property");
    return;
  }
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:2800", [weak, attribute = *attribute] {
    if (auto self = weak.lock()) self->setUserAttributeOnWorkerQueue(attribute);
  });
}

void APMMeasurement::userAttributeWithName(const std::string& name, UserAttributeCallback callback) {
  if (!callback) {
    monitor().logWithLevel(0, 23088, "userAttributeWithName callback is nil");
    return;
  }
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:2944", [weak, name, callback = std::move(callback)] {
    auto self = weak.lock();
    if (!self) return;
    std::optional<APMUserAttribute> attribute;
    if (self->database_) {
      APMError error;
      attribute = self->database_->userAttributeWithName(name, &error);
      if (!attribute && HasError(error)) {
        monitor().logWithLevel(1, 23089, "Unable to get user attribute by name. Name",
                               APMLogContext(APMUserPropertyNameForLogging(name)));
      }
    }
    AnswerOnBackgroundQueue([callback, attribute = std::move(attribute)] { callback(attribute); });
  });
}

void APMMeasurement::userPropertiesIncludingInternal(bool includeInternal, UserPropertiesCallback callback) {
  if (!callback) {
    monitor().logWithLevel(0, 23090, "Unable to retrieve user properties. Callback is nil");
    return;
  }
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID(
      "APMMeasurement:2999", [weak, includeInternal, callback = std::move(callback)] {
        auto self = weak.lock();
        if (!self) return;
        platform::Value::Dictionary properties;
        std::optional<std::vector<APMUserAttribute>> attributes;
        APMError error;
        if (self->database_) attributes = self->database_->userAttributesIncludingInternal(includeInternal, &error);
        if (!attributes) {
          monitor().logWithLevel(1, 23091, "Unable to retrieve user properties. Error", APMLogContext(error));
        } else {
          for (const APMUserAttribute& attribute : *attributes) {
            if (attribute.name().empty()) {
              monitor().logWithLevel(3, 23092, "Cannot add invalid public user property name or value.");
              continue;
            }
            const APMValue& value = attribute.value();
            if (value.isString()) {
              properties.insert_or_assign(attribute.name(), platform::Value(*value.stringPointer()));
            } else if (value.isDouble()) {
              properties.insert_or_assign(attribute.name(), platform::Value(value.doubleValue()));
            } else if (value.isInt64()) {
              properties.insert_or_assign(attribute.name(), platform::Value(value.int64Value()));
            }
          }
        }
        AnswerOnBackgroundQueue([callback, properties = std::move(properties)] { callback(properties); });
      });
}

void APMMeasurement::maxUserPropertiesForOrigin(const std::string& origin, MaxUserPropertiesCallback callback) {
  if (origin.empty()) {
    monitor().logWithLevel(0, 23093, "Origin for querying MaxUserProperties cannot be nil");
    return;
  }
  if (!callback) {
    monitor().logWithLevel(0, 23094, "MaxUserProperties callback cannot be nil. Origin", APMLogContext(origin));
    return;
  }
  AnswerOnBackgroundQueue([callback = std::move(callback)] { callback(kMaxUserPropertiesPerOrigin); });
}

void APMMeasurement::sessionIDWithCompletion(SessionIDCompletion completion) {
  if (!completion) return;
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:3163", [weak, completion = std::move(completion)] {
    auto fail = [&](const char* description) {
      completion(0, APMError::apm_errorWithCode(kSessionIDErrorCode, description));
    };
    auto self = weak.lock();
    if (!self) return fail("Analytics deallocated");
    if (!self->isEnabled() || !self->database_) return fail("Analytics disabled");
    if (!self->sessionReporter_ || self->sessionReporter_->isSessionExpired()) return fail("Session expired");
    APMError error;
    std::optional<APMUserAttribute> sessionID = self->database_->userAttributeWithName(kSessionIDProperty, &error);
    if (!sessionID || !(sessionID->value().isInt64() || sessionID->value().isDouble())) {
      return fail("Session ID not found");
    }
    completion(sessionID->value().int64Value(), std::nullopt);
  });
}

void APMMeasurement::setUserData(const platform::Value::Dictionary& userData) {
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:3170", [weak, userData] {
    if (auto self = weak.lock()) self->setUserDataOnWorkerQueue(userData);
  });
}

// ---- Events ----

void APMMeasurement::logEventOnWorkerQueueWithOrigin(const std::string& origin, bool isPublicEvent,
                                                     const std::string& name, const APMParameterObjects& parameters,
                                                     double timestamp, bool enabled, bool ignoreEnabled,
                                                     bool ignoreInterceptor, const EventInterceptor& interceptor,
                                                     const APMParameterObjects& addedScreenParameters) {
  APMParameterObjects withDefaults = (ignoreInterceptor || !APMIsNotErrorEventName(name))
                                         ? parameters
                                         : parametersWithAddedDefaultEventParameters(parameters);
  std::optional<APMEvent> event = APMEvent::initWithOrigin(origin, isPublicEvent, name, timestamp, 0, withDefaults);
  if (!event) {
    monitor().logWithLevel(1, 23219, "Attempted to log nil event. Origin, name, parameters", APMLogContext(origin),
                           APMLogContext(APMEventNameForLogging(name)),
                           APMLogContext(APMParametersForLogging(TypedForLogging(withDefaults))));
    return;
  }
  if (!addedScreenParameters.empty()) event->addScreenParameters(addedScreenParameters);

  bool exempt = origin == "pl" || name == "_xa" || name == "_xu";
  bool notice = (enabled || ignoreEnabled) && !exempt;
  if (notice && isPublicEvent && !ignoreInterceptor && interceptor) {
    APMEvent::Parameters handed = TypedForLogging(withDefaults);
    for (auto& [key, value] : TypedForLogging(addedScreenParameters)) handed.insert_or_assign(key, std::move(value));
    interceptor(origin, name, handed, timestamp);
    return;
  }
  logEventOnWorkerQueue(std::move(*event), notice);
}

void APMMeasurement::logEventOnWorkerQueue(APMEvent event, bool notify) {
  if (!notify) {
    handleEventOnWorkerQueue(std::move(event));
    return;
  }
  // Listeners hear the event as it was handed in, not as intake changed it.
  APMEvent notice = event;
  handleEventOnWorkerQueue(std::move(event));
  notifyEventListeners(notice);
}

APMParameterObjects APMMeasurement::parametersWithAddedDefaultEventParameters(
    const APMParameterObjects& parameters) const {
  std::optional<platform::Value::Dictionary> defaults = persistedConfig_->defaultEventParameters();
  if (!defaults) return parameters;
  APMParameterObjects merged = parameters;
  for (const auto& [key, value] : *defaults) merged.emplace(key, value);  // a given key stays
  return merged;
}

void APMMeasurement::handleSetDefaultEventParametersOnWorkerQueue(
    const std::optional<platform::Value::Dictionary>& parameters) {
  APMScheduler::checkOnBackgroundThreadWithMethodName("handleSetDefaultEventParametersOnWorkerQueue:");
  APMMonitor& log = monitor();
  if (!isEnabled()) {
    log.logWithLevel(7, 23211, "Analytics is disabled. Default event parameters not updated");
    return;
  }
  platform::Value::Dictionary defaults;
  if (parameters) defaults = persistedConfig_->defaultEventParameters().value_or(platform::Value::Dictionary{});
  for (const auto& [key, object] : parameters.value_or(platform::Value::Dictionary{})) {
    if (!object.isNumber() && !object.isString() && !object.isNull()) {
      log.logWithLevel(4, 23213, "Invalid key in default event parameters. Parameter ignored.", APMLogContext(key));
      if (object.isArray()) APMLogErrorEvent(27);
      continue;
    }
    int64_t failure = 0;
    if (!APMDataTypeValidator::isValidPublicEventParameterName(key, &failure)) {
      log.logWithLevel(4, 23214, "Invalid default event parameter name. Name", APMLogContext(key));
      continue;
    }
    if (object.isNull()) {
      defaults.erase(key);
      continue;
    }
    std::optional<APMValue> value = APMValue::valueFromObject(object);
    if (value && APMDataTypeValidator::isValidPublicEventParameterValue(&*value, &failure)) {
      defaults.insert_or_assign(key, object);
    }
  }
  std::shared_ptr<APMRemoteConfig> remote = remoteConfigInstance() ? remoteConfigInstance() : remoteConfig();
  int32_t limit = remote->maxPublicEventParams();
  if (static_cast<int64_t>(defaults.size()) > limit) {
    // The shared trimming decides which names go; only the names matter to it.
    APMEvent::Parameters names;
    for (const auto& entry : defaults) names.emplace(entry.first, APMValue(int64_t{0}));
    APMTrimDefaultEventParameters(names, limit);
    std::erase_if(defaults, [&](const auto& entry) { return names.count(entry.first) == 0; });
    APMLogErrorEvent(26);
    log.logWithLevel(4, 23215, "Too many default event parameters set. Discarding beyond event parameter limit");
  }
  log.logWithLevel(7, 23216, "Updating default event parameters. Parameters",
                   APMLogContext(platform::Value(defaults).description()));
  persistedConfig_->setDefaultEventParameters(defaults);
}

// ---- User properties ----

void APMMeasurement::removeUserAttributeOnWorkerQueue(const APMUserAttribute& attribute) {
  APMScheduler::checkOnBackgroundThreadWithMethodName("removeUserAttributeOnWorkerQueue:");
  APMMonitor& log = monitor();
  if (!isEnabled() || !database_) {
    log.logWithLevel(7, 23076, "Analytics is disabled. User property not removed");
    return;
  }
  const std::string& name = attribute.name();
  if (name == kUserIDProperty && identity_) identity_->resetSessionStitchingToken();
  APMError error;
  if (database_->deleteUserAttributeWithName(name, &error)) {
    log.logWithLevel(7, 23078, "User property removed. Name", APMLogContext(APMUserPropertyNameForLogging(name)));
  } else if (HasError(error)) {
    log.logWithLevel(1, 23077, "Unable to remove user property. Name, error",
                     APMLogContext(APMUserPropertyNameForLogging(name)), APMLogContext(error));
  }
}

void APMMeasurement::setUserAttributeOnWorkerQueue(const APMUserAttribute& attribute) {
  APMScheduler::checkOnBackgroundThreadWithMethodName("setUserAttributeOnWorkerQueue:");
  if (!isEnabled() || !database_) {
    monitor().logWithLevel(7, 23081, "Analytics is disabled. User property not set");
    return;
  }
  setUserPropertyInDatabaseOnWorkerQueue(attribute);
}

bool APMMeasurement::setUserPropertyInDatabaseOnWorkerQueue(const APMUserAttribute& attribute) {
  APMScheduler::checkOnBackgroundThreadWithMethodName("setUserPropertyInDatabaseOnWorkerQueue:");
  if (!database_) return false;
  APMMonitor& log = monitor();
  const std::string& name = attribute.name();
  APMLogContext nameContext(APMUserPropertyNameForLogging(name));

  APMError error;
  std::optional<bool> exists = Exists(database_->containsUserAttributeWithName(name, &error));
  if (!exists) {
    log.logWithLevel(1, 23082, "Unable to query existence of user property. Name, error", nameContext,
                     APMLogContext(error));
    return false;
  }
  if (*exists && name == kUserIDProperty) {
    APMError readError;
    std::optional<APMUserAttribute> stored = database_->userAttributeWithName(name, &readError);
    if (stored && StringForm(stored->value()) != StringForm(attribute.value())) {
      // Another user: the session no longer stitches, and the reset marker is theirs.
      if (identity_) identity_->resetSessionStitchingToken();
      APMError deleteError;
      database_->deleteUserAttributeWithName(kLastAdvertisingIDResetProperty, &deleteError);
    }
  }
  std::shared_ptr<APMRemoteConfig> remote = remoteConfigInstance() ? remoteConfigInstance() : remoteConfig();
  if (remote->DMAConsentEnabled() && name == kNPAProperty) {
    updateAdPersonalizationConsentFromNPAValue(attribute.value().int64Value() != 0);
  }
  if (!*exists) {
    APMError countError;
    std::optional<platform::Value> count;
    int64_t limit = 0;
    if (attribute.isPublic()) {
      count = database_->publicUserAttributeCount(&countError);
      limit = remote->maxPublicUserProperties();
    } else {
      count = database_->userAttributeCountForOrigin(attribute.origin(), &countError);
      limit = kMaxUserPropertiesPerOrigin;
    }
    std::optional<int64_t> current = count ? count->numberAsInt64() : std::nullopt;
    if (!current) {
      if (HasError(countError)) {
        log.logWithLevel(1, 23083, "Unable to query user property count. Origin, error",
                         APMLogContext(attribute.origin()), APMLogContext(countError));
      }
      return false;
    }
    if (*current >= limit) {
      log.logWithLevel(3, 23084,
                       "Unable to set user property. Reached limit on set user properties for origin. Origin, name, "
                       "value",
                       APMLogContext(attribute.origin()), nameContext, APMLogContext(attribute.value().description()));
      APMLogErrorEvent(9);
      return false;
    }
  }
  APMError writeError;
  if (database_->updateUserAttribute(&attribute, &writeError)) {
    log.logWithLevel(7, 23087, "User property set. Name, value", nameContext,
                     APMLogContext(attribute.value().description()));
    return true;
  }
  log.logWithLevel(1, 23085, "Unable to set user property. Name, value, error",
                   std::vector<APMLogContext>{nameContext, APMLogContext(attribute.value().description()),
                                              APMLogContext(writeError)});
  return false;
}

bool APMMeasurement::hasUserPropertyUserIDOnWorkerQueue() {
  APMScheduler::checkOnBackgroundThreadWithMethodName("hasUserPropertyUserIDOnWorkerQueue");
  if (!database_) return false;
  APMError error;
  return Exists(database_->containsUserAttributeWithName(kUserIDProperty, &error)).value_or(false);
}

void APMMeasurement::setLastAdvertisingIDResetUserPropertyOnWorkerQueue() {
  APMScheduler::checkOnBackgroundThreadWithMethodName("setLastAdvertisingIDResetUserPropertyOnWorkerQueue");
  if (!database_) return;
  APMError error;
  if (!Exists(database_->containsUserAttributeWithName(kUserIDProperty, &error)).value_or(false)) return;
  std::optional<bool> marked = Exists(database_->containsUserAttributeWithName(kLastAdvertisingIDResetProperty, &error));
  if (!marked || *marked) return;
  if (auto attribute = APMUserAttribute::initWithOrigin("auto", kLastAdvertisingIDResetProperty, APMValue(int64_t{1}),
                                                        Now())) {
    setUserAttributeOnWorkerQueue(*attribute);
  }
  if (identity_) identity_->setShouldSetLastAdvertisingIDResetUserProperty(false);
}

// ---- Ad personalisation ----

std::optional<bool> APMMeasurement::shouldDisableAdPersonalization() {
  if (std::optional<platform::Value> allow = persistedConfig_->allowPersonalizedAds()) {
    if (std::optional<int64_t> allowed = allow->numberAsInt64()) return *allowed == 0;
  }
  std::shared_ptr<APMRemoteConfig> remote = remoteConfigInstance() ? remoteConfigInstance() : remoteConfig();
  bool dma = remote->DMAConsentEnabled();
  if (dma) {
    std::optional<APMConsentSettingsUtil::Settings> current = APMConsentSettingsUtil::consentSettings();
    if (HoldsADPersonalization(current)) {
      std::optional<std::string> status =
          APMConsentSettingsUtil::statusOf(current->at(APMConsentSettingsUtil::kAdPersonalization));
      if (status) return *status == APMConsentSettingsUtil::kDenied;
    }
  }
  if (std::optional<platform::Value> plist = APMMainBundle::infoValue(kAllowAdPersonalizationSignalsKey)) {
    if (!plist->isNumber()) return false;
    foundAdPersonalizationPlistFlag_ = true;
    return plist->numberAsInt64().value_or(0) == 0;
  }
  if (dma) {
    std::optional<APMConsentSettingsUtil::Settings> defaults = APMConsentSettingsUtil::defaultSettings();
    if (HoldsADPersonalization(defaults)) {
      std::optional<std::string> status =
          APMConsentSettingsUtil::statusOf(defaults->at(APMConsentSettingsUtil::kAdPersonalization));
      if (status == std::optional<std::string>(APMConsentSettingsUtil::kDenied)) return true;
      if (status == std::optional<std::string>(APMConsentSettingsUtil::kGranted)) return false;
    }
  }
  return std::nullopt;
}

void APMMeasurement::updateAdPersonalizationConsentFromNPAValue(bool npa) {
  APMConsentSettingsUtil::updateSettings(ADPersonalization(npa));
  int64_t source = 0;
  if (persistedConfig_->allowPersonalizedAds()) {
    source = 5;
  } else if (foundAdPersonalizationPlistFlag_) {
    source = 3;
  } else if (HoldsADPersonalization(APMConsentSettingsUtil::defaultSettings())) {
    source = 1;
  } else {
    return;
  }
  APMConsentSettingsUtil::setDiagnosticSource(source, APMConsentSettingsUtil::kAdPersonalization);
}

bool APMMeasurement::shouldAllowAdNetworkRegistration() {
  std::optional<platform::Value> value = APMMainBundle::infoValue(kRegistrationWithAdNetworkKey);
  if (value && value->isNumber()) return value->numberAsInt64().value_or(0) != 0;
  return true;
}

void APMMeasurement::setPersonalizedAdsUserPropertyOnWorkerQueue() {
  // A step of every start; the start's trace shows it.
  recordCall("setPersonalizedAdsUserPropertyOnWorkerQueue");
  APMScheduler::checkOnBackgroundThreadWithMethodName("setPersonalizedAdsUserPropertyOnWorkerQueue");
  if (!database_) return;
  APMMonitor& log = monitor();
  APMError error;
  std::optional<APMUserAttribute> stored = database_->userAttributeWithName(kNPAProperty, &error);
  if (!stored && HasError(error)) {
    log.logWithLevel(1, 23172, "Unable to read personalized ads user property. Error", APMLogContext(error));
    return;
  }
  std::optional<bool> npa = shouldDisableAdPersonalization();
  if (!npa) {
    if (!stored) return;
    APMError deleteError;
    if (!database_->deleteUserAttributeWithName(kNPAProperty, &deleteError) && HasError(deleteError)) {
      log.logWithLevel(1, 23173, "Unable to remove personalized ads user property in the database. Error",
                       APMLogContext(deleteError));
      return;
    }
    log.logWithLevel(4, 23180, "No value set for personalized ads. Removing user property.");
    APMConsentSettingsUtil::setDiagnosticSource(0, APMConsentSettingsUtil::kAdPersonalization);
    return;
  }
  bool changed = !stored || stored->value().int64Value() != (*npa ? 1 : 0);
  std::shared_ptr<APMRemoteConfig> remote = remoteConfigInstance() ? remoteConfigInstance() : remoteConfig();
  if (remote->DMAConsentEnabled() && !HoldsADPersonalization(APMConsentSettingsUtil::consentSettings())) {
    updateAdPersonalizationConsentFromNPAValue(*npa);
  }
  if (!changed) return;
  if (auto attribute = APMUserAttribute::initWithOrigin("auto", kNPAProperty, APMValue(int64_t{*npa ? 1 : 0}), Now())) {
    setUserAttributeOnWorkerQueue(*attribute);
  }
}

// ---- User data ----

void APMMeasurement::setUserDataOnWorkerQueue(const platform::Value::Dictionary& userData) {
  APMScheduler::checkOnBackgroundThreadWithMethodName("setUserDataOnWorkerQueue:");
  auto text = [&](const char* key) -> const std::string* {
    auto it = userData.find(key);
    return it == userData.end() ? nullptr : it->second.getString();
  };
  if (const std::string* email = text("email_address"); email && shouldRetrievePSMResponseWithEmailAddress(*email)) {
    if (auto client = PSMClientWithEmailAddress(*email)) setPrivateSetMembershipClient(std::move(client));
  }
  if (!privateSetMembershipClient()) {
    if (const std::string* phone = text("phone_number"); phone && shouldRetrievePSMResponseWithPhoneNumber(*phone)) {
      if (auto client = PSMClientWithPhoneNumber(*phone)) setPrivateSetMembershipClient(std::move(client));
    }
  }
  // Also a client of an earlier call that has not been answered yet; never
  // while its query is still out (refused above with 23235).
  if (!privateSetMembershipClient() || isPSMRequestInProgress_) return;
  ++PSMStartCount_;
  PSMRetryCount_ = 0;
  retrievePSMResponse();
  monitor().logWithLevel(7, 23225, "Initiated on-device conversion measurement");
}

// ---- Conditional user properties and listeners ----

std::optional<std::vector<APMEvent>> APMMeasurement::conditionalUserPropertyEventsForEvent(const APMEvent& event) {
  return APMConditionalUserPropertyController::sharedInstance()->processEventOnWorkerQueue(*this, event);
}

void APMMeasurement::notifyEventListeners(const APMEvent& event) { APMAnalytics::notifyEventListeners(event); }
