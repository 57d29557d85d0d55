// Turns the monitor's log calls into lines of the utilities library's logger.
#pragma once

#include <cstdint>
#include <string_view>

class APMASLLogger {
 public:
  virtual ~APMASLLogger() = default;

  // Writes the message literally (each "%" is escaped for the logger) under
  // the code "I-ACS%06ld"; level 7 lines are forced through.
  virtual void logMessage(std::string_view message, std::string_view logTag, int64_t messageCode,
                          int64_t withLogLevel);

  // The utilities logger's level for a monitor level.
  static int TVULoggerLevelFromLogLevel(int64_t logLevel);
};
