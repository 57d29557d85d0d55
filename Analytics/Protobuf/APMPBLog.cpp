#include "Analytics/Protobuf/APMPBLog.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "Platform/Foundation/Log.h"

void APMPBPrint(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (length < 0) return;
  platform::Log(platform::LogLevel::kWarning, std::string_view(buffer, std::min<size_t>(length, sizeof buffer - 1)));
}
