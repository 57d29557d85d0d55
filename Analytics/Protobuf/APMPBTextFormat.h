// A readable, indented rendering of a message record, field by field with
// index, name and wire number; absent singular fields are left out.
#pragma once

#include <string>

#include "Analytics/Protobuf/APMPBMessageInfo.h"

std::string APMPBTextFormat(const APMPBMessageInfo& info);
