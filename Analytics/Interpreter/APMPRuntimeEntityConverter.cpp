#include "Analytics/Interpreter/APMPRuntimeEntityConverter.h"

#include <cmath>
#include <limits>

#include "Analytics/Interpreter/APMPArrayValue.h"
#include "Analytics/Interpreter/APMPExec.h"
#include "Analytics/Interpreter/APMPHeap.h"
#include "Analytics/Interpreter/APMPMapValue.h"
#include "Analytics/Interpreter/APMPStatementValue.h"
#include "Analytics/Interpreter/APMPText.h"

namespace {

void setError(APMPError* error, int32_t code) {
  if (error && !*error) *error = APMPError::interpreter(code);
}

APMPRuntimeValue convertEntity(const APMPEntity& e, APMPError* error, int depth);

APMPRuntimeValue convertStatement(const APMPEntity& e, APMPError* error, int depth) {
  if (!e.functionName) {
    setError(error, kAPMPErrNoFunctionName);
    return APMPRuntimeValue();
  }
  if (depth > APMPRuntimeEntityConverter::kMaxNesting) {
    setError(error, kAPMPErrBudget);
    return APMPRuntimeValue();
  }
  std::vector<APMPRuntimeValue> args;
  args.reserve(e.arguments.size());
  for (const APMPEntity& a : e.arguments) {
    APMPError local;
    APMPRuntimeValue v = convertEntity(a, &local, depth + 1);
    if (local) {
      if (error && !*error) *error = local;
      return APMPRuntimeValue();
    }
    args.push_back(std::move(v));
  }
  return APMPRuntimeValue(new APMPStatementValue(APMPUtf16(*e.functionName), std::move(args)));
}

APMPRuntimeValue convertEntity(const APMPEntity& e, APMPError* error, int depth) {
  switch (e.type.value_or(0)) {
    case 1: return APMPRuntimeEntityConverter::stringValueFromRuntimeEntity(e);
    case 2: return APMPRuntimeEntityConverter::numberValueFromRuntimeEntity(e);
    case 3: return APMPRuntimeEntityConverter::booleanValueFromRuntimeEntity(e);
    case 4: return convertStatement(e, error, depth);
    default:
      setError(error, kAPMPErrBadEntityType);
      return APMPRuntimeValue();
  }
}

bool charge(APMPExec* run, size_t units, APMPError* error) {
  if (!run || run->chargeWork(units)) return true;
  if (error && !*error) *error = run->error;
  return false;
}

APMPRuntimeValue fromObject(const APMPPlatformObject& o, APMPError* error, int depth, APMPExec* run) {
  if (!charge(run, 1 + (o.isString() ? o.stringValue().size() : 0), error)) return APMPRuntimeValue();
  if (depth > APMPRuntimeEntityConverter::kMaxNesting) {
    setError(error, kAPMPErrBudget);
    return APMPRuntimeValue();
  }
  switch (o.type()) {
    case APMPPlatformObject::Type::kNil: return APMPRuntimeValue::null();
    case APMPPlatformObject::Type::kBoolean: return APMPRuntimeValue::boolean(o.boolValue());
    case APMPPlatformObject::Type::kInteger:
    case APMPPlatformObject::Type::kDouble:
      return APMPRuntimeValue::number(o.doubleValue());
    case APMPPlatformObject::Type::kString: {
      std::u16string s = APMPUtf16(o.stringValue());
      if (s.size() > APMPExec::kMaxStringLength) {
        setError(error, kAPMPErrArgumentKind);
        return APMPRuntimeValue();
      }
      return APMPRuntimeValue::string(std::move(s));
    }
    case APMPPlatformObject::Type::kArray: {
      std::vector<APMPRuntimeValue> elements;
      for (const APMPPlatformObject& e : o.arrayValue()) {
        APMPRuntimeValue v = fromObject(e, error, depth + 1, run);
        if (error && *error) return APMPRuntimeValue();
        elements.push_back(std::move(v));
      }
      return APMPRuntimeValue(new APMPArrayValue(std::move(elements)));
    }
    case APMPPlatformObject::Type::kDictionary: {
      APMPRuntimeValue map(new APMPMapValue());
      for (const auto& [k, v] : o.dictionaryValue()) {
        APMPRuntimeValue value = fromObject(v, error, depth + 1, run);
        if (error && *error) return APMPRuntimeValue();
        map.asMap()->properties().setValue(APMPHeap::current()->intern(APMPUtf16(k)), std::move(value));
      }
      return map;
    }
  }
  setError(error, kAPMPErrBadObject);
  return APMPRuntimeValue();
}

APMPPlatformObject toObject(const APMPRuntimeValue& v, APMPError* error, int depth, APMPExec* run);

APMPPlatformObject::Dictionary toDictionary(APMPMapValue* map, APMPError* error, int depth, APMPExec* run) {
  APMPPlatformObject::Dictionary out;
  if (map->converting || depth > APMPRuntimeEntityConverter::kMaxNesting) {
    setError(error, map->converting ? kAPMPErrArgumentKind : kAPMPErrBudget);
    return out;
  }
  map->converting = true;
  for (const auto& e : map->properties().entries()) {
    APMPPlatformObject o = toObject(e.value, error, depth + 1, run);
    if (error && *error) break;
    if (!o.isNil()) out[APMPUtf8(e.name.asString()->text())] = std::move(o);
  }
  map->converting = false;
  return out;
}

APMPPlatformObject toObject(const APMPRuntimeValue& v, APMPError* error, int depth, APMPExec* run) {
  if (!charge(run, 1 + (v.isString() ? v.asString()->text().size() : 0), error)) return APMPPlatformObject();
  switch (v.kind()) {
    case APMPKind::kNull: return APMPPlatformObject();
    case APMPKind::kUndefined: return APMPPlatformObject::string("");
    case APMPKind::kMap: {
      APMPPlatformObject::Dictionary d = toDictionary(v.asMap(), error, depth, run);
      return APMPPlatformObject::dictionary(std::move(d));
    }
    case APMPKind::kArray: {
      APMPArrayValue* a = v.asArray();
      APMPPlatformObject::Array out;
      if (a->converting || depth > APMPRuntimeEntityConverter::kMaxNesting) {
        setError(error, a->converting ? kAPMPErrArgumentKind : kAPMPErrBudget);
        return APMPPlatformObject::array(std::move(out));
      }
      a->converting = true;
      for (const APMPRuntimeValue& e : a->elements()) {
        // A hole reads as undefined; null elements have no place and are left out.
        APMPPlatformObject o = toObject(e.isHole() ? APMPRuntimeValue() : e, error, depth + 1, run);
        if (error && *error) break;
        if (!o.isNil()) out.push_back(std::move(o));
      }
      a->converting = false;
      return APMPPlatformObject::array(std::move(out));
    }
    default: {
      APMPExec x;
      double d = v.doubleValue(x);
      if (!x.failed() && !std::isnan(d)) return APMPPlatformObject::number(d);
      x.error = APMPError();
      std::u16string s = v.stringValue(x);
      if (x.failed()) {
        if (error && !*error) *error = x.error;
        return APMPPlatformObject();
      }
      return APMPPlatformObject::string(APMPUtf8(s));
    }
  }
}

}  // namespace

APMPRuntimeValue APMPRuntimeEntityConverter::stringValueFromRuntimeEntity(const APMPEntity& e) {
  APMPRuntimeValue v(APMPHeap::current()->intern(APMPUtf16(e.stringValue.value_or(std::string()))));
  return v;
}

APMPRuntimeValue APMPRuntimeEntityConverter::numberValueFromRuntimeEntity(const APMPEntity& e) {
  return APMPRuntimeValue::number(e.numberValue.value_or(std::numeric_limits<double>::quiet_NaN()));
}

APMPRuntimeValue APMPRuntimeEntityConverter::booleanValueFromRuntimeEntity(const APMPEntity& e) {
  return APMPRuntimeValue::boolean(e.booleanValue.value_or(false));
}

APMPRuntimeValue APMPRuntimeEntityConverter::statementValueFromRuntimeEntity(const APMPEntity& e, APMPError* error) {
  return convertStatement(e, error, 0);
}

APMPRuntimeValue APMPRuntimeEntityConverter::runtimeValueFromRuntimeEntity(const APMPEntity& e, APMPError* error) {
  return convertEntity(e, error, 0);
}

APMPRuntimeValue APMPRuntimeEntityConverter::runtimeValueFromNSObject(const APMPPlatformObject& o, APMPError* error,
                                                                      APMPExec* run) {
  return fromObject(o, error, 0, run);
}

APMPPlatformObject APMPRuntimeEntityConverter::objectFromRuntimeValue(const APMPRuntimeValue& v, APMPError* error,
                                                                      APMPExec* run) {
  return toObject(v, error, 0, run);
}

APMPPlatformObject::Dictionary APMPRuntimeEntityConverter::dictionaryFromMapValue(const APMPRuntimeValue& map,
                                                                                  APMPError* error) {
  if (!map.isMap()) return {};
  return toDictionary(map.asMap(), error, 0, nullptr);
}
