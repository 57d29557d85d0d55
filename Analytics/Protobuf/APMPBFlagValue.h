// Experiment flags: a name with one typed value (integer, string, double or
// bool) stored in a Flag message.
#pragma once

#include <memory>

#include "Analytics/Protobuf/APMPBMessage.h"
#include "Analytics/Protobuf/APMPBObject.h"

// A new Flag, or nullptr (logged through the experiments monitor) when the
// name is nil or not a string, or the value is neither a number nor a string.
// Strings go to index 2, floating numbers to index 3, every other number
// (booleans too) to index 1.
std::shared_ptr<APMPBFlag> APMPBFlagCreate(const APMPBObject& name, const APMPBObject& value);

// The first present of index 1 (long long), 3 (double), 2 (string) and
// 4 (bool); nil when none is present or flag is nullptr.
APMPBObject APMPBFlagGetValue(const APMPBFlag* flag);
