// The engine's current time in seconds. Only the engine's own source files
// include this header.
#pragma once

#include "Platform/Foundation/Clock.h"

inline double Now() { return platform::Clock::nowSeconds(); }
