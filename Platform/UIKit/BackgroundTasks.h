// Background tasks the application holds: work that asked for time to finish
// after the app left the screen. Each has a name and an expiry handler that
// runs when the system's time is up (tests call expireAll()). Safe to call
// from any thread: tasks are begun on the main thread and often ended on a
// worker queue.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace uikit {

using BackgroundTaskIdentifier = std::uint64_t;
inline constexpr BackgroundTaskIdentifier kInvalidBackgroundTask = 0;

class BackgroundTasks {
 public:
  struct Task {
    BackgroundTaskIdentifier identifier;
    std::string name;
  };

  // A new identifier, never reused and never kInvalidBackgroundTask.
  BackgroundTaskIdentifier begin(std::string name, std::function<void()> expiryHandler);
  // Ends a held task; false (and a log line) for the invalid identifier, an
  // unknown one or one already ended.
  bool end(BackgroundTaskIdentifier identifier);
  // Held tasks in the order they began.
  std::vector<Task> held() const;
  // The system's time is up: each held task's expiry handler runs (outside
  // the lock, in the order the tasks began); a task still held after its
  // handler is ended and logged, as the system would end it. Returns how many
  // tasks expired.
  std::size_t expireAll();

 private:
  struct Entry {
    Task task;
    std::function<void()> expiryHandler;
  };
  mutable std::mutex mu_;
  std::vector<Entry> tasks_;
  BackgroundTaskIdentifier next_ = 1;
};

}  // namespace uikit
