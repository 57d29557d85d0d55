// Public event-parameter names and the short internal names the engine
// stores and uploads.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "Platform/Foundation/Value.h"

// Public name -> internal name, built once.
const platform::Value::Dictionary& APMPublicToInternalParameterNames();
// The same pairs in table order (lookups of internal -> public depend on it).
const std::vector<std::pair<std::string, std::string>>& APMPublicToInternalParameterNamePairs();
