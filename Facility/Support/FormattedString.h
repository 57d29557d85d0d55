// A date as text in a fixed pattern ("dd/MM/yyyy", "HH:mm"), made by a new
// formatter on each call: Gregorian, the system time zone, ASCII digits
// whatever the user's locale, because the server reads these texts.
#pragma once

#include <string>

#include "Platform/Foundation/Value.h"

std::string formattedString(platform::Date date, const std::string& format);
