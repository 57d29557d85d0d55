#include "Analytics/Engine/Monitor/APMASLLogger.h"

#include <cinttypes>
#include <cstdio>
#include <string>

#include "Platform/TrivandelUtilities/TVULogger.h"

void APMASLLogger::logMessage(std::string_view message, std::string_view logTag,
                              int64_t messageCode, int64_t withLogLevel) {
  std::string escaped;
  escaped.reserve(message.size());
  for (char c : message) {
    escaped.push_back(c);
    if (c == '%') escaped.push_back('%');
  }
  char code[40];
  std::snprintf(code, sizeof code, "I-ACS%06" PRId64, messageCode);
  platform::TVULogBasic(TVULoggerLevelFromLogLevel(withLogLevel), logTag, withLogLevel == 7, code,
                        escaped);
}

int APMASLLogger::TVULoggerLevelFromLogLevel(int64_t logLevel) {
  switch (logLevel) {
    case 0:
    case 1:
    case 2:
      return platform::kTVULoggerLevelError;
    case 3:
    case 4:
    case 5:
      return platform::kTVULoggerLevelWarning;
    case 6:
      return platform::kTVULoggerLevelNotice;
    case 7:
    case 8:
      return platform::kTVULoggerLevelDebug;
    default:
      return platform::kTVULoggerLevelWarning;
  }
}
