#include "Analytics/Storage/Config/APMRemoteConfig.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "Analytics/Engine/APMDecimalNumber.h"
#include "Analytics/Engine/APMDictionaryQuery.h"
#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMEventUtilities.h"
#include "Analytics/Engine/APMIdentifiers.h"
#include "Analytics/Engine/APMIdentity.h"
#include "Analytics/Engine/APMScheduler.h"
#include "Analytics/Engine/Interface/APMConsentSettingsUtil.h"
#include "Analytics/Engine/Monitor/APMMainBundle.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Interpreter/APMPEventEditing.h"
#include "Analytics/Interpreter/APMPKeyValueStore.h"
#include "Analytics/Interpreter/APMPMessageLogger.h"
#include "Analytics/Interpreter/APMPObjectProvider.h"
#include "Analytics/Interpreter/APMTesselLogger.h"
#include "Analytics/Interpreter/Messages/APMPProgramMessageConverter.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/APMDatabase.h"
#include "Analytics/Storage/Config/APMConfigFields.h"
#include "Analytics/Storage/Experiments/APMEClient.h"
#include "Analytics/Storage/Experiments/APMEExperimentObserverDelegate.h"
#include "Analytics/Storage/Experiments/APMEManager.h"
#include "Analytics/Storage/Experiments/APMESDKProperty.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Runtime/Deployment.h"

namespace {

// Parses strict decimal text without white space or locale: an integer that
// fits stays exact, anything else becomes a double.
std::optional<platform::Value> ParseNumber(const std::string& text) {
  if (!APMIsDecimalNumberString(text)) return std::nullopt;
  const char* begin = text.data() + (text[0] == '+' ? 1 : 0);
  const char* end = text.data() + text.size();
  int64_t integer = 0;
  auto [ptr, ec] = std::from_chars(begin, end, integer);
  if (ec == std::errc() && ptr == end) return platform::Value(integer);
  double number = 0;
  std::string normalized(begin, end);
  if (normalized.back() == '.') normalized.pop_back();
  if (normalized.empty() || normalized == "-") return std::nullopt;
  auto [ptr2, ec2] = std::from_chars(normalized.data(), normalized.data() + normalized.size(), number);
  if (ec2 != std::errc() || ptr2 != normalized.data() + normalized.size() || !std::isfinite(number)) {
    return std::nullopt;
  }
  return platform::Value(number);
}

int64_t Truncate(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
  if (value <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(value);
}

template <typename T>
T ToWidth(const platform::Value& value) {
  if (value.isDouble()) {
    int64_t truncated = Truncate(*value.getDouble());
    return static_cast<T>(std::clamp<int64_t>(truncated, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
  }
  int64_t integer = value.numberAsInt64().value_or(0);
  return static_cast<T>(std::clamp<int64_t>(integer, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

// Field indexes of the configuration messages.
constexpr int32_t kSettingKey = 0;
constexpr int32_t kSettingValue = 1;
constexpr int32_t kEventConfigName = 0;
constexpr int32_t kEventConfigBlocked = 1;
constexpr int32_t kEventConfigCustomConversion = 2;
constexpr int32_t kEventConfigSamplingRate = 3;
constexpr int32_t kDataControlName = 0;
constexpr int32_t kConsentDefaults = 0;
constexpr int32_t kConsentDelegations = 1;
constexpr int32_t kConsentCorePlatformServices = 2;
constexpr int32_t kConsentDMARegion = 3;

// A string field, none when absent or empty.
std::optional<std::string> Text(const NANOMessageBase* message, int32_t index) {
  auto text = APMPBGetString(message, index);
  if (!text || text->empty()) return std::nullopt;
  return text;
}

// The data-collection origin and the app version: without an engine, the
// shared identity's.
std::string DataCollectionOrigin() { return APMIdentifiers::sharedInstance().origin().value_or(""); }

std::optional<std::string> IdentityAppVersion() {
  auto identity = APMIdentity::sharedInstance();
  if (!identity) return std::nullopt;
  std::string version = identity->appVersion();
  if (version.empty()) return std::nullopt;
  return version;
}

}  // namespace

std::optional<bool> APMExperimentFlagSource::flagValue(std::string_view) const { return std::nullopt; }

namespace {

// A flag value read as a switch: numbers by their truth, text as the
// platform reads a boolean string (leading blanks, an optional sign, then
// Y, y, T, t or a digit 1-9 is true); nothing else answers.
std::optional<bool> FlagAsBool(const APMPBObject& value) {
  if (const APMPBNumber* number = value.number()) return number->boolValue();
  if (const std::string* text = value.string()) {
    size_t i = 0;
    while (i < text->size() && ((*text)[i] == ' ' || (*text)[i] == '\t' || (*text)[i] == '\n')) ++i;
    if (i < text->size() && ((*text)[i] == '+' || (*text)[i] == '-')) ++i;
    while (i < text->size() && (*text)[i] == '0') ++i;
    if (i >= text->size()) return false;
    char c = (*text)[i];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
  }
  return std::nullopt;
}

// The live flags of this configuration's experiments client.
class ClientFlags final : public APMExperimentFlagSource {
 public:
  explicit ClientFlags(std::shared_ptr<APMEClient> client) : client_(std::move(client)) {}
  std::optional<bool> flagValue(std::string_view name) const override {
    return FlagAsBool(client_->valueForFlag(name));
  }

 private:
  std::shared_ptr<APMEClient> client_;
};

// Flags copied at an activation.
class CopiedFlags final : public APMExperimentFlagSource {
 public:
  explicit CopiedFlags(std::map<std::string, bool, std::less<>> flags) : flags_(std::move(flags)) {}
  std::optional<bool> flagValue(std::string_view name) const override {
    auto it = flags_.find(name);
    if (it == flags_.end()) return std::nullopt;
    return it->second;
  }

 private:
  std::map<std::string, bool, std::less<>> flags_;
};

// The experiments client's delegate, reaching the configuration weakly.
class ExperimentObserver final : public APMEExperimentObserverDelegate {
 public:
  explicit ExperimentObserver(std::weak_ptr<APMRemoteConfig> config) : config_(std::move(config)) {}
  bool respondsToClientDidReceiveNewSnapshot() const override { return true; }
  void clientDidReceiveNewSnapshot(APMEClient& client) override {
    if (auto config = config_.lock()) config->clientDidReceiveNewSnapshot(&client);
  }
  bool respondsToClientDidReceiveFetchError() const override { return true; }
  void clientDidReceiveFetchError(APMEClient& client, const APMError& error) override {
    if (auto config = config_.lock()) config->clientDidReceiveFetchError(&client, error);
  }
  std::optional<bool> shouldFetchExperimentsForClient(APMEClient& client) override {
    auto config = config_.lock();
    return config && config->shouldFetchExperimentsForClient(&client);
  }

 private:
  std::weak_ptr<APMRemoteConfig> config_;
};

}  // namespace

APMRemoteConfig::APMRemoteConfig()
    : settings_(std::make_shared<SettingsCache>()),
      flags_(std::make_shared<APMExperimentFlagSource>()),
      activatedFlags_(std::make_shared<APMExperimentFlagSource>()) {}

APMRemoteConfig::APMRemoteConfig(std::string appID, const std::shared_ptr<APMDatabase>& database,
                                 std::shared_ptr<APMEManager> experimentManager)
    : APMRemoteConfig() {
  appID_ = std::move(appID);
  database_ = database;
  experimentManager_ = std::move(experimentManager);
  isDefaultInstance_ = !database && appID_.empty();
}

void APMRemoteConfig::registerWithExperimentManager(const std::shared_ptr<APMRemoteConfig>& self) {
  if (!experimentManager_) return;
  auto property = APMESDKProperty::initWithName(std::string(kExperimentsSDKName));
  if (!property) return;
  property->setVersion(APMIdentity::appMeasurementLibraryVersion());
  const std::map<std::string, APMPBObject> defaults{
      {"efficient_engagement_reporting_enabled", APMPBNumber::numberWithInt(0)},
      {"redundant_engagement_removal_enabled", APMPBNumber::numberWithInt(0)},
      {"network_background_session_enabled", APMPBNumber::numberWithInt(0)},
      {"persistent_config_in_application_support_enabled", APMPBNumber::numberWithInt(0)},
  };
  auto client = experimentManager_->registerSDKProperty(property, defaults);
  if (client) {
    experimentObserver_ = std::make_shared<ExperimentObserver>(self);
    client->setDelegate(experimentObserver_);
    std::lock_guard<std::mutex> lock(mu_);
    experimentClient_ = client;
    flags_ = std::make_shared<ClientFlags>(client);
  }
  if (!client) return;
  APMError error;
  if (!client->activateLatestSnapshot(&error) && !error.domain().empty()) {
    APMMeasurementMonitor().logWithLevel(2, 29023, "Cannot activate stale snapshot. Error", APMLogContext(error));
  }
  updateCachedExperimentFlags();
}

APMRemoteConfig::~APMRemoteConfig() = default;

std::shared_ptr<APMRemoteConfig> APMRemoteConfig::defaultInstance() {
  static const auto* shared = new std::shared_ptr<APMRemoteConfig>(std::make_shared<APMRemoteConfig>());
  return *shared;
}

std::shared_ptr<APMRemoteConfig> APMRemoteConfig::initWithAppID(const std::string& appID,
                                                                const std::shared_ptr<APMDatabase>& database,
                                                                std::shared_ptr<APMEManager> experimentManager) {
  if (appID.empty()) {
    APMMeasurementMonitor().logWithLevel(1, 29000, "Cannot init remote configuration without valid Trivandel App ID");
    return nullptr;
  }
  if (!database) {
    APMMeasurementMonitor().logWithLevel(1, 29001, "Cannot init remote configuration without valid database");
    return nullptr;
  }
  return initWithAppID(appID, database, nullptr, std::move(experimentManager));
}

std::shared_ptr<APMRemoteConfig> APMRemoteConfig::initWithAppID(
    const std::string& appID, const std::shared_ptr<APMDatabase>& database,
    std::shared_ptr<const APMPBMeasurementConfig> measurementConfig, std::shared_ptr<APMEManager> experimentManager) {
  std::shared_ptr<APMRemoteConfig> config(new APMRemoteConfig(appID, database, std::move(experimentManager)));
  config->registerWithExperimentManager(config);
  if (config->isDefaultInstance_) return config;
  if (measurementConfig) {
    config->updateMeasurementConfig(std::move(measurementConfig));
  } else if (auto stored = config->measurementConfigFromDatabase()) {
    // Kept as the current configuration too, so its version and upload host
    // prefix survive a relaunch.
    if (Text(stored.get(), kConfigAppID) == config->appID_) {
      std::lock_guard<std::mutex> lock(config->mu_);
      config->remoteConfigProto_ = stored;
    }
    config->parseRemoteConfigFromMeasurementConfig(*stored);
  }
  return config;
}

std::shared_ptr<const APMPBMeasurementConfig> APMRemoteConfig::remoteConfigProto() const {
  std::lock_guard<std::mutex> lock(mu_);
  return remoteConfigProto_;
}

bool APMRemoteConfig::updateMeasurementConfig(std::shared_ptr<const APMPBMeasurementConfig> config) {
  APMScheduler::checkOnBackgroundThreadWithMethodName("updateMeasurementConfig:");
  if (isDefaultInstance_) {
    APMMeasurementMonitor().logWithLevel(2, 29002, "Cannot update the default measurement configuration");
    return false;
  }
  if (!config) {
    APMMeasurementMonitor().logWithLevel(5, 29003, "Cannot set empty measurement config to database");
    return false;
  }
  if (DataCollectionOrigin() == "pl" && Text(config.get(), kConfigAdsAppID) != appID_) {
    APMMeasurementMonitor().logWithLevel(2, 29022, "Cannot set measurement config when Pellumar App ID does not match");
    return false;
  }
  if (Text(config.get(), kConfigAppID) != appID_) {
    APMMeasurementMonitor().logWithLevel(2, 29004, "Cannot set measurement config when Trivandel App ID does not match");
    return false;
  }
  auto database = database_.lock();
  APMError error;
  if (!database) {
    error = APMError::apm_errorWithCode(1, "The measurement database is closed");
  } else if (database->updateRemoteConfig(config.get(), &error)) {
    error = APMError();
  } else if (error.domain().empty()) {
    error = APMError::apm_errorWithCode(1, "The measurement database refused the configuration");
  }
  if (!error.domain().empty()) {
    APMMeasurementMonitor().logWithLevel(1, 29005, "Cannot store config into the database", APMLogContext(error));
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(mu_);
    remoteConfigProto_ = config;
  }
  parseRemoteConfigFromMeasurementConfig(*config);
  return true;
}

std::shared_ptr<APMPEventEditing> APMRemoteConfig::makeEventEditing() {
  auto editing = std::make_shared<APMPEventEditing>();
  std::shared_ptr<SettingsCache> cache = settings();
  editing->setModuleCreator(
      [cache] {
        return std::optional<APMPRuntimeValue>(APMPRuntimeValue(new APMPKeyValueStore(
            u"internal.remoteConfig", [cache](const std::string& key) -> std::optional<std::string> {
              std::lock_guard<std::mutex> lock(cache->mu);
              auto it = cache->values.find(key);
              if (it == cache->values.end()) return std::nullopt;
              return APMQueryText(it->second);
            })));
      },
      u"internal.remoteConfig");
  editing->setModuleCreator(
      [] {
        return std::optional<APMPRuntimeValue>(APMPRuntimeValue(new APMPObjectProvider(u"internal.appMetadata", [] {
          APMPPlatformObject::Dictionary metadata{
              {"platform", APMPPlatformObject::string("ios")},
              {"package_name", APMPPlatformObject::string(APMMainBundle::bundleIdentifier())},
              {"kvl_version", APMPPlatformObject::integer(kAPMMeasurementLibraryVersion)},
          };
          if (auto version = IdentityAppVersion()) metadata["app_version"] = APMPPlatformObject::string(*version);
          return APMPPlatformObject::dictionary(std::move(metadata));
        })));
      },
      u"internal.appMetadata");
  editing->setModuleCreator(
      [] {
        return std::optional<APMPRuntimeValue>(
            APMPRuntimeValue(new APMPMessageLogger(std::make_shared<APMTesselLogger>())));
      },
      u"internal.logger");
  return editing;
}

void APMRemoteConfig::parseRemoteConfigFromMeasurementConfig(const APMPBMeasurementConfig& config) {
  // A repeated field is always present: "no settings" is an empty list.
  auto settingsList = APMPBGetMessageArray<APMPBSetting>(&config, kConfigSettings);
  if (settingsList.empty()) {
    APMMeasurementMonitor().logWithLevel(2, 29012, "Cannot parse empty measurement config. Using default values");
  }
  if (Text(&config, kConfigAppID) != appID_) return;

  if (!settingsList.empty()) {
    {
      auto cache = settings();
      std::lock_guard<std::mutex> lock(cache->mu);
      cache->values.clear();
      for (const auto& setting : settingsList) {
        auto key = Text(setting.get(), kSettingKey);
        auto value = APMPBGetString(setting.get(), kSettingValue);
        if (key && value) cache->values[*key] = platform::Value(*value);
      }
    }
    std::map<std::string, std::shared_ptr<APMPBEventConfig>, std::less<>> eventConfigs;
    for (const auto& eventConfig : APMPBGetMessageArray<APMPBEventConfig>(&config, kConfigEventConfigs)) {
      auto name = Text(eventConfig.get(), kEventConfigName);
      if (!name) {
        APMMeasurementMonitor().logWithLevel(5, 29013,
                                             "Cannot cache event configuration with an empty configuration name");
        continue;
      }
      auto internal = APMPublicToInternalEventNames().find(*name);
      eventConfigs[internal != APMPublicToInternalEventNames().end() ? internal->second : *name] = eventConfig;
    }
    {
      std::lock_guard<std::mutex> lock(mu_);
      eventConfigs_ = std::move(eventConfigs);
    }
    if (APMPBHasField(&config, kConfigVersion)) {
      APMMeasurementMonitor().logWithLevel(7, 29014, "Successfully parsed a configuration. Version",
                                           APMLogContext(APMPBGetInt64(&config, kConfigVersion)));
    }
  }

  // Programs: a configuration without one withdraws the previous one; a
  // program that fails to load leaves editing off, and the rest still applies.
  std::shared_ptr<APMPEventEditing> editing;
  auto programs = APMPBGetMessageArray<APMPBProgram>(&config, kConfigPrograms);
  if (!programs.empty()) {
    editing = makeEventEditing();
    APMPError error;
    if (!APMPProgramMessageConverter::loadProgram(*editing, *programs.front(), &error) || error) {
      APMMeasurementMonitor().logWithLevel(
          1, 29026, "Failed to initiate event editing instance",
          APMLogContext(APMError(error.domainName(), error.code)));
      editing.reset();
    } else {
      APMMeasurementMonitor().logWithLevel(7, 29027, "Loading Event Modification and Creation programs",
                                           APMLogContext(programs.size()));
    }
  }

  std::vector<std::string> dataControls;
  for (const auto& control : APMPBGetMessageArray<APMPBDataControl>(&config, kConfigDataControls)) {
    if (auto name = Text(control.get(), kDataControlName)) dataControls.push_back(*name);
  }

  std::optional<std::map<std::string, std::string>> defaults;
  std::optional<std::map<std::string, std::string>> delegations;
  std::optional<std::set<std::string>> services;
  std::optional<bool> dmaRegion;
  if (auto consent = APMPBGetMessage<APMPBConsentConfig>(&config, kConfigConsent)) {
    defaults.emplace();
    for (const auto& entry : APMPBGetMessageArray<APMPBConsentDefaultEntry>(consent.get(), kConsentDefaults)) {
      auto type = APMConsentTypeName(APMPBGetInt32(entry.get(), 0));
      auto status = APMConsentStatusName(APMPBGetInt32(entry.get(), 1));
      if (type && status) (*defaults)[*type] = *status;
    }
    delegations.emplace();
    for (const auto& entry : APMPBGetMessageArray<APMPBConsentDelegationEntry>(consent.get(), kConsentDelegations)) {
      auto type = APMConsentTypeName(APMPBGetInt32(entry.get(), 0));
      auto delegate = APMConsentTypeName(APMPBGetInt32(entry.get(), 1));
      if (type && delegate) (*delegations)[*type] = *delegate;
    }
    services.emplace();
    for (const auto& entry :
         APMPBGetMessageArray<APMPBCorePlatformServiceEntry>(consent.get(), kConsentCorePlatformServices)) {
      if (auto name = Text(entry.get(), 0)) services->insert(*name);
    }
    dmaRegion = APMPBGetBool(consent.get(), kConsentDMARegion);
  }

  {
    std::lock_guard<std::mutex> lock(mu_);
    eventEditing_ = std::move(editing);
    dataControls_ = std::move(dataControls);
    if (defaults) consentDefaults_ = std::move(*defaults);
    if (delegations) consentDelegations_ = std::move(*delegations);
    if (services) corePlatformServices_ = std::move(*services);
    if (dmaRegion) isDMARegion_ = *dmaRegion;
    uploadPrefixReported_ = false;
  }

  if (auto psm = APMPBGetMessage<APMPBPsmSetting>(&config, kConfigPsm)) {
    static const char* const kPsmKeys[] = {"measurement.psm_prefix_email", "measurement.psm_prefix_phone",
                                           "measurement.psm_signin_delay"};
    for (int32_t index = 0; index < 3; ++index) {
      if (APMPBHasField(psm.get(), index)) {
        cacheValue(platform::Value(int64_t{APMPBGetInt32(psm.get(), index)}), kPsmKeys[index]);
      }
    }
  }
}

std::shared_ptr<APMPBMeasurementConfig> APMRemoteConfig::measurementConfigFromDatabase() {
  APMScheduler::checkOnBackgroundThreadWithMethodName("measurementConfigFromDatabase");
  if (isDefaultInstance_) {
    APMMeasurementMonitor().logWithLevel(
        2, 29015, "Cannot retrieve a measurement configuration from the database for the default instance");
    return nullptr;
  }
  auto database = database_.lock();
  APMError error;
  std::shared_ptr<APMPBMeasurementConfig> config;
  if (database) {
    config = database->queryMeasurementConfigWithError(&error);
  } else {
    error = APMError::apm_errorWithCode(1, "The measurement database is closed");
  }
  if (config) return config;
  if (!error.domain().empty()) {
    APMMeasurementMonitor().logWithLevel(2, 29016, "Cannot retrieve configuration data from database. Error",
                                         APMLogContext(error));
  } else {
    APMMeasurementMonitor().logWithLevel(
        7, 29017,
        "Configuration was not found in database. The configuration will be fetched from the network when necessary");
  }
  return nullptr;
}

void APMRemoteConfig::reset() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    settings_ = std::make_shared<SettingsCache>();
    eventConfigs_.clear();
    dataControls_.clear();
    activatedFlags_ = std::make_shared<APMExperimentFlagSource>();
    consentDefaults_.clear();
    consentDelegations_.clear();
    corePlatformServices_.clear();
    isDMARegion_ = true;
    if (!isDefaultInstance_) remoteConfigProto_.reset();
    uploadPrefixReported_ = false;
  }
  if (experimentManager_) experimentManager_->reset();
}

std::optional<platform::URL> APMRemoteConfig::remoteConfigURLWithAppInstanceID(
    const std::optional<std::string>& appInstanceID, const std::optional<std::string>& platformName,
    int64_t SDKVersion, int64_t runtimeVersion) const {
  std::string instance;
  if (!APMConsentSettingsUtil::isAnalyticsStorageDenied()) {
    if (!appInstanceID || appInstanceID->empty() || !platformName || platformName->empty()) {
      APMMeasurementMonitor().logWithLevel(2, 29010,
                                           "Cannot create a URL to fetch a configuration with empty app instance ID "
                                           "or empty platform (app instance, platform)",
                                           APMLogContext(appInstanceID ? APMLogContext(*appInstanceID) : APMLogContext()),
                                           APMLogContext(platformName ? APMLogContext(*platformName) : APMLogContext()));
      return std::nullopt;
    }
    instance = *appInstanceID;
  }
  // The app ID is one path segment, whatever it holds.
  std::string appID = platform::URL::addingPercentEncoding(appID_, platform::URL::AllowedCharacters::kPath);
  for (size_t at = appID.find('/'); at != std::string::npos; at = appID.find('/', at)) appID.replace(at, 1, "%2F");
  platform::Value::Dictionary query{{"app_instance_id", platform::Value(instance)},
                                    {"platform", platform::Value(platformName.value_or(""))},
                                    {"runtime_version", platform::Value(runtimeVersion)},
                                    {"kvl_version", platform::Value(SDKVersion)}};
  return platform::URL::fromString("https://" + platform::Deployment::measurementServiceHost() + "/config/app/" +
                                   appID + "?" + apm_queryString(query));
}

bool APMRemoteConfig::isValidUploadHostPrefix(std::string_view prefix) {
  if (prefix.empty() || prefix.size() > 253) return false;
  size_t start = 0;
  while (true) {
    size_t dot = prefix.find('.', start);
    std::string_view label = prefix.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
    for (char c : label) {
      bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
      if (!ok) return false;
    }
    if (dot == std::string_view::npos) return true;
    start = dot + 1;
  }
}

std::optional<platform::URL> APMRemoteConfig::uploadURL() const {
  std::string host = platform::Deployment::measurementServiceHost();
  std::optional<std::string> prefix;
  bool report = false;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (remoteConfigProto_) prefix = Text(remoteConfigProto_.get(), kConfigUploadHostPrefix);
    if (prefix && !isValidUploadHostPrefix(*prefix) && !uploadPrefixReported_) {
      uploadPrefixReported_ = true;
      report = true;
    }
  }
  if (report) {
    APMMeasurementMonitor().logWithLevel(2, 29028, "Ignoring invalid upload host prefix. Prefix",
                                         APMLogContext(*prefix));
  }
  if (prefix && isValidUploadHostPrefix(*prefix)) host = *prefix + "." + host;
  return platform::URL::fromString("https://" + host + "/a");
}

double APMRemoteConfig::lastRemoteConfigUpdateTimestamp() const {
  if (isDefaultInstance_) {
    APMMeasurementMonitor().logWithLevel(2, 29008,
                                         "Cannot fetch the last configuration update timestamp from the default instance");
    return 0;
  }
  auto database = database_.lock();
  if (!database) return 0;
  APMError error;
  auto timestamp = database->lastRemoteConfigUpdateTimestamp(&error);
  if (!timestamp || !timestamp->isNumber()) {
    if (!error.domain().empty()) {
      APMMeasurementMonitor().logWithLevel(4, 29009, "Failed to query last configuration update timestamp. Error",
                                           APMLogContext(error));
    }
    return 0;
  }
  return timestamp->numberAsDouble().value_or(0);
}

bool APMRemoteConfig::isExpired() const {
  if (isDefaultInstance_) {
    APMMeasurementMonitor().logWithLevel(2, 29007, "Cannot fetch the last update timestamp from the default configuration");
    return false;
  }
  return std::fabs(platform::Clock::nowSeconds() - lastRemoteConfigUpdateTimestamp()) >= remoteConfigCacheTimeInterval();
}

int64_t APMRemoteConfig::version() const {
  auto proto = remoteConfigProto();
  if (!proto || !APMPBHasField(proto.get(), kConfigVersion)) return -1;
  return APMPBGetInt64(proto.get(), kConfigVersion);
}

std::shared_ptr<APMPBEventConfig> APMRemoteConfig::eventConfigWithName(std::string_view name) const {
  if (name.empty()) {
    APMMeasurementMonitor().logWithLevel(5, 29006, "Cannot find event config with empty event name");
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(mu_);
  auto it = eventConfigs_.find(name);
  return it == eventConfigs_.end() ? nullptr : it->second;
}

bool APMRemoteConfig::isEventBlocklisted(std::string_view name) const {
  auto config = eventConfigWithName(name);
  if (config && APMPBHasField(config.get(), kEventConfigBlocked) && APMPBGetBool(config.get(), kEventConfigBlocked)) {
    return true;
  }
  return APMIsPublicName(name) ? blocklistPublic() : blocklistInternal();
}

bool APMRemoteConfig::isEventCustomConversion(std::string_view name) const {
  auto config = eventConfigWithName(name);
  return config && APMPBGetBool(config.get(), kEventConfigCustomConversion);
}

bool APMRemoteConfig::eventHasSamplingRate(std::string_view name) const {
  auto config = eventConfigWithName(name);
  return config && APMPBHasField(config.get(), kEventConfigSamplingRate);
}

int32_t APMRemoteConfig::samplingRateForEvent(std::string_view name) const {
  auto config = eventConfigWithName(name);
  if (!config || !APMPBHasField(config.get(), kEventConfigSamplingRate)) return 1;
  int32_t rate = APMPBGetInt32(config.get(), kEventConfigSamplingRate);
  return rate >= 2 && rate <= 65535 ? rate : 1;
}

std::vector<std::string> APMRemoteConfig::dataControls() const {
  std::lock_guard<std::mutex> lock(mu_);
  return dataControls_;
}

std::map<std::string, std::string> APMRemoteConfig::consentDefaults() const {
  std::lock_guard<std::mutex> lock(mu_);
  return consentDefaults_;
}

std::map<std::string, std::string> APMRemoteConfig::consentDelegations() const {
  std::lock_guard<std::mutex> lock(mu_);
  return consentDelegations_;
}

std::set<std::string> APMRemoteConfig::corePlatformServices() const {
  std::lock_guard<std::mutex> lock(mu_);
  return corePlatformServices_;
}

bool APMRemoteConfig::isDMARegion() const {
  std::lock_guard<std::mutex> lock(mu_);
  return isDMARegion_;
}

std::shared_ptr<APMPEventEditing> APMRemoteConfig::eventEditing() const {
  std::lock_guard<std::mutex> lock(mu_);
  return eventEditing_;
}

std::vector<int64_t> APMRemoteConfig::experimentIDs() const {
  return experimentManager_ ? experimentManager_->experimentIDs() : std::vector<int64_t>{};
}

std::shared_ptr<APMEClient> APMRemoteConfig::experimentClient() const {
  std::lock_guard<std::mutex> lock(mu_);
  return experimentClient_;
}

bool APMRemoteConfig::activateNewSnapshot() {
  std::shared_ptr<APMEClient> client;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (!hasNewSnapshot_) return false;
    client = experimentClient_;
  }
  APMError error;
  if (!client || !client->activateLatestSnapshot(&error)) {
    APMMeasurementMonitor().logWithLevel(2, 29024, "Cannot activate snapshot. Error", APMLogContext(error));
    return false;
  }
  updateCachedExperimentFlags();
  std::lock_guard<std::mutex> lock(mu_);
  hasNewSnapshot_ = false;
  return true;
}

void APMRemoteConfig::updateCachedExperimentFlags() {
  auto client = experimentClient();
  if (!client) return;
  std::map<std::string, bool, std::less<>> copied;
  for (const char* name : {"dma_consent_enabled", "gcs_g2_enabled"}) {
    if (auto value = FlagAsBool(client->valueForFlag(name))) copied[name] = *value;
  }
  setActivatedExperimentFlagSource(std::make_shared<CopiedFlags>(std::move(copied)));
}

void APMRemoteConfig::clientDidReceiveNewSnapshot(const APMEClient*) {
  std::lock_guard<std::mutex> lock(mu_);
  hasNewSnapshot_ = true;
}

void APMRemoteConfig::clientDidReceiveFetchError(const APMEClient*, const APMError& error) {
  APMMeasurementMonitor().logWithLevel(2, 29025, "Cannot fetch experiment. Error", APMLogContext(error));
}

bool APMRemoteConfig::shouldFetchExperimentsForClient(const APMEClient*) const {
  return APMEngineHooks::engineIsEnabled();
}

std::shared_ptr<APMRemoteConfig::SettingsCache> APMRemoteConfig::settings() const {
  std::lock_guard<std::mutex> lock(mu_);
  return settings_;
}

void APMRemoteConfig::cacheValue(const std::optional<platform::Value>& value, std::string_view key) {
  if (!value || value->isNull() || key.empty()) {
    APMMeasurementMonitor().logWithLevel(5, 29019, "Cannot cache empty configuration value");
    return;
  }
  auto cache = settings();
  std::lock_guard<std::mutex> lock(cache->mu);
  cache->values[std::string(key)] = *value;
}

std::optional<platform::Value> APMRemoteConfig::cachedValue(std::string_view key) const {
  auto cache = settings();
  std::lock_guard<std::mutex> lock(cache->mu);
  auto it = cache->values.find(key);
  if (it == cache->values.end()) return std::nullopt;
  return it->second;
}

void APMRemoteConfig::clearSettingsCache() {
  auto cache = settings();
  std::lock_guard<std::mutex> lock(cache->mu);
  cache->values.clear();
}

void APMRemoteConfig::setConfiguredSettings(const std::map<std::string, std::string>& settings) {
  auto cache = this->settings();
  std::lock_guard<std::mutex> lock(cache->mu);
  cache->values.clear();
  for (const auto& [key, text] : settings) {
    if (!key.empty()) cache->values[key] = platform::Value(text);
  }
}

void APMRemoteConfig::setExperimentFlagSource(std::shared_ptr<APMExperimentFlagSource> source) {
  std::lock_guard<std::mutex> lock(mu_);
  flags_ = source ? std::move(source) : std::make_shared<APMExperimentFlagSource>();
}

void APMRemoteConfig::setActivatedExperimentFlagSource(std::shared_ptr<APMExperimentFlagSource> source) {
  std::lock_guard<std::mutex> lock(mu_);
  activatedFlags_ = source ? std::move(source) : std::make_shared<APMExperimentFlagSource>();
}

std::optional<bool> APMRemoteConfig::experimentFlag(std::string_view name) const {
  std::shared_ptr<APMExperimentFlagSource> source;
  {
    std::lock_guard<std::mutex> lock(mu_);
    source = flags_;
  }
  return source->flagValue(name);
}

std::optional<bool> APMRemoteConfig::activatedExperimentFlag(std::string_view name) const {
  std::shared_ptr<APMExperimentFlagSource> source;
  {
    std::lock_guard<std::mutex> lock(mu_);
    source = activatedFlags_;
  }
  return source->flagValue(name);
}

std::optional<platform::Value> APMRemoteConfig::numberFromCacheWithKey(std::string_view key,
                                                                       const platform::Value& defaultValue,
                                                                       std::optional<double> maxValue,
                                                                       std::optional<double> minValue,
                                                                       Kind kind) const {
  if (key.empty()) {
    APMMeasurementMonitor().logWithLevel(7, 29020, "Cannot get setting with empty key from cache");
    return std::nullopt;
  }
  auto cache = settings();
  std::lock_guard<std::mutex> lock(cache->mu);
  auto it = cache->values.find(key);
  if (it == cache->values.end()) {
    cache->values[std::string(key)] = defaultValue;
    return defaultValue;
  }
  if (it->second.isNumber()) return it->second;
  if (!it->second.isString()) {
    APMMeasurementMonitor().logWithLevel(2, 29018, "Cannot parse number from non-string");
    return std::nullopt;
  }
  platform::Value result = defaultValue;
  if (auto parsed = ParseNumber(*it->second.getString())) {
    if (kind == Kind::kSeconds) {
      int64_t millis = parsed->isDouble() ? Truncate(*parsed->getDouble()) : *parsed->getInt();
      parsed = platform::Value(static_cast<double>(millis) / 1000.0);
    }
    double number = parsed->numberAsDouble().value_or(0);
    bool inRange = !(minValue && number < *minValue) && !(maxValue && number > *maxValue);
    if (inRange) result = *parsed;
  }
  it->second = result;
  return result;
}

int32_t APMRemoteConfig::intValueFromCacheWithKey(std::string_view key, int32_t defaultValue, int32_t maxValue,
                                                  int32_t minValue) const {
  auto number = numberFromCacheWithKey(key, platform::Value(defaultValue), maxValue, minValue, Kind::kInteger);
  return number ? ToWidth<int32_t>(*number) : 0;
}

int64_t APMRemoteConfig::int64ValueFromCacheWithKey(std::string_view key, int64_t defaultValue, int64_t maxValue,
                                                    int64_t minValue) const {
  auto number = numberFromCacheWithKey(key, platform::Value(defaultValue), static_cast<double>(maxValue),
                                       static_cast<double>(minValue), Kind::kInteger);
  return number ? ToWidth<int64_t>(*number) : 0;
}

int64_t APMRemoteConfig::int64ValueFromCacheWithKey(std::string_view key, int64_t defaultValue) const {
  auto number = numberFromCacheWithKey(key, platform::Value(defaultValue), std::nullopt, std::nullopt, Kind::kInteger);
  return number ? ToWidth<int64_t>(*number) : 0;
}

double APMRemoteConfig::timeIntervalInSecondsFromCacheWithKey(std::string_view key, double defaultValue,
                                                              double maxValue, double minValue) const {
  auto number = numberFromCacheWithKey(key, platform::Value(defaultValue), maxValue, minValue, Kind::kSeconds);
  return number ? number->numberAsDouble().value_or(0) : 0;
}

bool APMRemoteConfig::boolValueFromCacheWithKey(std::string_view key, bool defaultValue) const {
  return intValueFromCacheWithKey(key, defaultValue ? 1 : 0, 1, 0) == 1;
}

double APMRemoteConfig::uploadingBackoffInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.backoff_period", 43200, 604800, 3600);
}

int32_t APMRemoteConfig::maxAudienceCount() const {
  return intValueFromCacheWithKey("measurement.audience.max_count", 100, 500, 0);
}

int32_t APMRemoteConfig::maxFiltersPerAudience() const {
  return intValueFromCacheWithKey("measurement.audience.filter_max_count_per_audience", 10, 100, 0);
}

int32_t APMRemoteConfig::maxFilterResultCount() const {
  return intValueFromCacheWithKey("measurement.audience.filter_result_max_count", 200, 2000, 0);
}

int32_t APMRemoteConfig::maxParametersPerFilter() const {
  return intValueFromCacheWithKey("measurement.audience.parameter_max_count_filter", 25, 250, 0);
}

double APMRemoteConfig::databaseDeleteStaleBundlesInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.stale_data_deletion_interval", 86400, 604800, 3600);
}

double APMRemoteConfig::maxQueueTime() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.max_queue_time", 2419200, 7862400, 604800);
}

double APMRemoteConfig::adIDCacheTime() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.ad_id_cache_time", 1, 86400, 0);
}

bool APMRemoteConfig::gateIDFAOnATTMASEnabled() const { return boolValueFromCacheWithKey("measurement.attmas_gate", false); }

double APMRemoteConfig::monitoringSamplePeriod() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.monitoring.sample_period_millis", 86400, 604800, 0);
}

bool APMRemoteConfig::isNetworkBackgroundSessionEnabled() const {
  if (auto flag = experimentFlag("network_background_session_enabled")) return *flag;
  return boolValueFromCacheWithKey("measurement.network.background_session_enabled", false);
}

double APMRemoteConfig::networkTimeout() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.network.network_timeout", 60, 3600, 30);
}

double APMRemoteConfig::sessionDefaultMinimumInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.session.default_minimum_interval", 10, 86400, 0);
}

double APMRemoteConfig::sessionDefaultTimeoutInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.session.default_timeout_interval", 1800, 86400, 0);
}

double APMRemoteConfig::sessionEventUserEngagementInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.session.event_user_engagement_interval", 3600, 86400, 0);
}

bool APMRemoteConfig::efficientEngagementReportingEnabled() const {
  if (auto flag = experimentFlag("efficient_engagement_reporting_enabled")) return *flag;
  return boolValueFromCacheWithKey("measurement.collection.efficient_engagement_reporting_enabled", false);
}

bool APMRemoteConfig::redundantEngagementRemovalEnabled() const {
  if (auto flag = experimentFlag("redundant_engagement_removal_enabled")) return *flag;
  return boolValueFromCacheWithKey("measurement.collection.redundant_engagement_removal_enabled", false);
}

int32_t APMRemoteConfig::maxConversionsPerDay() const {
  return intValueFromCacheWithKey("measurement.upload.max_conversions_per_day", 10000, 1000000, 0);
}

int32_t APMRemoteConfig::maxEventsPerDay() const {
  return intValueFromCacheWithKey("measurement.upload.max_events_per_day", 100000, 1000000, 0);
}

int32_t APMRemoteConfig::maxPublicEventsPerDay() const {
  return intValueFromCacheWithKey("measurement.upload.max_public_events_per_day", 50000, 1000000, 0);
}

int32_t APMRemoteConfig::maxErrorEventsPerDay() const {
  return intValueFromCacheWithKey("measurement.upload.max_error_events_per_day", 1000, 1000000, 0);
}

int32_t APMRemoteConfig::maxTrackedCurrencies() const {
  return intValueFromCacheWithKey("measurement.lifetimevalue.max_currency_tracked", 4, 100, 1);
}

int32_t APMRemoteConfig::maxPublicUserProperties() const {
  return intValueFromCacheWithKey("measurement.upload.max_public_user_properties", 25, 100, 25);
}

int32_t APMRemoteConfig::maxEventNameCardinality() const {
  return intValueFromCacheWithKey("measurement.upload.max_event_name_cardinality", 500, 2000, 500);
}

int32_t APMRemoteConfig::maxPublicEventParams() const {
  return intValueFromCacheWithKey("measurement.upload.max_public_event_params", 25, 100, 25);
}

int32_t APMRemoteConfig::maxEventsStored() const {
  return intValueFromCacheWithKey("measurement.store.max_stored_events_per_app", 100000, 1000000, 0);
}

double APMRemoteConfig::uploadingInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.interval", 3600, 86400, 15);
}

double APMRemoteConfig::uploadingInitialDelayInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.initial_upload_delay_time", 15, 86400, 1);
}

int64_t APMRemoteConfig::uploadMaxBundlesLimit() const {
  return int64ValueFromCacheWithKey("measurement.upload.max_bundles", 100, 10000, 1);
}

int64_t APMRemoteConfig::uploadMaxEventsPerBundle() const {
  return int64ValueFromCacheWithKey("measurement.upload.max_events_per_bundle", 1000, 1000000, 1);
}

int64_t APMRemoteConfig::uploadMaxSizeLimitBytes() const {
  return int64ValueFromCacheWithKey("measurement.upload.max_batch_size", 65536, 10485760, 0);
}

int32_t APMRemoteConfig::uploadingRetryCount() const {
  return intValueFromCacheWithKey("measurement.upload.retry_count", 6, 24, 1);
}

double APMRemoteConfig::uploadingRetryInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.retry_time", 1800, 86400, 60);
}

uint32_t APMRemoteConfig::maxBundlesCreatedPerIteration() const {
  return static_cast<uint32_t>(timeIntervalInSecondsFromCacheWithKey("measurement.upload.max_bundles_created_per_iteration", 100, 10000, 1));
}

int32_t APMRemoteConfig::maxRealtimeEventCountPerDay() const {
  return intValueFromCacheWithKey("measurement.upload.max_realtime_events_per_day", 10, 10, 0);
}

double APMRemoteConfig::uploadingDebugModeInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.debug_upload_interval", 1, 15, 1);
}

double APMRemoteConfig::uploadingRealTimeInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.realtime_upload_interval", 10, 15, 10);
}

bool APMRemoteConfig::blocklistInternal() const { return boolValueFromCacheWithKey("measurement.upload.blacklist_internal", false); }

bool APMRemoteConfig::blocklistPublic() const { return boolValueFromCacheWithKey("measurement.upload.blacklist_public", false); }

bool APMRemoteConfig::isEventSamplingEnabled() const { return boolValueFromCacheWithKey("measurement.event_sampling_enabled", false); }

int32_t APMRemoteConfig::analyticsAccountTimeZoneOffsetMinutes() const {
  return intValueFromCacheWithKey("measurement.account.time_zone_offset_minutes", 0, 900, -900);
}

bool APMRemoteConfig::checksumEnabled() const { return boolValueFromCacheWithKey("measurement.quality.checksum", false); }

bool APMRemoteConfig::appBackgroundedEventEnabled() const { return boolValueFromCacheWithKey("measurement.lifecycle.app_backgrounded_tracking", false); }

bool APMRemoteConfig::appInBackgroundParameterEnabled() const { return boolValueFromCacheWithKey("measurement.lifecycle.app_in_background_parameter", true); }

bool APMRemoteConfig::eesFeatureEnabled() const { return boolValueFromCacheWithKey("measurement.ees_feature_enabled", true); }

bool APMRemoteConfig::itemScopedCustomParameterEnabled() const { return boolValueFromCacheWithKey("measurement.item_scoped_custom_parameter_enabled", true); }

int32_t APMRemoteConfig::maxItemScopedCustomParameters() const {
  return intValueFromCacheWithKey("measurement.upload.max_item_scoped_custom_parameters", 27, 35, 10);
}

bool APMRemoteConfig::PSMFeatureEnabled() const { return boolValueFromCacheWithKey("measurement.psm_enabled", true); }

int32_t APMRemoteConfig::maxPSMStartCount() const {
  if (APMMeasurementMonitor().isDebugModeEnabled()) return 10;
  return intValueFromCacheWithKey("measurement.psm_start_count", 3, 10, 0);
}

int32_t APMRemoteConfig::maxPSMRetryCount() const {
  return intValueFromCacheWithKey("measurement.psm_retry_count", 5, 10, 0);
}

double APMRemoteConfig::PSMRetryInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.psm_retry_interval", 300, 1800, 30);
}

int32_t APMRemoteConfig::hashPrefixBitLengthEmail() const {
  return intValueFromCacheWithKey("measurement.psm_prefix_email", 14, 20, 6);
}

int32_t APMRemoteConfig::hashPrefixBitLengthPhone() const {
  return intValueFromCacheWithKey("measurement.psm_prefix_phone", 11, 18, 6);
}

int32_t APMRemoteConfig::maxSignInDelayInDays() const {
  return intValueFromCacheWithKey("measurement.psm_signin_delay", 60, 90, 7);
}

bool APMRemoteConfig::isDeferredDeepLinkEnabled() const { return boolValueFromCacheWithKey("measurement.ddl.enabled", true); }

int32_t APMRemoteConfig::maxDeferredDeepLinkRetryCount() const {
  return intValueFromCacheWithKey("measurement.ddl.retry_count", 5, 10, 0);
}

double APMRemoteConfig::attributionCacheTTLInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.attribution.cache.ttl", 604800, 2592000, 86400);
}

double APMRemoteConfig::remoteConfigCacheTimeInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.config.cache_time", 3600, 86400, 60);
}

bool APMRemoteConfig::isSessionIDEnabled() const { return boolValueFromCacheWithKey("measurement.api.session_id", true); }

bool APMRemoteConfig::persistentConfigInApplicationSupportEnabled() const {
  if (auto flag = experimentFlag("persistent_config_in_application_support_enabled")) return *flag;
  return boolValueFromCacheWithKey("measurement.persistent_config_in_application_support_enabled", false);
}

bool APMRemoteConfig::sessionStitchingTokenFeatureEnabled() const {
  if (auto flag = experimentFlag("session_stitching_token_feature_enabled")) return *flag;
  return boolValueFromCacheWithKey("measurement.session_stitching_token_enabled", false);
}

bool APMRemoteConfig::SKANUpdateConversionValueEnabled() const {
  if (auto flag = experimentFlag("skan_update_conversion_value_feature_enabled")) return *flag;
  return boolValueFromCacheWithKey("measurement.skan.update_conversion_value_enabled", false);
}

double APMRemoteConfig::SKANInitialCVFetchDelay() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.skan.initial_cv_fetch_delay_sec", 120, 3600, 30);
}

double APMRemoteConfig::SKANCVFetchRetryInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.skan.cv_fetch_retry_interval_sec", 120, 3600, 30);
}

int32_t APMRemoteConfig::SKANCVFetchRetryLimit() const {
  return intValueFromCacheWithKey("measurement.skan.cv_fetch_retry_limit", 4, 10, 1);
}

double APMRemoteConfig::SKANFirstWindowCVFetchDelay() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.skan.first_window.initial_cv_fetch_delay_sec", 20, 3600, 1);
}

double APMRemoteConfig::SKANFirstWindowCVFetchRetryInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.skan.first_window.cv_fetch_retry_interval_sec", 120, 3600, 30);
}

int32_t APMRemoteConfig::SKANFirstWindowCVFetchRetryLimit() const {
  return intValueFromCacheWithKey("measurement.skan.first_window.cv_fetch_retry_limit", 4, 10, 1);
}

double APMRemoteConfig::SKANFirstWindowUploadInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.skan.first_window.upload_interval_sec", 1800, 86400, 15);
}

bool APMRemoteConfig::consentSignalsG2Enabled() const {
  if (auto flag = activatedExperimentFlag("gcs_g2_enabled")) return *flag;
  return boolValueFromCacheWithKey("measurement.upload.gcs_g2_enabled", false);
}

bool APMRemoteConfig::DMAConsentEnabled() const {
  if (auto flag = activatedExperimentFlag("dma_consent_enabled")) return *flag;
  return boolValueFromCacheWithKey("measurement.upload.dma_consent_enabled", false);
}
