#include "tools/demo/CollectorLog.h"

#include <cstdint>

namespace demo {

using nlohmann::json;
using testsupport::MeasurementCollector;

namespace {

const char* routeName(MeasurementCollector::Route route) {
  switch (route) {
    case MeasurementCollector::Route::kUpload: return "upload";
    case MeasurementCollector::Route::kConfig: return "config";
    case MeasurementCollector::Route::kExperiments: return "experiments";
    case MeasurementCollector::Route::kConversionValue: return "conversionValue";
    case MeasurementCollector::Route::kDeepLink: return "deepLink";
    case MeasurementCollector::Route::kOnDeviceConversion: return "onDeviceConversion";
    case MeasurementCollector::Route::kUnexpected: return "unexpected";
  }
  return "unexpected";
}

void appendVarint(std::string& out, std::uint64_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<char>((value & 0x7f) | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<char>(value));
}

void appendText(std::string& out, std::uint32_t field, const std::string& text) {
  appendVarint(out, (field << 3) | 2);
  appendVarint(out, text.size());
  out += text;
}

}  // namespace

std::string CollectorLog::configBody(const std::string& appId) {
  std::string setting;
  appendText(setting, 1, "measurement.config.cache_time");
  appendText(setting, 2, "86400000");
  std::string config;
  appendVarint(config, (1 << 3) | 0);  // version
  appendVarint(config, 1);
  appendText(config, 2, appId);
  appendText(config, 4, setting);
  return config;
}

json CollectorLog::line(const MeasurementCollector::Request& request, int status, const std::string& appId) {
  const auto q = request.target.find('?');
  json out{{"method", request.method},
           {"path", request.target.substr(0, q)},
           {"target", request.target},
           {"route", routeName(request.route)},
           {"status", status},
           {"decoded", true},
           {"appId", nullptr},
           {"events", json::array()},
           {"screens", json::array()},
           {"expected", true},
           {"error", nullptr}};
  bool expected = request.route != MeasurementCollector::Route::kUnexpected;
  if (request.route == MeasurementCollector::Route::kConfig) {
    out["appId"] = request.appId;
    expected = expected && request.appId == appId;
  }
  if (request.route == MeasurementCollector::Route::kUpload) {
    out["decoded"] = request.batch.has_value();
    if (!request.batch) {
      out["error"] = request.batchError;
      expected = false;
    } else {
      for (const auto& bundle : request.batch->bundles) {
        const std::string bundleApp =
            bundle.wire.string(testsupport::bundlefield::kAnalyticsAppId).value_or("");
        if (out["appId"].is_null()) out["appId"] = bundleApp;
        if (bundleApp != appId) expected = false;
        for (const auto& event : bundle.events) {
          out["events"].push_back(event.name);
          if (event.name != "_vs") continue;
          const auto* screen = event.param("_sc");
          if (screen && screen->stringValue) out["screens"].push_back(*screen->stringValue);
        }
      }
    }
  }
  out["expected"] = expected;
  return out;
}

}  // namespace demo
