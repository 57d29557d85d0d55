#include "Analytics/Interpreter/APMPArrayCommandEvaluator.h"

#include <algorithm>
#include <cmath>

#include "Analytics/Interpreter/APMPArrayValue.h"
#include "Analytics/Interpreter/APMPEvaluator.h"
#include "Analytics/Interpreter/APMPFunctionValue.h"

namespace {

enum Method {
  kNone, kConcat, kEvery, kSome, kFilter, kForEach, kMap, kReduce, kReduceRight, kHasOwnProperty, kIndexOf,
  kLastIndexOf, kJoin, kToString, kPop, kShift, kPush, kUnshift, kReverse, kSlice, kSplice, kSort,
};

Method methodFor(const std::u16string& n) {
  static const struct { const char16_t* name; Method m; } kTable[] = {
      {u"concat", kConcat}, {u"every", kEvery}, {u"some", kSome}, {u"filter", kFilter}, {u"forEach", kForEach},
      {u"map", kMap}, {u"reduce", kReduce}, {u"reduceRight", kReduceRight}, {u"hasOwnProperty", kHasOwnProperty},
      {u"indexOf", kIndexOf}, {u"lastIndexOf", kLastIndexOf}, {u"join", kJoin}, {u"toString", kToString},
      {u"pop", kPop}, {u"shift", kShift}, {u"push", kPush}, {u"unshift", kUnshift}, {u"reverse", kReverse},
      {u"slice", kSlice}, {u"splice", kSplice}, {u"sort", kSort},
  };
  for (const auto& e : kTable)
    if (n == e.name) return e.m;
  return kNone;
}

double integerOf(const APMPRuntimeValue& v, APMPExec& x) { return APMPTruncate(v.doubleValue(x)); }

// Callback iteration; `step` returns false to stop.
template <typename Step>
void iterate(const APMPRuntimeValue& arrayValue, APMPValueSpan args, APMPScope* scope, APMPExec& x, Step step) {
  if (args.size() != 1) {
    x.fail(kAPMPErrArgumentCount);
    return;
  }
  APMPFunctionValue* fn = args[0].asFunction();
  if (!fn) {
    x.fail(kAPMPErrArgumentKind);
    return;
  }
  APMPArrayValue* array = arrayValue.asArray();
  size_t length = array->count();
  for (size_t i = 0; i < length; ++i) {
    APMPRuntimeValue index = APMPRuntimeValue::number(static_cast<double>(i));
    bool present = array->hasProperty(index, x);
    if (x.failed()) return;
    if (!present) continue;
    APMPRuntimeValue element = array->valueForProperty(index, x);
    if (x.failed()) return;
    APMPRuntimeValue callArgs[3] = {element, index, arrayValue};
    APMPRuntimeValue result = fn->invoke(APMPValueSpan(callArgs, 3), scope, x);
    if (x.failed()) return;
    if (!step(element, i, result)) return;
    if (x.failed()) return;
  }
}

APMPRuntimeValue reduce(const APMPRuntimeValue& arrayValue, APMPValueSpan args, bool fromBack, APMPScope* scope,
                        APMPExec& x) {
  if (args.empty() || args.size() > 2) return APMPFail(x, kAPMPErrArgumentCount);
  APMPFunctionValue* fn = args[0].asFunction();
  if (!fn) return APMPFail(x, kAPMPErrArgumentKind);
  APMPArrayValue* array = arrayValue.asArray();
  size_t length = array->count();
  bool haveAccumulator = args.size() == 2;
  APMPRuntimeValue accumulator;
  if (haveAccumulator) {
    if (args[1].isControl()) return APMPFail(x, kAPMPErrArgumentKind);
    accumulator = args[1];
  }
  for (size_t step = 0; step < length; ++step) {
    size_t i = fromBack ? length - 1 - step : step;
    APMPRuntimeValue index = APMPRuntimeValue::number(static_cast<double>(i));
    bool present = array->hasProperty(index, x);
    if (x.failed()) return APMPRuntimeValue();
    if (!present) continue;
    APMPRuntimeValue element = array->valueForProperty(index, x);
    if (x.failed()) return APMPRuntimeValue();
    if (!haveAccumulator) {
      accumulator = element;
      haveAccumulator = true;
      continue;
    }
    APMPRuntimeValue callArgs[4] = {accumulator, element, index, arrayValue};
    accumulator = fn->invoke(APMPValueSpan(callArgs, 4), scope, x);
    if (x.failed()) return APMPRuntimeValue();
  }
  if (!haveAccumulator) return APMPFail(x, kAPMPErrEmptyReduce);
  return accumulator;
}

}  // namespace

const APMPArrayCommandEvaluator& APMPArrayCommandEvaluator::sharedInstance() {
  static const APMPArrayCommandEvaluator instance;
  return instance;
}

bool APMPArrayCommandEvaluator::supports(const std::u16string& name) { return methodFor(name) != kNone; }

APMPRuntimeValue APMPArrayCommandEvaluator::evaluateCommand(const std::u16string& name, const APMPRuntimeValue& self,
                                                            APMPValueSpan raw, APMPScope* scope, APMPExec& x) const {
  Method m = methodFor(name);
  if (m == kNone) return APMPFail(x, kAPMPErrUnknownMethod);
  APMPArgs evaluated;
  APMPEvaluateArguments(raw, scope, x, &evaluated);
  if (x.failed()) return APMPRuntimeValue();
  APMPValueSpan args = evaluated.span();
  APMPArrayValue* array = self.asArray();
  double n = static_cast<double>(array->count());
  switch (m) {
    case kConcat: {
      APMPRuntimeValue result(new APMPArrayValue());
      APMPArrayValue* out = result.asArray();
      out->concat(self, x);
      for (const APMPRuntimeValue& a : args) {
        if (x.failed()) break;
        out->concat(a, x);
      }
      if (x.failed()) return APMPRuntimeValue();
      return result;
    }
    case kEvery: {
      bool all = true;
      iterate(self, args, scope, x, [&](const APMPRuntimeValue&, size_t, const APMPRuntimeValue& r) {
        if (!r.booleanValue(x)) all = false;
        return all;
      });
      if (x.failed()) return APMPRuntimeValue();
      return APMPRuntimeValue::boolean(all);
    }
    case kSome: {
      bool any = false;
      iterate(self, args, scope, x, [&](const APMPRuntimeValue&, size_t, const APMPRuntimeValue& r) {
        if (r.booleanValue(x)) any = true;
        return !any;
      });
      if (x.failed()) return APMPRuntimeValue();
      return APMPRuntimeValue::boolean(any);
    }
    case kFilter: {
      APMPRuntimeValue result(new APMPArrayValue());
      iterate(self, args, scope, x, [&](const APMPRuntimeValue& e, size_t, const APMPRuntimeValue& r) {
        if (r.booleanValue(x) && !x.failed()) result.asArray()->appendElements(APMPValueSpan(&e, 1), x);
        return true;
      });
      if (x.failed()) return APMPRuntimeValue();
      return result;
    }
    case kForEach:
      iterate(self, args, scope, x, [](const APMPRuntimeValue&, size_t, const APMPRuntimeValue&) { return true; });
      return APMPRuntimeValue();
    case kMap: {
      APMPRuntimeValue result(new APMPArrayValue());
      iterate(self, args, scope, x, [&](const APMPRuntimeValue&, size_t i, const APMPRuntimeValue& r) {
        result.asArray()->setValueForProperty(APMPRuntimeValue::number(static_cast<double>(i)), r, x);
        return true;
      });
      if (x.failed()) return APMPRuntimeValue();
      return result;
    }
    case kReduce: return reduce(self, args, false, scope, x);
    case kReduceRight: return reduce(self, args, true, scope, x);
    case kHasOwnProperty: {
      if (args.size() != 1) return APMPFail(x, kAPMPErrArgumentCount);
      std::u16string key = args[0].stringValue(x);
      if (x.failed()) return APMPRuntimeValue();
      if (key == u"length") return APMPRuntimeValue::boolean(true);
      bool has = array->hasProperty(args[0], x);
      if (x.failed()) return APMPRuntimeValue();
      return APMPRuntimeValue::boolean(has);
    }
    case kIndexOf: {
      if (args.size() > 2) return APMPFail(x, kAPMPErrArgumentCount);
      APMPRuntimeValue searched = args.empty() ? APMPRuntimeValue() : args[0];
      double start = 0;
      if (args.size() == 2) {
        start = integerOf(args[1], x);
        if (x.failed()) return APMPRuntimeValue();
      }
      if (start >= n) return APMPRuntimeValue::number(-1);
      if (start < 0) start = std::max(0.0, n + start);
      return APMPRuntimeValue::number(array->indexOfValue(searched, start, x));
    }
    case kLastIndexOf: {
      if (args.size() > 2) return APMPFail(x, kAPMPErrArgumentCount);
      APMPRuntimeValue searched = args.empty() ? APMPRuntimeValue() : args[0];
      double start = n - 1;
      if (args.size() == 2) {
        double d = args[1].doubleValue(x);
        if (x.failed()) return APMPRuntimeValue();
        if (!std::isnan(d)) start = APMPTruncate(d);
      }
      if (start < 0) start = n + start;
      if (start < 0) return APMPRuntimeValue::number(-1);
      if (start > n - 1) start = n - 1;
      return APMPRuntimeValue::number(array->lastIndexOfValue(searched, start, x));
    }
    case kJoin: {
      if (args.size() > 1) return APMPFail(x, kAPMPErrArgumentCount);
      std::u16string separator = u",";
      if (args.size() == 1) {
        if (args[0].isNothing()) separator.clear();
        else separator = args[0].stringValue(x);
        if (x.failed()) return APMPRuntimeValue();
      }
      std::u16string s = array->stringValueWithSeparator(separator, x);
      if (x.failed()) return APMPRuntimeValue();
      return APMPRuntimeValue::string(std::move(s));
    }
    case kToString: {
      if (!args.empty()) return APMPFail(x, kAPMPErrArgumentCount);
      std::u16string s = self.stringValue(x);
      if (x.failed()) return APMPRuntimeValue();
      return APMPRuntimeValue::string(std::move(s));
    }
    case kPop:
    case kShift: {
      if (!args.empty()) return APMPFail(x, kAPMPErrArgumentCount);
      APMPRuntimeValue v = m == kPop ? array->removeLastElement() : array->removeFirstElement();
      return v.isHole() ? APMPRuntimeValue() : v;
    }
    case kPush: {
      size_t count = array->appendElements(args, x);
      if (x.failed()) return APMPRuntimeValue();
      return APMPRuntimeValue::number(static_cast<double>(count));
    }
    case kUnshift: {
      size_t count = array->prependElements(args, x);
      if (x.failed()) return APMPRuntimeValue();
      return APMPRuntimeValue::number(static_cast<double>(count));
    }
    case kReverse:
      if (!args.empty()) return APMPFail(x, kAPMPErrArgumentCount);
      array->reverse();
      return self;
    case kSlice: {
      if (args.size() > 2) return APMPFail(x, kAPMPErrArgumentCount);
      double start = 0, end = n;
      if (!args.empty()) {
        start = integerOf(args[0], x);
        if (x.failed()) return APMPRuntimeValue();
        if (start < 0) start += n;
        start = std::clamp(start, 0.0, n);
      }
      if (args.size() == 2) {
        end = integerOf(args[1], x);
        if (x.failed()) return APMPRuntimeValue();
        if (end < 0) end += n;
      }
      end = std::clamp(end, start, n);
      return array->subarray(start, end - start, x);
    }
    case kSplice: {
      if (args.empty()) return APMPRuntimeValue(new APMPArrayValue());
      double start = integerOf(args[0], x);
      if (x.failed()) return APMPRuntimeValue();
      if (start < 0) start += n;
      start = std::clamp(start, 0.0, n);
      double count = n - start;
      if (args.size() >= 2) {
        count = integerOf(args[1], x);
        if (x.failed()) return APMPRuntimeValue();
        count = std::clamp(count, 0.0, n - start);
      }
      APMPValueSpan inserted = args.size() > 2 ? APMPValueSpan(args.data + 2, args.size() - 2) : APMPValueSpan();
      return array->splice(start, count, inserted, x);
    }
    case kSort: {
      if (args.size() > 1) return APMPFail(x, kAPMPErrArgumentCount);
      if (array->count() <= 1) return self;
      if (!args.empty() && !args[0].isFunction()) return APMPFail(x, kAPMPErrArgumentKind);
      array->sortUsingFunction(args.empty() ? APMPRuntimeValue() : args[0], scope, x);
      return self;
    }
    case kNone: break;
  }
  return APMPRuntimeValue();
}
