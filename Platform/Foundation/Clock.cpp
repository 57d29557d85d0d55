#include "Platform/Foundation/Clock.h"

#include <atomic>
#include <chrono>
#include <mutex>

#include "Platform/Foundation/TaskQueueRegistry.h"

namespace platform {
namespace {

class WallClock final : public Clock {
 public:
  double now() const override {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
  }
  double uptime() const override {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
  }
};

std::mutex g_clockMu;
std::shared_ptr<Clock>& Slot() {
  // Never destroyed: queue threads that outlive static destruction still ask
  // for the clock on their way out.
  static auto* clock = new std::shared_ptr<Clock>(std::make_shared<WallClock>());
  return *clock;
}

}  // namespace

std::shared_ptr<Clock> Clock::currentShared() {
  std::lock_guard<std::mutex> lock(g_clockMu);
  return Slot();
}

double Clock::nowSeconds() { return currentShared()->now(); }

void Clock::setCurrent(std::shared_ptr<Clock> clock) {
  std::shared_ptr<Clock> previous;  // released outside the lock
  {
    std::lock_guard<std::mutex> lock(g_clockMu);
    previous = std::move(Slot());
    Slot() = clock ? std::move(clock) : std::make_shared<WallClock>();
  }
  TaskQueueRegistry::shared().wakeAll();
}

bool WaitOnClock(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                 double timeoutSeconds, const std::function<bool()>& ready) {
  if (timeoutSeconds < 0) {
    cv.wait(lock, ready);
    return true;
  }
  std::shared_ptr<Clock> clock = Clock::currentShared();
  const double deadline = clock->uptime() + timeoutSeconds;
  while (!ready()) {
    const double left = deadline - clock->uptime();
    if (left <= 0) return ready();
    // A manual clock moves without notifying our cv, so look again soon.
    const double slice = clock->isManual() ? 0.002 : left;
    cv.wait_for(lock, std::chrono::duration<double>(slice));
  }
  return true;
}

}  // namespace platform
