// The monitor's health record: one monitorable message picked uniformly at
// random out of all seen since the record started (a reservoir of one), with
// the number seen. Persisted as a 4-element property-list array:
// [encoded context, population, key, start date]. Used on the monitor queue only.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "Platform/Foundation/Value.h"

class APMMonitoringSampledData {
 public:
  // Answers a uniform integer in [0, bound).
  using RandomSource = std::function<uint32_t(uint32_t bound)>;

  // Adopts the array when it is a valid record, else starts empty.
  explicit APMMonitoringSampledData(const std::optional<platform::Value>& array,
                                    RandomSource random = {});

  void insertOrUpdateSampledDataWithKey(const std::string& key, const std::string& encodedContext);
  std::optional<std::string> monitoringDataForDispatchWithSamplePeriod(double samplePeriod,
                                                                      double lastSampledTimestamp);
  // A copy of the record; none when empty.
  std::optional<platform::Value> sampledData() const;

  static bool isValidUserDefaultsArrayEntry(const platform::Value& object);
  static platform::Value sampledDataEntryWithKey(const std::string& key, platform::Date timestamp,
                                                 const std::string& context, int64_t population);
  static std::string monitoringURLParamWithKey(const std::string& key, int64_t population,
                                               const std::string& context);

 private:
  std::optional<platform::Value::Array> sampledData_;
  RandomSource random_;
};
