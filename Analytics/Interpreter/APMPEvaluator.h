// Evaluation of values and statement lists: the statement budget, the depth
// limit and the dispatch of every opcode.
#pragma once

#include "Analytics/Interpreter/APMPArgs.h"
#include "Analytics/Interpreter/APMPExec.h"

class APMPScope;

class APMPEvaluator {
 public:
  // evaluateStatement:scope:error: — a non-statement evaluates to itself.
  static APMPRuntimeValue evaluateStatement(const APMPRuntimeValue& value, APMPScope* scope, APMPExec& x);
  // executeStatements:scope:error: — stops at the first control value.
  static APMPRuntimeValue executeStatements(APMPValueSpan statements, APMPScope* scope, APMPExec& x);
};

// Shared command routines.
// Records the error code and gives the empty value: `return APMPFail(x, code);`.
inline APMPRuntimeValue APMPFail(APMPExec& x, int32_t code) {
  x.fail(code);
  return APMPRuntimeValue();
}
double APMPTruncate(double v);  // NaN -> 0, infinities and zeros unchanged
int32_t APMPToInt32(double v);
uint32_t APMPToUint32(double v);
// Saturating: NaN -> 0, out of range and infinities -> nearest limit.
int64_t APMPToInt64(double v);
bool APMPIsArrayIndex(const APMPRuntimeValue& v);
bool APMPStringEquals(const APMPRuntimeValue& a, const APMPRuntimeValue& b, APMPExec& x);
bool APMPNumberEquals(const APMPRuntimeValue& a, const APMPRuntimeValue& b, APMPExec& x);
