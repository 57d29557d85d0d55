// Readable names and parameter dumps for log lines while debug mode is on:
// internal short names are shown with their public name, "screen_view (_vs)".
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Analytics/Engine/APMEvent.h"

std::string APMNameForLogging(std::string_view name, const std::vector<std::pair<std::string, std::string>>& table);
std::string APMEventNameForLogging(std::string_view name);
std::string APMParameterNameForLogging(std::string_view name);
std::string APMUserPropertyNameForLogging(std::string_view name);
std::string APMParametersForLogging(const APMEvent::Parameters& parameters);
std::string APMParametersForLoggingWithIndent(const APMEvent::Parameters& parameters, const std::string& indent);
std::string APMArrayForLogging(const platform::Value::Array& array);
