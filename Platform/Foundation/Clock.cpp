#include "Platform/Foundation/Clock.h"

#include <atomic>
#include <chrono>
#include <mutex>

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

std::mutex g_mu;
std::shared_ptr<Clock>& Slot() {
  static std::shared_ptr<Clock> clock = std::make_shared<WallClock>();
  return clock;
}

}  // namespace

std::shared_ptr<Clock> Clock::currentShared() {
  std::lock_guard<std::mutex> lock(g_mu);
  return Slot();
}

Clock& Clock::current() {
  // The installed clock lives until replaced; tests replace it between cases.
  std::lock_guard<std::mutex> lock(g_mu);
  return *Slot();
}

void Clock::setCurrent(std::shared_ptr<Clock> clock) {
  std::lock_guard<std::mutex> lock(g_mu);
  Slot() = clock ? std::move(clock) : std::make_shared<WallClock>();
}

}  // namespace platform
