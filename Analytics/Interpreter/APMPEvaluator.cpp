#include "Analytics/Interpreter/APMPEvaluator.h"

#include <cmath>
#include <limits>

#include "Analytics/Interpreter/APMPArrayValue.h"
#include "Analytics/Interpreter/APMPCommands.h"
#include "Analytics/Interpreter/APMPFunctionValue.h"
#include "Analytics/Interpreter/APMPScope.h"
#include "Analytics/Interpreter/APMPStatementValue.h"
#include "Platform/Foundation/SaturatingCast.h"

namespace {

[[gnu::noinline]] APMPRuntimeValue callNamedFunction(APMPStatementValue* st, APMPScope* scope, APMPExec& x) {
  APMPRuntimeValue fn = scope->valueForName(st->functionName().asString());
  if (APMPFunctionValue* f = fn.asFunction()) return f->invoke(APMPValueSpan(st->arguments()), scope, x);
  return APMPRuntimeValue();
}

}  // namespace

APMPRuntimeValue APMPEvaluator::evaluateStatement(const APMPRuntimeValue& value, APMPScope* scope, APMPExec& x) {
  if (x.counter >= APMPExec::kStatementBudget) {
    x.fail(kAPMPErrBudget);
    return APMPRuntimeValue();
  }
  ++x.counter;
  if (!value.isStatement()) return value;
  APMPDepthGuard depth(x);
  if (!depth.ok()) return APMPRuntimeValue();
  APMPStatementValue* st = value.asStatement();
  APMPValueSpan args(st->arguments());
  int op = st->opcode();
  switch (op) {
    case 0: case 10: case 25: case 26: case 27: case 32: case 33: case 34: case 35: case 37:
      return APMPMathCommand(op, args, scope, x);
    case 12: case 18: case 19: case 20: case 21: case 23: case 24: case 29:
      return APMPComparisonCommand(op, args, scope, x);
    case 1: case 28: case 30:
      return APMPLogicalCommand(op, args, scope, x);
    case 56: case 57: case 58: case 59: case 60: case 61: case 62:
      return APMPBitwiseCommand(op, args, scope, x);
    case 2: case 4: case 5: case 6: case 9: case 13: case 22: case 36: case 38: case 39: case 46: case 50: case 51:
    case 53:
      return APMPControlCommand(op, args, scope, x);
    case 42: case 47: case 54: case 55: case 63: case 64: case 65: case 66:
      return APMPLoopCommand(op, args, scope, x);
    case 3: case 7: case 8: case 15: case 16: case 17: case 40: case 41: case 43: case 44: case 45: case 52:
      return APMPVariableCommand(op, args, scope, x);
    case -1:
      return callNamedFunction(st, scope, x);
    default:
      return APMPRuntimeValue();
  }
}

APMPRuntimeValue APMPEvaluator::executeStatements(APMPValueSpan statements, APMPScope* scope, APMPExec& x) {
  APMPRuntimeValue result;
  for (const APMPRuntimeValue& s : statements) {
    result = evaluateStatement(s, scope, x);
    if (x.failed()) return APMPRuntimeValue();
    if (result.isControl()) return result;
  }
  return result;
}

double APMPTruncate(double v) {
  if (std::isnan(v)) return 0;
  if (std::isinf(v) || v == 0) return v;
  return std::trunc(v);
}

uint32_t APMPToUint32(double v) {
  if (!std::isfinite(v)) return 0;
  double t = std::trunc(v);
  double m = std::fmod(t, 4294967296.0);
  if (m < 0) m += 4294967296.0;
  return static_cast<uint32_t>(m);
}

int32_t APMPToInt32(double v) { return static_cast<int32_t>(APMPToUint32(v)); }

int64_t APMPToInt64(double v) { return platform::SaturatingCast::toInt64(v); }

bool APMPIsArrayIndex(const APMPRuntimeValue& v) {
  double d;
  return APMPArrayValue::indexForKey(v, &d);
}
