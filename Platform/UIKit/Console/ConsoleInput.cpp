#include "Platform/UIKit/Console/ConsoleInput.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace uikit {

ConsoleInput::ConsoleInput(int fd, std::function<void(std::string)> onLine, std::function<void()> onEnd)
    : fd_(fd), onLine_(std::move(onLine)), onEnd_(std::move(onEnd)) {
  if (::pipe(wake_) != 0) {
    wake_[0] = wake_[1] = -1;
    if (onEnd_) onEnd_();
    return;
  }
  thread_ = std::thread([this] { read(); });
}

ConsoleInput::~ConsoleInput() {
  if (wake_[1] >= 0) {
    const char stop = 'x';
    while (::write(wake_[1], &stop, 1) < 0 && errno == EINTR) {
    }
  }
  if (thread_.joinable()) thread_.join();
  for (int end : wake_) {
    if (end >= 0) ::close(end);
  }
}

void ConsoleInput::read() {
  std::string pending;
  char buffer[4096];
  for (;;) {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents != 0) return;  // stopped: no more callbacks
    if (fds[0].revents == 0) continue;
    const ssize_t got = ::read(fd_, buffer, sizeof buffer);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) break;
    pending.append(buffer, static_cast<std::size_t>(got));
    std::size_t start = 0;
    for (std::size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
      if (onLine_) onLine_(pending.substr(start, end - start));
    }
    pending.erase(0, start);
  }
  // A last line without its line break still counts.
  if (!pending.empty() && onLine_) onLine_(pending);
  if (onEnd_) onEnd_();
}

}  // namespace uikit
