#include "Analytics/Interpreter/APMPMessageLogger.h"

#include "Analytics/Interpreter/APMPFunctionLogSilent.h"
#include "Analytics/Interpreter/APMPFunctionLogUnmonitored.h"

APMPMessageLogger::APMPMessageLogger(std::shared_ptr<APMTesselLogger> logger) : APMPFunctionValue(u"internal.logger") {
  properties().setValue(u"log", APMPRuntimeValue(new APMPFunctionLog(logger, false, true)));
  properties().setValue(u"silent", APMPRuntimeValue(new APMPFunctionLogSilent(logger)));
  properties().setValue(u"unmonitored", APMPRuntimeValue(new APMPFunctionLogUnmonitored(logger)));
}
