// Umbrella header of the companion library: the class and the two version
// symbols every library of its kind carries, with C linkage.
#pragma once

#include "Companion/location.h"

extern "C" {
VELMORANDIQUEST_EXPORT extern const double VelmorandiquestVersionNumber;
VELMORANDIQUEST_EXPORT extern const unsigned char VelmorandiquestVersionString[];
}
