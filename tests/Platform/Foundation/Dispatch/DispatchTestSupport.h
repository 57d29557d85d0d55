// Shared fixture: every test runs against a fresh manual clock and leaves the
// main loop empty for the next one.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/RunLoop.h"

namespace platform::testing {

// A thread-safe list of labels in the order they were recorded.
class Trace {
 public:
  void add(std::string s) {
    std::lock_guard<std::mutex> lock(mu_);
    items_.push_back(std::move(s));
  }
  std::vector<std::string> items() const {
    std::lock_guard<std::mutex> lock(mu_);
    return items_;
  }

 private:
  mutable std::mutex mu_;
  std::vector<std::string> items_;
};

class ManualClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_ = std::make_shared<ManualClock>();
    Clock::setCurrent(clock_);
  }
  void TearDown() override {
    RunLoop::main().removeAllPending();
    Clock::setCurrent(nullptr);
  }
  std::shared_ptr<ManualClock> clock_;
};

}  // namespace platform::testing
