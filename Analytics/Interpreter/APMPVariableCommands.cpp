// Variable commands: declarations, assignment, reads, literals, property
// access and type names.
#include "Analytics/Interpreter/APMPArrayValue.h"
#include "Analytics/Interpreter/APMPCommands.h"
#include "Analytics/Interpreter/APMPEvaluator.h"
#include "Analytics/Interpreter/APMPFunctionValue.h"
#include "Analytics/Interpreter/APMPHeap.h"
#include "Analytics/Interpreter/APMPMapValue.h"
#include "Analytics/Interpreter/APMPScope.h"

namespace {

APMPStringValue* nameOf(const APMPRuntimeValue& v, APMPExec& x) {
  APMPStringValue* s = v.asString();
  if (!s->interned()) x.chargeWork(s->text().size());
  return APMPHeap::current()->intern(s);
}

APMPPropertyMap* propertiesOf(const APMPRuntimeValue& v) {
  if (APMPMapValue* m = v.asMap()) return &m->properties();
  if (APMPFunctionValue* f = v.asFunction()) return &f->properties();
  return nullptr;
}

APMPRuntimeValue readProperty(const APMPRuntimeValue& object, const APMPRuntimeValue& key, APMPExec& x) {
  if (APMPArrayValue* a = object.asArray()) return a->valueForProperty(key, x);
  if (APMPPropertyMap* props = propertiesOf(object)) {
    std::u16string k = key.stringValue(x);
    if (x.failed()) return APMPRuntimeValue();
    return props->valueForName(APMPHeap::current()->intern(k));
  }
  if (APMPStringValue* s = object.asString()) {
    std::u16string k = key.stringValue(x);
    if (x.failed()) return APMPRuntimeValue();
    const std::u16string& text = s->text();
    if (k == u"length") return APMPRuntimeValue::number(static_cast<double>(text.size()));
    double index;
    if (APMPArrayValue::indexForKey(key, &index) && index < static_cast<double>(text.size()))
      return APMPRuntimeValue::string(std::u16string(1, text[static_cast<size_t>(index)]));
    return APMPRuntimeValue();
  }
  return APMPRuntimeValue();
}

}  // namespace

APMPRuntimeValue APMPVariableCommand(int op, APMPValueSpan raw, APMPScope* scope, APMPExec& x) {
  APMPArgs args;
  APMPEvaluateArguments(raw, scope, x, &args);
  if (x.failed()) return APMPRuntimeValue();
  switch (op) {
    case 15: {
      if (args.size() != 1) return APMPFail(x, kAPMPErrArgumentCount);
      if (!args[0].isString()) return APMPFail(x, kAPMPErrArgumentKind);
      APMPStringValue* name = nameOf(args[0], x);
      if (x.failed()) return APMPRuntimeValue();
      return scope->valueForName(name);
    }
    case 3: {
      if (args.size() != 2) return APMPFail(x, kAPMPErrArgumentCount);
      if (!args[0].isString()) return APMPFail(x, kAPMPErrArgumentKind);
      APMPStringValue* name = nameOf(args[0], x);
      if (x.failed()) return APMPRuntimeValue();
      if (!scope->hasName(name)) return APMPFail(x, kAPMPErrUndeclared);
      scope->setValue(name, args[1]);
      return args[1];
    }
    case 41: {
      for (size_t i = 0; i < args.size(); ++i) {
        if (!args[i].isString()) return APMPFail(x, kAPMPErrArgumentKind);
        scope->addValue(nameOf(args[i], x), APMPRuntimeValue());
      }
      return APMPRuntimeValue();
    }
    case 52: {
      if (args.size() % 2 != 0) return APMPFail(x, kAPMPErrArgumentCount);
      for (size_t i = 0; i < args.size(); i += 2) {
        if (!args[i].isString()) return APMPFail(x, kAPMPErrArgumentKind);
        scope->addImmutableValue(nameOf(args[i], x), args[i + 1]);
      }
      return APMPRuntimeValue();
    }
    case 7: {
      if (!x.chargeSlots(args.size())) return APMPRuntimeValue();
      APMPValueSpan s = args.span();
      return APMPRuntimeValue(new APMPArrayValue(std::vector<APMPRuntimeValue>(s.begin(), s.end())));
    }
    case 8: {
      if (args.size() % 2 != 0) return APMPFail(x, kAPMPErrArgumentCount);
      APMPRuntimeValue map(new APMPMapValue());
      for (size_t i = 0; i < args.size(); i += 2) {
        std::u16string k = args[i].stringValue(x);
        if (x.failed()) return APMPRuntimeValue();
        map.asMap()->properties().setValue(APMPHeap::current()->intern(k), args[i + 1]);
      }
      return map;
    }
    case 16: case 17: {
      if (args.size() != 2) return APMPFail(x, kAPMPErrArgumentCount);
      return readProperty(args[0], args[1], x);
    }
    case 43: {
      if (args.size() != 3) return APMPFail(x, kAPMPErrArgumentCount);
      const APMPRuntimeValue& object = args[0];
      if (object.isNothing()) return APMPFail(x, kAPMPErrPropertyOnNothing);
      if (APMPArrayValue* a = object.asArray()) {
        a->setValueForProperty(args[1], args[2], x);
      } else if (APMPPropertyMap* props = propertiesOf(object)) {
        std::u16string k = args[1].stringValue(x);
        if (x.failed()) return APMPRuntimeValue();
        props->setValue(APMPHeap::current()->intern(k), args[2]);
      }
      if (x.failed()) return APMPRuntimeValue();
      return args[2];
    }
    case 40: {
      if (args.size() != 1) return APMPFail(x, kAPMPErrArgumentCount);
      const char16_t* name;
      switch (args[0].kind()) {
        case APMPKind::kBoolean: name = u"boolean"; break;
        case APMPKind::kFunction: name = u"function"; break;
        case APMPKind::kNumber: name = u"number"; break;
        case APMPKind::kString: name = u"string"; break;
        case APMPKind::kUndefined: name = u"undefined"; break;
        default: name = u"object"; break;
      }
      return APMPRuntimeValue::string(std::u16string(name));
    }
    case 44: return APMPRuntimeValue();
    case 45: return APMPRuntimeValue::null();
    default: return APMPRuntimeValue();
  }
}
