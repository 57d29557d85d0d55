#include "Analytics/Engine/Monitor/APMMonitoringSampledData.h"

#include <cmath>
#include <random>

#include "Platform/Foundation/Clock.h"

namespace {

uint32_t DefaultRandom(uint32_t bound) {
  thread_local std::mt19937 engine{std::random_device{}()};
  if (bound == 0) return 0;
  return std::uniform_int_distribution<uint32_t>(0, bound - 1)(engine);
}

}  // namespace

APMMonitoringSampledData::APMMonitoringSampledData(const std::optional<platform::Value>& array,
                                                   RandomSource random)
    : random_(random ? std::move(random) : RandomSource(DefaultRandom)) {
  if (array && isValidUserDefaultsArrayEntry(*array)) sampledData_ = *array->getArray();
}

void APMMonitoringSampledData::insertOrUpdateSampledDataWithKey(const std::string& key,
                                                                const std::string& encodedContext) {
  if (!sampledData_ || sampledData_->size() != 4) {
    sampledData_ = *sampledDataEntryWithKey(key, platform::Date{platform::Clock::nowSeconds()},
                                            encodedContext, 1)
                        .getArray();
    return;
  }
  int64_t population = (*sampledData_)[1].numberAsInt64().value_or(0) + 1;
  (*sampledData_)[1] = platform::Value(population);
  uint32_t bound = population > 0xffffffffLL ? 0xffffffffU : static_cast<uint32_t>(population);
  if (random_(bound) == 0) {
    (*sampledData_)[2] = platform::Value(key);
    (*sampledData_)[0] = platform::Value(encodedContext);
  }
}

std::optional<std::string> APMMonitoringSampledData::monitoringDataForDispatchWithSamplePeriod(
    double samplePeriod, double lastSampledTimestamp) {
  double now = platform::Clock::nowSeconds();
  if (!sampledData_ || sampledData_->size() != 4) {
    if (lastSampledTimestamp > 0 && std::fabs(lastSampledTimestamp - now) > samplePeriod) {
      return std::string("0:");
    }
    return std::nullopt;
  }
  auto start = (*sampledData_)[3].getDate();
  if (!start || !(start->secondsSince1970 < now - samplePeriod)) return std::nullopt;
  std::string param = monitoringURLParamWithKey(*(*sampledData_)[2].getString(),
                                                (*sampledData_)[1].numberAsInt64().value_or(0),
                                                *(*sampledData_)[0].getString());
  sampledData_.reset();
  return param;
}

std::optional<platform::Value> APMMonitoringSampledData::sampledData() const {
  if (!sampledData_) return std::nullopt;
  return platform::Value(*sampledData_);
}

bool APMMonitoringSampledData::isValidUserDefaultsArrayEntry(const platform::Value& object) {
  const auto* array = object.getArray();
  if (array == nullptr || array->size() != 4) return false;
  return (*array)[0].isString() && (*array)[1].isNumber() && (*array)[2].isString() &&
         (*array)[3].isDate();
}

platform::Value APMMonitoringSampledData::sampledDataEntryWithKey(const std::string& key,
                                                                  platform::Date timestamp,
                                                                  const std::string& context,
                                                                  int64_t population) {
  return platform::Value(platform::Value::Array{platform::Value(context), platform::Value(population),
                                                platform::Value(key), platform::Value(timestamp)});
}

std::string APMMonitoringSampledData::monitoringURLParamWithKey(const std::string& key,
                                                                int64_t population,
                                                                const std::string& context) {
  std::string out = std::to_string(static_cast<int>(population)) + ":" + key;
  if (!context.empty()) out += ":" + context;
  return out;
}
