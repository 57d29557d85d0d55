// Loop commands: the general loop, the counted loop with per-iteration
// copies, and iteration over keys and values.
#include "Analytics/Interpreter/APMPArrayValue.h"
#include "Analytics/Interpreter/APMPCommands.h"
#include "Analytics/Interpreter/APMPEvaluator.h"
#include "Analytics/Interpreter/APMPFunctionValue.h"
#include "Analytics/Interpreter/APMPHeap.h"
#include "Analytics/Interpreter/APMPMapValue.h"
#include "Analytics/Interpreter/APMPScope.h"
#include "Analytics/Interpreter/APMPText.h"

namespace {

enum class BodyRun { kGoOn, kStop, kReturn };

// Loop body run: go on, stop (error or break), or stop with a return value.
BodyRun runBody(const std::vector<APMPRuntimeValue>& body, APMPScope* scope, APMPExec& x, APMPRuntimeValue* ret) {
  APMPRuntimeValue r = APMPEvaluator::executeStatements(body, scope, x);
  if (x.failed() || r.kind() == APMPKind::kBreak) return BodyRun::kStop;
  if (r.isReturn()) {
    *ret = std::move(r);
    return BodyRun::kReturn;
  }
  return BodyRun::kGoOn;
}

bool condition(const APMPRuntimeValue& cond, APMPScope* scope, APMPExec& x) {
  APMPRuntimeValue c = APMPEvaluator::evaluateStatement(cond, scope, x);
  if (x.failed()) return false;
  bool truth = c.booleanValue(x);
  return !x.failed() && truth;
}

APMPRuntimeValue generalLoop(APMPValueSpan args, APMPScope* scope, APMPExec& x) {
  if (args.size() != 4) return APMPFail(x, kAPMPErrArgumentCount);
  APMPRuntimeValue flagValue = APMPEvaluator::evaluateStatement(args[2], scope, x);
  if (x.failed()) return APMPRuntimeValue();
  bool bodyFirst = flagValue.booleanValue(x);
  if (x.failed()) return APMPRuntimeValue();
  APMPRuntimeValue bodyValue = APMPEvaluator::evaluateStatement(args[3], scope, x);
  if (x.failed()) return APMPRuntimeValue();
  if (!bodyValue.isArray()) return APMPFail(x, kAPMPErrArgumentKind);
  std::vector<APMPRuntimeValue> body = bodyValue.asArray()->allElements(x);
  if (x.failed()) return APMPRuntimeValue();
  APMPRuntimeValue ret;
  if (bodyFirst) {
    BodyRun r = runBody(body, scope, x, &ret);
    if (r == BodyRun::kStop) return APMPRuntimeValue();
    if (r == BodyRun::kReturn) return ret;
  }
  while (condition(args[0], scope, x)) {
    BodyRun r = runBody(body, scope, x, &ret);
    if (r == BodyRun::kStop) return APMPRuntimeValue();
    if (r == BodyRun::kReturn) return ret;
    APMPEvaluator::evaluateStatement(args[1], scope, x);
    if (x.failed()) return APMPRuntimeValue();
  }
  return APMPRuntimeValue();
}

APMPRuntimeValue countedLoop(APMPValueSpan args, APMPScope* scope, APMPExec& x) {
  if (args.size() != 4) return APMPFail(x, kAPMPErrArgumentCount);
  APMPRuntimeValue namesValue = APMPEvaluator::evaluateStatement(args[0], scope, x);
  if (x.failed()) return APMPRuntimeValue();
  if (!namesValue.isArray()) return APMPFail(x, kAPMPErrArgumentKind);
  APMPRuntimeValue bodyValue = APMPEvaluator::evaluateStatement(args[3], scope, x);
  if (x.failed()) return APMPRuntimeValue();
  if (!bodyValue.isArray()) return APMPFail(x, kAPMPErrArgumentKind);
  std::vector<APMPRuntimeValue> body = bodyValue.asArray()->allElements(x);
  std::vector<APMPRuntimeValue> nameValues = namesValue.asArray()->allElements(x);
  if (x.failed()) return APMPRuntimeValue();
  std::vector<APMPStringValue*> names;
  std::vector<APMPRuntimeValue> holdNames;
  for (const APMPRuntimeValue& n : nameValues) {
    std::u16string s = n.stringValue(x);
    if (x.failed()) return APMPRuntimeValue();
    APMPStringValue* name = APMPHeap::current()->intern(s);
    holdNames.emplace_back(name);
    names.push_back(name);
  }
  APMPRuntimeValue iteration(scope->createChildScope());
  auto* iter = static_cast<APMPScope*>(iteration.object());
  for (APMPStringValue* n : names) iter->addValue(n, scope->valueForName(n));
  APMPRuntimeValue ret;
  while (condition(args[1], iter, x)) {
    BodyRun r = runBody(body, iter, x, &ret);
    if (r == BodyRun::kStop) return APMPRuntimeValue();
    if (r == BodyRun::kReturn) return ret;
    APMPRuntimeValue next(scope->createChildScope());
    auto* nextScope = static_cast<APMPScope*>(next.object());
    for (APMPStringValue* n : names) nextScope->addValue(n, iter->valueForName(n));
    iteration = std::move(next);
    iter = nextScope;
    APMPEvaluator::evaluateStatement(args[2], iter, x);
    if (x.failed()) return APMPRuntimeValue();
  }
  return APMPRuntimeValue();
}

APMPRuntimeValue iterationLoop(int op, APMPValueSpan raw, APMPScope* scope, APMPExec& x) {
  if (raw.size() != 3) return APMPFail(x, kAPMPErrArgumentCount);
  APMPArgs args;
  APMPEvaluateArguments(raw, scope, x, &args);
  if (x.failed()) return APMPRuntimeValue();
  std::u16string nameText = args[0].stringValue(x);
  if (x.failed()) return APMPRuntimeValue();
  APMPRuntimeValue name(APMPHeap::current()->intern(nameText));
  const APMPRuntimeValue& collection = args[1];
  if (!args[2].isArray()) return APMPFail(x, kAPMPErrArgumentKind);
  std::vector<APMPRuntimeValue> body = args[2].asArray()->allElements(x);
  if (x.failed()) return APMPRuntimeValue();
  bool keys = op == 47 || op == 54 || op == 55;
  std::vector<APMPRuntimeValue> items;
  if (keys) {
    if (APMPStringValue* s = collection.asString()) {
      if (!x.chargeWork(s->text().size())) return APMPRuntimeValue();
      for (size_t i = 0; i < s->text().size(); ++i)
        items.push_back(APMPRuntimeValue::string(APMPNumberToText(static_cast<double>(i))));
    } else if (APMPArrayValue* a = collection.asArray()) {
      if (!x.chargeWork(a->count() + a->properties().size())) return APMPRuntimeValue();
      items = a->allPropertyNames();
    } else if (collection.isMap() || collection.isFunction()) {
      const APMPPropertyMap& props =
          collection.isMap() ? collection.asMap()->properties() : collection.asFunction()->properties();
      if (!x.chargeWork(props.size())) return APMPRuntimeValue();
      for (const auto& e : props.entries()) items.push_back(e.name);
    } else {
      return APMPRuntimeValue();
    }
  } else {
    if (APMPStringValue* s = collection.asString()) {
      if (!x.chargeWork(s->text().size())) return APMPRuntimeValue();
      for (char16_t c : s->text()) items.push_back(APMPRuntimeValue::string(std::u16string(1, c)));
    } else if (APMPArrayValue* a = collection.asArray()) {
      items = a->allElements(x);
      if (x.failed()) return APMPRuntimeValue();
    } else {
      return APMPFail(x, kAPMPErrNotIterable);
    }
  }
  bool assigning = op == 47 || op == 64;
  bool constant = op == 54 || op == 65;
  APMPRuntimeValue ret;
  for (const APMPRuntimeValue& item : items) {
    APMPRuntimeValue binding;
    APMPScope* bodyScope = scope;
    if (assigning) {
      scope->setValue(name.asString(), item);
    } else {
      binding = APMPRuntimeValue(scope->createChildScope());
      bodyScope = static_cast<APMPScope*>(binding.object());
      if (constant) bodyScope->addImmutableValue(name.asString(), item);
      else bodyScope->addValue(name.asString(), item);
    }
    BodyRun r = runBody(body, bodyScope, x, &ret);
    if (r == BodyRun::kStop) return APMPRuntimeValue();
    if (r == BodyRun::kReturn) return ret;
  }
  return APMPRuntimeValue();
}

}  // namespace

APMPRuntimeValue APMPLoopCommand(int op, APMPValueSpan args, APMPScope* scope, APMPExec& x) {
  switch (op) {
    case 42: return generalLoop(args, scope, x);
    case 63: return countedLoop(args, scope, x);
    default: return iterationLoop(op, args, scope, x);
  }
}
