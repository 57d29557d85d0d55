#include "Companion/Velmorandiquest.h"

// Visibility and C linkage come from the declarations in the header.
const double VelmorandiquestVersionNumber = 1.0;
const unsigned char VelmorandiquestVersionString[] =
    "@(#)PROGRAM:Velmorandiquest  PROJECT:Velmorandiquest-1\n";
