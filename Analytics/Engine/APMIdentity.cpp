#include "Analytics/Engine/APMIdentity.h"

#include <charconv>
#include <limits>
#include <type_traits>

#include "Analytics/Engine/APMDefaultIdentitySupport.h"
#include "Analytics/Engine/APMEngineChecks.h"
#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMEnvironmentInfo.h"
#include "Analytics/Engine/APMInfoPlistFileUtil.h"
#include "Analytics/Engine/APMStringAdditions.h"
#include "Analytics/Engine/Interface/APMConsentSettingsUtil.h"
#include "Analytics/Engine/Monitor/APMMainBundle.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/UUID.h"
#include "Platform/Runtime/ClassRegistry.h"
#include "Platform/UIKit/Device.h"

namespace {

constexpr double kSessionStitchingTokenLifetime = 86400;

// Set by the first accepted call of each app-ID setter in the process.
std::atomic<bool> gAppIDFromKVLSet{false};
std::atomic<bool> gAppIDFromPellumarSet{false};

}  // namespace

struct APMIdentity::State {
  std::optional<double> lastAppInstanceIDUpdateTimestamp;
  int64_t appleConsentStatus = 0;
  std::optional<std::string> resettableDeviceID;
  bool limitedAdTracking = false;
  std::optional<std::string> identifierForVendorString;
  std::optional<std::string> appIDFromKVL;
  std::optional<std::string> appIDFromPellumar;
  std::optional<bool> isIDFVCollectionEnabled;
  std::optional<std::string> sessionStitchingToken;
  int64_t lastSessionNumber = 0;
  bool lastIsSessionExpired = false;
  std::optional<double> sessionStitchingTokenExpirationTime;
  std::optional<std::string> ephemeralAppInstanceID;
  std::string appID;
  std::string appVersion;
  std::optional<int32_t> appVersionMajor;
  std::optional<int32_t> appVersionMinor;
  std::optional<int32_t> appVersionRelease;
};

template <typename Read>
auto APMIdentity::readOnQueue(Read read) {
  using Result = std::invoke_result_t<Read>;
  std::optional<Result> result;
  queue_->sync([&] { result.emplace(read()); });
  return std::move(*result);
}

std::shared_ptr<APMIdentity> APMIdentity::sharedInstance() {
  static std::once_flag once;
  static std::shared_ptr<APMIdentity>* shared = nullptr;
  std::call_once(once, [] {
    shared = new std::shared_ptr<APMIdentity>(initWithPersistedConfig(APMPersistedConfig::sharedInstance()));
  });
  if (!*shared) APMMeasurementMonitor().logWithLevel(2, 20003, "Identity's shared instance is nil");
  return *shared;
}

std::shared_ptr<APMIdentity> APMIdentity::initWithPersistedConfig(std::shared_ptr<APMPersistedConfig> persistedConfig,
                                                                  std::shared_ptr<APMIdentitySupport> identitySupport) {
  if (!persistedConfig) {
    APMMeasurementMonitor().logWithLevel(
        2, 20004, "Unable to create measurement identity, missing a valid persisted config instance");
    return nullptr;
  }
  if (!identitySupport) identitySupport = APMDefaultIdentitySupport::sharedInstance();
  auto identity = std::make_shared<APMIdentity>(PrivateTag{}, std::move(persistedConfig), std::move(identitySupport));
  identity->setUp();
  return identity;
}

APMIdentity::APMIdentity(PrivateTag, std::shared_ptr<APMPersistedConfig> persistedConfig,
                         std::shared_ptr<APMIdentitySupport> identitySupport)
    : persistedConfig_(std::move(persistedConfig)),
      identitySupport_(std::move(identitySupport)),
      state_(std::make_unique<State>()),
      queue_(platform::DispatchQueue::create("APMIdentityWorkerQueue")) {}

APMIdentity::~APMIdentity() = default;

void APMIdentity::setUp() {
  APMMonitor& monitor = APMMeasurementMonitor();
  queue_->sync([&] {
    State& s = *state_;
    if (auto service = APMInfoPlistFileUtil::dictionaryFromTrivandelServiceInfoPlist(); service && !service->empty()) {
      auto text = [&](const char* key) -> std::optional<std::string> {
        auto it = service->find(key);
        if (it == service->end() || !it->second.isString()) return std::nullopt;
        return *it->second.getString();
      };
      s.appIDFromKVL = text("TRIVANDEL_APP_ID");
      s.appIDFromPellumar = text("PELLUMAR_APP_ID");
    }
    if (platform::ClassRegistry::shared().classExists("QRVAnalytics") && !IsNonEmpty(s.appIDFromKVL)) {
      monitor.logWithLevel(0, 20006,
                           "Trivandel App ID from TrivandelService-Info.plist is empty. Please, define "
                           "TRIVANDEL_APP_ID in TrivandelService-Info.plist for Analytics to work reliably. See "
                           "https://developers.facility.invalid/analytics/setup");
    }
    if (auto flag = APMMainBundle::infoValue(kIDFVCollectionEnabledKey); flag && flag->isNumber()) {
      s.isIDFVCollectionEnabled = flag->numberAsDouble().value_or(0) != 0;
      monitor.logWithLevel(7, 20009, std::string(kIDFVCollectionEnabledKey) + " = " +
                                         (*s.isIDFVCollectionEnabled ? "YES" : "NO"));
    }
    platform::Bundle& bundle = platform::Bundle::main();
    s.appID = APMMainBundle::bundleIdentifier();
    s.appVersion = bundle.shortVersionString().value_or("");
    auto fields = numericFieldsFromAppVersionNumeric(bundle.bundleVersion().value_or(""));
    if (fields.size() > 0) s.appVersionMajor = fields[0];
    if (fields.size() > 1) s.appVersionMinor = fields[1];
    if (fields.size() > 2) s.appVersionRelease = fields[2];
    enforceConsentSettingsOnQueue();
    if (!persistedConfig_->appInstanceID() && !APMConsentSettingsUtil::isAnalyticsStorageDenied()) {
      persistedConfig_->setAppInstanceID(randomAppInstanceID());
    }
  });
}

int64_t APMIdentity::libraryVersionFromVersionString(std::string_view version) {
  if (version.size() < 4) return 0;
  std::string_view digits = version.substr(0, version.size() - 3);
  int64_t value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end == digits.data()) return 0;
  return value;
}

int64_t APMIdentity::appMeasurementLibraryVersion() { return libraryVersionFromVersionString(kLibraryVersionString); }

std::vector<int32_t> APMIdentity::numericFieldsFromAppVersionNumeric(std::string_view version) {
  std::vector<int32_t> fields;
  std::size_t start = 0;
  while (start <= version.size()) {
    std::size_t dot = version.find('.', start);
    if (dot == std::string_view::npos) dot = version.size();
    std::string_view part = version.substr(start, dot - start);
    start = dot + 1;
    if (part.empty()) continue;
    std::string digits;
    std::size_t pieces = 1;
    for (char c : part) {
      if (c >= '0' && c <= '9') {
        digits.push_back(c);
      } else {
        ++pieces;
      }
    }
    if (pieces > 1) {
      APMMeasurementMonitor().logWithLevel(5, 20002, "app version numeric has non-numeric characters",
                                           std::string(version));
    }
    int64_t value = 0;
    for (char c : digits) {
      value = value * 10 + (c - '0');
      if (value > std::numeric_limits<int32_t>::max()) {
        value = std::numeric_limits<int32_t>::max();
        break;
      }
    }
    fields.push_back(static_cast<int32_t>(value));
  }
  return fields;
}

bool APMIdentity::iOS14OrAbove() { return APMEnvironmentInfo::systemVersionAtLeast(14, 0); }

std::string APMIdentity::randomAppInstanceID() {
  std::string text = platform::UUID().uuidString();
  std::string id;
  id.reserve(32);
  for (char c : text) {
    if (c != '-') id.push_back(c);
  }
  return id;
}

void APMIdentity::enforceConsentSettingsOnQueue() {
  if (APMConsentSettingsUtil::isAdStorageDenied()) persistedConfig_->setHashedResettableDeviceID(std::nullopt);
  if (APMConsentSettingsUtil::isAnalyticsStorageDenied()) persistedConfig_->setAppInstanceID(std::nullopt);
}

void APMIdentity::enforceConsentSettings() {
  forgetScopedRefresh();
  onQueue([this] { enforceConsentSettingsOnQueue(); });
}

void APMIdentity::refreshOnQueue() {
  State& s = *state_;
  enforceConsentSettingsOnQueue();
  auto remoteConfig = APMEngineHooks::remoteConfig();
  const double now = platform::Clock::nowSeconds();
  const std::optional<std::string> persistedAppInstanceID = persistedConfig_->appInstanceID();
  if (persistedAppInstanceID && s.lastAppInstanceIDUpdateTimestamp && *s.lastAppInstanceIDUpdateTimestamp <= now &&
      now - *s.lastAppInstanceIDUpdateTimestamp < remoteConfig->adIDCacheTime()) {
    return;
  }

  std::optional<std::string> hash = persistedConfig_->hashedResettableDeviceID();
  std::optional<std::string> deviceID = s.resettableDeviceID;
  const bool limitedAdTracking = identitySupport_->limitedAdTracking();

  int64_t state = 6;
  bool gateable = true;
  if (!iOS14OrAbove()) {
    gateable = false;
  } else if (identitySupport_->hasLimitedAdTracking()) {
    const int64_t status =
        identitySupport_->hasAppDataConsentStatus() ? identitySupport_->appDataConsentStatus() : -1;
    switch (status) {
      case 0: state = 4; break;
      case 1: state = 1; break;
      case 2: state = 2; break;
      case 3: state = 3; gateable = false; break;
      default: state = 5; break;
    }
  }
  const bool gated = gateable && remoteConfig->gateIDFAOnATTMASEnabled();
  const bool adStorageDenied = APMConsentSettingsUtil::isAdStorageDenied();
  const bool analyticsStorageDenied = APMConsentSettingsUtil::isAnalyticsStorageDenied();

  std::optional<std::string> advertisingID;
  if (!adStorageDenied && !gated) advertisingID = identitySupport_->resettableDeviceID();

  bool changed = false;
  std::optional<std::string> preparedAppInstanceID;
  if (IsNonEmpty(advertisingID) && *advertisingID != kZeroDeviceID) {
    deviceID = advertisingID;
    std::optional<std::string> advertisingHash = apm_MD5String(*advertisingID);
    if (advertisingHash != hash) {
      if (hash) {
        // The advertising ID was reset: so is the app instance ID.
        preparedAppInstanceID = randomAppInstanceID();
        persistedConfig_->setShouldSetLastAdvertisingIDResetUserProperty(true);
      }
      hash = advertisingHash;
      changed = true;
    }
  } else if (advertisingID && *advertisingID == kZeroDeviceID) {
    deviceID.reset();
  }
  if (!persistedAppInstanceID) changed = true;
  if (changed) {
    if (!analyticsStorageDenied) {
      persistedConfig_->setAppInstanceID(preparedAppInstanceID   ? preparedAppInstanceID
                                         : persistedAppInstanceID ? persistedAppInstanceID
                                                                  : randomAppInstanceID());
    }
    if (!adStorageDenied) persistedConfig_->setHashedResettableDeviceID(hash);
  }

  s.lastAppInstanceIDUpdateTimestamp = now;
  s.limitedAdTracking = limitedAdTracking;
  s.resettableDeviceID = deviceID;
  s.appleConsentStatus = state;
}

void APMIdentity::updateIdentifiers() {
  queue_->async([weak = weak_from_this()] {
    if (auto self = weak.lock()) self->refreshOnQueue();
  });
}

void APMIdentity::updateIdentifiersAndWait() {
  queue_->sync([this] { refreshOnQueue(); });
}

namespace {
// The identity whose RefreshOncePerScope on this thread has refreshed.
thread_local const APMIdentity* tScopedRefresh = nullptr;
}  // namespace

APMIdentity::RefreshOncePerScope::RefreshOncePerScope(APMIdentity& identity) : outer_(tScopedRefresh) {
  identity.updateIdentifiersAndWait();
  tScopedRefresh = &identity;
}

APMIdentity::RefreshOncePerScope::~RefreshOncePerScope() { tScopedRefresh = outer_; }

bool APMIdentity::needsRefresh() const { return tScopedRefresh != this; }

void APMIdentity::forgetScopedRefresh() const {
  if (tScopedRefresh == this) tScopedRefresh = nullptr;
}

// One turn on the queue that refreshes, then reads: the same order as a
// queued refresh followed by a read, without the second hand-off.
template <typename Read>
auto APMIdentity::refreshedReadOnQueue(Read read) {
  // Decided on the caller's thread, where the scope lives.
  const bool refresh = needsRefresh();
  return readOnQueue([this, &read, refresh] {
    if (refresh) refreshOnQueue();
    return read();
  });
}

int64_t APMIdentity::appleConsentStatus() {
  return refreshedReadOnQueue([this] { return state_->appleConsentStatus; });
}

bool APMIdentity::hasLimitedAdTracking() {
  return refreshedReadOnQueue([this] { return identitySupport_->hasLimitedAdTracking(); });
}

bool APMIdentity::limitedAdTracking() {
  return refreshedReadOnQueue([this] { return state_->limitedAdTracking; });
}

std::optional<std::string> APMIdentity::resettableDeviceID() {
  return refreshedReadOnQueue([this] { return state_->resettableDeviceID; });
}

std::optional<std::string> APMIdentity::appInstanceID() {
  return refreshedReadOnQueue([this] { return persistedConfig_->appInstanceID(); });
}

std::optional<std::string> APMIdentity::hashedResettableDeviceID() {
  return refreshedReadOnQueue([this] { return persistedConfig_->hashedResettableDeviceID(); });
}

void APMIdentity::setAppInstanceID(const std::optional<std::string>& appInstanceID) {
  forgetScopedRefresh();
  queue_->async([config = persistedConfig_, appInstanceID] { config->setAppInstanceID(appInstanceID); });
}

std::optional<std::string> APMIdentity::appIDFromKVL() {
  return readOnQueue([this] { return state_->appIDFromKVL; });
}

std::optional<std::string> APMIdentity::appIDFromPellumar() {
  return readOnQueue([this] { return state_->appIDFromPellumar; });
}

void APMIdentity::setAppIDFromKVL(const std::string& appID) {
  if (appID.empty()) {
    APMMeasurementMonitor().logWithLevel(2, 20005, "Cannot set empty Trivandel App ID");
    return;
  }
  if (gAppIDFromKVLSet.exchange(true)) return;
  queue_->async([weak = weak_from_this(), appID] {
    if (auto self = weak.lock()) self->state_->appIDFromKVL = appID;
  });
}

void APMIdentity::setAppIDFromPellumar(const std::string& appID) {
  if (appID.empty()) {
    APMMeasurementMonitor().logWithLevel(2, 20007, "Cannot set empty Pellumar App ID");
    return;
  }
  if (gAppIDFromPellumarSet.exchange(true)) return;
  queue_->async([weak = weak_from_this(), appID] {
    if (auto self = weak.lock()) self->state_->appIDFromPellumar = appID;
  });
}

std::optional<std::string> APMIdentity::identifierForVendor() {
  if (IsNonEmpty(resettableDeviceID())) return std::nullopt;
  auto [collectionEnabled, cached] = readOnQueue([this] {
    return std::make_pair(state_->isIDFVCollectionEnabled, state_->identifierForVendorString);
  });
  if (collectionEnabled && !*collectionEnabled) return std::nullopt;
  if (APMConsentSettingsUtil::isAnalyticsStorageDenied()) return std::nullopt;
  if (cached) return cached;

  std::optional<std::string> vendorID;
  auto read = [&vendorID] {
    if (auto uuid = uikit::Device::identifierForVendor()) vendorID = uuid->uuidString();
  };
  if (platform::RunLoop::isMainThread()) {
    read();
  } else {
    platform::DispatchQueue::main()->sync(read);
  }
  if (vendorID) {
    queue_->async([weak = weak_from_this(), vendorID] {
      if (auto self = weak.lock()) self->state_->identifierForVendorString = vendorID;
    });
  }
  return vendorID;
}

bool APMIdentity::shouldSetLastAdvertisingIDResetUserProperty() const {
  return persistedConfig_->shouldSetLastAdvertisingIDResetUserProperty();
}

void APMIdentity::setShouldSetLastAdvertisingIDResetUserProperty(bool value) {
  persistedConfig_->setShouldSetLastAdvertisingIDResetUserProperty(value);
}

std::optional<std::string> APMIdentity::sessionStitchingTokenWithSessionNumber(int64_t sessionNumber,
                                                                               bool sessionExpired,
                                                                               bool userIDAvailable) {
  return readOnQueue([&]() -> std::optional<std::string> {
    if (APMConsentSettingsUtil::isAnalyticsStorageDenied()) return std::nullopt;
    State& s = *state_;
    const bool sameSession = sessionNumber == s.lastSessionNumber && sessionExpired == s.lastIsSessionExpired;
    const bool continuesExpired =
        s.lastSessionNumber < std::numeric_limits<int64_t>::max() && sessionNumber == s.lastSessionNumber + 1 &&
        s.lastIsSessionExpired && !sessionExpired;
    if (!sameSession && !continuesExpired) {
      s.sessionStitchingToken.reset();
      s.sessionStitchingTokenExpirationTime.reset();
    }
    s.lastSessionNumber = sessionNumber;
    s.lastIsSessionExpired = sessionExpired;
    const double now = platform::Clock::nowSeconds();
    if (!userIDAvailable && s.sessionStitchingTokenExpirationTime && *s.sessionStitchingTokenExpirationTime <= now) {
      s.sessionStitchingToken.reset();
      s.sessionStitchingTokenExpirationTime.reset();
    }
    if (!s.sessionStitchingToken) {
      s.sessionStitchingToken = randomAppInstanceID();
      if (!userIDAvailable) s.sessionStitchingTokenExpirationTime = now + kSessionStitchingTokenLifetime;
    }
    return s.sessionStitchingToken;
  });
}

void APMIdentity::onQueue(const std::function<void()>& block) {
  // Callers off the queue are carried onto it rather than racing its state.
  if (queue_->isCurrent()) {
    block();
  } else {
    queue_->sync(block);
  }
}

void APMIdentity::resetSessionStitchingTokenOnWorkerQueue() {
  onQueue([this] {
    state_->sessionStitchingToken.reset();
    state_->sessionStitchingTokenExpirationTime.reset();
  });
}

void APMIdentity::resetSessionStitchingToken() {
  queue_->async([weak = weak_from_this()] {
    if (auto self = weak.lock()) self->resetSessionStitchingTokenOnWorkerQueue();
  });
}

std::string APMIdentity::diversionKey() {
  return readOnQueue([this] {
    std::optional<std::string> key = persistedConfig_->diversionKey();
    if (!key || key->size() != 5) {
      key = randomAppInstanceID().substr(0, 5);
      persistedConfig_->setDiversionKey(key);
    }
    return *key;
  });
}

std::string APMIdentity::ephemeralAppInstanceID() {
  return readOnQueue([this] {
    if (!state_->ephemeralAppInstanceID) state_->ephemeralAppInstanceID = randomAppInstanceID();
    return *state_->ephemeralAppInstanceID;
  });
}

void APMIdentity::resetEphemeralAppInstanceIDOnWorkerQueue() {
  onQueue([this] { state_->ephemeralAppInstanceID.reset(); });
}

void APMIdentity::resetEphemeralAppInstanceID() {
  queue_->async([weak = weak_from_this()] {
    if (auto self = weak.lock()) self->resetEphemeralAppInstanceIDOnWorkerQueue();
  });
}

std::string APMIdentity::appID() {
  return readOnQueue([this] { return state_->appID; });
}

std::string APMIdentity::appVersion() {
  return readOnQueue([this] { return state_->appVersion; });
}

std::optional<int32_t> APMIdentity::appVersionMajor() {
  return readOnQueue([this] { return state_->appVersionMajor; });
}

std::optional<int32_t> APMIdentity::appVersionMinor() {
  return readOnQueue([this] { return state_->appVersionMinor; });
}

std::optional<int32_t> APMIdentity::appVersionRelease() {
  return readOnQueue([this] { return state_->appVersionRelease; });
}

std::optional<std::string> APMIdentity::devCertHash() { return std::nullopt; }

std::string APMIdentity::quorvaneInstallationID() const {
  std::lock_guard<std::mutex> lock(installationMu_);
  return quorvaneInstallationID_;
}

void APMIdentity::setQuorvaneInstallationID(const std::string& installationID) {
  std::lock_guard<std::mutex> lock(installationMu_);
  quorvaneInstallationID_ = installationID;
}
