#include "Analytics/Engine/APMAlarm.h"

#include <mutex>

#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/DispatchWorkItem.h"

struct APMAlarm::State {
  std::shared_ptr<platform::DispatchQueue> queue;
  std::string name;
  mutable std::mutex mu;
  platform::DispatchWorkItemPtr timer;  // guarded by mu
  std::optional<double> scheduledTimestamp;  // guarded by mu

  void cancel() {
    std::unique_lock<std::mutex> lock(mu);
    if (!scheduledTimestamp) return;
    platform::DispatchWorkItemPtr active = timer;
    timer.reset();
    scheduledTimestamp.reset();
    lock.unlock();
    APMMonitor& monitor = APMMeasurementMonitor();
    monitor.logWithLevel(7, 2003, name + " canceled");
    if (!active || active->isCancelled()) {
      monitor.logWithLevel(4, 2004, name + " is not active");
    } else {
      active->cancel();
    }
  }
};

APMAlarm::APMAlarm(std::shared_ptr<platform::DispatchQueue> queue, std::string name)
    : state_(std::make_shared<State>()) {
  state_->queue = std::move(queue);
  state_->name = name.empty() ? std::string("Timer") : std::move(name);
}

APMAlarm::~APMAlarm() { state_->cancel(); }

void APMAlarm::runAfterDelay(double delay, Block block) {
  APMMonitor& monitor = APMMeasurementMonitor();
  if (!block) {
    monitor.logWithLevel(1, 2000, state_->name + " tried to schedule an empty block");
    return;
  }
  state_->cancel();
  std::weak_ptr<State> weak = state_;
  auto fire = [weak, block = std::move(block)] {
    auto state = weak.lock();
    if (!state) return;
    APMMeasurementMonitor().logWithLevel(7, 2001, state->name + " fired");
    state->cancel();
    block();
  };
  auto item = std::make_shared<platform::DispatchWorkItem>(std::move(fire));
  {
    std::lock_guard<std::mutex> lock(state_->mu);
    state_->scheduledTimestamp = platform::Clock::nowSeconds() + delay;
    state_->timer = item;
  }
  state_->queue->after(delay, item);
  monitor.logWithLevel(7, 2002, state_->name + " scheduled to fire in approx. (s)", delay);
}

void APMAlarm::cancel() { state_->cancel(); }

bool APMAlarm::hasActiveTimer() const {
  std::lock_guard<std::mutex> lock(state_->mu);
  return state_->timer && !state_->timer->isCancelled();
}

std::optional<double> APMAlarm::scheduledTimestamp() const {
  std::lock_guard<std::mutex> lock(state_->mu);
  return state_->scheduledTimestamp;
}

const std::string& APMAlarm::name() const { return state_->name; }
