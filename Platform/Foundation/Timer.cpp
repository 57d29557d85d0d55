#include "Platform/Foundation/Timer.h"

#include <cmath>
#include <utility>

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/RunLoop.h"

namespace platform {
namespace {
constexpr double kMinimumInterval = 0.0001;
}

Timer::Timer(PrivateTag, double interval, bool repeats, Block block)
    : interval_(interval > 0 ? interval : kMinimumInterval), repeats_(repeats), block_(std::move(block)) {}

std::shared_ptr<Timer> Timer::scheduledTimer(double interval, bool repeats, Block block) {
  auto timer = std::make_shared<Timer>(PrivateTag{}, interval, repeats, std::move(block));
  timer->schedule(Clock::currentShared()->uptime() + timer->interval_);
  return timer;
}

void Timer::schedule(double dueUptime) {
  // The pending item holds the timer: the run loop keeps a valid timer alive.
  auto item = std::make_shared<DispatchWorkItem>([self = shared_from_this()] { self->fire(); });
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (!valid_.load()) return;
    fireUptime_ = dueUptime;
    pending_ = item;
  }
  RunLoop::main().asyncAfter(dueUptime - Clock::currentShared()->uptime(), std::move(item));
}

void Timer::invalidate() {
  DispatchWorkItemPtr pending;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (!valid_.exchange(false)) return;
    pending = std::move(pending_);
  }
  if (pending) pending->cancel();
}

void Timer::fire() {
  if (!valid_.load()) return;
  double fired;
  {
    std::lock_guard<std::mutex> lock(mu_);
    fired = fireUptime_;
    pending_.reset();
  }
  if (repeats_) {
    // Next fire on the original grid; fires missed while the loop was busy
    // are skipped rather than delivered in a burst.
    const double now = Clock::currentShared()->uptime();
    double next = fired + interval_;
    if (next <= now) next = fired + interval_ * (std::floor((now - fired) / interval_) + 1.0);
    schedule(next);
  }
  block_(*this);
  if (!repeats_) invalidate();
}

}  // namespace platform
