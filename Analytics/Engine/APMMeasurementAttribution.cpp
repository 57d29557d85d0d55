// Attribution: conversion values, campaign URLs and deferred deep links,
// on-device conversion measurement. State changes run on the worker queue;
// network, platform and alarm callbacks hold the engine weakly and hand
// their work back to it.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <utility>

#include "Analytics/Engine/APMAlarm.h"
#include "Analytics/Engine/APMDictionaryQuery.h"
#include "Analytics/Engine/APMEngineClock.h"
#include "Analytics/Engine/APMEngineConfig.h"
#include "Analytics/Engine/APMEngineLog.h"
#include "Analytics/Engine/APMEnvironmentInfo.h"
#include "Analytics/Engine/APMIdentity.h"
#include "Analytics/Engine/APMMeasurement.h"
#include "Analytics/Engine/APMScheduler.h"
#include "Analytics/Engine/APMStringAdditions.h"
#include "Analytics/Engine/Interface/APMAppEnvironment.h"
#include "Analytics/Engine/Interface/APMConsentSettingsUtil.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Engine/Monitor/APMUserDefaults.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Runtime/ClassRegistry.h"
#include "Platform/Runtime/Deployment.h"
#include "Platform/Runtime/ProcessInfo.h"
#include "Platform/StoreKit/SKAdNetwork.h"
#include "Platform/TrivandelUtilities/TVUGzip.h"
#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/ApplicationDelegate.h"
#include "Platform/UIKit/LaunchOptions.h"

namespace {

// Conversion-value request and reply fields (0-based).
constexpr int32_t kRequestLibraryVersion = 0;
constexpr int32_t kRequestAppID = 1;
constexpr int32_t kRequestAppInstanceID = 2;
constexpr int32_t kRequestSKANVersion = 3;
constexpr int32_t kRequestEvaluationEventTime = 4;
constexpr int32_t kRequestLastUploadedEventTime = 5;
constexpr int32_t kResponseStatus = 0;
constexpr int32_t kResponseMessage = 1;
constexpr int32_t kResponseFineValue = 2;
constexpr int32_t kResponseCoarseValue = 3;
constexpr int32_t kResponseLockWindow = 4;
constexpr int32_t kResponseExpiryTime = 5;
constexpr int32_t kResponseEventTime = 6;
constexpr int32_t kResponseBackoff = 7;

constexpr int32_t kStatusValueSupplied = 1;
constexpr int32_t kStatusNothingToDo = 2;

constexpr int64_t kFirstSKANWindowMillis = 172800LL * 1000;
constexpr int64_t kAllSKANWindowsMillis = 3024000LL * 1000;
constexpr int64_t kSKANErrorCodeAccepted = 10;

constexpr const char* kSKANDelayAlarmName = "SKAN conversion value delay fetch";
constexpr const char* kSKANRetryAlarmName = "SKAN conversion value fetch timer";

constexpr const char* kPSMValue = "_psmvalue";
constexpr const char* kPSMCountEmail = "_psmcount";
constexpr const char* kPSMCountPhone = "_psmcountph";
constexpr const char* kPSMRetryAlarmName = "On-device conversion measurement timer";
constexpr const char* kDebugOnDeviceConversionArgument = "-DebugOnDeviceConversionMeasurement";
constexpr double kPSMValueLifetimeSeconds = 7776000;  // 90 days

constexpr const char* kDeferredDeepLinkPlistKey = "TRIVANDEL_ANALYTICS_DEFERRED_DEEP_LINK_ENABLED";
constexpr const char* kDebugDeferredDeepLinkArgument = "-DebugDeferredDeepLink";

// Campaign URL keys and the event parameters they become.
constexpr std::array<std::pair<const char*, const char*>, 18> kCampaignParameters{{
    {"aclid", "aclid"},
    {"anid", "anid"},
    {"utm_campaign", "campaign"},
    {"cis", "_cis"},
    {"utm_content", "content"},
    {"cp1", "cp1"},
    {"kclid", "kclid"},
    {"tclid", "tclid"},
    {"tbraid", "tbraid"},
    {"utm_medium", "medium"},
    {"utm_source", "source"},
    {"srsltid", "srsltid"},
    {"utm_term", "term"},
    {"utm_id", "campaign_id"},
    {"utm_creative_format", "creative_format"},
    {"utm_marketing_tactic", "marketing_tactic"},
    {"utm_source_platform", "source_platform"},
    {"sfmc_id", "sfmc_id"},
}};
constexpr std::array<const char*, 9> kCampaignDefiningKeys{
    "utm_campaign", "tclid", "utm_medium", "utm_source", "tbraid", "utm_id", "kclid", "srsltid", "sfmc_id"};
constexpr std::array<const char*, 3> kClickIdentifiers{"tclid", "kclid", "srsltid"};

// Whole milliseconds, truncated.
int64_t NowMillis() { return static_cast<int64_t>(std::trunc(Now() * 1000.0)); }

bool IsAnsweredStatus(long status) {
  return status == platform::kTVUNetworkHTTPStatusOK || status == platform::kTVUNetworkHTTPStatusNoContent ||
         status == platform::kTVUNetworkHTTPStatusCodeNotModified;
}

APMLogContext ErrorText(const std::optional<platform::Status>& error) {
  if (!error || error->ok()) return APMLogContext();
  return APMLogContext(error->ToString());
}

bool HasLaunchArgument(std::string_view argument) {
  const auto arguments = platform::ProcessInfo::processInfo().arguments();
  return std::find(arguments.begin(), arguments.end(), argument) != arguments.end();
}

// A reply value as the delegate's option text: strings as they are, other
// JSON values in their JSON form.
std::string OptionText(const platform::Value& value) {
  if (const std::string* text = value.getString()) return *text;
  auto json = value.toJsonString();
  return json.ok() ? json.value() : std::string();
}

}  // namespace

// ---- Conversion values ----

std::string APMMeasurement::SKANVersion() {
  if (APMEnvironmentInfo::systemVersionAtLeast(16, 1)) return "4.0";
  if (APMEnvironmentInfo::systemVersionAtLeast(14, 6)) return "3.0";
  if (APMEnvironmentInfo::systemVersionAtLeast(14, 5)) return "2.2";
  if (APMEnvironmentInfo::systemVersionAtLeast(14, 0)) return "2.1";
  if (APMEnvironmentInfo::systemVersionAtLeast(13, 7)) return "1.0";
  return "0";
}

bool APMMeasurement::isInFirstSKANPostbackWindow() {
  return NowMillis() <= persistedConfig_->firstOpenTimestampMilliseconds() + kFirstSKANWindowMillis;
}

bool APMMeasurement::isPastAllSKANPostbackWindows() {
  return NowMillis() > persistedConfig_->firstOpenTimestampMilliseconds() + kAllSKANWindowsMillis;
}

bool APMMeasurement::isValidFineConversionValue(int64_t value) { return value >= 0 && value < 64; }

std::string APMMeasurement::convertCoarseConversionValueFromProtoValue(int32_t value) {
  if (value == 3) return storekit::kSKAdNetworkCoarseConversionValueHigh;
  if (value == 2) return storekit::kSKAdNetworkCoarseConversionValueMedium;
  return storekit::kSKAdNetworkCoarseConversionValueLow;
}

int64_t APMMeasurement::SKANFetchRetryLimit() {
  const int64_t evaluation = persistedConfig_->SKANEvaluationEventTimeMillis();
  const int64_t backoff = persistedConfig_->SKANEvaluationUpdateBackoffMillis();
  // Overflow-safe form of evaluation + backoff >= now.
  if (evaluation >= 1 && backoff >= 1 && evaluation >= NowMillis() - backoff) return 1;
  auto config = ConfigOf(*this);
  return isInFirstSKANPostbackWindow() ? config->SKANFirstWindowCVFetchRetryLimit() : config->SKANCVFetchRetryLimit();
}

bool APMMeasurement::shouldFetchSKANConversionValue() {
  return APMEnvironmentInfo::systemVersionAtLeast(16, 1) && ConfigOf(*this)->SKANUpdateConversionValueEnabled() &&
         !isPastAllSKANPostbackWindows() && !isSKANRequestInProgress_;
}

void APMMeasurement::scheduleSKANCVFetchAfterDataUpload() {
  if (!shouldFetchSKANConversionValue()) return;
  if (!SKANDelayAlarm_) SKANDelayAlarm_ = std::make_shared<APMAlarm>(scheduler_->workerQueue(), kSKANDelayAlarmName);
  auto config = ConfigOf(*this);
  const double delay =
      isInFirstSKANPostbackWindow() ? config->SKANFirstWindowCVFetchDelay() : config->SKANInitialCVFetchDelay();
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  SKANDelayAlarm_->runAfterDelay(delay, [weak] {
    if (auto self = weak.lock()) self->fetchSKANCV();
  });
}

void APMMeasurement::fetchSKANCV() {
  if (!shouldFetchSKANConversionValue()) return;
  if (!isNetworkReadyForRequest()) {
    Log().logWithLevel(7, 23240,
                       "Network operation is pending. Request to fetch SKAdNetwork conversion value postponed.");
    return;
  }
  if (!network_ || !network_->isNetworkConnected()) {
    fetchSKANWhenNetworkConnected_ = true;
    // Upload scheduling listens to reachability only while it has data to
    // send; the postponed fetch needs to hear the network come back too.
    if (network_) network_->setReachabilityDelegate(weak_from_this());
    return;
  }
  auto request = std::make_shared<APMPBSkAdNetworkConversionValueRequest>();
  APMPBSetInt64(request.get(), kRequestLibraryVersion, APMIdentity::appMeasurementLibraryVersion());
  APMPBSetString(request.get(), kRequestAppID, appID_);
  if (identity_) {
    if (auto instanceID = identity_->appInstanceID()) APMPBSetString(request.get(), kRequestAppInstanceID, *instanceID);
  }
  APMPBSetString(request.get(), kRequestSKANVersion, SKANVersion());
  APMPBSetInt64(request.get(), kRequestEvaluationEventTime, persistedConfig_->SKANEvaluationEventTimeMillis());
  APMPBSetInt64(request.get(), kRequestLastUploadedEventTime, persistedConfig_->lastUploadedEventTimestampMillis());
  auto payload = request->protoBuffer();
  if (!payload) return;

  isSKANRequestInProgress_ = true;
  fetchSKANWhenNetworkConnected_ = false;
  isNetworkRequestPending_ = true;
  network_->setTimeoutInterval(ConfigOf(*this)->networkTimeout());
  if (SKANDelayAlarm_) SKANDelayAlarm_->cancel();
  if (SKANRetryAlarm_) SKANRetryAlarm_->cancel();
  const std::string url = "https://" + platform::Deployment::measurementServiceHost() + "/skan";
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  const std::string session = network_->postURL(
      url, {{"Accept-Encoding", "gzip"}}, *payload, scheduler_->workerQueue(), false,
      [weak](std::optional<platform::TVUHTTPResponse> response, platform::Bytes body,
             std::optional<platform::Status> error) {
        auto self = weak.lock();
        if (!self) return;
        self->isSKANRequestInProgress_ = false;
        self->fetchSKANWhenNetworkConnected_ = false;
        self->isNetworkRequestPending_ = false;
        self->handleSKANFetchResponse(response, body, error);
      });
  if (session.empty()) {
    // The completion still runs once, with the failure; nothing stays set meanwhile.
    isSKANRequestInProgress_ = false;
    isNetworkRequestPending_ = false;
  }
}

void APMMeasurement::maybeFetchSKANCVAfterReachabilityChange() {
  if (fetchSKANWhenNetworkConnected_ && network_ && network_->isNetworkConnected()) fetchSKANCV();
}

void APMMeasurement::handleSKANFetchResponse(const std::optional<platform::TVUHTTPResponse>& response,
                                             const platform::Bytes& data,
                                             const std::optional<platform::Status>& error) {
  const long status = response ? response->statusCode : 0;
  if (status == platform::kTVUNetworkHTTPStatusCodeNotModified) {
    stopProcessingSKANResponseAndResetRetryCount();
    return;
  }
  if (status != platform::kTVUNetworkHTTPStatusOK) {
    Log().logWithLevel(7, 23241, "Network request failed to fetch SKAN conversion value. Code, Error",
                       static_cast<int64_t>(status), ErrorText(error));
    maybeScheduleSKANCVFetchRetry();
    return;
  }
  platform::Bytes body = data;
  auto encoding = response->headers.find("content-encoding");
  if (encoding != response->headers.end()) {
    std::string lower = encoding->second;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    if (lower == "gzip") {
      auto inflated = platform::TVUGzip::tvu_dataByInflatingGzippedData(data);
      if (inflated.ok()) body = std::move(inflated).value();
    }
  }
  if (body.empty()) {
    Log().logWithLevel(1, 23242, "No SKAdNetwork conversion value data returned.");
    stopProcessingSKANResponseAndResetRetryCount();
    return;
  }
  auto reply = APMPBSkAdNetworkConversionValueResponse::initWithBuffer(body);
  if (!reply) {
    Log().logWithLevel(1, 23243, "Invalid SKAdNetwork conversion value data returned.");
    stopProcessingSKANResponseAndResetRetryCount();
    return;
  }
  const bool hasStatus = APMPBHasField(reply.get(), kResponseStatus);
  const int32_t replyStatus = hasStatus ? APMPBGetInt32(reply.get(), kResponseStatus) : 0;
  if (replyStatus == kStatusValueSupplied) {
    updateSKANPostbackConversionValueFromResponse(reply);
  } else if (replyStatus == kStatusNothingToDo) {
    stopProcessingSKANResponseAndResetRetryCount();
  } else {
    maybeScheduleSKANCVFetchRetry();
  }
}

void APMMeasurement::updateSKANPostbackConversionValueFromResponse(
    const std::shared_ptr<APMPBSkAdNetworkConversionValueResponse>& response) {
  if (!APMEnvironmentInfo::systemVersionAtLeast(16, 1) || !response) return;
  const auto* reply = response.get();
  if (!APMPBHasField(reply, kResponseEventTime)) {
    Log().logWithLevel(1, 23244, "SKAdNetwork conversion value data missing event time field.");
    maybeScheduleSKANCVFetchRetry();
    return;
  }
  const bool hasFine = APMPBHasField(reply, kResponseFineValue);
  const bool hasCoarse = APMPBHasField(reply, kResponseCoarseValue);
  if (!hasFine && !hasCoarse) {
    Log().logWithLevel(1, 23251, "SKAdNetwork fine and coarse conversion values missing.");
    stopProcessingSKANResponseAndResetRetryCount();
    return;
  }
  const int64_t fine = hasFine ? APMPBGetInt32(reply, kResponseFineValue) : 0;
  const std::string coarse =
      convertCoarseConversionValueFromProtoValue(hasCoarse ? APMPBGetInt32(reply, kResponseCoarseValue) : 1);
  const bool lockWindow = APMPBHasField(reply, kResponseLockWindow) && APMPBGetBool(reply, kResponseLockWindow);
  if (!isValidFineConversionValue(fine)) {
    Log().logWithLevel(1, 23245, "Invalid SKAdNetwork fine conversion value. Fine value", fine);
    stopProcessingSKANResponseAndResetRetryCount();
    return;
  }
  if (!APMPBHasField(reply, kResponseExpiryTime)) {
    Log().logWithLevel(1, 23255, "SKAdNetwork conversion value data missing result time field.");
    maybeScheduleSKANCVFetchRetry();
    return;
  }
  const int64_t expirySeconds = APMPBGetInt64(reply, kResponseExpiryTime) / 1000;
  if (Now() > static_cast<double>(expirySeconds)) {
    Log().logWithLevel(4, 23246, "SKAdNetwork conversion value expired.");
    maybeScheduleSKANCVFetchRetry();
    return;
  }
  const int64_t eventTime = APMPBGetInt64(reply, kResponseEventTime);
  if (eventTime < persistedConfig_->lastUploadedEventTimestampMillis()) {
    Log().logWithLevel(4, 23247, "Received outdated SKAdNetwork conversion value.");
    maybeScheduleSKANCVFetchRetry();
    return;
  }
  SKANRetryCount_ = 0;
  persistedConfig_->setSKANEvaluationEventTimeMillis(eventTime);
  persistedConfig_->setSKANEvaluationUpdateBackoffMillis(
      APMPBHasField(reply, kResponseBackoff) ? APMPBGetInt64(reply, kResponseBackoff) : 0);
  Log().logWithLevel(7, 23248, "Updating SKAdNetwork postback conversion value.");
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  std::weak_ptr<APMScheduler> weakScheduler = scheduler_;
  storekit::SKAdNetwork::updatePostbackConversionValue(
      fine, coarse, lockWindow, [weak, weakScheduler, response](std::optional<storekit::SKAdNetworkError> error) {
        auto scheduler = weakScheduler.lock();
        if (!scheduler) return;
        scheduler->scheduleOnWorkerQueueBlockID("APMMeasurement:425", [weak, response, error] {
          auto self = weak.lock();
          if (!self) return;
          if (error) {
            self->handleSKANUpdatePostbackCompletion(response, error->domain, error->code);
          } else {
            self->handleSKANUpdatePostbackCompletion(response, std::nullopt, 0);
          }
        });
      });
}

void APMMeasurement::handleSKANUpdatePostbackCompletion(
    const std::shared_ptr<APMPBSkAdNetworkConversionValueResponse>& response,
    const std::optional<std::string>& errorDomain, int64_t errorCode) {
  if (errorDomain) {
    const bool accepted = APMEnvironmentInfo::systemVersionAtLeast(16, 1) &&
                          *errorDomain == storekit::kSKANErrorDomain && errorCode == kSKANErrorCodeAccepted;
    if (!accepted) {
      Log().logWithLevel(1, 23249, "SKAdNetwork postback conversion value update failed. Error",
                         APMLogContext(*errorDomain + " " + std::to_string(errorCode)));
      return;
    }
  }
  if (!response) return;
  const auto* reply = response.get();
  APMEvent::Parameters parameters;
  if (auto message = APMPBGetString(reply, kResponseMessage); message && APMPBHasField(reply, kResponseMessage)) {
    parameters.emplace("_skanm", APMValue(*message));
  }
  if (APMPBHasField(reply, kResponseFineValue)) {
    parameters.emplace("_skanf", APMValue(static_cast<int64_t>(APMPBGetInt32(reply, kResponseFineValue))));
  }
  if (APMPBHasField(reply, kResponseCoarseValue)) {
    parameters.emplace("_skanc", APMValue(static_cast<int64_t>(APMPBGetInt32(reply, kResponseCoarseValue))));
  }
  if (APMPBHasField(reply, kResponseLockWindow)) {
    parameters.emplace("_skanl", APMValue(static_cast<int64_t>(APMPBGetBool(reply, kResponseLockWindow) ? 1 : 0)));
  }
  if (APMPBHasField(reply, kResponseEventTime)) {
    parameters.emplace("_skane", APMValue(APMPBGetInt64(reply, kResponseEventTime)));
  }
  auto event = APMEvent::initWithOrigin("auto", false, "_skan", Now(), 0, std::move(parameters));
  if (event) handleInternalEventOnWorkerQueue(std::move(*event));
}

void APMMeasurement::maybeScheduleSKANCVFetchRetry() {
  SKANRetryCount_ += 1;
  if (SKANRetryCount_ > SKANFetchRetryLimit()) {
    Log().logWithLevel(4, 23250, "Reached retry limit for SKAdNetwork conversion value fetch.");
    return;
  }
  if (!SKANRetryAlarm_) SKANRetryAlarm_ = std::make_shared<APMAlarm>(scheduler_->workerQueue(), kSKANRetryAlarmName);
  auto config = ConfigOf(*this);
  const double interval =
      isInFirstSKANPostbackWindow() ? config->SKANFirstWindowCVFetchRetryInterval() : config->SKANCVFetchRetryInterval();
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  SKANRetryAlarm_->runAfterDelay(interval, [weak] {
    if (auto self = weak.lock()) self->fetchSKANCV();
  });
}

void APMMeasurement::stopProcessingSKANResponseAndResetRetryCount() { SKANRetryCount_ = 0; }

// ---- On-device conversion measurement ----

std::optional<APMPrivateSetMembershipClientClass> APMMeasurement::PSMClientClass() {
  auto instance = platform::ClassRegistry::shared().instantiate(APMPrivateSetMembershipClient::kClassName);
  if (!instance) return std::nullopt;
  const auto* clientClass = std::any_cast<APMPrivateSetMembershipClientClass>(&*instance);
  if (clientClass == nullptr) return std::nullopt;
  return *clientClass;
}

namespace {

bool HasUserAttribute(APMDatabase* database, const std::string& name) {
  if (database == nullptr) return false;
  APMError error;
  auto exists = database->containsUserAttributeWithName(name, &error);
  return exists && exists->numberAsInt64().value_or(0) != 0;
}

}  // namespace

void APMMeasurement::checkPSMDependencyOnWorkerQueue() {
  recordCall("checkPSMDependencyOnWorkerQueue");
  if (PSMClientClass()) {
    Log().logWithLevel(7, 23253,
                       "On-device conversion measurement library is linked. On-device conversion measurement is ready");
    return;
  }
  if (HasUserAttribute(database_.get(), kPSMCountEmail) || HasUserAttribute(database_.get(), kPSMCountPhone)) {
    Log().logWithLevel(4, 23254,
                       "On-device conversion measurement library is not linked. On-device conversion measurement "
                       "will fail");
  }
}

bool APMMeasurement::shouldRetrievePSMResponse() {
  if (!PSMClientClass()) {
    Log().logWithLevel(1, 23233,
                       "Failed to initiate on-device conversion measurement. On-device conversion measurement library "
                       "is not linked");
    return false;
  }
  auto config = ConfigOf(*this);
  if (!config->PSMFeatureEnabled()) return false;
  const int64_t firstOpenMillis = persistedConfig_->firstOpenTimestampMilliseconds();
  const double firstOpen = firstOpenMillis != 0 ? static_cast<double>(firstOpenMillis) / 1000.0 : initTimestamp_;
  if (std::fabs(Now() - firstOpen) > static_cast<double>(config->maxSignInDelayInDays()) * 86400.0) {
    Log().logWithLevel(1, 23261,
                       "Failed to initiate on-device conversion measurement. Attempted to initiate outside the first "
                       "open window.");
    return false;
  }
  if (isPSMRequestInProgress_) {
    Log().logWithLevel(1, 23235,
                       "Failed to initiate on-device conversion measurement. Request to query data set for on-device "
                       "conversion measurement already in progress.");
    return false;
  }
  if (PSMStartCount_ >= config->maxPSMStartCount()) {
    Log().logWithLevel(1, 23236, "Failed to initiate on-device conversion measurement. Exceeded limit per app run.");
    return false;
  }
  if (HasUserAttribute(database_.get(), kPSMValue)) {
    Log().logWithLevel(1, 23237, "Failed to initiate on-device conversion measurement. Found existing match.");
    return false;
  }
  if (PSMRetryCount_ >= config->maxPSMRetryCount()) {
    Log().logWithLevel(1, 23238, "Failed to initiate on-device conversion measurement. Exceeded retry limit.");
    return false;
  }
  return true;
}

bool APMMeasurement::shouldRetrievePSMResponseWithEmailAddress(const std::string& emailAddress) {
  if (emailAddress.empty()) {
    Log().logWithLevel(1, 23234, "Failed to initiate on-device conversion measurement. Email address was empty.");
    return false;
  }
  return shouldRetrievePSMResponse();
}

bool APMMeasurement::shouldRetrievePSMResponseWithPhoneNumber(const std::string& phoneNumber) {
  if (phoneNumber.empty()) {
    Log().logWithLevel(1, 23239, "Failed to initiate on-device conversion measurement. Phone number was empty.");
    return false;
  }
  auto clientClass = PSMClientClass();
  if (clientClass && !clientClass->initWithPhoneNumber) {
    Log().logWithLevel(1, 23262,
                       "Failed to initiate on-device conversion measurement. The linked on-device conversion "
                       "measurement library does not support phone numbers.");
    return false;
  }
  return shouldRetrievePSMResponse();
}

std::shared_ptr<APMPrivateSetMembershipClient> APMMeasurement::PSMClientWithEmailAddress(
    const std::string& emailAddress) {
  auto clientClass = PSMClientClass();
  if (!clientClass) return nullptr;
  const std::string appID = identity_ ? identity_->appID() : std::string();
  if (clientClass->initWithEmailAddressPrefixBitLength) {
    return clientClass->initWithEmailAddressPrefixBitLength(emailAddress, appID,
                                                            ConfigOf(*this)->hashPrefixBitLengthEmail());
  }
  return clientClass->initWithEmailAddress ? clientClass->initWithEmailAddress(emailAddress, appID) : nullptr;
}

std::shared_ptr<APMPrivateSetMembershipClient> APMMeasurement::PSMClientWithPhoneNumber(
    const std::string& phoneNumber) {
  auto clientClass = PSMClientClass();
  if (!clientClass) return nullptr;
  const std::string appID = identity_ ? identity_->appID() : std::string();
  if (clientClass->initWithPhoneNumberPrefixBitLength) {
    return clientClass->initWithPhoneNumberPrefixBitLength(phoneNumber, appID,
                                                           ConfigOf(*this)->hashPrefixBitLengthPhone());
  }
  return clientClass->initWithPhoneNumber ? clientClass->initWithPhoneNumber(phoneNumber, appID) : nullptr;
}

std::shared_ptr<APMPrivateSetMembershipClient> APMMeasurement::privateSetMembershipClient() const {
  return std::static_pointer_cast<APMPrivateSetMembershipClient>(privateSetMembershipClient_);
}

void APMMeasurement::setPrivateSetMembershipClient(std::shared_ptr<APMPrivateSetMembershipClient> client) {
  privateSetMembershipClient_ = std::static_pointer_cast<void>(std::move(client));
}

void APMMeasurement::retrievePSMResponse() {
  auto client = privateSetMembershipClient();
  std::optional<std::string> base = client ? client->PSMRequestURLWithRetryCount(PSMRetryCount_) : std::nullopt;
  if (!base) {
    Log().logWithLevel(1, 23227, "URL to query data set for on-device conversion measurement is invalid");
    return;
  }
  const bool phone = client->inputType() == APMPrivateSetMembershipClient::kInputTypePhoneNumber;
  const std::string countName = phone ? kPSMCountPhone : kPSMCountEmail;
  int64_t count = 0;
  if (database_) {
    APMError error;
    auto attribute = database_->userAttributeWithName(countName, &error);
    if (attribute && attribute->value().isInt64()) count = attribute->value().int64Value();
  }
  std::string url = *base + "&" + (phone ? "psm_phone_count" : "psm_count") + "=" + std::to_string(count);
  const int64_t firstOpenMillis = persistedConfig_->firstOpenTimestampMilliseconds();
  if (firstOpenMillis != 0) {
    // Whole seconds, moved on to the next whole minute (an exact minute too).
    const double seconds = std::floor(static_cast<double>(firstOpenMillis) / 1000.0);
    char text[64];
    std::snprintf(text, sizeof text, "%0.f", std::floor(seconds / 60.0) * 60.0 + 60.0);
    url += std::string("&timestamp_first_open=") + text;
  }
  APMMonitor& log = Log();
  if (log.isDebugModeEnabled() || log.isVerboseLoggingEnabled()) {
    if (auto key = client->debugKey(); key && HasLaunchArgument(kDebugOnDeviceConversionArgument)) {
      url += "&debug_psm_key=" + APMPercentEncodeQueryComponent(*key);
    }
  }
  if (!isNetworkReadyForRequest()) {
    log.logWithLevel(7, 23232,
                     "Network operation is pending. Request to query data set for on-device conversion measurement "
                     "postponed.");
    isPSMRequestPostponed_ = true;
    return;
  }
  if (!network_) return;
  if (PSMRetryAlarm_) PSMRetryAlarm_->cancel();
  isPSMRequestInProgress_ = true;
  isPSMRequestPostponed_ = false;
  isNetworkRequestPending_ = true;
  network_->setTimeoutInterval(ConfigOf(*this)->networkTimeout());
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  const std::string session = network_->getURL(
      url, {}, scheduler_->workerQueue(), shouldUseBackgroundSession(),
      [weak, countName](std::optional<platform::TVUHTTPResponse> response, platform::Bytes body,
                        std::optional<platform::Status> error) {
        auto self = weak.lock();
        if (!self) return;
        self->isNetworkRequestPending_ = false;
        self->incrementPSMCountOnWorkerQueueWithName(countName);
        const long status = response ? response->statusCode : 0;
        if (IsAnsweredStatus(status) && (!error || error->ok())) {
          auto answering = self->privateSetMembershipClient();
          const std::string value = answering ? answering->parsedPSMValueFromResponse(body) : std::string();
          if (!value.empty()) {
            Log().logWithLevel(7, 23229, "On-device conversion measurement found a match");
            self->handlePSMValueOnWorkerQueue(value);
          } else {
            Log().logWithLevel(7, 23230,
                               "On-device conversion measurement did not find a match. Will try again given new user "
                               "data.");
          }
          self->isPSMRequestInProgress_ = false;
          self->privateSetMembershipClient_.reset();
          self->updateSchedule();
          return;
        }
        Log().logWithLevel(1, 23228,
                           "Failed to query data set for on-device conversion measurement. Will retry later. Code, "
                           "error",
                           static_cast<int64_t>(status), ErrorText(error));
        self->isPSMRequestInProgress_ = false;
        self->maybeSchedulePSMRetry();
        self->updateSchedule();
      });
  if (session.empty()) {
    // The completion still runs once, with the failure; nothing stays set meanwhile.
    isPSMRequestInProgress_ = false;
    isNetworkRequestPending_ = false;
  }
}

void APMMeasurement::maybeSchedulePSMRetry() {
  const int64_t attempt = PSMRetryCount_;
  PSMRetryCount_ = attempt + 1;
  auto config = ConfigOf(*this);
  if (PSMRetryCount_ >= config->maxPSMRetryCount()) {
    Log().logWithLevel(4, 23231, "On-device conversion measurement failed to find a match. Reached retry limit.");
    return;
  }
  if (!PSMRetryAlarm_) PSMRetryAlarm_ = std::make_shared<APMAlarm>(scheduler_->workerQueue(), kPSMRetryAlarmName);
  const double delay = config->PSMRetryInterval() * std::ldexp(1.0, static_cast<int>(std::min<int64_t>(attempt, 60)));
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  PSMRetryAlarm_->runAfterDelay(delay, [weak] {
    if (auto self = weak.lock()) self->retrievePSMResponse();
  });
}

void APMMeasurement::handlePSMValueOnWorkerQueue(const std::string& value) {
  if (value.empty()) return;
  const double now = Now();
  if (auto attribute = APMUserAttribute::initWithOrigin("auto", kPSMValue, APMValue(value), now)) {
    setUserAttributeOnWorkerQueue(*attribute);
  }
  auto event = APMEvent::initWithOrigin("auto", false, "_fx", now, 0, APMEvent::Parameters{{"_fxs", APMValue("psm")}});
  if (!event) return;
  event->setRealtime(true);
  writeEventOnWorkerQueue(std::move(*event));
}

void APMMeasurement::incrementPSMCountOnWorkerQueueWithName(const std::string& name) {
  int64_t count = 0;
  if (database_) {
    APMError error;
    auto attribute = database_->userAttributeWithName(name, &error);
    if (attribute && attribute->value().isInt64()) count = attribute->value().int64Value();
  }
  if (auto attribute = APMUserAttribute::initWithOrigin("auto", name, APMValue(count + 1), Now())) {
    setUserAttributeOnWorkerQueue(*attribute);
  }
}

void APMMeasurement::maybeDeleteExpiredPSMValueOnWorkerQueue() {
  recordCall("maybeDeleteExpiredPSMValueOnWorkerQueue");
  if (!database_) return;
  APMError error;
  auto value = database_->userAttributeWithName(kPSMValue, &error);
  if (!value || std::fabs(Now() - value->lastSetTimestamp()) < kPSMValueLifetimeSeconds) return;
  removeUserAttributeOnWorkerQueue(*value);
  for (const char* name : {kPSMCountEmail, kPSMCountPhone}) {
    APMError countError;
    if (auto count = database_->userAttributeWithName(name, &countError)) removeUserAttributeOnWorkerQueue(*count);
  }
}

// ---- Campaign URLs and deep links ----

std::optional<std::string> APMMeasurement::deepLinkFromUserActivity(
    const std::optional<platform::UserActivity>& activity) {
  if (!activity) {
    Log().logWithLevel(7, 23003, "User Activity is empty. User Activity", APMLogContext());
    return std::nullopt;
  }
  if (!APMEnvironmentInfo::systemVersionAtLeast(9, 0)) {
    Log().logWithLevel(3, 23004, "Deep Link is only supported on iOS 9 and above");
    return std::nullopt;
  }
  auto instance = platform::ClassRegistry::shared().instantiate(platform::kUserActivityClassName);
  if (!instance || std::any_cast<platform::UserActivity>(&*instance) == nullptr) {
    Log().logWithLevel(3, 23005, "NSUserActivity is not supported");
    return std::nullopt;
  }
  if (activity->activityType == platform::kUserActivityTypeBrowsingWeb && activity->webpageURL &&
      !activity->webpageURL->empty()) {
    return activity->webpageURL;
  }
  Log().logWithLevel(3, 23006, "User Activity does not have Deep Link. User Activity",
                     APMLogContext(activity->activityType));
  return std::nullopt;
}

void APMMeasurement::handleStoredURLAfterAppLaunchWithNotification(const platform::NotificationUserInfo& userInfo) {
  std::optional<std::string> link;
  auto activityEntry = userInfo.find(uikit::kLaunchOptionsUserActivityDictionaryKey);
  if (activityEntry != userInfo.end() && activityEntry->second.size() > 0) {
    auto deepLink = deepLinkFromUserActivity(uikit::LaunchOptions::userActivityFromUserInfo(userInfo));
    if (deepLink && !deepLink->empty()) link = deepLink;
  }
  if (!link) {
    auto urlEntry = userInfo.find(uikit::kLaunchOptionsURLKey);
    if (urlEntry != userInfo.end()) {
      const std::string* text = urlEntry->second.getString();
      if (text && !text->empty()) link = *text;
    }
  }
  if (link) APMStoreDeepLink(APMUserDefaults::standardUserDefaults(), platform::Value(*link));
}

void APMMeasurement::handleNonFirstOpenEventURL(const std::string& url, double eventTimestampSeconds) {
  if (platform::DispatchQueue::currentLabel() == scheduler_->workerQueue()->label()) {
    Log().logWithLevel(2, 23163, "Do not call handleNonFirstOpenOpenURL on the measurement worker queue");
    return;
  }
  handleOpenURL(url, std::nullopt, eventTimestampSeconds);
}

void APMMeasurement::handleOpenURL(const std::string& url, std::optional<int64_t> clickTimestampMillis,
                                   double eventTimestampSeconds) {
  if (url.empty()) return;
  handleDebugModeWithURL(url);
  handleDeepLink(url, clickTimestampMillis, eventTimestampSeconds);
}

void APMMeasurement::handleDebugModeWithURL(const std::string&) {}

void APMMeasurement::handleDeepLink(const std::string& url, std::optional<int64_t> clickTimestampMillis,
                                    double eventTimestampSeconds) {
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:443", [weak, url, clickTimestampMillis,
                                                                   eventTimestampSeconds] {
    if (auto self = weak.lock()) {
      self->handleOpenURLOnWorkerQueue(url, clickTimestampMillis, eventTimestampSeconds, {});
    }
  });
}

bool APMMeasurement::isValidCampaignURLParamDictionary(const std::map<std::string, std::string>& parameters) {
  return std::any_of(kCampaignDefiningKeys.begin(), kCampaignDefiningKeys.end(), [&](const char* key) {
    auto it = parameters.find(key);
    return it != parameters.end() && !it->second.empty();
  });
}

bool APMMeasurement::shouldAllowClickID() {
  if (!APMEnvironmentInfo::systemVersionAtLeast(14, 0)) return true;
  if (!identity_) return false;
  auto resettable = identity_->resettableDeviceID();
  if (resettable && !resettable->empty()) return true;
  return identity_->appleConsentStatus() == 3;
}

void APMMeasurement::handleOpenURLOnWorkerQueue(const std::string& url, std::optional<int64_t> clickTimestampMillis,
                                                double eventTimestampSeconds,
                                                const APMEvent::Parameters& extraParameters) {
  std::map<std::string, std::string> query;
  APMEvent::Parameters numberExtras;
  for (const auto& [key, value] : extraParameters) {
    if (value.isString()) {
      query[key] = *value.stringPointer();
    } else if (value.isInt64() || value.isDouble()) {
      numberExtras.emplace(key, value);
    }
  }
  if (auto parsed = platform::URL::fromString(url); parsed && parsed->query()) {
    for (auto& [key, value] : apm_dictionaryWithHttpArgumentsString(*parsed->query())) query[key] = value;
  }
  if (query.empty()) {
    Log().logWithLevel(7, 23000, "Deep Link Web URL query is empty");
    return;
  }
  if (!isValidCampaignURLParamDictionary(query)) {
    Log().logWithLevel(3, 23001, "Deep Link does not contain valid required params. URL params",
                       APMLogContext(apm_queryString([&] {
                         platform::Value::Dictionary dictionary;
                         for (const auto& [key, value] : query) dictionary[key] = platform::Value(value);
                         return dictionary;
                       }())));
    return;
  }

  APMEvent::Parameters parameters;
  for (const auto& [urlKey, parameterName] : kCampaignParameters) {
    auto it = query.find(urlKey);
    if (it != query.end() && !it->second.empty()) parameters.emplace(parameterName, APMValue(it->second));
  }
  if (!shouldAllowClickID()) {
    for (const char* key : kClickIdentifiers) parameters.erase(key);
  }
  for (const auto& [key, value] : numberExtras) parameters.insert_or_assign(key, value);
  if (clickTimestampMillis) parameters.insert_or_assign("click_timestamp", APMValue(*clickTimestampMillis));

  const double firstOpenSeconds = static_cast<double>(persistedConfig_->firstOpenTimestampMilliseconds()) / 1000.0;
  const double eventTime = std::max(firstOpenSeconds, eventTimestampSeconds);
  const APMValue* conversionMark = nullptr;
  if (auto it = numberExtras.find("_cc"); it != numberExtras.end()) conversionMark = &it->second;
  const bool isConversion =
      conversionMark != nullptr && ((conversionMark->isInt64() && conversionMark->int64Value() == 1) ||
                                    (conversionMark->isDouble() && conversionMark->doubleValue() == 1.0));
  const std::string name = isConversion ? "_cmpx" : "_cmp";

  if (auto it = parameters.find("tbraid"); it != parameters.end() && it->second.isString() && !it->second.stringPointer()->empty()) {
    if (auto attribute = APMUserAttribute::initWithOrigin("auto", "_tbraid", it->second, eventTime)) {
      setUserPropertyInDatabaseOnWorkerQueue(*attribute);
    }
  }
  auto event = APMEvent::initWithOrigin("auto", false, name, eventTime, 0, std::move(parameters));
  if (!event) return;
  APMEvent notice = *event;
  handleInternalEventOnWorkerQueue(std::move(*event));
  notifyEventListeners(notice);
}

// ---- Deferred deep links ----

bool APMMeasurement::shouldAllowRequestDeferredDeepLink() {
  auto config = ConfigOf(*this);
  if (!config->isDeferredDeepLinkEnabled()) {
    Log().logWithLevel(5, 23193, "Deferred Deep Link feature disabled");
    return false;
  }
  auto plistValue = platform::Bundle::main().objectForInfoDictionaryKey(kDeferredDeepLinkPlistKey);
  if (!plistValue || !plistValue->isNumber() || plistValue->numberAsDouble().value_or(0) == 0) return false;
  if (persistedConfig_->deferredDeepLinkRetrievalComplete()) {
    Log().logWithLevel(7, 23194, "Already retrieved Deferred Deep Link. Skipping");
    return false;
  }
  if (persistedConfig_->deferredDeepLinkRetryCount() >= config->maxDeferredDeepLinkRetryCount()) {
    Log().logWithLevel(3, 23195, "Failed to retrieve Deferred Deep Link. Reached retry limit");
    persistedConfig_->setDeferredDeepLinkRetrievalComplete(platform::Value(static_cast<int64_t>(1)));
    return false;
  }
  if (APMConsentSettingsUtil::isAdStorageDenied()) {
    Log().logWithLevel(3, 23252,
                       "IDFA unavailable to retrieve Deferred Deep Link due to denied ad storage consent. Skipping");
    return false;
  }
  if (identity_ && identity_->hasLimitedAdTracking() && !identity_->limitedAdTracking()) {
    Log().logWithLevel(7, 23197, "Deferred Deep Link feature enabled");
    return true;
  }
  Log().logWithLevel(3, 23196, "IDFA unavailable to retrieve Deferred Deep Link. Skipping");
  return false;
}

void APMMeasurement::requestDeferredDeepLink() {
  auto config = ConfigOf(*this);
  auto encode = [](const std::string& text) { return APMPercentEncodeQueryComponent(text); };
  std::string query = "sdk_version=" + std::to_string(APMIdentity::appMeasurementLibraryVersion());
  query += "&rdid=" + encode(identity_ ? identity_->resettableDeviceID().value_or("") : "");
  query += "&id_type=idfa";
  query += "&bundleid=" + encode(identity_ ? identity_->appID() : "");
  query += "&retry=" + std::to_string(persistedConfig_->deferredDeepLinkRetryCount());
  if (HasLaunchArgument(kDebugDeferredDeepLinkArgument)) query += "&ddl_test=1";
  if (config->DMAConsentEnabled()) {
    const std::string signals = APMConsentSettingsUtil::consentSignals();
    if (!signals.empty()) query += "&gcs=" + encode(signals);
    const bool dmaRegion = config->isDMARegion();
    query += std::string("&dma=") + (dmaRegion ? "1" : "0");
    if (APMConsentSettingsUtil::isAdUserDataDenied()) {
      query += "&dma_cps=-";
    } else if (dmaRegion) {
      std::string services;
      for (const auto& service : config->corePlatformServices()) services += service;  // a set: sorted
      if (!services.empty()) query += "&dma_cps=" + encode(services);
    }
    if (auto personalization = APMConsentSettingsUtil::adPersonalization()) {
      query += std::string("&npa=") + (*personalization ? "0" : "1");
    }
  }
  auto url = platform::URL::fromString("https://" + platform::Deployment::adsConversionServiceHost() +
                                       "/pagead/conversion/app/deeplink?" + query);
  if (!url || !url->host() || url->host()->empty()) {
    Log().logWithLevel(3, 23198, "URL to retrieve Deferred Deep Link is invalid");
    return;
  }
  if (!network_) return;
  isNetworkRequestPending_ = true;
  network_->setTimeoutInterval(config->networkTimeout());
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  const std::string session = network_->getURL(
      url->absoluteString(), {}, scheduler_->workerQueue(), shouldUseBackgroundSession(),
      [weak](std::optional<platform::TVUHTTPResponse> response, platform::Bytes body,
             std::optional<platform::Status> error) {
        auto self = weak.lock();
        if (!self) return;
        self->isNetworkRequestPending_ = false;
        const long status = response ? response->statusCode : 0;
        if (IsAnsweredStatus(status) && (!error || error->ok())) {
          self->persistedConfig_->setDeferredDeepLinkRetrievalComplete(platform::Value(static_cast<int64_t>(0)));
          auto info = self->deepLinkInfoFromResponseData(body);
          if (info && !info->empty()) {
            Log().logWithLevel(7, 23200, "Successfully retrieved Deferred Deep Link");
            self->handleDeferredDeepLinkInfo(*info);
          } else {
            self->updateSchedule();
          }
          return;
        }
        Log().logWithLevel(1, 23199, "Failed to retrieve Deferred Deep Link. Will retry on next launch. Code, error",
                           static_cast<int64_t>(status), ErrorText(error));
        self->persistedConfig_->setDeferredDeepLinkRetryCount(self->persistedConfig_->deferredDeepLinkRetryCount() +
                                                              1);
        self->updateSchedule();
      });
  if (session.empty()) isNetworkRequestPending_ = false;
}

std::optional<platform::Value::Dictionary> APMMeasurement::deepLinkInfoFromResponseData(const platform::Bytes& data) {
  if (data.empty()) {
    Log().logWithLevel(8, 23201, "Deferred Deep Link response is empty");
    return std::nullopt;
  }
  auto parsed = platform::Value::parseJson(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
  if (!parsed.ok()) {
    Log().logWithLevel(1, 23202, "Failed to parse Deferred Deep Link from JSON. Error",
                       APMLogContext(parsed.status().message()));
    return std::nullopt;
  }
  const platform::Value& reply = parsed.value();
  const platform::Value::Dictionary* dictionary = reply.getDictionary();
  if (!dictionary) return std::nullopt;
  const platform::Value* link = reply.find("deeplink");
  const std::string* linkText = link ? link->getString() : nullptr;
  if (!linkText || !platform::URL::fromString(*linkText)) return std::nullopt;
  return *dictionary;
}

void APMMeasurement::handleDeferredDeepLinkInfo(const platform::Value::Dictionary& info) {
  auto linkEntry = info.find("deeplink");
  if (linkEntry == info.end() || !linkEntry->second.getString()) return;
  const std::string url = *linkEntry->second.getString();
  APMEvent::Parameters extras{{"cis", APMValue("ddp")}};
  for (const char* key : {"tclid", "tbraid"}) {
    auto it = info.find(key);
    if (it != info.end() && it->second.getString()) extras.insert_or_assign(key, APMValue(*it->second.getString()));
  }
  std::map<std::string, std::string> extraInfo;
  if (auto it = info.find("timestamp"); it != info.end()) extraInfo["timestamp"] = OptionText(it->second);
  Log().logWithLevel(8, 23203, "Sending Deferred Deep Link to app delegate");
  const double takenAt = Now();
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  platform::DispatchQueue::main()->async([weak, url, extras, extraInfo, takenAt] {
    if (!sendDeepLinkURLToAppDelegateOnMainThread(url, extraInfo)) {
      Log().logWithLevel(3, 23204, "App delegate not configured to handle Deferred Deep Link", APMLogContext(url));
      return;
    }
    auto self = weak.lock();
    if (!self) return;
    self->scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:365", [weak, url, extras, takenAt] {
      if (auto engine = weak.lock()) engine->handleOpenURLOnWorkerQueue(url, std::nullopt, takenAt, extras);
    });
  });
}

bool APMMeasurement::sendDeepLinkURLToAppDelegateOnMainThread(const std::string& url,
                                                              const std::map<std::string, std::string>& extraInfo) {
  uikit::Application& application = uikit::Application::shared();
  auto delegate = application.delegate();
  if (!delegate || !delegate->implementsApplicationOpenURLOptions()) return false;
  delegate->applicationOpenURLOptions(application, url, extraInfo);
  return true;
}
