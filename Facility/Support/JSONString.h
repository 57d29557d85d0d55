// JSON text of a parameter value, as services embed lists in form fields and
// the exchange log prints bodies. Slashes are written "\/". A value that is
// no JSON (bytes, dates) or text that is not UTF-8 gives "{}" and a log line.
#pragma once

#include <string>

#include "Platform/Foundation/Value.h"

std::string jsonString(bool pretty, const platform::Value& value);
