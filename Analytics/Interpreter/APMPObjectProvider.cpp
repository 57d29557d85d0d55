#include "Analytics/Interpreter/APMPObjectProvider.h"

#include "Analytics/Interpreter/APMPExec.h"
#include "Analytics/Interpreter/APMPRuntimeEntityConverter.h"

APMPRuntimeValue APMPObjectProvider::invoke(APMPValueSpan, APMPScope*, APMPExec& x) {
  return invokeEvaluated(APMPValueSpan(), x);
}

APMPRuntimeValue APMPObjectProvider::invokeEvaluated(APMPValueSpan, APMPExec& x) {
  APMPPlatformObject o = objectProviderBlock_ ? objectProviderBlock_() : APMPPlatformObject();
  APMPError error;
  APMPRuntimeValue v = APMPRuntimeEntityConverter::runtimeValueFromNSObject(o, &error, &x);
  if (error) {
    x.failWith(error);
    return APMPRuntimeValue();
  }
  return v;
}
