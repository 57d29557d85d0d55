// The command evaluators behind the opcode dispatch (internal).
#pragma once

#include "Analytics/Interpreter/APMPArgs.h"
#include "Analytics/Interpreter/APMPExec.h"

class APMPScope;

// Math and bitwise: all arguments evaluated first.
APMPRuntimeValue APMPMathCommand(int opcode, APMPValueSpan args, APMPScope* scope, APMPExec& x);
APMPRuntimeValue APMPBitwiseCommand(int opcode, APMPValueSpan args, APMPScope* scope, APMPExec& x);
// Comparison: exactly two, then both evaluated.
APMPRuntimeValue APMPComparisonCommand(int opcode, APMPValueSpan args, APMPScope* scope, APMPExec& x);
// Logical: unevaluated.
APMPRuntimeValue APMPLogicalCommand(int opcode, APMPValueSpan args, APMPScope* scope, APMPExec& x);
// Control and loops: unevaluated.
APMPRuntimeValue APMPControlCommand(int opcode, APMPValueSpan args, APMPScope* scope, APMPExec& x);
APMPRuntimeValue APMPLoopCommand(int opcode, APMPValueSpan args, APMPScope* scope, APMPExec& x);
// Variables: all arguments evaluated first.
APMPRuntimeValue APMPVariableCommand(int opcode, APMPValueSpan args, APMPScope* scope, APMPExec& x);

// Loose equality ("12"); undefined with the error set on a conversion error.
APMPRuntimeValue APMPLooseEquals(const APMPRuntimeValue& a, const APMPRuntimeValue& b, APMPExec& x);
