// Upload scheduling, the upload of queued bundles and the configuration
// fetch. Everything here runs on the worker queue; network completions come
// back to it and hold the engine weakly.
#include <cmath>
#include <limits>
#include <set>

#include "Analytics/Engine/APMAlarm.h"
#include "Analytics/Engine/APMBundleConsent.h"
#include "Analytics/Engine/APMBundleFields.h"
#include "Analytics/Engine/APMDataAdditions.h"
#include "Analytics/Engine/APMEngineClock.h"
#include "Analytics/Engine/APMIdentity.h"
#include "Analytics/Engine/APMMeasurement.h"
#include "Analytics/Engine/APMScheduler.h"
#include "Analytics/Engine/Interface/APMConsentSettingsUtil.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Interpreter/APMPRuntime.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Analytics/Storage/Audience/APMAudience.h"
#include "Analytics/Storage/Config/APMConfigFields.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/SaturatingCast.h"

using namespace apm_bundle_fields;

namespace {

constexpr double kUploadSuspensionSeconds = 3600;
constexpr const char* kUploadBlockID = "APMMeasurement:1754";
constexpr const char* kPlatformName = "ios";
constexpr int32_t kBatchBundles = 0;

// Seconds since the device started; -1 when it cannot be read.
double DeviceUptime() {
  auto clock = platform::Clock::currentShared();
  if (!clock) return -1;
  const double uptime = clock->uptime();
  return std::isfinite(uptime) ? uptime : -1;
}

bool IsSuccess(long status) {
  return status == platform::kTVUNetworkHTTPStatusOK || status == platform::kTVUNetworkHTTPStatusNoContent;
}

bool IsBackoffStatus(long status) {
  return status == platform::kTVUNetworkHTTPStatusCodeUnavailable ||
         status == platform::kTVUNetworkHTTPStatusCodeCannotAcceptTraffic;
}

double NumberOrZero(const std::optional<platform::Value>& value) {
  if (!value) return 0;
  return value->numberAsDouble().value_or(0);
}

// A query answer of "none" (failed or null) reads as NO.
bool IsNonZeroNumber(const std::optional<platform::Value>& value) { return value && NumberOrZero(value) != 0; }

APMLogContext ErrorContext(const std::optional<platform::Status>& error) {
  if (!error) return nullptr;
  return APMLogContext::object("NSError", error->message());
}

APMLogContext DataContext(const platform::Bytes& data) {
  std::string text = "<";
  text.append(std::to_string(data.size())).append(" bytes>");
  return APMLogContext::object("NSData", text);
}

// A write costs a flush to disk; values already clear stay untouched.
void ClearFailureTimestamps(APMPersistedConfig& persisted) {
  if (persisted.lastFailedUploadTimestamp() != 0) persisted.setLastFailedUploadTimestamp(0);
  if (persisted.lastBackoffTimestamp() != 0) persisted.setLastBackoffTimestamp(0);
}

std::optional<std::string> HeaderValue(const platform::TVUHTTPResponse& response, const char* name) {
  auto it = response.headers.find(name);
  if (it == response.headers.end()) return std::nullopt;
  return it->second;
}

}  // namespace

bool APMMeasurement::hasDataToUpload() {
  if (!database_) return false;
  APMError error;
  auto queueEmpty = database_->isQueuedBundleTableEmpty(&error);
  if (!queueEmpty) {
    monitor().logWithLevel(1, 23117, "Failed to check if queue table is empty. Error", error);
    return false;
  }
  if (!IsNonZeroNumber(queueEmpty)) return true;
  auto rawEventsEmpty = database_->isRawEventsTableEmpty(&error);
  if (!rawEventsEmpty) {
    monitor().logWithLevel(1, 23118, "Failed to check if raw events table is empty. Error", error);
    return false;
  }
  return !IsNonZeroNumber(rawEventsEmpty);
}

double APMMeasurement::nextUploadingTime() {
  if (!database_) return 0;
  auto config = remoteConfigInstance();
  if (!config) config = APMRemoteConfig::defaultInstance();

  APMError error;
  double latestBundle = 0;
  // An empty table answers no value without an error: nothing failed then.
  if (auto value = database_->queryLatestBundleTime(&error)) {
    latestBundle = NumberOrZero(value);
  } else if (error != APMError{}) {
    monitor().logWithLevel(5, 23030, "Failed to query latest bundle time. Error", error);
  }
  double latestRawEvent = 0;
  error = {};
  if (auto value = database_->queryLatestRawEventTime(&error)) {
    latestRawEvent = NumberOrZero(value);
  } else if (error != APMError{}) {
    monitor().logWithLevel(5, 23029, "Failed to query latest raw event time. Error", error);
  }
  double latest = std::max(latestBundle, latestRawEvent);
  if (std::fabs(latest) < std::numeric_limits<double>::epsilon()) return 0;

  const bool debugMode = monitor().isDebugModeEnabled();
  bool realtime = debugMode;
  if (!realtime) {
    error = {};
    auto bundles = database_->containsRealtimeBundlesWithError(&error);
    if (!bundles) {
      monitor().logWithLevel(5, 23031, "Failed to query for real-time bundle indicator. Error", error);
    }
    realtime = IsNonZeroNumber(bundles);
  }
  if (!realtime) {
    error = {};
    auto rawEvents = database_->containsRealtimeRawEventsWithError(&error);
    if (!rawEvents) {
      monitor().logWithLevel(5, 23032, "Failed to query for real-time raw event indicator. Error", error);
    }
    realtime = IsNonZeroNumber(rawEvents);
  }
  double interval = config->uploadingInterval();
  if (realtime) {
    interval = config->uploadingRealTimeInterval();
  } else if (config->SKANUpdateConversionValueEnabled() && isInFirstSKANPostbackWindow()) {
    interval = config->SKANFirstWindowUploadInterval();
  }

  const double now = Now();
  if (latest > now) latest = now - std::fabs(latest - now);

  const double lastSuccess = persistedConfig_->lastSuccessfulUploadTimestamp();
  double candidate = std::fabs(now - lastSuccess) < interval ? lastSuccess + interval
                                                             : latest + config->uploadingInitialDelayInterval();

  const double lastFailed = persistedConfig_->lastFailedUploadTimestamp();
  if (lastFailed >= latest) {
    const int32_t retryCount = config->uploadingRetryCount();
    const double retryInterval = config->uploadingRetryInterval();
    for (int32_t i = 0; i < retryCount; ++i) {
      candidate += retryInterval * std::ldexp(1.0, i);
      if (candidate > lastFailed) return candidate;
    }
    return 0;
  }
  if (debugMode) return std::min(candidate, latest + config->uploadingDebugModeInterval());
  return candidate;
}

void APMMeasurement::updateSchedule() {
  // The table answers below look for other connections' commits once.
  std::optional<APMSqliteStore::OneCommitCheck> commitsChecked;
  if (database_) commitsChecked.emplace(database_->sqliteStore());
  auto config = remoteConfigInstance();
  if (!config) config = APMRemoteConfig::defaultInstance();
  auto stopScheduling = [this](bool clearDelegate) {
    if (alarm_) alarm_->cancel();
    // A conversion-value fetch waiting for the network keeps listening.
    if (clearDelegate && network_ && !fetchSKANWhenNetworkConnected_) network_->setReachabilityDelegate({});
    terminateBackgroundTask();
  };

  if (suspendedUploadTimestamp_ != 0 && !std::isnan(suspendedUploadTimestamp_)) {
    const double elapsed = std::fabs(DeviceUptime() - suspendedUploadTimestamp_);
    if (elapsed < kUploadSuspensionSeconds) {
      monitor().logWithLevel(3, 23023, "Upload has been suspended. Will update scheduling later. Seconds",
                             kUploadSuspensionSeconds - elapsed);
      stopScheduling(true);
      return;
    }
    suspendedUploadTimestamp_ = 0;
  }

  if (!hasDataToUpload()) {
    config->activateNewSnapshot();
    monitor().logWithLevel(8, 23024, "No data to upload. Upload task will not be scheduled");
    stopScheduling(true);
    return;
  }

  double next = nextUploadingTime();
  if (next == 0) {
    monitor().logWithLevel(8, 23025, "No next uploading time. Upload task will not be scheduled");
    stopScheduling(true);
    return;
  }

  if (!network_ || !network_->isNetworkConnected()) {
    monitor().logWithLevel(8, 23026, "No network. Upload task will not be scheduled");
    if (network_) network_->setReachabilityDelegate(weak_from_this());
    stopScheduling(false);
    return;
  }
  network_->setReachabilityDelegate({});

  const double now = Now();
  const double lastBackoff = persistedConfig_->lastBackoffTimestamp();
  const double backoffInterval = config->uploadingBackoffInterval();
  if (lastBackoff != 0 && now - lastBackoff < backoffInterval) next = std::max(next, lastBackoff + backoffInterval);

  if (!alarm_) return;
  if (alarm_->hasActiveTimer()) {
    auto due = alarm_->scheduledTimestamp();
    if (due && *due <= next) {
      monitor().logWithLevel(
          8, 23027, "Do not schedule an upload task. Task already exists. Will be executed in seconds", *due - now);
      return;
    }
  }
  double delay = next - now;
  if (std::fabs(delay) < std::numeric_limits<double>::epsilon()) delay = 0.001;
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  alarm_->runAfterDelay(delay, [weak] {
    auto self = weak.lock();
    if (!self || !self->scheduler_) return;
    self->scheduler_->scheduleOnWorkerQueueBlockID(kUploadBlockID, [weak] {
      if (auto engine = weak.lock()) engine->uploadData();
    });
  });
  monitor().logWithLevel(8, 23028, "Upload task scheduled to be executed in approx. (s)", delay);
}

void APMMeasurement::uploadDataOrRegisterAlarm() {
  if (network_ && network_->isNetworkConnected() && hasDataToUpload()) {
    uploadData();
  } else {
    updateSchedule();
  }
}

bool APMMeasurement::isNetworkReadyForRequest() {
  const bool networkUploading = network_ && network_->hasUploadInProgress();
  if (!isNetworkRequestPending_) return !networkUploading;
  if (!networkUploading) {
    monitor().logWithLevel(1, 23041, "Analytics is uploading but network is not uploading");
  }
  return false;
}

bool APMMeasurement::shouldUseBackgroundSession() {
  auto config = remoteConfigInstance();
  if (!config) config = APMRemoteConfig::defaultInstance();
  return config->isNetworkBackgroundSessionEnabled() && backgroundUpdateTask() != kAPMBackgroundTaskInvalid;
}

void APMMeasurement::uploadData() {
  if (suspendedUploadTimestamp_ > 0) {
    updateSchedule();
    return;
  }
  monitor().logWithLevel(8, 23033, "Starting data upload");
  if (!isNetworkReadyForRequest()) {
    monitor().logWithLevel(8, 23034, "Network operation is pending. Ignoring upload request");
    return;
  }
  if (!network_ || !network_->isNetworkConnected()) {
    monitor().logWithLevel(7, 23035, "Network not connected, ignoring upload request");
    updateSchedule();
    return;
  }
  if (!database_) return;
  auto config = remoteConfigInstance();
  if (!config) config = APMRemoteConfig::defaultInstance();

  if (!config->isExpired()) {
    const uint32_t maxBundles = config->maxBundlesCreatedPerIteration();
    for (uint32_t i = 0; i < maxBundles; ++i) {
      if (!bundleRawEvents()) break;
    }
  }

  APMError error;
  auto queued =
      database_->queryBundlesWithCountLimit(config->uploadMaxBundlesLimit(), config->uploadMaxSizeLimitBytes(), &error);
  if (!queued && error != APMError()) {
    monitor().logWithLevel(1, 23036, "Failed to query bundles. Error", error);
    terminateBackgroundTask();
    return;
  }
  if (!queued || queued->empty()) {
    config->activateNewSnapshot();
    monitor().logWithLevel(8, 23037, "No data to upload");
    if (config->isExpired()) {
      fetchRemoteConfig();
    } else {
      terminateBackgroundTask();
    }
    return;
  }
  std::vector<APMDatabase::QueuedBundle>& bundles = *queued;

  // Consent as it stands now, applied to every queued bundle in order.
  const bool versionChanged = APMSyncConsentSignalsVersion(config->consentSignalsG2Enabled());
  if (identity_) {
    const std::string consentSignals = APMConsentSettingsUtil::consentSignals();
    const bool gate = config->gateIDFAOnATTMASEnabled();
    const bool dmaConsent = config->DMAConsentEnabled();
    std::string diagnostics;
    bool adUserDataDenied = false;
    std::shared_ptr<APMPBUserAttribute> npa;
    if (dmaConsent) {
      diagnostics = APMConsentSettingsUtil::consentDiagnostics();
      adUserDataDenied = APMConsentSettingsUtil::isAdUserDataDenied();
      APMError npaError;
      if (auto attribute = database_->userAttributeWithName("_npa", &npaError)) npa = attribute->protoUserAttribute();
    }
    bool overwrite = !dmaConsent || versionChanged;
    for (auto& entry : bundles) {
      if (!overwrite) overwrite = APMBundleContainsFirstOpen(entry.bundle.get());
      APMApplyConsentToBundle(entry.bundle.get(), consentSignals, gate, *identity_, overwrite);
      if (dmaConsent) {
        APMApplyConsentDiagnosticsToBundle(entry.bundle.get(), diagnostics, adUserDataDenied, npa.get(), *config,
                                           overwrite);
      }
    }
  }

  const double now = Now();
  const double lastSuccess = persistedConfig_->lastSuccessfulUploadTimestamp();
  if (lastSuccess != 0) {
    monitor().logWithLevel(8, 23038, "Uploading events. Elapsed time since last successful upload (s)",
                           now - lastSuccess);
  }

  // The batch keeps to one app and one device: the first bundle's app ID
  // and the first device identifier found.
  const std::string appID = APMPBGetString(bundles.front().bundle.get(), kBundleAppID).value_or("");
  std::optional<std::string> resettableDeviceID;
  std::optional<std::string> vendorDeviceID;
  for (const auto& entry : bundles) {
    auto resettable = APMPBGetString(entry.bundle.get(), kBundleResettableDeviceID);
    if (resettable && !resettable->empty()) {
      resettableDeviceID = resettable;
      break;
    }
    auto vendor = APMPBGetString(entry.bundle.get(), kBundleVendorID);
    if (vendor && !vendor->empty()) {
      vendorDeviceID = vendor;
      break;
    }
  }
  auto filtered = filteredBundlesWithCompatibleAppID(appID, resettableDeviceID, vendorDeviceID, bundles);

  const int64_t libraryVersion = APMIdentity::appMeasurementLibraryVersion();
  const int64_t uploadMillis = platform::SaturatingCast::toInt64(now * 1000);
  const auto dataControls = config->dataControls();
  const std::set<std::string> categories(dataControls.begin(), dataControls.end());
  const bool checksum = config->checksumEnabled();
  int64_t largestEnd = 0;
  for (auto& entry : filtered) {
    APMPBMeasurementBundle* bundle = entry.bundle.get();
    APMPBSetInt64(bundle, kBundleLibraryVersion, libraryVersion);
    APMPBSetInt64(bundle, kBundleUploadTimestamp, uploadMillis);
    if (identity_) APMRedactBundleForDataCategories(bundle, categories, *identity_);
    if (checksum) {
      if (auto encoding = bundle->protoBuffer()) APMPBSetInt64(bundle, kBundleChecksum, apm_64LSBMD5(*encoding));
    }
    if (APMPBHasField(bundle, kBundleEndTimestamp)) {
      largestEnd = std::max(largestEnd, APMPBGetInt64(bundle, kBundleEndTimestamp));
    }
  }
  std::size_t accepted = filtered.size();
  if (config->DMAConsentEnabled() && filtered.size() >= 2) {
    for (std::size_t i = 1; i < filtered.size(); ++i) {
      if (!APMBundlesHaveSameConsent(filtered.front().bundle.get(), filtered[i].bundle.get())) {
        accepted = i;
        break;
      }
    }
  }
  lastEventEndTimestampMsec_ = std::max(lastEventEndTimestampMsec_, largestEnd);

  std::vector<std::shared_ptr<APMPBMeasurementBundle>> batchBundles;
  std::vector<platform::Value> bundleIDs;
  batchBundles.reserve(accepted);
  bundleIDs.reserve(accepted);
  for (std::size_t i = 0; i < accepted; ++i) {
    batchBundles.push_back(filtered[i].bundle);
    bundleIDs.emplace_back(filtered[i].rowID);
  }
  auto batch = std::make_shared<APMPBMeasurementBatch>();
  // The queued copies are dropped after this: their records move, not copy.
  APMPBMoveMessageArray(batch.get(), kBatchBundles, batchBundles);
  auto payload = batch->protoBuffer();
  if (!payload || bundleIDs.empty()) {
    // Nothing goes out that could be mistaken for a delivered batch.
    monitor().logWithLevel(1, 23270, "Failed to build the upload batch. Bundles",
                           static_cast<int64_t>(bundleIDs.size()));
    terminateBackgroundTask();
    return;
  }
  if (monitor().isLoggableLevel(7)) {
    monitor().logWithLevel(
        7, 23039, "Measurement data sent to network. Timestamp (ms), data", uploadMillis,
        APMLogContext::object("APMPBMeasurementBatch", "<APMPBMeasurementBatch: " + std::to_string(bundleIDs.size()) +
                                                           " bundles, " + std::to_string(payload->size()) + " bytes>"));
  }
  setUploadInProgressWithBundleIDs(bundleIDs);
  persistedConfig_->setLastFailedUploadTimestamp(now);

  isNetworkRequestPending_ = true;
  network_->setTimeoutInterval(config->networkTimeout());
  auto url = config->uploadURL();
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  const std::string session = network_->postURL(url ? url->absoluteString() : std::string(), {}, *payload,
                                                scheduler_->workerQueue(), shouldUseBackgroundSession(),
                                                [weak](std::optional<platform::TVUHTTPResponse> response,
                                                       platform::Bytes, std::optional<platform::Status> error) {
                                                  auto self = weak.lock();
                                                  if (!self) return;
                                                  self->isNetworkRequestPending_ = false;
                                                  self->networkUploadCompletionHandlerWithResponse(response, error);
                                                });
  if (session.empty()) {
    // The completion still runs once and takes the failure path; nothing
    // may stay pending meanwhile.
    monitor().logWithLevel(2, 23040, "Unable to create network session.");
    uploadingBundleIDs_.reset();
    isNetworkRequestPending_ = false;
  }
}

std::vector<APMDatabase::QueuedBundle> APMMeasurement::filteredBundlesWithCompatibleAppID(
    const std::string& compatibleAppID, const std::optional<std::string>& resettableDeviceID,
    const std::optional<std::string>& vendorDeviceID, const std::vector<APMDatabase::QueuedBundle>& bundlesToUpload) {
  const bool hasResettable = resettableDeviceID && !resettableDeviceID->empty();
  const bool hasVendor = vendorDeviceID && !vendorDeviceID->empty();
  if (hasResettable && hasVendor) {
    monitor().logWithLevel(2, 23042, "Bundle filter must not specify both resettableDeviceID and vendorDeviceID");
    return {};
  }
  const std::string filterID = hasResettable ? *resettableDeviceID : (hasVendor ? *vendorDeviceID : std::string());
  const int32_t field = hasResettable ? kBundleResettableDeviceID : kBundleVendorID;
  std::vector<APMDatabase::QueuedBundle> out;
  for (const auto& entry : bundlesToUpload) {
    const std::string deviceID = APMPBGetString(entry.bundle.get(), field).value_or("");
    const bool deviceMatches = deviceID.empty() || filterID.empty() || deviceID == filterID;
    const bool appMatches = APMPBGetString(entry.bundle.get(), kBundleAppID).value_or("") == compatibleAppID;
    if (!deviceMatches || !appMatches) break;
    out.push_back(entry);
  }
  return out;
}

void APMMeasurement::setUploadInProgressWithBundleIDs(const std::vector<platform::Value>& bundleIDs) {
  if (bundleIDs.empty()) {
    monitor().logWithLevel(2, 23046, "Bundle list is empty. Cancelling upload");
    return;
  }
  if (uploadingBundleIDs_) {
    monitor().logWithLevel(2, 23047, "Set uploading progress before finishing the previous upload");
    return;
  }
  uploadingBundleIDs_ = bundleIDs;
}

void APMMeasurement::networkUploadCompletionHandlerWithResponse(
    const std::optional<platform::TVUHTTPResponse>& response, const std::optional<platform::Status>& error) {
  const long status = response ? response->statusCode : 0;
  const double now = Now();
  if (IsSuccess(status)) {
    monitor().logWithLevel(7, 23044, "Successful upload. Got network response. Code, size",
                           static_cast<int64_t>(status), response->expectedContentLength);
    persistedConfig_->setLastSuccessfulUploadTimestamp(now);
    ClearFailureTimestamps(*persistedConfig_);
    if (lastEventEndTimestampMsec_ > persistedConfig_->lastUploadedEventTimestampMillis()) {
      persistedConfig_->setLastUploadedEventTimestampMillis(lastEventEndTimestampMsec_);
    }
    SKANRetryCount_ = 0;
    updateSchedule();
    if (uploadingBundleIDs_ && !uploadingBundleIDs_->empty()) {
      if (removeBundlesFromDatabaseWithIDs(*uploadingBundleIDs_)) {
        suspendedUploadTimestamp_ = 0;
      } else {
        monitor().logWithLevel(1, 23045, "Unable to delete uploaded bundles. Uploads will be suspended for seconds",
                               kUploadSuspensionSeconds);
        suspendedUploadTimestamp_ = DeviceUptime();
      }
    }
    uploadingBundleIDs_.reset();
    auto config = remoteConfigInstance();
    if (!config) config = APMRemoteConfig::defaultInstance();
    if (network_ && network_->isNetworkConnected() && hasDataToUpload()) {
      uploadData();
    } else if (config->isExpired()) {
      uploadData();
    } else if (isPSMRequestPostponed_) {
      isPSMRequestPostponed_ = false;
      retrievePSMResponse();
    } else {
      updateSchedule();
      scheduleSKANCVFetchAfterDataUpload();
    }
    return;
  }
  persistedConfig_->setLastFailedUploadTimestamp(now);
  if (IsBackoffStatus(status)) persistedConfig_->setLastBackoffTimestamp(now);
  monitor().logWithLevel(7, 23043, "Network upload failed. Will retry later. Code, error", static_cast<int64_t>(status),
                         ErrorContext(error));
  incrementRetryCounter();
  uploadingBundleIDs_.reset();
  // An alarm armed before the failure would send again ahead of the retry
  // step or the back-off; the schedule is made anew.
  if (alarm_) alarm_->cancel();
  updateSchedule();
}

void APMMeasurement::incrementRetryCounter() {
  if (!uploadingBundleIDs_ || uploadingBundleIDs_->empty() || !database_) return;
  APMError error;
  if (!database_->incrementRetryCounterForBundlesWithIDs(*uploadingBundleIDs_, &error)) {
    monitor().logWithLevel(2, 23166, "Failed to update the bundles' retry counts. Error", error);
  }
}

bool APMMeasurement::removeBundlesFromDatabaseWithIDs(const std::vector<platform::Value>& bundleIDs) {
  APMError error;
  if (!database_ || !database_->deleteBundlesWithRowIDs(bundleIDs, &error)) {
    monitor().logWithLevel(1, 23122, "Failed to delete bundles from database. Error", error);
    return false;
  }
  return true;
}

namespace {

// Stores a fetched configuration and its audiences; false abandons the
// transaction so the old configuration and audiences stay.
bool ApplyFetchedConfiguration(APMMeasurement& engine, APMRemoteConfig& remoteConfig, const platform::Bytes& data) {
  auto& monitor = APMMeasurement::monitor();
  auto config = APMPBMeasurementConfig::initWithBuffer(data);
  if (!config) {
    monitor.logWithLevel(2, 23135, "Configuration data is invalid.");
    return false;
  }
  std::optional<std::string> appIDFromKVL = engine.identity() ? engine.identity()->appIDFromKVL() : std::nullopt;
  if (APMPBGetString(config.get(), kConfigAppID) != appIDFromKVL) {
    monitor.logWithLevel(2, 23136, "Configuration does not have valid Trivandel App ID.");
    return false;
  }
  auto audiences = APMPBGetMessageArray<APMPBAudience>(config.get(), kConfigAudiences);
  APMPBClearField(config.get(), kConfigAudiences);
  if (!remoteConfig.updateMeasurementConfig(config)) {
    monitor.logWithLevel(2, 23138, "Failed to update configuration with new server configuration", DataContext(data));
    return false;
  }
  APMConsentSettingsUtil::setVersion(remoteConfig.consentSignalsG2Enabled() ? 2 : 1);
  const std::optional<bool> adPersonalization = APMConsentSettingsUtil::adPersonalization();
  const bool dmaConsent = remoteConfig.DMAConsentEnabled();
  if (dmaConsent && APMPBHasField(config.get(), kConfigConsent)) {
    APMConsentSettingsUtil::Settings defaults;
    for (const auto& [type, status] : remoteConfig.consentDefaults()) defaults[type] = platform::Value(status);
    APMConsentSettingsUtil::Settings delegations;
    for (const auto& [type, delegate] : remoteConfig.consentDelegations()) {
      delegations[type] = platform::Value(delegate);
    }
    APMConsentSettingsUtil::setDefaultSettings(defaults);
    APMConsentSettingsUtil::setDelegatedSettings(delegations);
  }
  const std::optional<bool> adPersonalizationNow = APMConsentSettingsUtil::adPersonalization();
  if (dmaConsent && adPersonalizationNow && adPersonalizationNow != adPersonalization) {
    engine.setShouldUpdateNPAUserProperty(true);
  }
  if (!engine.audience() || !engine.audience()->updateAudiences(audiences)) {
    monitor.logWithLevel(2, 23137, "Failed to update audiences with new server configuration", DataContext(data));
    return false;
  }
  return true;
}

}  // namespace

void APMMeasurement::fetchRemoteConfig() {
  auto config = remoteConfigInstance();
  if (!config) config = APMRemoteConfig::defaultInstance();
  auto url = config->remoteConfigURLWithAppInstanceID(
      identity_ ? identity_->appInstanceID() : std::nullopt, std::string(kPlatformName),
      APMIdentity::appMeasurementLibraryVersion(), APMPRuntime::runtimeVersion());
  if (!url) {
    monitor().logWithLevel(2, 23125, "Invalid server URL to get configuration");
    return;
  }
  monitor().logWithLevel(8, 23126, "Fetching configuration from the server");
  platform::TVUNetwork::Headers headers;
  if (auto modified = persistedConfig_->configServerLastModifiedString(); modified && !modified->empty()) {
    headers["If-Modified-Since"] = *modified;
  }
  if (auto etag = persistedConfig_->configServerETag(); etag && !etag->empty()) headers["If-None-Match"] = *etag;
  if (!network_) return;
  isNetworkRequestPending_ = true;
  network_->setTimeoutInterval(config->networkTimeout());
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  const std::string session =
      network_->getURL(url->absoluteString(), headers, scheduler_->workerQueue(), shouldUseBackgroundSession(),
                       [weak](std::optional<platform::TVUHTTPResponse> response, platform::Bytes body,
                              std::optional<platform::Status> error) {
                         auto self = weak.lock();
                         if (!self) return;
                         self->isNetworkRequestPending_ = false;
                         self->networkRemoteConfigFetchCompletionHandler(response, body, error);
                       });
  if (session.empty()) {
    monitor().logWithLevel(2, 23040, "Unable to create network session.");
    isNetworkRequestPending_ = false;
  }
}

void APMMeasurement::networkRemoteConfigFetchCompletionHandler(const std::optional<platform::TVUHTTPResponse>& response,
                                                               const platform::Bytes& data,
                                                               const std::optional<platform::Status>& error) {
  const long status = response ? response->statusCode : 0;
  const double now = Now();
  monitor().logWithLevel(8, 23127, "Fetched configuration. Status code", static_cast<int64_t>(status));
  auto config = remoteConfigInstance();
  if (!config) config = APMRemoteConfig::defaultInstance();

  const bool notModified = status == platform::kTVUNetworkHTTPStatusCodeNotModified;
  const bool notFound = status == platform::kTVUNetworkHTTPStatusCodeNotFound;
  if (IsSuccess(status) || notModified || notFound) {
    persistedConfig_->setConfigServerLastModifiedString(HeaderValue(*response, "last-modified"));
    persistedConfig_->setConfigServerETag(HeaderValue(*response, "etag"));
    ClearFailureTimestamps(*persistedConfig_);

    auto recordSuccess = [&](int64_t failureCode, const char* failureMessage) {
      APMError recordError;
      if (database_ && !database_->updateRemoteConfigSuccessfulTimestamp(now, &recordError) &&
          recordError != APMError()) {
        monitor().logWithLevel(1, failureCode, failureMessage, recordError);
        suspendedUploadTimestamp_ = DeviceUptime();
      } else {
        suspendedUploadTimestamp_ = 0;
      }
    };
    if (notFound || notModified) {
      if (notFound) {
        monitor().logWithLevel(3, 23130, "Configuration not found. Using default configuration");
      } else {
        monitor().logWithLevel(8, 23131, "Configuration has not been modified. Using the same configuration. Code",
                               static_cast<int64_t>(status));
      }
      recordSuccess(23132, "Failed to update config last set timestamp. Error");
    } else {
      monitor().logWithLevel(8, 23133, "Successfully fetched configuration from the server. Code, size",
                             static_cast<int64_t>(status), response->expectedContentLength);
      recordSuccess(23134, "Failed to set last set timestamp in database. Error");
      if (!data.empty() && database_) {
        database_->performTransaction([&] { return ApplyFetchedConfiguration(*this, *config, data); });
      }
    }
    if (config->DMAConsentEnabled() && shouldRequestDeferredDeepLinkAfterConfigFetch_) {
      shouldRequestDeferredDeepLinkAfterConfigFetch_ = false;
      requestDeferredDeepLink();
      return;
    }
    uploadDataOrRegisterAlarm();
    return;
  }

  monitor().logWithLevel(3, 23128, "Network request failed to fetch remote config. Code, Error",
                         static_cast<int64_t>(status), ErrorContext(error));
  persistedConfig_->setLastFailedUploadTimestamp(now);
  if (IsBackoffStatus(status)) persistedConfig_->setLastBackoffTimestamp(now);
  monitor().logWithLevel(3, 23129, "Network fetch failed. Will retry later. Code, error", static_cast<int64_t>(status),
                         ErrorContext(error));
  if (alarm_) alarm_->cancel();
  updateSchedule();
}
