// Reads lines from a file descriptor on a thread of its own, so the main run
// loop keeps turning (timers, replies, uploads) while nobody types. Each
// line, without its line break, goes to onLine on that thread; onEnd follows
// the last one at the end of input or a read error. Both should only hand
// over (post to the run loop, say).
//
// The destructor ends the thread even while it waits for input, without
// reading further; no callback runs after it returns. The descriptor is
// neither closed nor consumed beyond the lines handed over.
#pragma once

#include <functional>
#include <string>
#include <thread>

namespace uikit {

class ConsoleInput {
 public:
  ConsoleInput(int fd, std::function<void(std::string line)> onLine, std::function<void()> onEnd);
  ~ConsoleInput();
  ConsoleInput(const ConsoleInput&) = delete;
  ConsoleInput& operator=(const ConsoleInput&) = delete;

 private:
  void read();

  int fd_;
  int wake_[2] = {-1, -1};  // written to by the destructor to end the thread
  std::function<void(std::string)> onLine_;
  std::function<void()> onEnd_;
  std::thread thread_;
};

}  // namespace uikit
