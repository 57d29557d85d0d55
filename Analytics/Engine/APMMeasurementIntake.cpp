// Event intake: from one event on the worker queue to a stored raw event,
// through the allow list, sessions, subscription de-duplication, feature
// rollouts, the block list, event editing and the daily limits. Counts,
// aggregates, metadata and the raw event are written in one transaction.
#include <cerrno>
#include <cstdlib>
#include <limits>
#include <string>

#include "Analytics/Engine/APMDataAdditions.h"
#include "Analytics/Engine/APMEngineChecks.h"
#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMEventUtilities.h"
#include "Analytics/Engine/APMIdentity.h"
#include "Analytics/Engine/APMKeychainWrapper.h"
#include "Analytics/Engine/APMLifetimeValueRecorder.h"
#include "Analytics/Engine/APMMeasurement.h"
#include "Analytics/Engine/APMNamesForLogging.h"
#include "Analytics/Engine/APMScheduler.h"
#include "Analytics/Engine/APMSessionReporter.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Interpreter/APMPEventEditing.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/PropertyListFile.h"

namespace {

constexpr const char* kPreviousFirstOpenCountIdentifier = "_pfo";
constexpr int32_t kBundleResettableDeviceIDField = 19;

APMLogContext ParametersContext(const APMEvent& event) { return APMLogContext(APMParametersForLogging(event.parameters())); }

std::optional<int64_t> ParseInt64(const std::string& text) {
  if (text.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  long long value = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != '\0') return std::nullopt;
  return static_cast<int64_t>(value);
}

}  // namespace

// ---- Entries ----

void APMMeasurement::handleInternalEventOnWorkerQueue(APMEvent event) {
  if (APMIsNotErrorEventName(event.name())) {
    if (std::optional<platform::Value::Dictionary> defaults = persistedConfig_->defaultEventParameters()) {
      APMParameterObjects objects;
      for (const auto& [key, value] : *defaults) objects.emplace(key, value);
      event.applyParameters(objects);
    }
  }
  APMEvent notice = event;
  handleEventOnWorkerQueue(std::move(event));
  notifyEventListeners(notice);
}

void APMMeasurement::handleEventOnWorkerQueue(APMEvent event) {
  APMScheduler::checkOnBackgroundThreadWithMethodName("handleEventOnWorkerQueue:");
  // One event reads the persisted settings a dozen times; checking their
  // files on disk once per event is enough.
  platform::PropertyListFile::CheckOncePerScope settingsChecked;
  APMMonitor& log = monitor();
  // An engine whose start failed has nothing to write to; it is being disabled.
  // During the start, the first-open reports write once the parts they use exist.
  if (!isEnabled() ||
      (!didInitializeComponents() && !(database_ && audience_ && sessionReporter_ && remoteConfigInstance()))) {
    log.logWithLevel(7, 23049, "Analytics is disabled. Event not logged");
    return;
  }
  std::optional<APMEvent> allowed = eventAfterSafelistingEvent(event);
  if (!allowed) return;
  processSessionFromEvent(*allowed);
  if (!dedupeSubscriptionEvent(*allowed)) return;
  std::optional<std::vector<APMEvent>> produced = conditionalUserPropertyEventsForEvent(*allowed);
  if (!produced) {
    log.logWithLevel(4, 23050, "Unable to process conditional user property. Event name, origin",
                     APMLogContext(APMEventNameForLogging(allowed->name())), APMLogContext(allowed->origin()));
  }
  if (shouldDropDuplicatedSessionStartWithRolloutEvent(*allowed)) return;
  APMEvent final = appExceptionEventWithQuorvaneFeatureRollouts(*allowed);
  writeEventOnWorkerQueue(final);
  writeSessionStartEventOnWorkerQueue(final);
  if (produced) {
    for (APMEvent& extra : *produced) writeEventOnWorkerQueue(std::move(extra));
  }
  updateSchedule();
}

// ---- Chain steps ----

std::optional<APMEvent> APMMeasurement::eventAfterSafelistingEvent(const APMEvent& event) const {
  if (safelistedEvents_.empty()) return event;
  for (const std::string& name : safelistedEvents_) {
    if (name != event.name()) continue;
    APMEvent::Parameters parameters = event.parameters();
    parameters.insert_or_assign("tq_safelisted", APMValue(int64_t{1}));
    return event.copyWithParameters(parameters);
  }
  monitor().logWithLevel(3, 23174, "Event dropped. Reason: not in allowlist. Event name, origin",
                         APMLogContext(APMEventNameForLogging(event.name())), APMLogContext(event.origin()));
  return std::nullopt;
}

void APMMeasurement::processSessionFromEvent(const APMEvent& event) {
  if (APMEngineHooks::isAppActive() || !sessionReporter_) return;
  APMMonitor& log = monitor();
  if (const APMValue* extend = event.parameter("extend_session")) {
    if (extend->isInt64() && extend->int64Value() == 1) {
      if (sessionReporter_->isSessionExpired()) {
        reportSessionStartOnWorkerQueueWithTimestamp(event.timestamp(), true);
      } else {
        sessionReporter_->extendSession();
      }
    } else {
      log.logWithLevel(3, 23179,
                       "extend_session is a reserved parameter. To extend or start a session in the background, set "
                       "an event parameter {@'extend_session': @1}");
    }
  }
  if (!sessionReporter_->isSessionExpired()) return;
  database_->performTransaction([&] {
    struct Removal {
      const char* name;
      int64_t code;
      const char* message;
    };
    static const Removal kRemovals[] = {
        {"_sid", 23177, "Failed to remove session ID user property on session expiration. Error"},
        {"_sno", 23178, "Failed to remove session number user property on session expiration. Error"},
        {"_se", 23192, "Failed to remove session user engagement user property on session expiration. Error"},
    };
    for (const Removal& removal : kRemovals) {
      APMError error;
      if (!database_->deleteUserAttributeWithName(removal.name, &error)) {
        log.logWithLevel(2, removal.code, removal.message, APMLogContext(error));
        return false;
      }
    }
    return true;
  });
}

bool APMMeasurement::dedupeSubscriptionEvent(const APMEvent& event) {
  if (!APMIsSubscriptionEvent(event)) return true;
  const APMValue* subscriptionID = event.parameter("_did");
  if (subscriptionID == nullptr || !subscriptionID->isInt64()) return true;
  APMMonitor& log = monitor();
  const APMValue* product = event.parameter("product_id");
  APMLogContext productContext(product != nullptr ? product->description() : std::string());

  APMError error;
  std::optional<bool> stored =
      database_->insertIfNotDuplicateSubscriptionID(std::to_string(subscriptionID->int64Value()), &error);
  if (!stored) {
    if (HasError(error)) {
      log.logWithLevel(2, 23181, "Failed to save subscription ID. Product ID, error", productContext,
                       APMLogContext(error));
    }
    return true;
  }
  if (!*stored) {
    log.logWithLevel(4, 23182, "Event dropped. Reason: Subscription purchase is a duplicate. Product ID",
                     productContext);
    return false;
  }
  APMError trimError;
  std::optional<int64_t> deleted = database_->deleteSubscriptionsOverLimit(&trimError);
  if (!deleted) {
    // The new purchase is already recorded as seen: dropping it here would
    // lose it for good, so only the trimming is given up.
    if (HasError(trimError)) {
      log.logWithLevel(5, 23183, "Failed to delete older subscription records. Error", APMLogContext(trimError));
    }
    return true;
  }
  if (*deleted != 0) {
    log.logWithLevel(5, 23184, "Deleted older subscription records beyond limit", APMLogContext(*deleted));
  }
  return true;
}

bool APMMeasurement::shouldDropDuplicatedSessionStartWithRolloutEvent(const APMEvent& event) {
  if (event.name() != "_ssr") return false;
  const APMValue* rollouts = event.parameter("_ffr");
  const std::string* text = rollouts != nullptr ? rollouts->stringPointer() : nullptr;
  std::optional<std::string> stored = persistedConfig_->quorvaneFeatureRollouts();
  bool duplicate = stored ? (text != nullptr && *text == *stored) : (rollouts == nullptr || (text && text->empty()));
  if (duplicate) {
    monitor().logWithLevel(8, 23191, "Feature rollouts value is a duplicate, dropping event");
    return true;
  }
  if (text != nullptr && !text->empty()) {
    persistedConfig_->setQuorvaneFeatureRollouts(*text);
  } else {
    persistedConfig_->setQuorvaneFeatureRollouts(std::nullopt);
    if (rollouts != nullptr && text == nullptr) {
      monitor().logWithLevel(2, 23190, "Unable to process quorvane feature rollouts, value is not a string.");
    }
  }
  return false;
}

APMEvent APMMeasurement::appExceptionEventWithQuorvaneFeatureRollouts(const APMEvent& event) const {
  if (event.name() != "_ae") return event;
  std::optional<std::string> stored = persistedConfig_->quorvaneFeatureRollouts();
  if (!stored) return event;
  APMEvent::Parameters parameters = event.parameters();
  parameters.insert_or_assign("_ffr", APMValue(*stored));
  std::optional<APMEvent> copy = event.copyWithParameters(parameters);
  return copy ? *copy : event;
}

void APMMeasurement::writeSessionStartEventOnWorkerQueue(const APMEvent& event) {
  APMScheduler::checkOnBackgroundThreadWithMethodName("writeSessionStartEventOnWorkerQueue:");
  if (event.name() != "_s") return;
  std::optional<std::string> stored = persistedConfig_->quorvaneFeatureRollouts();
  if (!stored) return;
  APMEvent::Parameters parameters;
  parameters.emplace("_ffr", APMValue(*stored));
  std::optional<APMEvent> rollout =
      APMEvent::initWithOrigin("auto", false, "_ssr", platform::Clock::nowSeconds(), 0, std::move(parameters));
  if (rollout) writeEventOnWorkerQueue(std::move(*rollout));
}

// ---- Writing ----

void APMMeasurement::writeEventOnWorkerQueue(APMEvent event) {
  APMScheduler::checkOnBackgroundThreadWithMethodName("writeEventOnWorkerQueue:");
  APMMonitor& log = monitor();
  // Debug lines are neither shown nor sampled below the debug level: the
  // parameter dump is built only when someone reads it.
  if (log.isLoggableLevel(7)) {
    log.logWithLevel(7, 23051, "Logging event: origin, name, params", APMLogContext(event.origin()),
                     APMLogContext(APMEventNameForLogging(event.name())), ParametersContext(event));
  }

  std::shared_ptr<APMRemoteConfig> remote = remoteConfigInstance();
  if (remote->isEventBlocklisted(event.name())) {
    log.logWithLevel(5, 23052, "Rejected event. Event name", APMLogContext(APMEventNameForLogging(event.name())));
    if (!remote->blocklistInternal() && !remote->blocklistPublic() && !APMIsErrorEvent(event)) {
      APMLogErrorEventWithNameAndValue(11, event.name(), 40, std::nullopt);
    }
    return;
  }

  std::shared_ptr<APMPEventEditing> editing = remote->eesFeatureEnabled() ? remote->eventEditing() : nullptr;
  if (!editing) {
    // Editing off, or no program loaded: the event goes as it came.
    writeFilteredEventOnWorkerQueue(std::move(event));
    return;
  }

  APMPError error;
  bool handled = editing->handleEvent(event.editEvent(), &error);
  if (!handled || error) {
    std::string name = event.name();
    writeFilteredEventOnWorkerQueue(std::move(event));
    log.logWithLevel(1, 23223, "Event editing failed. Event name", APMLogContext(APMEventNameForLogging(name)));
    return;
  }
  // Copied before writing: nothing below may run the program again, but the
  // context belongs to the editor.
  std::optional<APMEvent> edited;
  if (editing->hasEdits()) edited = APMEvent::eventFromEditEvent(editing->eventContext().outputEvent());
  std::vector<APMPEvent> created;
  if (editing->hasCreatedEvents()) created = editing->eventContext().eventsToLog();

  writeFilteredEventOnWorkerQueue(edited ? std::move(*edited) : std::move(event));
  for (const APMPEvent& editEvent : created) {
    if (std::optional<APMEvent> extra = APMEvent::eventFromEditEvent(editEvent)) {
      writeFilteredEventOnWorkerQueue(std::move(*extra));
    }
  }
}

void APMMeasurement::writeFilteredEventOnWorkerQueue(APMEvent event) {
  // In turn on the idle identity queue: no wake-up of its thread per event.
  // The metadata's reads below see this one refresh instead of each
  // repeating it.
  APMIdentity::RefreshOncePerScope identityRefreshed(*identity_);
  if (APMIsPurchaseEvent(event.name())) event.setConversion(true);
  APMMonitor& log = monitor();
  database_->performTransaction([&] {
    if (!updateLifetimeValueWithEvent(event)) return false;
    bool isPublic = APMIsPublicName(event.name());
    APMError error;
    std::optional<APMDailyCounts> counts = database_->dailyCounts(&error);
    if (!counts) {
      log.logWithLevel(1, 23054, "Data loss. Unable to query daily event counts. Error", APMLogContext(error));
      return false;
    }
    bool write = shouldProcessEvent(event, *counts, isPublic);
    bool realtime = isRealtimeEvent(event, *counts);
    APMError updateError;
    if (!database_->updateDailyCounts(&*counts, &updateError)) {
      log.logWithLevel(1, 23061, "Data loss. Unable to update daily event counts. Name, error",
                       APMLogContext(APMEventNameForLogging(event.name())), APMLogContext(updateError));
      return false;
    }
    return write ? writeEvent(event, isPublic, realtime) : true;
  });
}

bool APMMeasurement::updateLifetimeValueWithEvent(const APMEvent& event) {
  if (!APMLifetimeValueRecorder::isPurchaseEvent(event)) return true;
  if (APMLifetimeValueRecorder::recordLifetimeValueToDatabase(database_.get(), event)) return true;
  const APMValue* currency = event.parameter("currency");
  const APMValue* value = event.parameter("value");
  monitor().logWithLevel(1, 23053, "Cannot record lifetime value of event. Name, currency code, transaction value",
                         APMLogContext(APMEventNameForLogging(event.name())),
                         APMLogContext(currency != nullptr ? currency->description() : std::string()),
                         APMLogContext(value != nullptr ? value->description() : std::string()));
  return false;
}

bool APMMeasurement::shouldProcessEvent(const APMEvent& event, APMDailyCounts& dailyCounts, bool isPublicEvent) {
  int32_t day = currentDayForDailyCounts();
  if (dailyCounts.day() != day) dailyCounts.resetWithNewDay(day);
  std::shared_ptr<APMRemoteConfig> remote = remoteConfigInstance();
  APMMonitor& log = monitor();
  bool isError = APMIsErrorEvent(event);

  bool dropped = false;
  bool takeBackOne = false;
  int64_t over = int64_t{dailyCounts.allEventsCount()} - remote->maxEventsPerDay();
  if (over >= 0) {
    dropped = true;
    if (over % 1000 == 0) {
      log.logWithLevel(1, 23055, "Data loss. Too many events logged. Name, limit",
                       APMLogContext(APMEventNameForLogging(event.name())), APMLogContext(remote->maxEventsPerDay()));
    }
  } else if (isError) {
    int64_t errorsOver = int64_t{dailyCounts.errorEventsCount()} - remote->maxErrorEventsPerDay();
    if (errorsOver >= 0) {
      dropped = takeBackOne = true;
      if (errorsOver % 1000 == 0) {
        const APMValue* code = event.parameter("_err");
        log.logWithLevel(1, 23056, "Too many error events logged. Error code, limit",
                         APMLogContext(code != nullptr ? code->description() : std::string()),
                         APMLogContext(remote->maxErrorEventsPerDay()));
      }
    }
  } else if (isPublicEvent) {
    int64_t publicOver = int64_t{dailyCounts.publicEventsCount()} - remote->maxPublicEventsPerDay();
    if (publicOver >= 0) {
      dropped = takeBackOne = true;
      if (publicOver % 1000 == 0) {
        log.logWithLevel(1, 23057, "Data loss. Too many public events logged. Name, limit",
                         APMLogContext(APMEventNameForLogging(event.name())),
                         APMLogContext(remote->maxPublicEventsPerDay()));
      }
      APMLogErrorEvent(16);
    }
  }

  if (isError) {
    dailyCounts.incrementErrorEventsCountForCurrentDay(day);
  } else {
    int64_t effective = 1 + APMTotalArrayItemCount(event);
    if (effective > std::numeric_limits<int32_t>::max()) effective = std::numeric_limits<int32_t>::max();
    dailyCounts.incrementCountsForCurrentDay(day, isPublicEvent, false, static_cast<int32_t>(effective));
  }
  if (takeBackOne) dailyCounts.decrementAllEventsCount();
  return !dropped;
}

bool APMMeasurement::isRealtimeEvent(APMEvent& event, const APMDailyCounts& dailyCounts) {
  std::shared_ptr<APMRemoteConfig> remote = remoteConfigInstance();
  const std::string& name = event.name();
  bool subjectToLimit = !(monitor().isDebugModeEnabled() || name == "_iap" || name == "_f" || name == "_fx");
  int32_t maxRealtime = remote->maxRealtimeEventCountPerDay();
  bool underLimit = dailyCounts.realtimeCount() < maxRealtime;

  bool answer = false;
  if (event.isConversion() || remote->isEventCustomConversion(name)) answer = underLimit || !subjectToLimit;
  if (event.isRealtime() && subjectToLimit && !underLimit) {
    event.setRealtime(false);
    monitor().logWithLevel(4, 23060, "Too many real-time events. Event is no longer real-time. Event name, parameters",
                           APMLogContext(APMEventNameForLogging(name)), ParametersContext(event));
  }
  maybeAddDebugAndRealtimeParameters(event);
  return answer || event.isRealtime();
}

void APMMeasurement::maybeAddDebugAndRealtimeParameters(APMEvent& event) {
  if (!monitor().isDebugModeEnabled()) return;
  event.setRealtime(true);
  event.setDebug(true);
  monitor().logWithLevel(7, 23073, "Debug mode is enabled. Marking event as debug and real-time. Event name, parameters",
                         APMLogContext(APMEventNameForLogging(event.name())), ParametersContext(event));
}

bool APMMeasurement::writeEvent(const APMEvent& event, bool isPublicEvent, bool isRealtime) {
  APMMonitor& log = monitor();
  const std::string& name = event.name();
  APMLogContext nameContext(APMEventNameForLogging(name));

  APMError error;
  std::optional<APMEventAggregates> aggregates = database_->eventAggregatesWithName(name, &error);
  if (!aggregates && HasError(error)) {
    log.logWithLevel(1, 23063, "Cannot query event aggregates. Name, error", nameContext, APMLogContext(error));
    return false;
  }
  if (!aggregates) {
    if (isPublicEvent) {
      APMError countError;
      std::optional<platform::Value> count = database_->publicEventCount(&countError);
      if (!count) {
        log.logWithLevel(1, 23064, "Cannot query event count. Error", APMLogContext(countError));
        return false;
      }
      if (count->numberAsInt64().value_or(0) >= remoteConfigInstance()->maxEventNameCardinality()) {
        log.logWithLevel(1, 23065, "Cannot set event. Reached limit on set events. Name", nameContext);
        APMLogErrorEvent(8);
        return false;
      }
    }
    std::optional<APMEventAggregates> row = APMEventAggregates::initWithName(name, 0, 0, 0, 0);
    APMError updateError;
    if (!row || !database_->updateEventAggregates(&*row, &updateError)) {
      log.logWithLevel(1, 23066, "Data loss. Cannot record event aggregates. Error", APMLogContext(updateError));
      return false;
    }
  }

  if (identity_->shouldSetLastAdvertisingIDResetUserProperty()) setLastAdvertisingIDResetUserPropertyOnWorkerQueue();

  APMError attributesError;
  std::optional<std::vector<APMUserAttribute>> attributes =
      database_->userAttributesIncludingInternal(true, &attributesError);
  if (!attributes) {
    log.logWithLevel(1, 23067, "Data loss. Cannot query user properties. Error", APMLogContext(attributesError));
    return false;
  }

  std::shared_ptr<APMPBMeasurementBundle> metadata = createRawEventMetadataWithUserAttributes(*attributes);
  if (!metadata) return false;
  std::optional<std::string> resettableID = APMPBGetString(metadata.get(), kBundleResettableDeviceIDField);
  if (resettableID && !resettableID->empty()) {
    if (persistedConfig_->unmatchedFirstOpenWithoutIDFA()) logFirstOpenConsentedEvent(event.timestamp());
  } else if (name == "_f") {
    persistedConfig_->setUnmatchedFirstOpenWithoutIDFA(true);
  }

  APMError metadataError;
  if (!database_->insertIfNotExistsRawEventMetadata(metadata.get(), &metadataError)) {
    log.logWithLevel(1, 23068, "Data loss. Cannot record event metadata. Error", APMLogContext(metadataError));
    return false;
  }

  APMError limitError;
  std::optional<int64_t> deleted = database_->deleteRawEventsOverAbsoluteLimit(&limitError);
  if (!deleted) {
    log.logWithLevel(1, 23069, "Data loss. Unable to check raw event storage limit. Error", APMLogContext(limitError));
    return false;
  }
  if (*deleted != 0) {
    log.logWithLevel(4, 23070, "Data loss. Too many events stored on disk. Deleted count", APMLogContext(*deleted));
  }

  std::optional<std::vector<uint8_t>> encoded = metadata->protoBuffer();
  int64_t fingerprint = apm_64LSBMD5(encoded ? platform::Bytes(encoded->begin(), encoded->end()) : platform::Bytes{});
  APMError insertError;
  if (!database_->insertRawEvent(&event, fingerprint, isRealtime, &insertError)) {
    log.logWithLevel(1, 23071, "Data loss. Cannot record raw event. Error", APMLogContext(insertError));
    return false;
  }

  if (name == "_f") {
    std::optional<std::string> stored = previousFirstOpenCount();
    int64_t count = stored ? ParseInt64(*stored).value_or(0) : 0;
    if (count < 1) count = 0;
    if (count != std::numeric_limits<int64_t>::max()) ++count;
    setPreviousFirstOpenCount(std::to_string(count));
  }
  if (log.isLoggableLevel(7)) {
    log.logWithLevel(7, 23072, "Event logged. Event name, event params", nameContext, ParametersContext(event));
  }
  return true;
}

void APMMeasurement::logFirstOpenConsentedEvent(double timestamp) {
  persistedConfig_->setUnmatchedFirstOpenWithoutIDFA(false);
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:917", [weak, timestamp] {
    auto self = weak.lock();
    if (!self) return;
    std::optional<APMEvent> consented =
        APMEvent::initWithOrigin("auto", false, "_fx", timestamp, 0, APMEvent::Parameters{});
    if (!consented) return;
    consented->setRealtime(true);
    self->writeEventOnWorkerQueue(std::move(*consented));
  });
}

// ---- Previous first-open count ----

std::optional<std::string> APMMeasurement::previousFirstOpenCount() const {
  return APMKeychainWrapper::keychainValueWithIdentifier(kPreviousFirstOpenCountIdentifier, appID_);
}

void APMMeasurement::setPreviousFirstOpenCount(const std::optional<std::string>& count) {
  if (count) {
    APMKeychainWrapper::upsertKeychainValue(*count, kPreviousFirstOpenCountIdentifier, appID_);
  } else {
    APMKeychainWrapper::deleteKeychainValueWithIdentifier(kPreviousFirstOpenCountIdentifier, appID_);
  }
}
