#include "Analytics/Interpreter/APMPEventLogger.h"

#include "Analytics/Interpreter/APMPEvaluator.h"
#include "Analytics/Interpreter/APMPEventContext.h"
#include "Analytics/Interpreter/APMPMapValue.h"
#include "Analytics/Interpreter/APMPRuntimeEntityConverter.h"
#include "Analytics/Interpreter/APMPText.h"

APMPRuntimeValue APMPEventLogger::invokeEvaluated(APMPValueSpan args, APMPExec& x) {
  if (args.size() != 3) return APMPFail(x, kAPMPErrArgumentCount);
  std::u16string name = args[0].stringValue(x);
  if (x.failed()) return APMPRuntimeValue();
  double t = args[1].doubleValue(x);
  if (x.failed()) return APMPRuntimeValue();
  int64_t timestamp = APMPToInt64(APMPTruncate(t));
  if (!args[2].isMap()) return APMPFail(x, kAPMPErrArgumentKind);
  APMPPlatformObject::Dictionary parameters;
  // Logged events are copies held by the host: charge them like created slots.
  if (!x.chargeWork(1 + name.size() + args[2].asMap()->properties().size())) return APMPRuntimeValue();
  for (const auto& e : args[2].asMap()->properties().entries()) {
    APMPError error;
    APMPPlatformObject o = APMPRuntimeEntityConverter::objectFromRuntimeValue(e.value, &error, &x);
    if (error) {
      x.failWith(error);
      return APMPRuntimeValue();
    }
    if (!o.isNil()) parameters[APMPUtf8(e.name.asString()->text())] = std::move(o);
  }
  eventContext_->logEventWithName(APMPUtf8(name), timestamp, parameters);
  return APMPRuntimeValue();
}
