// Runs a queued block, logging what it throws instead of ending the process.
// Only the experiment files include this header.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>

#include "Analytics/Engine/Monitor/APMEMonitor.h"
#include "Analytics/Engine/Monitor/APMLogContext.h"
#include "Analytics/Storage/Experiments/APMEManager.h"

inline void RunGuarded(const std::function<void()>& block, int64_t code, const char* message) {
  try {
    block();
  } catch (const std::exception& e) {
    APMEManager::monitor().logWithLevel(1, code, message, APMLogContext::exception("std::exception", e.what()));
  } catch (...) {
    APMEManager::monitor().logWithLevel(1, code, message, APMLogContext::exception("unknown", ""));
  }
}
