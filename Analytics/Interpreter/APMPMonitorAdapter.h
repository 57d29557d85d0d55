// The one call the interpreter makes into the engine monitor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

void APMPMonitorLog(int64_t level, int64_t messageCode, const std::string& message,
                    const std::vector<std::string>& contexts);
