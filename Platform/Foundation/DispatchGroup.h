// A count of outstanding tasks with completion callbacks. Copies share one
// group, so a screen can hold it by value and hand copies to closures.
//
// - enter() adds one; leave() removes one. A leave with nothing entered is
//   logged and reported as FailedPrecondition; the count stays at zero.
// - notify(queue, block) queues block on queue (nullptr: the main queue) when
//   the count reaches zero, or at once (asynchronously) if it is zero now.
//   Each notify block runs once.
// - wait(timeout) blocks until the count is zero or timeout passes on the
//   injected clock (negative: no limit). True when the group emptied.
#pragma once

#include <functional>
#include <memory>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/Status.h"

namespace platform {

class DispatchGroup {
 public:
  DispatchGroup();

  void enter();
  Status leave();
  void notify(const DispatchQueuePtr& queue, std::function<void()> block);
  void notify(std::function<void()> block) { notify(nullptr, std::move(block)); }
  bool wait(double timeoutSeconds = -1.0);
  int count() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace platform
