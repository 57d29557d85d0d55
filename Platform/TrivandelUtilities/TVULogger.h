// The utilities library's logger: levels, message codes and per-service
// lines on the platform console. A line reads "<service>[<code>] <text>".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum TVULoggerLevel : int {
  kTVULoggerLevelError = 3,
  kTVULoggerLevelWarning = 4,
  kTVULoggerLevelNotice = 5,
  kTVULoggerLevelInfo = 6,
  kTVULoggerLevelDebug = 7,
};

// Sets the most detailed level that is written; values outside 3...7 are clamped.
void TVUSetLoggerLevel(int level);
int TVULoggerCurrentLevel();
// True when lines of that level are written at the current setting.
bool TVUIsLoggableLevel(int level);

// Formats and writes one line. The format understands "%%" (a literal
// percent sign) and "%@" (the next argument); a missing argument prints
// "(null)". force writes the line whatever the current level.
void TVULogBasic(int level, std::string_view service, bool force, std::string_view messageCode,
                 std::string_view format, const std::vector<std::string>& args = {});
void TVULogError(std::string_view service, bool force, std::string_view messageCode,
                 std::string_view format, const std::vector<std::string>& args = {});
void TVULogWarning(std::string_view service, bool force, std::string_view messageCode,
                   std::string_view format, const std::vector<std::string>& args = {});
void TVULogInfo(std::string_view service, bool force, std::string_view messageCode,
                std::string_view format, const std::vector<std::string>& args = {});

}  // namespace platform
