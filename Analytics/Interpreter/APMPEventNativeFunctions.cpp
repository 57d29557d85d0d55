#include "Analytics/Interpreter/APMPEventNativeFunctions.h"
#include "Analytics/Interpreter/APMPFunctionValue.h"

#include "Analytics/Interpreter/APMPEvaluator.h"
#include "Analytics/Interpreter/APMPEventContext.h"
#include "Analytics/Interpreter/APMPHeap.h"
#include "Analytics/Interpreter/APMPRuntimeEntityConverter.h"
#include "Analytics/Interpreter/APMPText.h"

namespace {

bool exactly(size_t n, const APMPArgs& args, APMPExec& x) {
  if (args.size() != n) {
    x.fail(kAPMPErrArgumentCount);
    return false;
  }
  return true;
}

APMPRuntimeValue fromObject(const APMPPlatformObject& o, APMPExec& x) {
  APMPError error;
  APMPRuntimeValue v = APMPRuntimeEntityConverter::runtimeValueFromNSObject(o, &error, &x);
  if (error) {
    x.failWith(error);
    return APMPRuntimeValue();
  }
  return v;
}

}  // namespace

APMPRuntimeValue APMPEventNativeFunctions::applyNative(const std::u16string& name, APMPValueSpan raw,
                                                       APMPScope* scope, APMPExec& x, bool* handled) {
  enum { kGetEventName, kGetParamValue, kGetParams, kGetTimestamp, kSetEventName, kSetParamValue, kNone } m = kNone;
  if (name == u"getEventName") m = kGetEventName;
  else if (name == u"getParamValue") m = kGetParamValue;
  else if (name == u"getParams") m = kGetParams;
  else if (name == u"getTimestamp") m = kGetTimestamp;
  else if (name == u"setEventName") m = kSetEventName;
  else if (name == u"setParamValue") m = kSetParamValue;
  *handled = m != kNone;
  if (m == kNone) return APMPRuntimeValue();
  APMPArgs args;
  APMPEvaluateArguments(raw, scope, x, &args);
  if (x.failed()) return APMPRuntimeValue();
  APMPEvent& output = eventContext_->mutableOutputEvent();
  switch (m) {
    case kGetEventName:
      if (!exactly(0, args, x)) return APMPRuntimeValue();
      return APMPRuntimeValue::string(output.name());
    case kGetParamValue: {
      if (!exactly(1, args, x)) return APMPRuntimeValue();
      std::u16string key = args[0].stringValue(x);
      if (x.failed()) return APMPRuntimeValue();
      const APMPPlatformObject* p = output.parameterForName(APMPUtf8(key));
      if (!p) return APMPRuntimeValue::null();
      return fromObject(*p, x);
    }
    case kGetParams: {
      if (!exactly(0, args, x)) return APMPRuntimeValue();
      return fromObject(APMPPlatformObject::dictionary(output.parameters()), x);
    }
    case kGetTimestamp:
      if (!exactly(0, args, x)) return APMPRuntimeValue();
      return APMPRuntimeValue::number(output.timestamp());
    case kSetEventName: {
      if (!exactly(1, args, x)) return APMPRuntimeValue();
      if (args[0].isNothing()) return APMPFail(x, kAPMPErrArgumentKind);
      std::u16string n = args[0].stringValue(x);
      if (x.failed()) return APMPRuntimeValue();
      output.setName(APMPUtf8(n));
      return APMPRuntimeValue::string(std::move(n));
    }
    case kSetParamValue: {
      if (!exactly(2, args, x)) return APMPRuntimeValue();
      std::u16string key = args[0].stringValue(x);
      if (x.failed()) return APMPRuntimeValue();
      APMPError error;
      APMPPlatformObject value = APMPRuntimeEntityConverter::objectFromRuntimeValue(args[1], &error, &x);
      if (error) {
        x.failWith(error);
        return APMPRuntimeValue();
      }
      output.setParameter(value, APMPUtf8(key));
      return args[1];
    }
    case kNone: break;
  }
  return APMPRuntimeValue();
}
