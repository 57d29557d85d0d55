// Shared pieces of the experiments tests: a fresh data root on a manual
// clock, the codes the module logs, and makers for flags, experiments and
// snapshots.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMEMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Protobuf/APMPBFlagValue.h"
#include "Analytics/Storage/Experiments/APMEExperiment.h"
#include "Analytics/Storage/Experiments/APMESnapshot.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/TemporaryDataRoot.h"

namespace experimentstest {

inline constexpr double kNow = 1700000000.0;

inline std::shared_ptr<APMPBFlag> Flag(const std::string& name, const APMPBObject& value) {
  return APMPBFlagCreate(APMPBObject(name), value);
}
inline std::shared_ptr<APMPBFlag> IntFlag(const std::string& name, int64_t value) {
  return Flag(name, APMPBNumber::numberWithLongLong(value));
}
inline APMEExperiment Experiment(int64_t id, std::vector<std::shared_ptr<APMPBFlag>> flags) {
  return APMEExperiment::initWithExperimentID(id, flags);
}
inline APMESnapshot Snapshot(const std::string& sdk, const std::vector<APMEExperiment>& experiments) {
  return *APMESnapshot::initWithSDKName(sdk, experiments);
}
inline int64_t IntValue(const APMPBObject& value) {
  return value.isNumber() ? value.number()->longLongValue() : -999999;
}

class ExperimentsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_ = std::make_shared<platform::ManualClock>(kNow);
    platform::Clock::setCurrent(clock_);
    APMEMonitor::setObserverForTesting([this](int64_t, int64_t code) {
      std::lock_guard<std::mutex> lock(mu_);
      codes_.push_back(code);
    });
  }
  void TearDown() override {
    APMEMonitor::setObserverForTesting({});
    APMMeasurementMonitor().waitForPendingWork();
    platform::Clock::setCurrent(nullptr);
  }

  // Whether the module logged the code since the last Forget, at any level.
  bool Reported(int64_t code) {
    std::lock_guard<std::mutex> lock(mu_);
    return std::find(codes_.begin(), codes_.end(), code) != codes_.end();
  }
  void Forget() {
    std::lock_guard<std::mutex> lock(mu_);
    codes_.clear();
  }

  platform::TemporaryDataRoot root_;
  std::shared_ptr<platform::ManualClock> clock_;
  std::mutex mu_;
  std::vector<int64_t> codes_;
};

}  // namespace experimentstest
