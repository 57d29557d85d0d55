#include "Platform/Foundation/ManualClock.h"

#include <chrono>
#include <optional>

#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/TaskQueue.h"
#include "Platform/Foundation/TaskQueueRegistry.h"

namespace platform {

ManualClock::ManualClock(double startNow, double startUptime) : now_(startNow), uptime_(startUptime) {}

double ManualClock::now() const {
  std::lock_guard<std::mutex> lock(mu_);
  return now_;
}

double ManualClock::uptime() const {
  std::lock_guard<std::mutex> lock(mu_);
  return uptime_;
}

void ManualClock::advance(double seconds) {
  if (!(seconds > 0)) return;
  {
    std::lock_guard<std::mutex> lock(mu_);
    now_ += seconds;
    uptime_ += seconds;
  }
  TaskQueueRegistry::shared().wakeAll();
  TaskQueueRegistry::shared().noteActivity();
}

void ManualClock::advanceTo(double targetUptime) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (!(targetUptime > uptime_)) return;
    now_ += targetUptime - uptime_;
    uptime_ = targetUptime;  // exact, so a block due at target is due now
  }
  TaskQueueRegistry::shared().wakeAll();
  TaskQueueRegistry::shared().noteActivity();
}

void ManualClock::setNow(double secondsSince1970) {
  std::lock_guard<std::mutex> lock(mu_);
  now_ = secondsSince1970;
}

bool ManualClock::runUntilIdle(double wallLimit) {
  RunLoop& mainLoop = RunLoop::main();
  if (mainLoop.taskQueue()->isCurrent()) {
    LogError("ManualClock: cannot drive the queues from inside a main-loop block");
    return false;
  }
  TaskQueueRegistry& registry = TaskQueueRegistry::shared();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(wallLimit);
  for (;;) {
    const std::uint64_t seen = registry.generation();
    const int ran = mainLoop.runUntilIdle();
    // Idle everywhere with no block queued or finished meanwhile: settled.
    if (ran == 0 && registry.allIdle() && registry.generation() == seen) return true;
    if (std::chrono::steady_clock::now() > deadline) {
      LogError("ManualClock: queues still busy after the settle limit; giving up");
      return false;
    }
    if (ran == 0) registry.waitForActivity(seen, 0.001);
  }
}

bool ManualClock::runFor(double seconds, double wallLimit) {
  if (!(seconds > 0)) seconds = 0;
  const double target = uptime() + seconds;
  TaskQueueRegistry& registry = TaskQueueRegistry::shared();
  for (;;) {
    if (!runUntilIdle(wallLimit)) return false;
    const std::optional<double> next = registry.earliestDue();
    if (!next || *next > target) break;
    advanceTo(*next);  // one due time at a time keeps due order across queues
  }
  advanceTo(target);
  return runUntilIdle(wallLimit);
}

bool ManualClock::runUntil(const std::function<bool()>& condition, double wallTimeout) {
  return RunLoop::main().runUntil(condition, wallTimeout);
}

}  // namespace platform
