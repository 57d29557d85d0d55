// The collector's requests as JSON lines for collector.jsonl: route, app ID,
// whether an upload decoded as one batch to its last byte, the events of
// that batch and the screen classes of its screen views.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "tests/support/MeasurementCollector.h"

namespace demo {

class CollectorLog {
 public:
  // appId: the program's own; a request for another, a batch that does not
  // read, or a path the collector does not serve is marked unexpected.
  static nlohmann::json line(const testsupport::MeasurementCollector::Request& request, int status,
                             const std::string& appId);
  // The configuration the collector serves for appId: version 1, one setting.
  static std::string configBody(const std::string& appId);
};

}  // namespace demo
