#include "Analytics/Interpreter/APMPRuntimePlatform.h"

#include "Analytics/Interpreter/APMPFunctionGetVersion.h"

APMPRuntimePlatform::APMPRuntimePlatform() : APMPFunctionValue(u"internal.platform") {
  properties().setValue(u"getVersion", APMPRuntimeValue(new APMPFunctionGetVersion()));
}
