// The experiments the service assigned to one SDK at one time, by ID, with
// when it was made (or activated) and whether its SDK activates it itself.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Analytics/Protobuf/APMPBMessage.h"
#include "Analytics/Protobuf/APMPBObject.h"
#include "Analytics/Storage/Experiments/APMEExperiment.h"

class APMESnapshot {
 public:
  // None (logged) for a missing or empty SDK name (840000), a missing list
  // (840001) or an element that is no experiment (840002: a failed
  // experiment init). Stamped now, not manually activated; a later
  // experiment of the same ID replaces an earlier one.
  static std::optional<APMESnapshot> initWithSDKName(const std::optional<std::string>& SDKName,
                                                     const std::vector<std::optional<APMEExperiment>>* experiments);
  static std::optional<APMESnapshot> initWithSDKName(const std::string& SDKName,
                                                     const std::vector<APMEExperiment>& experiments);
  // SDK name = index 0, experiments = index 1; none without a usable name.
  static std::optional<APMESnapshot> initWithProtobuf(const APMPBSnapshot& snapshot);

  // The first flag of that name among the experiments, or none.
  std::shared_ptr<APMPBFlag> flagByName(std::string_view name) const;
  // Refused and logged: no ID (840003), a nil or non-flag flag (840004).
  void addFlag(const APMPBObject& flag, std::optional<int64_t> experimentID);
  void addFlags(const std::vector<APMPBObject>& flags, std::optional<int64_t> experimentID);

  std::vector<APMEExperiment> experiments() const;
  // A fresh snapshot of the same SDK and experiments (flags copied): stamped
  // now and not manually activated.
  APMESnapshot copy() const;
  // Index 0 = SDK name, index 1 = every experiment (set even when empty).
  std::shared_ptr<APMPBSnapshot> proto() const;

  const std::string& SDKName() const { return SDKName_; }
  double timestamp() const { return timestamp_; }
  void setTimestamp(double timestamp) { timestamp_ = timestamp; }
  bool manuallyActivated() const { return manuallyActivated_; }
  void setManuallyActivated(bool manuallyActivated) { manuallyActivated_ = manuallyActivated; }

 private:
  explicit APMESnapshot(std::string SDKName);

  std::map<int64_t, APMEExperiment> experimentsByExperimentID_;
  bool manuallyActivated_ = false;
  std::string SDKName_;
  double timestamp_ = 0;
};
