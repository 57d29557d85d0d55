#include "Analytics/Protobuf/APMPBFlagValue.h"

#include "Analytics/Engine/Monitor/APMEMonitor.h"
#include "Analytics/Engine/Monitor/APMLogContext.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"

namespace {

constexpr int32_t kName = 0;
constexpr int32_t kIntValue = 1;
constexpr int32_t kStringValue = 2;
constexpr int32_t kDoubleValue = 3;
constexpr int32_t kBoolValue = 4;
constexpr int64_t kLevelError = 1;

}  // namespace

std::shared_ptr<APMPBFlag> APMPBFlagCreate(const APMPBObject& name, const APMPBObject& value) {
  if (name.isNil()) {
    APMEMonitor::sharedMonitor().logWithLevel(kLevelError, 850000, "Flag name must not be nil");
    return nullptr;
  }
  if (!name.isString()) {
    APMEMonitor::sharedMonitor().logWithLevel(kLevelError, 850001, "Flag name must be a string",
                                              APMLogContext::className(name.className()));
    return nullptr;
  }
  if (!value.isNumber() && !value.isString()) {
    APMEMonitor::sharedMonitor().logWithLevel(kLevelError, 850002, "Flag value is invalid",
                                              APMLogContext::className(value.className()));
    return nullptr;
  }
  auto flag = APMPBFlag::initWithBuffer(nullptr, 0);
  APMPBSetString(flag.get(), kName, *name.string());
  if (value.isString()) {
    APMPBSetString(flag.get(), kStringValue, *value.string());
  } else if (value.number()->isFloatType()) {
    APMPBSetDouble(flag.get(), kDoubleValue, value.number()->doubleValue());
  } else {
    APMPBSetInt64(flag.get(), kIntValue, value.number()->longLongValue());
  }
  return flag;
}

APMPBObject APMPBFlagGetValue(const APMPBFlag* flag) {
  if (flag == nullptr) return {};
  if (APMPBHasField(flag, kIntValue)) {
    return APMPBNumber::numberWithLongLong(APMPBGetInt64(flag, kIntValue));
  }
  if (APMPBHasField(flag, kDoubleValue)) {
    return APMPBNumber::numberWithDouble(APMPBGetDouble(flag, kDoubleValue));
  }
  if (APMPBHasField(flag, kStringValue)) {
    if (auto text = APMPBGetString(flag, kStringValue)) return *text;
    return {};
  }
  if (APMPBHasField(flag, kBoolValue)) {
    return APMPBNumber::numberWithBool(APMPBGetBool(flag, kBoolValue));
  }
  return {};
}
