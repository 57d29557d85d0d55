// The one date formatter of the process, made on first use; main thread
// only. Its users set the format before each use. It writes ASCII digits
// in the Gregorian calendar whatever the device's locale, in the system
// time zone, so the texts sent to the web service read the same everywhere.
#pragma once

#include "Platform/Foundation/DateFormatter.h"

platform::DateFormatter& sharedDateFormatter();
