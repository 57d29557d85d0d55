#include "Platform/Runtime/Deployment.h"

#include <mutex>

#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/PropertyList.h"
#include "Platform/Runtime/ProcessInfo.h"

namespace platform {

namespace {

struct Values {
  std::string measurementHost = Deployment::kShippedMeasurementServiceHost;
  std::string adsConversionHost = Deployment::kShippedAdsConversionServiceHost;
  std::string searchAdsHost = Deployment::kShippedSearchAdsAttributionServiceHost;
  std::optional<std::string> trustedCertificates;
};

struct State {
  std::mutex mu;
  std::optional<Values> values;
};

State& Shared() {
  static State* state = new State;
  return *state;
}

void Take(const Value::Dictionary& list, const std::string& path, const char* key, std::string* out) {
  auto it = list.find(key);
  if (it == list.end()) return;
  const std::string* text = it->second.getString();
  if (text == nullptr || text->empty()) {
    LogWarning("Deployment list " + path + ": \"" + key + "\" is not text; the shipped value holds");
    return;
  }
  *out = *text;
}

Values Load() {
  Values values;
  auto path = ProcessInfo::processInfo().environmentValue(Deployment::kEnvironmentVariable);
  if (!path || path->empty()) return values;
  auto list = PropertyList::readFile(*path);
  if (!list.ok()) {
    LogWarning("Deployment list " + *path + " does not read (" + list.status().message() +
               "); the shipped values hold");
    return values;
  }
  const Value::Dictionary* dictionary = list.value().getDictionary();
  if (dictionary == nullptr) {
    LogWarning("Deployment list " + *path + " is not a dictionary; the shipped values hold");
    return values;
  }
  Take(*dictionary, *path, Deployment::kMeasurementServiceHostKey, &values.measurementHost);
  Take(*dictionary, *path, Deployment::kAdsConversionServiceHostKey, &values.adsConversionHost);
  Take(*dictionary, *path, Deployment::kSearchAdsAttributionServiceHostKey, &values.searchAdsHost);
  std::string certificates;
  Take(*dictionary, *path, Deployment::kTrustedCertificatesFileKey, &certificates);
  if (!certificates.empty()) values.trustedCertificates = certificates;
  return values;
}

Values Current() {
  std::lock_guard<std::mutex> lock(Shared().mu);
  if (!Shared().values) Shared().values = Load();
  return *Shared().values;
}

}  // namespace

std::string Deployment::measurementServiceHost() { return Current().measurementHost; }

std::string Deployment::adsConversionServiceHost() { return Current().adsConversionHost; }

std::string Deployment::searchAdsAttributionServiceHost() { return Current().searchAdsHost; }

std::optional<std::string> Deployment::trustedCertificatesFile() { return Current().trustedCertificates; }

void Deployment::resetForTesting() {
  std::lock_guard<std::mutex> lock(Shared().mu);
  Shared().values.reset();
}

}  // namespace platform
