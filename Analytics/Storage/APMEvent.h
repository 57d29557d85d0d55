// An analytics event as the storage layer sees it: origin, name, time and
// typed parameters.
#pragma once

#include <map>
#include <string>

#include "Analytics/Storage/APMValue.h"

class APMEvent {
 public:
  using Parameters = std::map<std::string, APMValue, std::less<>>;

  APMEvent(std::string origin, std::string name, double timestamp, Parameters parameters = {})
      : origin_(std::move(origin)),
        name_(std::move(name)),
        timestamp_(timestamp),
        parameters_(std::move(parameters)) {}

  const std::string& origin() const { return origin_; }
  const std::string& name() const { return name_; }
  // Seconds since 1970.
  double timestamp() const { return timestamp_; }
  const Parameters& parameters() const { return parameters_; }
  const APMValue* parameter(std::string_view key) const {
    auto it = parameters_.find(key);
    return it == parameters_.end() ? nullptr : &it->second;
  }

 private:
  std::string origin_;
  std::string name_;
  double timestamp_;
  Parameters parameters_;
};
