// JSON text of a parameter value, as services embed lists in form fields and
// the exchange log prints bodies. Slashes are written "\/". A value that is
// no JSON (bytes, dates) gives "{}" and a log line; each byte of a text or key
// that is not well-formed UTF-8 is written as U+FFFD.
#pragma once

#include <string>

#include "Platform/Foundation/Value.h"

std::string jsonString(bool pretty, const platform::Value& value);
