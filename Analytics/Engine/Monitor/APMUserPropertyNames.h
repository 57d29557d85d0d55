// Public user-property names and the short internal names the engine stores.
#pragma once

#include "Platform/Foundation/Value.h"

// Public name -> internal name, built once.
const platform::Value::Dictionary& APMPublicToInternalUserPropertyNames();
