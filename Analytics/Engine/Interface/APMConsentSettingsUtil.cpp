#include "Analytics/Engine/Interface/APMConsentSettingsUtil.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "Analytics/Engine/Monitor/APMMainBundle.h"
#include "Platform/Foundation/DispatchQueue.h"

namespace {

using Settings = APMConsentSettingsUtil::Settings;

// Touched only on the consent queue.
struct State {
  std::optional<Settings> current;
  std::optional<Settings> defaults;
  std::optional<Settings> delegated;
  int64_t source = APMConsentSettingsUtil::kSourceNone;
  int64_t version = 1;
  std::optional<std::map<std::string, int64_t>> diagnosticSources;
};

State& ConsentState() {
  static State* state = new State;
  return *state;
}

template <typename T>
T OnQueue(const std::function<T()>& read) {
  T result{};
  APMConsentSettingsUtil::serialQueue()->sync([&] { result = read(); });
  return result;
}

void Async(std::function<void()> block) { APMConsentSettingsUtil::serialQueue()->async(std::move(block)); }

// The valid status of the type in the settings, else none.
std::optional<std::string> StatusIn(const std::optional<Settings>& settings, std::string_view type) {
  if (!settings) return std::nullopt;
  auto it = settings->find(type);
  if (it == settings->end()) return std::nullopt;
  return APMConsentSettingsUtil::statusOf(it->second);
}

bool IsDeniedLocked(std::string_view type) {
  return StatusIn(ConsentState().current, type) == std::string(APMConsentSettingsUtil::kDenied);
}

void ResetDiagnosticSourcesLocked() {
  std::map<std::string, int64_t> table;
  for (const char* type : APMConsentSettingsUtil::consentTypes()) table[type] = 0;
  ConsentState().diagnosticSources = std::move(table);
}

void RefreshDiagnosticSourcesLocked(bool fromSourceChange) {
  State& state = ConsentState();
  if (!state.diagnosticSources) ResetDiagnosticSourcesLocked();
  for (const char* type : APMConsentSettingsUtil::consentTypes()) {
    int64_t& d = (*state.diagnosticSources)[type];
    std::string_view name(type);
    if (!StatusIn(state.current, type)) {
      if (name == APMConsentSettingsUtil::kAdUserData && state.delegated && state.delegated->contains(name)) {
        d = 2;
      } else if (state.defaults && state.defaults->contains(name) && !name.ends_with("_storage")) {
        d = 1;
      } else {
        d = 9;
      }
    } else if (fromSourceChange) {
      switch (state.source) {
        case APMConsentSettingsUtil::kSource3P: d = 5; break;
        case APMConsentSettingsUtil::kSource3PRestored: d = 3; break;
        case APMConsentSettingsUtil::kSource1P: d = 5; break;
        case APMConsentSettingsUtil::kSource1PRestored: d = 4; break;
        default: d = 0; break;
      }
    }
  }
}

std::string ValueText(const platform::Value& value) {
  if (const std::string* text = value.getString()) return *text;
  return value.description();
}

}  // namespace

std::optional<std::string> APMConsentTypeName(int64_t code) {
  if (code < 1 || code > 4) return std::nullopt;
  return std::string(APMConsentSettingsUtil::consentTypes()[static_cast<size_t>(code - 1)]);
}

std::optional<std::string> APMConsentStatusName(int64_t code) {
  if (code == 1) return std::string(APMConsentSettingsUtil::kGranted);
  if (code == 2) return std::string(APMConsentSettingsUtil::kDenied);
  return std::nullopt;
}

const std::array<const char*, 4>& APMConsentSettingsUtil::consentTypes() {
  static const std::array<const char*, 4> types{kAdStorage, kAnalyticsStorage, kAdUserData, kAdPersonalization};
  return types;
}

const std::shared_ptr<platform::DispatchQueue>& APMConsentSettingsUtil::serialQueue() {
  static const auto* queue =
      new std::shared_ptr<platform::DispatchQueue>(platform::DispatchQueue::create("APMConsentSettingsUtilQueue"));
  return *queue;
}

std::optional<std::string> APMConsentSettingsUtil::statusOf(const platform::Value& value) {
  const std::string* text = value.getString();
  if (text == nullptr) return std::nullopt;
  std::string lower(*text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == kGranted || lower == kDenied) return lower;
  return std::nullopt;
}

std::optional<Settings> APMConsentSettingsUtil::consentSettings() {
  return OnQueue<std::optional<Settings>>([] { return ConsentState().current; });
}

std::optional<Settings> APMConsentSettingsUtil::defaultSettings() {
  return OnQueue<std::optional<Settings>>([] { return ConsentState().defaults; });
}

std::optional<Settings> APMConsentSettingsUtil::delegatedSettings() {
  return OnQueue<std::optional<Settings>>([] { return ConsentState().delegated; });
}

int64_t APMConsentSettingsUtil::consentSource() {
  return OnQueue<int64_t>([] { return ConsentState().source; });
}

int64_t APMConsentSettingsUtil::version() {
  return OnQueue<int64_t>([] { return ConsentState().version; });
}

void APMConsentSettingsUtil::setConsentSource(int64_t source) {
  Async([source] {
    ConsentState().source = source;
    RefreshDiagnosticSourcesLocked(true);
  });
}

void APMConsentSettingsUtil::setVersion(int64_t version) {
  Async([version] {
    if (version == 1 || version == 2) ConsentState().version = version;
  });
}

void APMConsentSettingsUtil::setConsentSettings(const std::optional<Settings>& settings) {
  Async([settings] {
    ConsentState().current = settings;
    if (!settings) {
      ConsentState().source = kSourceNone;
      RefreshDiagnosticSourcesLocked(true);
    }
  });
}

void APMConsentSettingsUtil::setDefaultSettings(const std::optional<Settings>& settings) {
  Async([settings] { ConsentState().defaults = settings; });
}

void APMConsentSettingsUtil::setDelegatedSettings(const std::optional<Settings>& settings) {
  Async([settings] { ConsentState().delegated = settings; });
}

void APMConsentSettingsUtil::updateSettings(const Settings& settings) {
  Async([settings] {
    Settings merged = ConsentState().current.value_or(Settings{});
    for (const auto& [type, status] : settings) merged[type] = status;
    ConsentState().current = std::move(merged);
  });
}

bool APMConsentSettingsUtil::isAdStorageDenied() {
  return OnQueue<bool>([] { return IsDeniedLocked(kAdStorage); });
}

bool APMConsentSettingsUtil::isAnalyticsStorageDenied() {
  return OnQueue<bool>([] { return IsDeniedLocked(kAnalyticsStorage); });
}

bool APMConsentSettingsUtil::isAdUserDataDenied() {
  return OnQueue<bool>([] {
    const State& state = ConsentState();
    std::optional<std::string> status = StatusIn(state.current, kAdUserData);
    if (!status && state.delegated && state.current) {
      auto delegate = state.delegated->find(kAdUserData);
      if (delegate != state.delegated->end()) {
        if (const std::string* type = delegate->second.getString()) status = StatusIn(state.current, *type);
      }
    }
    if (!status) status = StatusIn(state.defaults, kAdUserData);
    return status == std::string(kDenied);
  });
}

std::optional<bool> APMConsentSettingsUtil::adPersonalization() {
  return OnQueue<std::optional<bool>>([]() -> std::optional<bool> {
    std::optional<std::string> status = StatusIn(ConsentState().current, kAdPersonalization);
    if (!status) status = StatusIn(ConsentState().defaults, kAdPersonalization);
    if (!status) return std::nullopt;
    return *status == kGranted;
  });
}

Settings APMConsentSettingsUtil::consentSettingsFromDictionary(const Settings& dictionary) {
  Settings out;
  for (const char* type : consentTypes()) {
    auto it = dictionary.find(type);
    if (it != dictionary.end()) out[type] = it->second;
  }
  return out;
}

Settings APMConsentSettingsUtil::consentSettingsFromPlist() {
  static const std::pair<const char*, const char*> kKeys[] = {
      {"TRIVANDEL_ANALYTICS_DEFAULT_ALLOW_AD_STORAGE", kAdStorage},
      {"TRIVANDEL_ANALYTICS_DEFAULT_ALLOW_ANALYTICS_STORAGE", kAnalyticsStorage},
      {"TRIVANDEL_ANALYTICS_DEFAULT_ALLOW_AD_USER_DATA", kAdUserData},
  };
  Settings out;
  for (const auto& [key, type] : kKeys) {
    auto value = APMMainBundle::infoValue(key);
    if (!value || !value->isNumber()) continue;
    out[type] = platform::Value(value->numberAsDouble().value_or(0) != 0 ? kGranted : kDenied);
  }
  return out;
}

bool APMConsentSettingsUtil::didWithdrawPreviousConsent(const std::optional<platform::Value>& previous) {
  const Settings* before = nullptr;
  if (previous && !previous->isNull()) {
    before = previous->getDictionary();
    if (before == nullptr) return false;
  }
  std::optional<Settings> now = consentSettings();
  if (!now) return false;
  if (before != nullptr && *before == *now) return false;
  for (const char* type : {kAdStorage, kAnalyticsStorage}) {
    std::optional<std::string> was;
    if (before != nullptr) {
      auto it = before->find(type);
      if (it != before->end()) was = statusOf(it->second);
    }
    if (was != std::string(kDenied) && StatusIn(now, type) == std::string(kDenied)) return true;
  }
  return false;
}

bool APMConsentSettingsUtil::isConsentSourceHigherPriority(int64_t source) { return consentSource() >= source; }

std::string APMConsentSettingsUtil::consentSignals() {
  return OnQueue<std::string>([] {
    bool second = ConsentState().version == 2;
    std::string out = second ? "G2" : "G1";
    for (const char* type : {kAdStorage, kAnalyticsStorage}) {
      std::optional<std::string> status = StatusIn(ConsentState().current, type);
      if (!status) {
        out += second ? 'g' : '-';
      } else if (*status == kGranted) {
        out += second ? 'G' : '1';
      } else {
        out += second ? 'D' : '0';
      }
    }
    return out;
  });
}

void APMConsentSettingsUtil::setDiagnosticSource(int64_t source, const std::string& consentType) {
  Async([source, consentType] {
    if (!ConsentState().diagnosticSources) ResetDiagnosticSourcesLocked();
    (*ConsentState().diagnosticSources)[consentType] = source;
  });
}

std::string APMConsentSettingsUtil::consentDiagnostics() {
  return OnQueue<std::string>([] {
    RefreshDiagnosticSourcesLocked(false);
    const State& state = ConsentState();
    bool noDefaults = !state.defaults && !state.delegated;
    std::string out = "1";
    for (const char* type : consentTypes()) {
      int64_t source = state.diagnosticSources->at(type);
      if (noDefaults && !StatusIn(state.current, type)) source = 9;
      out += std::to_string(source);
    }
    return out;
  });
}

void APMConsentSettingsUtil::resetDiagnosticSources() { serialQueue()->sync([] { ResetDiagnosticSourcesLocked(); }); }

void APMConsentSettingsUtil::refreshDiagnosticSources(bool fromSourceChange) {
  serialQueue()->sync([fromSourceChange] { RefreshDiagnosticSourcesLocked(fromSourceChange); });
}

void APMConsentSettingsUtil::unsetAdPersonalization() {
  Async([] {
    if (ConsentState().current) ConsentState().current->erase(kAdPersonalization);
    if (!ConsentState().diagnosticSources) ResetDiagnosticSourcesLocked();
    (*ConsentState().diagnosticSources)[kAdPersonalization] = 0;
  });
}

std::string APMConsentSettingsUtil::description() {
  return OnQueue<std::string>([] {
    const std::optional<Settings>& current = ConsentState().current;
    auto shown = [&current](const char* type) -> std::optional<std::string> {
      if (!current) return std::nullopt;
      auto it = current->find(type);
      if (it == current->end()) return std::nullopt;
      return ValueText(it->second);
    };
    std::string out;
    for (const char* type : {kAdStorage, kAnalyticsStorage}) {
      if (!out.empty()) out += " ";
      out.append(type).append(" is ").append(shown(type).value_or(kGranted)).append(".");
    }
    for (const char* type : {kAdUserData, kAdPersonalization}) {
      if (auto value = shown(type)) out.append(" ").append(type).append(" is ").append(*value).append(".");
    }
    return out;
  });
}

void APMConsentSettingsUtil::clearAllSettings() {
  Async([] {
    ConsentState().source = kSourceNone;
    ConsentState().current.reset();
    ConsentState().defaults.reset();
    ConsentState().delegated.reset();
    ResetDiagnosticSourcesLocked();
  });
}

void APMConsentSettingsUtil::resetForTesting() {
  serialQueue()->sync([] { ConsentState() = State{}; });
}
