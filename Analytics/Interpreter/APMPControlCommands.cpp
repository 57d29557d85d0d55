// Control commands: blocks, lists, conditionals, switch, jumps, functions
// and method calls.
#include "Analytics/Interpreter/APMPArrayValue.h"
#include "Analytics/Interpreter/APMPCommands.h"
#include "Analytics/Interpreter/APMPEvaluator.h"
#include "Analytics/Interpreter/APMPFunctionValue.h"
#include "Analytics/Interpreter/APMPHeap.h"
#include "Analytics/Interpreter/APMPScope.h"

namespace {

APMPRuntimeValue runList(const APMPRuntimeValue& list, APMPScope* scope, APMPExec& x) {
  std::vector<APMPRuntimeValue> elements = list.asArray()->allElements(x);
  if (x.failed()) return APMPRuntimeValue();
  return APMPEvaluator::executeStatements(elements, scope, x);
}

APMPRuntimeValue makeFunction(APMPValueSpan args, APMPScope* scope, APMPExec& x) {
  if (args.size() < 2) return APMPFail(x, kAPMPErrArgumentCount);
  std::u16string name = args[0].stringValue(x);
  if (x.failed()) return APMPRuntimeValue();
  APMPRuntimeValue params = APMPEvaluator::evaluateStatement(args[1], scope, x);
  if (x.failed()) return APMPRuntimeValue();
  APMPArrayValue* list = params.asArray();
  if (!list) return APMPFail(x, kAPMPErrArgumentKind);
  std::vector<APMPRuntimeValue> names;
  std::vector<APMPRuntimeValue> elements = list->allElements(x);
  if (x.failed()) return APMPRuntimeValue();
  for (const APMPRuntimeValue& e : elements) {
    std::u16string n = e.stringValue(x);
    if (x.failed()) return APMPRuntimeValue();
    names.emplace_back(APMPHeap::current()->intern(n));
  }
  std::vector<APMPRuntimeValue> body(args.begin() + 2, args.end());
  return APMPRuntimeValue(new APMPFunctionValue(std::move(name), std::move(names), std::move(body), scope));
}

APMPRuntimeValue switchCommand(APMPValueSpan args, APMPScope* scope, APMPExec& x) {
  if (args.size() != 3) return APMPFail(x, kAPMPErrArgumentCount);
  APMPRuntimeValue discriminant = APMPEvaluator::evaluateStatement(args[0], scope, x);
  if (x.failed()) return APMPRuntimeValue();
  APMPRuntimeValue caseList = APMPEvaluator::evaluateStatement(args[1], scope, x);
  if (x.failed()) return APMPRuntimeValue();
  APMPRuntimeValue bodyList = APMPEvaluator::evaluateStatement(args[2], scope, x);
  if (x.failed()) return APMPRuntimeValue();
  if (!caseList.isArray() || !bodyList.isArray()) return APMPFail(x, kAPMPErrArgumentCount);
  std::vector<APMPRuntimeValue> cases = caseList.asArray()->allElements(x);
  std::vector<APMPRuntimeValue> bodies = bodyList.asArray()->allElements(x);
  if (x.failed()) return APMPRuntimeValue();
  size_t matched = cases.size();
  for (size_t i = 0; i < cases.size(); ++i) {
    APMPRuntimeValue c = APMPEvaluator::evaluateStatement(cases[i], scope, x);
    if (x.failed()) return APMPRuntimeValue();
    if (APMPStrictEquals(c, discriminant, x)) {
      matched = i;
      break;
    }
  }
  bool hasDefault = bodies.size() == cases.size() + 1;
  size_t end = std::min(cases.size(), bodies.size());
  for (size_t j = matched; j < end; ++j) {
    APMPRuntimeValue r = APMPEvaluator::evaluateStatement(bodies[j], scope, x);
    if (x.failed()) return APMPRuntimeValue();
    if (r.kind() == APMPKind::kBreak) return APMPRuntimeValue();
    if (r.isControl()) return r;
  }
  if (hasDefault) {
    APMPRuntimeValue r = APMPEvaluator::evaluateStatement(bodies.back(), scope, x);
    if (x.failed()) return APMPRuntimeValue();
    if (r.isControl() && r.kind() != APMPKind::kBreak) return r;
  }
  return APMPRuntimeValue();
}

}  // namespace

APMPRuntimeValue APMPControlCommand(int op, APMPValueSpan args, APMPScope* scope, APMPExec& x) {
  switch (op) {
    case 53: {
      APMPRuntimeValue child(scope->createChildScope());
      return APMPEvaluator::executeStatements(args, static_cast<APMPScope*>(child.object()), x);
    }
    case 5: case 9: {
      if (args.size() != 1) return APMPFail(x, kAPMPErrArgumentCount);
      APMPRuntimeValue list = APMPEvaluator::evaluateStatement(args[0], scope, x);
      if (x.failed()) return APMPRuntimeValue();
      if (!list.isArray()) return APMPFail(x, kAPMPErrArgumentKind);
      return runList(list, scope, x);
    }
    case 46: {
      if (!x.chargeSlots(args.size())) return APMPRuntimeValue();
      return APMPRuntimeValue(new APMPArrayValue(std::vector<APMPRuntimeValue>(args.begin(), args.end())));
    }
    case 13: {
      if (args.empty()) return APMPFail(x, kAPMPErrArgumentCount);
      APMPRuntimeValue last;
      for (const APMPRuntimeValue& a : args) {
        last = APMPEvaluator::evaluateStatement(a, scope, x);
        if (x.failed()) return APMPRuntimeValue();
        if (last.isControl()) return APMPFail(x, kAPMPErrArgumentKind);
      }
      return last;
    }
    case 22: {
      if (args.empty() || args.size() > 3) return APMPFail(x, kAPMPErrArgumentCount);
      APMPRuntimeValue cond = APMPEvaluator::evaluateStatement(args[0], scope, x);
      if (x.failed()) return APMPRuntimeValue();
      bool truth = cond.booleanValue(x);
      if (x.failed()) return APMPRuntimeValue();
      size_t branch = truth ? 1 : 2;
      if (branch >= args.size()) return APMPRuntimeValue();
      APMPRuntimeValue v = APMPEvaluator::evaluateStatement(args[branch], scope, x);
      if (x.failed()) return APMPRuntimeValue();
      if (v.isArray()) return runList(v, scope, x);
      return v;
    }
    case 39: {
      if (args.size() != 3) return APMPFail(x, kAPMPErrArgumentCount);
      APMPRuntimeValue cond = APMPEvaluator::evaluateStatement(args[0], scope, x);
      if (x.failed()) return APMPRuntimeValue();
      bool truth = cond.booleanValue(x);
      if (x.failed()) return APMPRuntimeValue();
      return APMPEvaluator::evaluateStatement(args[truth ? 1 : 2], scope, x);
    }
    case 38:
      return switchCommand(args, scope, x);
    case 4:
      if (!args.empty()) return APMPFail(x, kAPMPErrArgumentCount);
      return APMPRuntimeValue::breakValue();
    case 6:
      if (!args.empty()) return APMPFail(x, kAPMPErrArgumentCount);
      return APMPRuntimeValue::continueValue();
    case 36: {
      if (args.size() > 1) return APMPFail(x, kAPMPErrArgumentCount);
      if (args.empty()) return APMPRuntimeValue::returnValue(APMPRuntimeValue());
      APMPRuntimeValue v = APMPEvaluator::evaluateStatement(args[0], scope, x);
      if (x.failed()) return APMPRuntimeValue();
      return APMPRuntimeValue::returnValue(std::move(v));
    }
    case 51:
      return makeFunction(args, scope, x);
    case 50: {
      APMPRuntimeValue fn = makeFunction(args, scope, x);
      if (x.failed()) return APMPRuntimeValue();
      scope->setValue(APMPHeap::current()->intern(fn.asFunction()->functionName()), fn);
      return fn;
    }
    case 2: {
      if (args.size() != 3) return APMPFail(x, kAPMPErrArgumentCount);
      APMPArgs evaluated;
      APMPEvaluateArguments(args, scope, x, &evaluated);
      if (x.failed()) return APMPRuntimeValue();
      if (!evaluated[1].isString() || !evaluated[2].isArray()) return APMPFail(x, kAPMPErrArgumentKind);
      std::vector<APMPRuntimeValue> methodArgs = evaluated[2].asArray()->allElements(x);
      if (x.failed()) return APMPRuntimeValue();
      return evaluated[0].apply(evaluated[1].asString()->text(), methodArgs, scope, x);
    }
    default:
      return APMPRuntimeValue();
  }
}
