// A filter message as a log-line context: its class and its fields as text.
#pragma once

#include <string>

#include "Analytics/Engine/Monitor/APMLogContext.h"
#include "Analytics/Protobuf/APMPBTextFormat.h"
#include "Analytics/Protobuf/NANOMessageBase.h"

inline APMLogContext APMFilterLogContext(const char* className, const NANOMessageBase& message) {
  const APMPBMessageInfo* info = message.messageInfo();
  return APMLogContext::object(className, info != nullptr ? APMPBTextFormat(*info) : std::string());
}
