#include "Analytics/Interpreter/APMPEventLogger.h"

#include "Analytics/Interpreter/APMPEvaluator.h"
#include "Analytics/Interpreter/APMPEventContext.h"
#include "Analytics/Interpreter/APMPMapValue.h"
#include "Analytics/Interpreter/APMPRuntimeEntityConverter.h"
#include "Analytics/Interpreter/APMPText.h"

namespace {

APMPRuntimeValue fail(APMPExec& x, int32_t code) {
  x.fail(code);
  return APMPRuntimeValue();
}

}  // namespace

APMPRuntimeValue APMPEventLogger::invoke(APMPValueSpan raw, APMPScope* scope, APMPExec& x) {
  APMPArgs args;
  APMPEvaluateArguments(raw, scope, x, &args);
  if (x.failed()) return APMPRuntimeValue();
  return invokeEvaluated(args, x);
}

APMPRuntimeValue APMPEventLogger::invokeEvaluated(APMPValueSpan args, APMPExec& x) {
  if (args.size() != 3) return fail(x, kAPMPErrArgumentCount);
  std::u16string name = args[0].stringValue(x);
  if (x.failed()) return APMPRuntimeValue();
  double t = args[1].doubleValue(x);
  if (x.failed()) return APMPRuntimeValue();
  int64_t timestamp = APMPToInt64(APMPTruncate(t));
  if (!args[2].isMap()) return fail(x, kAPMPErrArgumentKind);
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
