// Raw-event metadata, bundling of raw events into the upload queue, and
// event sampling: the part of the engine between a stored raw event and a
// queued bundle. Worker queue only.
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <set>

#include "Analytics/Engine/APMBundleConsent.h"
#include "Analytics/Engine/APMBundleFields.h"
#include "Analytics/Engine/APMEngineClock.h"
#include "Analytics/Engine/APMEngineLog.h"
#include "Analytics/Engine/APMEnvironmentInfo.h"
#include "Analytics/Engine/APMEventUtilities.h"
#include "Analytics/Engine/APMIdentity.h"
#include "Analytics/Engine/APMMeasurement.h"
#include "Analytics/Engine/APMNamesForLogging.h"
#include "Analytics/Engine/APMSessionReporter.h"
#include "Analytics/Engine/Interface/APMAEU.h"
#include "Analytics/Engine/Interface/APMConsentSettingsUtil.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Protobuf/APMPBEventFields.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Analytics/Storage/Audience/APMAudience.h"
#include "Analytics/Storage/Audience/APMAudienceTimestampsCache.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/SaturatingCast.h"

using namespace apm_bundle_fields;
using namespace apm_event_fields;
using platform::SaturatingCast;

namespace {

// Created events may carry times far beyond the 64-bit range once scaled or
// floored: every conversion to an integer saturates.
int64_t Millis(double seconds) { return SaturatingCast::toInt64(seconds * 1000.0); }

int32_t ClampToInt32(int64_t value) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

int64_t SaturatingAdd(int64_t a, int64_t b) {
  int64_t sum = 0;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

bool HasBundlingError(const APMError& error) { return !error.domain().empty() || error.code() != 0; }

bool IntParameterEquals(const APMEvent& event, std::string_view name, int64_t value) {
  const APMValue* parameter = event.parameter(name);
  return parameter != nullptr && parameter->isInt64() && parameter->int64Value() == value;
}

size_t VarintLength(uint64_t value) {
  size_t length = 1;
  while (value >= 0x80) {
    value >>= 7;
    ++length;
  }
  return length;
}

// The length of the event's wire form: the stored encoding plus the name
// field, which the store keeps in a column of its own.
int64_t EncodedEventSize(const APMSqliteStore::Record& row, const APMEvent& event) {
  auto data = row.find("data");
  const platform::Bytes* bytes = data != row.end() ? data->second.getBytes() : nullptr;
  size_t size = bytes != nullptr ? bytes->size() : 0;
  const std::string& name = event.name();
  if (!name.empty()) size += 1 + VarintLength(name.size()) + name.size();
  return static_cast<int64_t>(size);
}

std::optional<int64_t> RowID(const APMSqliteStore::Record& row) {
  auto it = row.find("rowid");
  return it != row.end() ? it->second.numberAsInt64() : std::nullopt;
}

// Deletes the bundled run and, once no raw event refers to it, its metadata.
bool DeleteBundledRawEvents(APMDatabase& database, int64_t maxRowID, int64_t metadataFingerprint) {
  APMError error;
  if (!database.deleteRawEventsWithMaxRowID(maxRowID, &error)) {
    Log().logWithLevel(1, 23119, "Unable to delete raw events. RowID, error", maxRowID, error);
    return false;
  }
  auto contains = database.containsRawEventWithMetadataFingerprint(metadataFingerprint, &error);
  if (!contains) {
    Log().logWithLevel(1, 23120, "Unable to query existence of raw event. Metadata, error", metadataFingerprint,
                       error);
    return false;
  }
  if (contains->numberAsInt64().value_or(1) == 0 &&
      !database.deleteRawEventMetadataWithMetadataFingerprint(metadataFingerprint, &error)) {
    Log().logWithLevel(1, 23121, "Unable to delete raw event metadata. Metadata, error", metadataFingerprint,
                       error);
    return false;
  }
  return true;
}

std::shared_ptr<APMPBEventParam> IntParameter(const std::string& name, int64_t value) {
  auto parameter = std::make_shared<APMPBEventParam>();
  APMPBSetString(parameter.get(), kParamName, name);
  APMPBSetInt64(parameter.get(), kParamInt, value);
  return parameter;
}

// Adds an integer parameter unless the event has one of that name.
void AddSamplingParameter(APMPBEvent* event, const std::string& name, int64_t value) {
  auto parameters = APMPBGetMessageArray<APMPBEventParam>(event, kEventParams);
  for (const auto& parameter : parameters) {
    if (APMPBGetString(parameter.get(), kParamName) == name) {
      Log().logWithLevel(4, 23156, "Event parameter already exists. Parameter name", name);
      return;
    }
  }
  parameters.push_back(IntParameter(name, value));
  APMPBSetMessageArray(event, kEventParams, parameters);
}

uint32_t UniformRoll(uint32_t upperBound) {
  thread_local std::mt19937 generator{std::random_device{}()};
  return std::uniform_int_distribution<uint32_t>(0, upperBound - 1)(generator);
}

}  // namespace

// ---- Metadata ----

std::shared_ptr<APMPBMeasurementBundle> APMMeasurement::createRawEventMetadataWithUserAttributes(
    const std::vector<APMUserAttribute>& userAttributes) {
  auto bundle = std::make_shared<APMPBMeasurementBundle>();
  auto config = remoteConfigInstance();
  APMPBSetString(bundle.get(), kBundlePlatform, "ios");
  APMPBSetInt32(bundle.get(), kBundleProtocolVersion, 1);
  APMIdentity* identity = identity_.get();
  if (identity != nullptr) {
    APMPBSetString(bundle.get(), kBundleAppID, identity->appID());
    APMPBSetString(bundle.get(), kBundleAppVersion, identity->appVersion());
    auto kvlAppID = identity->appIDFromKVL();
    auto pellumarAppID = identity->appIDFromPellumar();
    if (kvlAppID && !kvlAppID->empty()) {
      APMPBSetString(bundle.get(), kBundleKVLAppID, *kvlAppID);
    } else if (pellumarAppID && !pellumarAppID->empty()) {
      APMPBSetString(bundle.get(), kBundlePellumarAppID, *pellumarAppID);
    }
  }
  APMPBSetInt64(bundle.get(), kBundleLibraryVersionAtCreation, APMIdentity::appMeasurementLibraryVersion());
  if (identity != nullptr) {
    std::string installationID = identity->quorvaneInstallationID();
    if (!installationID.empty()) APMPBSetString(bundle.get(), kBundleInstallationID, installationID);

    bool sessionExpired = sessionReporter_ != nullptr && sessionReporter_->isSessionExpired();
    int64_t sessionNumber = persistedConfig_ != nullptr ? persistedConfig_->sessionNumber() : 0;
    auto token =
        identity->sessionStitchingTokenWithSessionNumber(sessionNumber, sessionExpired, hasUserPropertyUserIDOnWorkerQueue());
    if (token && !token->empty()) APMPBSetString(bundle.get(), kBundleSessionStitchingToken, *token);

    if (auto major = identity->appVersionMajor()) APMPBSetInt32(bundle.get(), kBundleAppVersionMajor, *major);
    if (auto minor = identity->appVersionMinor()) APMPBSetInt32(bundle.get(), kBundleAppVersionMinor, *minor);
    if (auto release = identity->appVersionRelease()) {
      APMPBSetInt32(bundle.get(), kBundleAppVersionRelease, *release);
    }
  }

  bool dmaConsent = config != nullptr && config->DMAConsentEnabled();
  if (config != nullptr) APMSyncConsentSignalsVersion(config->consentSignalsG2Enabled());
  if (identity != nullptr) {
    APMApplyConsentToBundle(bundle.get(), APMConsentSettingsUtil::consentSignals(),
                            config != nullptr && config->gateIDFAOnATTMASEnabled(), *identity, true);
  }
  if (dmaConsent) {
    APMApplyConsentDiagnosticsToBundle(bundle.get(), APMConsentSettingsUtil::consentDiagnostics(),
                                       APMConsentSettingsUtil::isAdUserDataDenied(), nullptr, *config, true);
  }

  APMEnvironmentInfo& environment = APMEnvironmentInfo::sharedInstance();
  APMPBSetString(bundle.get(), kBundleDeviceModel, environment.deviceModel());
  APMPBSetString(bundle.get(), kBundleOSVersion, environment.deviceOSVersion());
  APMPBSetInt32(bundle.get(), kBundleTimeZoneOffsetMinutes, environment.timeZoneOffsetMinutes());
  if (auto language = environment.userDefaultLanguage()) {
    APMPBSetString(bundle.get(), kBundleUserDefaultLanguage, *language);
  }

  if (!userAttributes.empty()) {
    std::vector<std::shared_ptr<APMPBUserAttribute>> attributes;
    attributes.reserve(userAttributes.size() + 1);
    bool hasNpa = false;
    for (const auto& attribute : userAttributes) {
      if (auto proto = attribute.protoUserAttribute()) attributes.push_back(std::move(proto));
      hasNpa = hasNpa || attribute.name() == "_npa";
    }
    if (dmaConsent && !hasNpa && database_ != nullptr) {
      APMError error;
      if (auto npa = database_->userAttributeWithName("_npa", &error)) {
        if (auto proto = npa->protoUserAttribute()) attributes.push_back(std::move(proto));
      }
    }
    APMPBSetMessageArray(bundle.get(), kBundleUserAttributes, attributes);
  }
  return bundle;
}

// ---- Bundling ----

bool APMMeasurement::bundleRawEvents() {
  if (database_ == nullptr) return false;
  bool consumed = false;
  bool committed = database_->performTransaction([&] {
    APMError error;
    auto fingerprintValue = database_->nextMetadataFingerprintToProcess(&error);
    if (!fingerprintValue) {
      if (!HasBundlingError(error)) return true;
      Log().logWithLevel(1, 23095, "Unable to fetch next event metadata. Error", error);
      return false;
    }
    int64_t fingerprint = fingerprintValue->numberAsInt64().value_or(0);

    auto selection = rawEventsWithMetadataFingerprint(fingerprint);
    if (!selection) return false;
    if (selection->noneDecoded) {
      Log().logWithLevel(2, 23263, "Deleting raw events that cannot be decoded. Max row ID", selection->maxRowID);
      if (!DeleteBundledRawEvents(*database_, selection->maxRowID, fingerprint)) return false;
      consumed = true;
      return true;
    }
    if (selection->rawEvents.empty()) return true;

    auto bundle = database_->queryRawEventsMetadataWithFingerprint(fingerprint, &error);
    if (bundle == nullptr) {
      Log().logWithLevel(1, 23098, "Unable to fetch event metadata. Metadata fingerprint, error", fingerprint, error);
      if (HasBundlingError(error)) return false;
      // No row, or one that does not decode: these raw events can never make
      // a bundle, and as the oldest they would hold back all the others.
      if (!DeleteBundledRawEvents(*database_, selection->maxRowID, fingerprint)) return false;
      consumed = true;
      return true;
    }

    auto rawEvents = processRawEvents(selection->rawEvents, fingerprint, selection->maxRowID);
    if (!rawEvents) return false;
    if (rawEvents->empty()) return true;

    evaluationTimeFromRawEvents(*rawEvents, bundle.get());

    bool isRealtime = false;
    double start = rawEvents->front().rawEvent().timestamp();
    double end = start;
    for (const auto& rawEvent : *rawEvents) {
      isRealtime = isRealtime || rawEvent.rawEvent().isRealtime();
      start = std::min(start, rawEvent.rawEvent().timestamp());
      end = std::max(end, rawEvent.rawEvent().timestamp());
    }
    APMAudienceTimestampsCache cache;
    auto updated = eventsAfterUpdatingEventAggregates(*rawEvents, &cache);
    if (!updated) return false;
    std::vector<std::shared_ptr<APMPBEvent>> wireEvents = std::move(*updated);

    auto config = remoteConfigInstance();
    if (config != nullptr && config->isEventSamplingEnabled() && !Log().isDebugModeEnabled()) {
      APMError samplingError;
      auto sampled = sampleEvents(wireEvents, &samplingError);
      if (!sampled) return false;
      wireEvents = std::move(*sampled);
    }
    if (wireEvents.empty()) {
      Log().logWithLevel(5, 23159, "No events left after sampling. Dropping bundle");
      if (!DeleteBundledRawEvents(*database_, selection->maxRowID, fingerprint)) return false;
      consumed = true;
      return true;
    }
    // The wire events are not used again: moved into the bundle, not copied.
    APMPBMoveMessageArray(bundle.get(), kBundleEvents, wireEvents);

    if (!updateAppMetadataForBundle(bundle.get(), start, end)) return false;

    auto attributes = APMPBGetMessageArray<APMPBUserAttribute>(bundle.get(), kBundleUserAttributes);
    if (config != nullptr && config->DMAConsentEnabled() && shouldUpdateNPAUserProperty_) {
      setPersonalizedAdsUserPropertyOnWorkerQueue();
      shouldUpdateNPAUserProperty_ = false;
    }
    if (audience_ != nullptr) {
      for (const auto& attribute : attributes) {
        if (!audience_->evaluateFiltersForNanoUserProperty(*attribute, &cache, start)) return false;
      }
      std::optional<APMAudience::LeafResults> results;
      if (!audience_->resultsForBundling(&results) || !results) {
        Log().logWithLevel(1, 23113, "Unable to read audience evaluation results");
      } else if (!results->empty()) {
        APMPBSetMessageArray(bundle.get(), kBundleAudienceResults, *results);
      }
    }

    addBundleMetadataIntoBundle(bundle.get(), start, end);

    bool stitching = config != nullptr && config->sessionStitchingTokenFeatureEnabled();
    if (!stitching || APMConsentSettingsUtil::isAnalyticsStorageDenied()) {
      APMPBClearField(bundle.get(), kBundleSessionStitchingToken);
    }

    if (!database_->insertBundle(bundle.get(), isRealtime, &error)) {
      Log().logWithLevel(1, 23115, "Unable to insert bundle. Error", error);
      return false;
    }
    Log().logWithLevel(8, 23221, APMConsentSettingsUtil::description());
    Log().logWithLevel(7, 23116, "Bundle added to the upload queue. BundleID, timestamp (ms)",
                       APMPBGetInt32(bundle.get(), kBundleIndex), APMPBGetInt64(bundle.get(), kBundleEndTimestamp));
    // A queued bundle whose raw events stay would be built and sent again.
    if (!DeleteBundledRawEvents(*database_, selection->maxRowID, fingerprint)) return false;
    consumed = true;
    return true;
  });
  if (!committed || !consumed) return false;
  setSuspendedUploadTimestamp(0);
  return true;
}

std::optional<APMMeasurement::RawEventSelection> APMMeasurement::rawEventsWithMetadataFingerprint(
    int64_t metadataFingerprint) {
  auto config = remoteConfigInstance();
  int64_t maxEvents = config != nullptr ? config->uploadMaxEventsPerBundle() : 1000;
  int64_t maxSize = config != nullptr ? config->uploadMaxSizeLimitBytes() : 65536;

  RawEventSelection selection;
  int64_t taken = 0;
  int64_t totalSize = 0;
  std::optional<int64_t> lastRowID;
  std::optional<int64_t> hour;
  // Each row is decoded once, here, and kept when taken. The first row is
  // always taken, whatever its size: otherwise one large event (or a size
  // limit of 0) would block bundling for good.
  auto filter = [&](size_t, const APMSqliteStore::Record& row) {
    if (taken > 0 && taken >= maxEvents) return false;
    std::optional<int64_t> rowID = RowID(row);
    if (!rowID || (lastRowID && *rowID != *lastRowID + 1)) return false;
    APMError error;
    auto rawEvent = APMDatabase::rawEventDataFromDictionary(&row, &error);
    if (!rawEvent) {
      // Taken with size 0 and no hour, so that it leaves with its run.
      Log().logWithLevel(4, 23096, "Failed to filter raw event. Error", error);
      ++taken;
      lastRowID = rowID;
      return true;
    }
    int64_t eventHour = SaturatingCast::toInt64(std::floor(rawEvent->rawEvent().timestamp())) / 3600;
    if (hour && *hour != eventHour) return false;
    int64_t size = EncodedEventSize(row, rawEvent->rawEvent());
    if (taken > 0 && SaturatingAdd(totalSize, size) >= maxSize) return false;
    hour = eventHour;
    totalSize = SaturatingAdd(totalSize, size);
    ++taken;
    lastRowID = rowID;
    selection.rawEvents.push_back(std::move(*rawEvent));
    return true;
  };

  // The database's own read of a fingerprint's raw events, without its
  // second decode of every row.
  APMError error;
  auto rows = database_->sqliteStore().recordsForQuery(
      "SELECT rowid, * FROM raw_events WHERE metadata_fingerprint = ? ORDER BY rowid ASC LIMIT ?",
      {platform::Value(metadataFingerprint), platform::Value(int64_t{1000})}, &error, filter);
  if (!rows) {
    Log().logWithLevel(1, 23097, "Inconsistent state, raw event is expected. Error", error);
    return std::nullopt;
  }
  selection.maxRowID = lastRowID.value_or(-1);
  selection.noneDecoded = taken > 0 && selection.rawEvents.empty();
  return selection;
}

std::optional<std::vector<APMRawEventData>> APMMeasurement::processRawEvents(
    const std::vector<APMRawEventData>& rawEvents, int64_t metadataFingerprint, int64_t maxRowID) {
  auto config = remoteConfigInstance();
  if (config == nullptr) return std::nullopt;
  bool keepInternalOutright = config->blocklistInternal() && !config->blocklistPublic();
  bool dropRedundantEngagement = config->redundantEngagementRemovalEnabled();

  std::vector<const APMRawEventData*> kept;
  kept.reserve(rawEvents.size());
  for (const auto& rawEvent : rawEvents) {
    const std::string& name = rawEvent.rawEvent().name();
    auto internal = APMAllowedPublicEventNames().find(name);
    bool hasInternalName = internal != APMAllowedPublicEventNames().end();
    if (hasInternalName && keepInternalOutright) {
      kept.push_back(&rawEvent);
      continue;
    }
    if (config->isEventBlocklisted(name) || (hasInternalName && config->isEventBlocklisted(internal->second))) {
      Log().logWithLevel(4, 23099, "Rejected event. Event name", APMEventNameForLogging(name));
      continue;
    }
    if (dropRedundantEngagement && name == "_e" && IntParameterEquals(rawEvent.rawEvent(), "_fr", 1)) continue;
    kept.push_back(&rawEvent);
  }
  if (kept.empty()) {
    if (!DeleteBundledRawEvents(*database_, maxRowID, metadataFingerprint)) return std::nullopt;
    Log().logWithLevel(4, 23100, "Rejected all events.");
    return std::vector<APMRawEventData>{};
  }

  APMError error;
  auto dailyCounts = database_->dailyCounts(&error);
  if (!dailyCounts) {
    Log().logWithLevel(1, 23101, "Failed to query daily event counts. Error", error);
    return std::nullopt;
  }
  // Yesterday's counts must not hold today's events to yesterday's limits.
  int32_t today = currentDayForDailyCounts();
  if (dailyCounts->day() != today) dailyCounts->resetWithNewDay(today);

  bool countsChanged = false;
  std::vector<APMRawEventData> result;
  result.reserve(kept.size());
  for (const APMRawEventData* rawEvent : kept) {
    APMRawEventData internal = internalEventFromPublicEvent(*rawEvent);
    const APMEvent& stored = internal.rawEvent();
    // Most events are neither conversions nor real-time: nothing to check.
    if (!stored.isConversion() && !stored.isRealtime() && !config->isEventCustomConversion(stored.name())) {
      result.push_back(validatePurchaseEvent(internal));
      continue;
    }
    APMEvent event = stored;
    bool conversionCounted = checkConversion(event, *dailyCounts);
    bool realtimeCounted = checkRealtime(event, *dailyCounts);
    countsChanged = countsChanged || conversionCounted || realtimeCounted;
    auto checked = APMRawEventData::initWithRawEvent(std::make_shared<const APMEvent>(std::move(event)),
                                                    internal.rowID(), metadataFingerprint);
    result.push_back(validatePurchaseEvent(checked ? *checked : internal));
  }
  if (countsChanged && !database_->updateDailyCounts(&*dailyCounts, &error)) {
    Log().logWithLevel(2, 23106, "Failed to update daily event counts. Name, error",
                       APMEventNameForLogging(result.back().rawEvent().name()), error);
    return std::nullopt;
  }
  return result;
}

int32_t APMMeasurement::currentDayForDailyCounts() const {
  double offset = persistedConfig_ != nullptr ? persistedConfig_->midnightOffset() : 0;
  return ClampToInt32(SaturatingCast::toInt64(std::floor((Now() - offset) / 86400)));
}

APMRawEventData APMMeasurement::internalEventFromPublicEvent(const APMRawEventData& rawEvent) {
  const APMEvent& event = rawEvent.rawEvent();
  auto internal = APMAllowedPublicEventNames().find(event.name());
  if (internal == APMAllowedPublicEventNames().end()) return rawEvent;
  auto renamed = APMEvent::initWithOrigin(event.origin(), false, internal->second, event.timestamp(),
                                          event.previousTimestamp(), event.parameters());
  if (!renamed) return rawEvent;
  auto result = APMRawEventData::initWithRawEvent(std::make_shared<const APMEvent>(std::move(*renamed)),
                                                  rawEvent.rowID(), rawEvent.metadataFingerprint());
  return result ? *result : rawEvent;
}

APMRawEventData APMMeasurement::validatePurchaseEvent(const APMRawEventData& rawEvent) {
  const APMEvent& event = rawEvent.rawEvent();
  if (event.name() != "_iap" || !APMAEU::isASRS()) return rawEvent;
  APMEvent::Parameters parameters = event.parameters();
  parameters.insert_or_assign("sandbox", APMValue(int64_t{1}));
  auto sandbox = event.copyWithParameters(parameters);
  if (!sandbox) return rawEvent;
  auto result = APMRawEventData::initWithRawEvent(std::make_shared<const APMEvent>(std::move(*sandbox)),
                                                  rawEvent.rowID(), rawEvent.metadataFingerprint());
  return result ? *result : rawEvent;
}

bool APMMeasurement::checkConversion(APMEvent& event, APMDailyCounts& dailyCounts) {
  auto config = remoteConfigInstance();
  if (config == nullptr) return false;
  if (config->isEventCustomConversion(event.name())) event.setConversion(true);
  if (!event.isConversion() || !APMIsPublicName(event.name())) return false;
  int32_t limit = config->maxConversionsPerDay();
  if (dailyCounts.conversionsCount() >= limit) {
    event.setConversion(false);
    Log().logWithLevel(3, 23102, "Too many conversion events. Not logging event as conversion. Name, limit",
                       APMEventNameForLogging(event.name()), limit);
    return false;
  }
  dailyCounts.incrementCountsForCurrentDay(currentDayForDailyCounts(), false, true);
  // Only the conversions count grows: the event was counted at intake.
  dailyCounts.decrementAllEventsCount();
  return true;
}

bool APMMeasurement::checkRealtime(APMEvent& event, APMDailyCounts& dailyCounts) {
  if (!event.isRealtime() && !event.isConversion()) return false;
  const std::string& name = event.name();
  if (name == "_iap" || name == "_f" || name == "_fx" || Log().isDebugModeEnabled()) {
    event.setRealtime(true);
    Log().logWithLevel(7, 23105,
                       "Event is not subject to real-time event count daily limit. Marking an event as real-time. "
                       "Event name, parameters",
                       APMEventNameForLogging(name), APMParametersForLogging(event.parameters()));
    return false;
  }
  auto config = remoteConfigInstance();
  if (config != nullptr && dailyCounts.realtimeCount() < config->maxRealtimeEventCountPerDay()) {
    dailyCounts.incrementRealtimeCountsForCurrentDay(currentDayForDailyCounts());
    event.setRealtime(true);
    Log().logWithLevel(7, 23103,
                       "Event is under real-time event count daily limit. Marking the event as real-time. Event name, "
                       "parameters",
                       APMEventNameForLogging(name), APMParametersForLogging(event.parameters()));
    return true;
  }
  event.setRealtime(false);
  Log().logWithLevel(4, 23104,
                     "Number of real-time events is over the real-time event count daily limit. Event is no longer "
                     "real-time. Event name, parameters",
                     APMEventNameForLogging(name), APMParametersForLogging(event.parameters()));
  return false;
}

void APMMeasurement::evaluationTimeFromRawEvents(const std::vector<APMRawEventData>& rawEvents,
                                                 APMPBMeasurementBundle* bundle) {
  bool sessionStarted = std::any_of(rawEvents.begin(), rawEvents.end(),
                                    [](const APMRawEventData& raw) { return raw.rawEvent().name() == "_s"; });
  if (sessionStarted) {
    if (audience_ != nullptr) {
      audience_->clearEvaluationResultsForSessionScopedFilters();
      for (const auto& attribute : APMPBGetMessageArray<APMPBUserAttribute>(bundle, kBundleUserAttributes)) {
        if (!audience_->evaluateFiltersForNanoUserProperty(*attribute, nullptr, std::nullopt)) return;
      }
    }
    APMError error;
    if (!database_->clearCurrentSessionCounts(&error)) {
      Log().logWithLevel(1, 23185, "Failed to clear event session counts. Error", error);
      return;
    }
  }

  int64_t engagement = 0;
  for (const auto& raw : rawEvents) {
    const APMValue* time = raw.rawEvent().parameter("_et");
    if (time == nullptr || raw.rawEvent().parameter("_fr") != nullptr || !time->isInt64()) continue;
    engagement = SaturatingAdd(engagement, time->int64Value());
  }
  if (!updateUserEngagement(engagement, bundle, false)) return;
  if (sessionStarted) {
    // "_se" restarts from this bundle's engagement.
    APMError error;
    if (!database_->deleteUserAttributeWithName("_se", &error)) {
      Log().logWithLevel(1, 23188, "Unable to delete session engagement property on session start. Error", error);
      return;
    }
  }
  updateUserEngagement(engagement, bundle, true);
}

bool APMMeasurement::updateUserEngagement(int64_t engagementMillis, APMPBMeasurementBundle* bundle,
                                          bool sessionScoped) {
  if (engagementMillis < 0) {
    Log().logWithLevel(2, 23186, "User engagement time is negative.");
    return false;
  }
  if (engagementMillis == 0) return true;
  std::string name = sessionScoped ? "_se" : "_lte";
  APMError error;
  auto stored = database_->userAttributeWithName(name, &error);
  if (!stored && HasBundlingError(error)) {
    Log().logWithLevel(1, 23187, "Failed to query for user engagement user property. Name, error",
                       APMUserPropertyNameForLogging(name), error);
    return false;
  }
  int64_t previous = stored && stored->value().isInt64() ? stored->value().int64Value() : 0;
  int64_t total = SaturatingAdd(previous, engagementMillis);
  double now = Now();
  auto attribute = APMUserAttribute::initWithOrigin("auto", name, APMValue(total), now);
  if (!attribute || !setUserPropertyInDatabaseOnWorkerQueue(*attribute)) return false;

  auto attributes = APMPBGetMessageArray<APMPBUserAttribute>(bundle, kBundleUserAttributes);
  bool replaced = false;
  for (const auto& proto : attributes) {
    if (APMPBGetString(proto.get(), kUserAttributeName) != name) continue;
    APMPBClearField(proto.get(), kUserAttributeString);
    APMPBClearField(proto.get(), kUserAttributeDouble);
    APMPBSetInt64(proto.get(), kUserAttributeInt, total);
    APMPBSetInt64(proto.get(), kUserAttributeSetTimestamp, Millis(now));
    replaced = true;
  }
  if (!replaced) {
    if (auto proto = attribute->protoUserAttribute()) attributes.push_back(std::move(proto));
  }
  APMPBSetMessageArray(bundle, kBundleUserAttributes, attributes);
  return true;
}

std::optional<std::vector<std::shared_ptr<APMPBEvent>>> APMMeasurement::eventsAfterUpdatingEventAggregates(
    const std::vector<APMRawEventData>& rawEvents, APMAudienceTimestampsCache* audienceTimestampsCache) {
  // Each name's row is read once and written once; in between it changes
  // only here, and the audiences see it as it stands right after each event.
  std::map<std::string, APMEventAggregates, std::less<>> rows;
  std::vector<std::shared_ptr<APMPBEvent>> result;
  result.reserve(rawEvents.size());
  for (const auto& rawEvent : rawEvents) {
    const APMEvent& event = rawEvent.rawEvent();
    auto row = rows.find(event.name());
    bool seenBefore = true;
    if (row == rows.end()) {
      APMError error;
      auto stored = database_->eventAggregatesWithName(event.name(), &error);
      if (!stored && HasBundlingError(error)) {
        Log().logWithLevel(1, 23107, "Failed to query event aggregates. Name, error",
                           APMEventNameForLogging(event.name()), error);
        return std::nullopt;
      }
      if (!stored) {
        stored = APMEventAggregates::initWithName(event.name(), 1, 1, 1, event.timestamp());
        if (!stored) return std::nullopt;
        seenBefore = false;
      }
      row = rows.emplace(event.name(), std::move(*stored)).first;
    }
    APMEventAggregates& aggregates = row->second;
    auto wire = event.protoEvent();
    if (seenBefore) {
      // The time the name was last seen travels as the event's previous
      // time (as a copy of the event with it would encode it).
      double previous = aggregates.lastFireTimestamp();
      if (previous > std::numeric_limits<double>::epsilon()) {
        APMPBSetInt64(wire.get(), kEventPreviousTimestamp, Millis(previous));
      } else {
        APMPBClearField(wire.get(), kEventPreviousTimestamp);
      }
      aggregates.incrementCurrentBundleCount();
      aggregates.incrementLifetimeCount();
      aggregates.incrementCurrentSessionCount();
      aggregates.setLastFireTimestamp(event.timestamp());
    }
    if (audience_ != nullptr && !audience_->evaluateFiltersForEvent(event, &aggregates, audienceTimestampsCache)) {
      return std::nullopt;
    }
    result.push_back(std::move(wire));
  }
  for (const auto& [name, aggregates] : rows) {
    APMError error;
    if (!database_->updateEventAggregates(&aggregates, &error)) {
      Log().logWithLevel(1, 23108, "Failed to update event aggregates. Error", error);
      return std::nullopt;
    }
  }
  return result;
}

bool APMMeasurement::updateAppMetadataForBundle(APMPBMeasurementBundle* bundle, double bundleStartTimestamp,
                                                double bundleEndTimestamp) {
  APMError error;
  auto metadata = database_->queryAppMetadata(&error);
  if (!metadata) {
    Log().logWithLevel(1, 23111, "Unable to fetch app metadata for bundling events. Error", error);
    return false;
  }
  double lastStart = metadata->lastBundleStartTimestamp();
  double lastEnd = metadata->lastBundleEndTimestamp();
  if (lastEnd > 0) APMPBSetInt64(bundle, kBundlePreviousEndTimestamp, Millis(lastEnd));
  if (lastStart > 0) {
    APMPBSetInt64(bundle, kBundlePreviousStartTimestamp, Millis(lastStart));
  } else if (lastEnd > 0) {
    APMPBSetInt64(bundle, kBundlePreviousStartTimestamp, Millis(lastEnd));
  }
  metadata->incrementLastBundleIndex();
  metadata->setLastBundleStartTimestamp(bundleStartTimestamp);
  metadata->setLastBundleEndTimestamp(bundleEndTimestamp);
  APMPBSetInt32(bundle, kBundleIndex, metadata->lastBundleIndex());
  if (!database_->updateAppMetadata(&*metadata, &error)) {
    Log().logWithLevel(1, 23112, "Unable to update the app metadata. Error", error);
    return false;
  }
  return true;
}

void APMMeasurement::addBundleMetadataIntoBundle(APMPBMeasurementBundle* bundle, double bundleStartTimestamp,
                                                 double bundleEndTimestamp) {
  std::vector<int64_t> experiments = experimentIDs();
  if (!experiments.empty()) {
    std::vector<APMPBObject> ids;
    ids.reserve(experiments.size());
    for (int64_t id : experiments) {
      ids.emplace_back(APMPBNumber::numberWithUnsignedInt(static_cast<uint32_t>(id)));
    }
    APMPBSetArray(bundle, kBundleExperimentIDs, &ids);
  }
  auto config = remoteConfigInstance();
  if (config != nullptr && persistedConfig_ != nullptr) {
    auto monitoring = Log().monitoringDataForDispatchWithSamplePeriod(
        config->monitoringSamplePeriod(), persistedConfig_->lastMonitorDataSampledTimestamp());
    if (monitoring && !monitoring->empty()) {
      APMPBSetString(bundle, kBundleMonitoringData, *monitoring);
      persistedConfig_->setLastMonitorDataSampledTimestamp(Now());
    }
  }
  if (config != nullptr && config->version() >= 0) APMPBSetInt64(bundle, kBundleRemoteConfigVersion, config->version());
  auto appID = APMPBGetString(bundle, kBundleAppID);
  if (!appID || appID->empty()) {
    std::string identityAppID = identity_ != nullptr ? identity_->appID() : std::string();
    if (!identityAppID.empty()) {
      APMPBSetString(bundle, kBundleAppID, identityAppID);
    } else if (auto bundleIdentifier = platform::Bundle::main().bundleIdentifier()) {
      APMPBSetString(bundle, kBundleAppID, *bundleIdentifier);
    }
  }
  APMPBSetInt64(bundle, kBundleStartTimestamp, Millis(bundleStartTimestamp));
  APMPBSetInt64(bundle, kBundleEndTimestamp, Millis(bundleEndTimestamp));
}

// ---- Sampling ----

std::optional<std::vector<std::shared_ptr<APMPBEvent>>> APMMeasurement::sampleEvents(
    const std::vector<std::shared_ptr<APMPBEvent>>& events, APMError* error) {
  auto stored = database_->allEventAggregates(error);
  if (!stored) {
    Log().logWithLevel(1, 23157, "Unable to query all event aggregates for cache. error",
                       error != nullptr ? *error : APMError());
    return std::nullopt;
  }
  std::map<std::string, APMEventAggregates, std::less<>> rows;
  for (auto& aggregates : *stored) {
    std::string name = aggregates.name();
    rows.insert_or_assign(std::move(name), std::move(aggregates));
  }
  std::set<std::string, std::less<>> touched;

  auto config = remoteConfigInstance();
  int64_t offset = config != nullptr ? int64_t{config->analyticsAccountTimeZoneOffsetMinutes()} * 60 : 0;
  auto dayOf = [offset](int64_t millis) { return ClampToInt32((millis / 1000 + offset) / 86400); };

  std::vector<std::shared_ptr<APMPBEvent>> kept;
  kept.reserve(events.size());
  for (const auto& event : events) {
    auto name = APMPBGetString(event.get(), kEventName);
    if (!name || name->empty()) {
      Log().logWithLevel(2, 23155, "Dropping event at sampling. Event has no name");
      continue;
    }
    int64_t millis = APMPBGetInt64(event.get(), kEventTimestamp);
    double seconds = static_cast<double>(millis / 1000);
    int32_t day = dayOf(millis);
    auto row = rows.find(*name);
    APMEventAggregates* aggregates = row != rows.end() ? &row->second : nullptr;
    if (aggregates != nullptr) touched.insert(*name);

    if (!canEventBeSampled(*event)) {
      if (aggregates != nullptr) {
        aggregates->setLastBundledTimestamp(seconds);
        aggregates->setLastBundledDay(day);
      }
      kept.push_back(event);
      continue;
    }
    int32_t rate = config->samplingRateForEvent(*name);
    if (isEventBundledAfterRoll(rate)) {
      if (aggregates != nullptr) {
        aggregates->setLastSamplingRate(rate);
        aggregates->setLastSampledComplexEventID(std::nullopt);
        aggregates->setLastBundledTimestamp(seconds);
        aggregates->setLastBundledDay(day);
      }
      AddSamplingParameter(event.get(), "_sr", rate);
      kept.push_back(event);
      continue;
    }
    int32_t referenceDay = aggregates != nullptr ? aggregates->lastBundledDay() : 0;
    if (referenceDay == 0) referenceDay = dayOf(APMPBGetInt64(event.get(), kEventPreviousTimestamp));
    if (aggregates != nullptr) aggregates->setLastSamplingRate(rate);
    if (referenceDay != day) {
      // The first event of its name on a new day always travels.
      if (aggregates != nullptr) {
        aggregates->setLastBundledTimestamp(seconds);
        aggregates->setLastBundledDay(day);
        aggregates->setLastExemptFromSampling(true);
      }
      AddSamplingParameter(event.get(), "_sr", rate);
      AddSamplingParameter(event.get(), "_efs", 1);
      kept.push_back(event);
      continue;
    }
    if (aggregates != nullptr) {
      for (const auto& parameter : APMPBGetMessageArray<APMPBEventParam>(event.get(), kEventParams)) {
        if (APMPBGetString(parameter.get(), kParamName) == "_eid" && APMPBHasField(parameter.get(), kParamInt)) {
          aggregates->setLastSampledComplexEventID(APMPBGetInt64(parameter.get(), kParamInt));
        }
      }
    }
  }

  for (const auto& name : touched) {
    const APMEventAggregates& memory = rows.at(name);
    auto current = database_->eventAggregatesWithName(name, error);
    if (!current) {
      if (error != nullptr && HasBundlingError(*error)) {
        Log().logWithLevel(1, 23151, "Unable to query event aggregates to update database. Name, error",
                           APMEventNameForLogging(name), *error);
        return std::nullopt;
      }
      continue;
    }
    if (memory.lastBundledTimestamp() != 0) current->setLastBundledTimestamp(memory.lastBundledTimestamp());
    current->setLastSamplingRate(memory.lastSamplingRate());
    current->setLastSampledComplexEventID(memory.lastSampledComplexEventID());
    current->setLastExemptFromSampling(memory.lastExemptFromSampling());
    current->setLastBundledDay(memory.lastBundledDay());
    if (!database_->updateEventAggregates(&*current, error)) {
      Log().logWithLevel(1, 23152,
                         "Failed to update event aggregates after removing removing events due to sampling. Error",
                         error != nullptr ? *error : APMError());
      return std::nullopt;
    }
  }
  return kept;
}

bool APMMeasurement::canEventBeSampled(const APMPBEvent& event) {
  auto config = remoteConfigInstance();
  auto name = APMPBGetString(&event, kEventName);
  if (config == nullptr || !name || !config->isEventSamplingEnabled() || !config->eventHasSamplingRate(*name)) {
    return false;
  }
  if (config->samplingRateForEvent(*name) <= 1) {
    Log().logWithLevel(5, 23154, "Invalid sampling rate provided");
    return false;
  }
  return true;
}

bool APMMeasurement::isEventBundledAfterRoll(int32_t rate) {
  if (rate <= 1) return true;
  uint32_t bound = static_cast<uint32_t>(rate);
  uint32_t roll = samplingRollSource_ ? samplingRollSource_(bound) : UniformRoll(bound);
  return roll == 0;
}
