// One-time initialisation: the first call of call() runs fn; concurrent
// callers wait for it; later calls do nothing.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>

namespace platform {

class Once {
 public:
  void call(const std::function<void()>& fn) {
    std::call_once(flag_, [&] {
      fn();
      done_.store(true, std::memory_order_release);
    });
  }
  bool done() const { return done_.load(std::memory_order_acquire); }

 private:
  std::once_flag flag_;
  std::atomic<bool> done_{false};
};

}  // namespace platform
