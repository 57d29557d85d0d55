// Where the engine keeps its files: the measurement directory
// (Application Support/Trivandel/Measurement), the preferences plist of a
// suite, and moving the persisted configuration between the two.
#pragma once

#include <string>

#include "Analytics/Engine/Monitor/APMError.h"

// "" for an empty name.
std::string APMMeasurementPath(const std::string& name);
std::string APMMeasurementPlistPath(const std::string& name);
std::string APMPreferencesPlistPath(const std::string& name);

bool APMDeleteFileAtPath(const std::string& path, APMError* error);
bool APMMoveFile(const std::string& source, const std::string& destination, bool replace);

// Preferences plist -> measurement directory (an existing destination wins).
bool APMMovePersistedConfigToMeasurementDirectory(const std::string& suiteName);
// Measurement directory -> preferences plist, restoring the values into the suite.
bool APMMovePersistedConfigToUserDefaults(const std::string& suiteName);
