// The console sink: every diagnostic line of the system goes through Log(),
// to standard error or to the file SetLogFile names. Tests capture lines
// with LogCapture instead of scraping stdout.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/Status.h"

namespace platform {

enum class LogLevel { kDebug = 0, kInfo = 1, kNotice = 2, kWarning = 3, kError = 4 };

// Writes one line (no trailing newline needed) when level >= minimum level.
void Log(LogLevel level, std::string_view line);
inline void LogDebug(std::string_view line) { Log(LogLevel::kDebug, line); }
inline void LogInfo(std::string_view line) { Log(LogLevel::kInfo, line); }
inline void LogWarning(std::string_view line) { Log(LogLevel::kWarning, line); }
inline void LogError(std::string_view line) { Log(LogLevel::kError, line); }

// Lines below this level are dropped. Default: kInfo (FACILITY_LOG_LEVEL=debug lowers it).
void SetMinimumLogLevel(LogLevel level);
LogLevel MinimumLogLevel();
inline bool IsLoggable(LogLevel level) { return level >= MinimumLogLevel(); }

// Sends the lines to the file (created, or appended to) instead of standard
// error; an empty path goes back to standard error. A file that cannot be
// opened is an error and leaves the sink as it was.
Status SetLogFile(const std::string& path);

// While alive, records every line written (at any level, also below the
// minimum) and keeps them off the console unless echo is true. Thread-safe.
class LogCapture {
 public:
  explicit LogCapture(bool echo = false);
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  struct Line {
    LogLevel level;
    std::string text;
  };
  std::vector<Line> entries() const;
  std::vector<std::string> lines() const;
  // True when some captured line contains the fragment.
  bool contains(std::string_view fragment) const;
  void clear();

 public:
  struct State;  // opaque; public only so the sink can chain captures

 private:
  State* state_;
};

}  // namespace platform
