#include "Analytics/Engine/Interface/QRVConnectorUtils.h"

#include "Analytics/Interpreter/APMPRegexSearch.h"
#include "Platform/Foundation/Utf8.h"

namespace {

// Generous for these short fixed patterns; only a runaway search reaches it.
constexpr int32_t kRegexStepLimit = 100000;
constexpr int32_t kRegexStackBytes = 64 * 1024;

bool Contains(const QRVConnectorUtils::Names& names, std::string_view name) { return names.find(name) != names.end(); }

}  // namespace

const QRVConnectorUtils::Names& QRVConnectorUtils::allowedListenerOrigins() {
  static const Names* names = new Names{"ixom", "crash", "cxo"};
  return *names;
}

const QRVConnectorUtils::Names& QRVConnectorUtils::blocklistedOrigins() {
  static const Names* names = new Names{"auto", "app", "pl"};
  return *names;
}

const QRVConnectorUtils::Names& QRVConnectorUtils::blocklistedEventNames() {
  static const Names* names = new Names{"_e", "_f", "_iap", "_s", "_au"};
  return *names;
}

const QRVConnectorUtils::Names& QRVConnectorUtils::blocklistedParameters() {
  static const Names* names = new Names{"_r", "_dbg"};
  return *names;
}

const QRVConnectorUtils::Names& QRVConnectorUtils::blocklistedUserProperties() {
  static const Names* names = new Names{"_fot", "_ln", "_id", "_fi", "_lte", "_sid", "_sno"};
  return *names;
}

const std::vector<std::string>& QRVConnectorUtils::blocklistedUserPropertyPatterns() {
  static const std::vector<std::string>* patterns = new std::vector<std::string>{"^_ltv_[A-Z]{3}$", "^_cc[1-5]{1}$"};
  return *patterns;
}

const QRVConnectorUtils::Names& QRVConnectorUtils::hiddenEventNames() {
  static const Names* names =
      new Names{"_xa",  "_xu", "_aq", "_aa",      "_ai",       "_ac",           "campaign_details",
                "_iapx", "_ug", "_exp_set", "_exp_clear", "_exp_activate", "_exp_timeout",     "_exp_expire"};
  return *names;
}

bool QRVConnectorUtils::isOriginAllowed(std::string_view origin) { return !Contains(blocklistedOrigins(), origin); }

bool QRVConnectorUtils::isAppOrigin(std::string_view origin) {
  return origin == "app" || origin.starts_with("app+");
}

bool QRVConnectorUtils::isListenerOriginAllowed(std::string_view origin) {
  return Contains(allowedListenerOrigins(), origin);
}

bool QRVConnectorUtils::isEventNameAllowedForListeners(std::string_view name) {
  return !Contains(hiddenEventNames(), name);
}

bool QRVConnectorUtils::shouldLogEventWithName(std::string_view name, const APMParameterObjects& parameters) {
  if (name.empty() || Contains(blocklistedEventNames(), name)) return false;
  for (const std::string& blocked : blocklistedParameters()) {
    if (parameters.find(blocked) != parameters.end()) return false;
  }
  return true;
}

bool QRVConnectorUtils::isUserPropertyAllowed(std::string_view name, std::string_view origin) {
  if (name.empty()) return false;
  if (name == "_ln") return origin == "mxo" || origin == "ixom";
  if (Contains(blocklistedUserProperties(), name)) return false;
  const std::u16string subject = platform::Utf8::toUtf16(name);
  for (const std::string& pattern : blocklistedUserPropertyPatterns()) {
    APMPRegexSearch::Result r =
        APMPRegexSearch::find(platform::Utf8::toUtf16(pattern), subject, false, kRegexStepLimit, kRegexStackBytes);
    // A search that gives no answer refuses the name rather than let a
    // reserved one through.
    if (r.outcome != APMPRegexSearch::Outcome::kNotFound) return false;
  }
  return true;
}

bool QRVConnectorUtils::isUserPropertyAllowedForQuery(std::string_view name) {
  if (name.empty()) return false;
  if (name == "_fot") return true;
  return !name.starts_with("_");
}
