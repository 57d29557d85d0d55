#include "Platform/TrivandelUtilities/TVULogger.h"

#include <algorithm>
#include <atomic>

#include "Platform/Foundation/Log.h"

namespace platform {
namespace {

std::atomic<int>& LoggerLevel() {
  static std::atomic<int> level{kTVULoggerLevelNotice};
  return level;
}

LogLevel PlatformLevel(int level) {
  if (level <= kTVULoggerLevelError) return LogLevel::kError;
  if (level == kTVULoggerLevelWarning) return LogLevel::kWarning;
  if (level == kTVULoggerLevelNotice) return LogLevel::kNotice;
  if (level == kTVULoggerLevelInfo) return LogLevel::kInfo;
  return LogLevel::kDebug;
}

std::string Format(std::string_view format, const std::vector<std::string>& args) {
  std::string out;
  out.reserve(format.size());
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (c == '%' && i + 1 < format.size()) {
      char directive = format[i + 1];
      if (directive == '%') {
        out.push_back('%');
        ++i;
        continue;
      }
      if (directive == '@') {
        out += next < args.size() ? args[next] : std::string("(null)");
        ++next;
        ++i;
        continue;
      }
    }
    out.push_back(c);
  }
  return out;
}

}  // namespace

void TVUSetLoggerLevel(int level) {
  LoggerLevel().store(std::clamp(level, static_cast<int>(kTVULoggerLevelError),
                                 static_cast<int>(kTVULoggerLevelDebug)));
}

int TVULoggerCurrentLevel() { return LoggerLevel().load(); }

bool TVUIsLoggableLevel(int level) { return level <= LoggerLevel().load(); }

void TVULogBasic(int level, std::string_view service, bool force, std::string_view messageCode,
                 std::string_view format, const std::vector<std::string>& args) {
  if (!force && !TVUIsLoggableLevel(level)) return;
  std::string line;
  line.append(service).append("[").append(messageCode).append("] ");
  line += Format(format, args);
  Log(PlatformLevel(level), line);
}

void TVULogError(std::string_view service, bool force, std::string_view messageCode,
                 std::string_view format, const std::vector<std::string>& args) {
  TVULogBasic(kTVULoggerLevelError, service, force, messageCode, format, args);
}

void TVULogWarning(std::string_view service, bool force, std::string_view messageCode,
                   std::string_view format, const std::vector<std::string>& args) {
  TVULogBasic(kTVULoggerLevelWarning, service, force, messageCode, format, args);
}

void TVULogInfo(std::string_view service, bool force, std::string_view messageCode,
                std::string_view format, const std::vector<std::string>& args) {
  TVULogBasic(kTVULoggerLevelInfo, service, force, messageCode, format, args);
}

}  // namespace platform
