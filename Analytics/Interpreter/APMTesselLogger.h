// Maps program log levels onto the engine monitor's levels and forwards
// messages with code 24005.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class APMTesselLogger {
 public:
  static constexpr int64_t kMessageCode = 24005;
  using Sink = std::function<void(int64_t level, int64_t code, const std::string& message,
                                  const std::vector<std::string>& contexts)>;

  // The default sink is the engine monitor.
  APMTesselLogger();
  explicit APMTesselLogger(Sink sink) : sink_(std::move(sink)) {}
  virtual ~APMTesselLogger() = default;

  static int64_t monitorLevel(int64_t level, bool silent, bool monitored);
  virtual void logWithLevel(int64_t level, const std::string& message, const std::vector<std::string>& context,
                            bool silent, bool monitored);

 private:
  Sink sink_;
};
