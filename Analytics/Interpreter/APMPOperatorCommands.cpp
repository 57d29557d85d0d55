// Math, comparison, logical and bitwise commands.
#include <cmath>
#include <limits>

#include "Analytics/Interpreter/APMPArrayValue.h"
#include "Analytics/Interpreter/APMPCommands.h"
#include "Analytics/Interpreter/APMPEvaluator.h"
#include "Analytics/Interpreter/APMPFunctionValue.h"
#include "Analytics/Interpreter/APMPStringValue.h"
#include "Analytics/Interpreter/APMPText.h"

namespace {

bool exactly(size_t n, APMPValueSpan args, APMPExec& x) {
  if (args.size() != n) {
    x.fail(kAPMPErrArgumentCount);
    return false;
  }
  return true;
}

bool exactly(size_t n, const APMPArgs& args, APMPExec& x) { return exactly(n, args.span(), x); }

APMPRuntimeValue numberResult(double d) { return APMPRuntimeValue::number(d); }

// Order(a, b): -1, 0 or 1 (1 also for NaN and errors).
int order(const APMPRuntimeValue& a, const APMPRuntimeValue& b, APMPExec& x) {
  if (a.isObjectOrString() && b.isObjectOrString()) {
    if (a.isString() && b.isString()) {
      const std::u16string& ta = a.asString()->text();
      const std::u16string& tb = b.asString()->text();
      if (!x.chargeWork(ta.size() + tb.size())) return 1;
      return APMPCompareText(ta, tb);
    }
    std::u16string sa = a.stringValue(x);
    if (x.failed()) return 1;
    std::u16string sb = b.stringValue(x);
    if (x.failed()) return 1;
    return APMPCompareText(sa, sb);
  }
  double da = a.doubleValue(x);
  if (x.failed()) return 1;
  double db = b.doubleValue(x);
  if (x.failed()) return 1;
  if (da == db) return 0;
  if (da < db) return -1;
  return 1;
}

int equalityClass(const APMPRuntimeValue& v) {
  switch (v.kind()) {
    case APMPKind::kUndefined:
    case APMPKind::kNull:
      return 0;
    case APMPKind::kNumber:
    case APMPKind::kBoolean:
      return 1;
    case APMPKind::kString:
      return 2;
    default:
      return 3;
  }
}

}  // namespace

bool APMPStringEquals(const APMPRuntimeValue& a, const APMPRuntimeValue& b, APMPExec& x) {
  if (a.isString() && b.isString()) {
    const std::u16string& ta = a.asString()->text();
    const std::u16string& tb = b.asString()->text();
    if (ta.size() != tb.size()) return false;
    if (!x.chargeWork(ta.size())) return false;
    return ta == tb;
  }
  std::u16string sa = a.stringValue(x);
  if (x.failed()) return false;
  std::u16string sb = b.stringValue(x);
  if (x.failed()) return false;
  return sa == sb;
}

bool APMPNumberEquals(const APMPRuntimeValue& a, const APMPRuntimeValue& b, APMPExec& x) {
  double da = a.doubleValue(x);
  if (x.failed()) return false;
  double db = b.doubleValue(x);
  if (x.failed()) return false;
  return da == db;
}

APMPRuntimeValue APMPLooseEquals(const APMPRuntimeValue& a, const APMPRuntimeValue& b, APMPExec& x) {
  int ca = equalityClass(a), cb = equalityClass(b);
  const APMPRuntimeValue& l = ca <= cb ? a : b;
  const APMPRuntimeValue& r = ca <= cb ? b : a;
  bool result;
  switch (ca <= cb ? ca : cb) {
    case 0: result = equalityClass(r) == 0; break;
    case 1: result = APMPNumberEquals(l, r, x); break;
    case 2: result = APMPStringEquals(l, r, x); break;
    default: result = l.isSame(r); break;
  }
  if (x.failed()) return APMPRuntimeValue();
  return APMPRuntimeValue::boolean(result);
}

APMPRuntimeValue APMPMathCommand(int op, APMPValueSpan raw, APMPScope* scope, APMPExec& x) {
  APMPArgs args;
  APMPEvaluateArguments(raw, scope, x, &args);
  if (x.failed()) return APMPRuntimeValue();
  switch (op) {
    case 0: {
      if (!exactly(2, args, x)) return APMPRuntimeValue();
      const APMPRuntimeValue& a = args[0];
      const APMPRuntimeValue& b = args[1];
      if (a.isNumber() && b.isNumber()) return numberResult(a.numberValue() + b.numberValue());
      if (!a.isObjectOrString() && !b.isObjectOrString()) {
        double da = a.doubleValue(x);
        if (x.failed()) return APMPRuntimeValue();
        double db = b.doubleValue(x);
        if (x.failed()) return APMPRuntimeValue();
        return numberResult(da + db);
      }
      std::u16string s = a.stringValue(x);
      if (x.failed()) return APMPRuntimeValue();
      if (b.isString()) {
        const std::u16string& t = b.asString()->text();
        if (!x.chargeString(s.size() + t.size())) return APMPRuntimeValue();
        s += t;
      } else {
        std::u16string t = b.stringValue(x);
        if (x.failed() || !x.chargeString(s.size() + t.size())) return APMPRuntimeValue();
        s += t;
      }
      return APMPRuntimeValue::string(std::move(s));
    }
    case 37: case 26: case 10: case 25: {
      if (!exactly(2, args, x)) return APMPRuntimeValue();
      double a = args[0].doubleValue(x);
      if (x.failed()) return APMPRuntimeValue();
      double b = args[1].doubleValue(x);
      if (x.failed()) return APMPRuntimeValue();
      switch (op) {
        case 37: return numberResult(a - b);
        case 26: return numberResult(a * b);
        case 10: return numberResult(a / b);
        default: return numberResult(std::fmod(a, b));
      }
    }
    case 27: {
      if (!exactly(1, args, x)) return APMPRuntimeValue();
      double a = args[0].doubleValue(x);
      if (x.failed()) return APMPRuntimeValue();
      return numberResult(-a);
    }
    case 34: case 35:
      if (!exactly(1, args, x)) return APMPRuntimeValue();
      return args[0];
    case 32: case 33:
      if (!exactly(2, args, x)) return APMPRuntimeValue();
      return args[0];
    default:
      return APMPRuntimeValue();
  }
}

APMPRuntimeValue APMPComparisonCommand(int op, APMPValueSpan raw, APMPScope* scope, APMPExec& x) {
  if (!exactly(2, raw, x)) return APMPRuntimeValue();
  APMPRuntimeValue a = APMPEvaluator::evaluateStatement(raw[0], scope, x);
  if (x.failed()) return APMPRuntimeValue();
  APMPRuntimeValue b = APMPEvaluator::evaluateStatement(raw[1], scope, x);
  if (x.failed()) return APMPRuntimeValue();
  bool r;
  switch (op) {
    case 12: return APMPLooseEquals(a, b, x);
    case 29: {
      APMPRuntimeValue eq = APMPLooseEquals(a, b, x);
      if (x.failed()) return APMPRuntimeValue();
      r = !eq.booleanValue(x);
      break;
    }
    case 20: r = APMPStrictEquals(a, b, x); break;
    case 21: r = !APMPStrictEquals(a, b, x); break;
    case 23: {
      if (a.isNumber() && b.isNumber()) return APMPRuntimeValue::boolean(a.numberValue() < b.numberValue());
      r = order(a, b, x) == -1;
      break;
    }
    case 24: {
      if (a.isNumber() && b.isNumber()) return APMPRuntimeValue::boolean(a.numberValue() <= b.numberValue());
      int o = order(a, b, x);
      r = o == -1 || o == 0;
      break;
    }
    case 18: {
      if (a.isNumber() && b.isNumber()) return APMPRuntimeValue::boolean(b.numberValue() < a.numberValue());
      r = order(b, a, x) == -1;
      break;
    }
    case 19: {
      if (a.isNumber() && b.isNumber()) return APMPRuntimeValue::boolean(b.numberValue() <= a.numberValue());
      int o = order(b, a, x);
      r = o == -1 || o == 0;
      break;
    }
    default: return APMPRuntimeValue();
  }
  if (x.failed()) return APMPRuntimeValue();
  return APMPRuntimeValue::boolean(r);
}

APMPRuntimeValue APMPLogicalCommand(int op, APMPValueSpan raw, APMPScope* scope, APMPExec& x) {
  switch (op) {
    case 1: case 30: {
      if (!exactly(2, raw, x)) return APMPRuntimeValue();
      APMPRuntimeValue first = APMPEvaluator::evaluateStatement(raw[0], scope, x);
      if (x.failed()) return APMPRuntimeValue();
      bool truth = first.booleanValue(x);
      if (x.failed()) return APMPRuntimeValue();
      if (truth == (op == 1)) return APMPEvaluator::evaluateStatement(raw[1], scope, x);
      return first;
    }
    case 28: {
      if (!exactly(1, raw, x)) return APMPRuntimeValue();
      APMPRuntimeValue v = APMPEvaluator::evaluateStatement(raw[0], scope, x);
      if (x.failed()) return APMPRuntimeValue();
      bool truth = v.booleanValue(x);
      if (x.failed()) return APMPRuntimeValue();
      return APMPRuntimeValue::boolean(!truth);
    }
    default:
      return APMPRuntimeValue();
  }
}

APMPRuntimeValue APMPBitwiseCommand(int op, APMPValueSpan raw, APMPScope* scope, APMPExec& x) {
  APMPArgs args;
  APMPEvaluateArguments(raw, scope, x, &args);
  if (x.failed()) return APMPRuntimeValue();
  if (op == 58) {
    if (!exactly(1, args, x)) return APMPRuntimeValue();
    double a = args[0].doubleValue(x);
    if (x.failed()) return APMPRuntimeValue();
    return numberResult(static_cast<double>(~APMPToInt32(a)));
  }
  if (!exactly(2, args, x)) return APMPRuntimeValue();
  double a = args[0].doubleValue(x);
  if (x.failed()) return APMPRuntimeValue();
  double b = args[1].doubleValue(x);
  if (x.failed()) return APMPRuntimeValue();
  int32_t ia = APMPToInt32(a), ib = APMPToInt32(b);
  uint32_t shift = APMPToUint32(b) & 31u;
  switch (op) {
    case 56: return numberResult(static_cast<double>(ia & ib));
    case 59: return numberResult(static_cast<double>(ia | ib));
    case 62: return numberResult(static_cast<double>(ia ^ ib));
    case 57: return numberResult(static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(ia) << shift)));
    case 60: return numberResult(static_cast<double>(ia >> shift));
    case 61: return numberResult(static_cast<double>(APMPToUint32(a) >> shift));
    default: return APMPRuntimeValue();
  }
}
