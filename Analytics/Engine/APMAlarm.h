// A one-shot timer on a dispatch queue (in practice the worker queue): runs
// one block after a delay. At most one run is pending; the latest request
// wins. The timer and the due time are guarded by a lock; the block runs
// outside it and sees the alarm idle, so it may schedule the alarm again.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform {
class DispatchQueue;
}

class APMAlarm {
 public:
  using Block = std::function<void()>;

  APMAlarm(std::shared_ptr<platform::DispatchQueue> queue, std::string name);
  // Cancels a pending run.
  ~APMAlarm();
  APMAlarm(const APMAlarm&) = delete;
  APMAlarm& operator=(const APMAlarm&) = delete;

  void runAfterDelay(double delay, Block block);
  void cancel();
  bool hasActiveTimer() const;
  // Seconds since 1970 at which the pending run is due; none when idle.
  std::optional<double> scheduledTimestamp() const;
  const std::string& name() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};
