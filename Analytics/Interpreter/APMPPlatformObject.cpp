#include "Analytics/Interpreter/APMPPlatformObject.h"

#include <cmath>
#include <cstdio>

double APMPPlatformObject::doubleValue() const {
  switch (type()) {
    case Type::kBoolean: return boolValue() ? 1 : 0;
    case Type::kInteger: return static_cast<double>(integerValue());
    case Type::kDouble: return std::get<double>(storage_);
    default: return NAN;
  }
}

bool APMPPlatformObject::isEqual(const APMPPlatformObject& o) const {
  bool numeric = type() == Type::kBoolean || isNumber();
  bool otherNumeric = o.type() == Type::kBoolean || o.isNumber();
  if (numeric || otherNumeric) {
    if (!numeric || !otherNumeric) return false;
    if (type() == Type::kInteger && o.type() == Type::kInteger) return integerValue() == o.integerValue();
    return doubleValue() == o.doubleValue();
  }
  if (type() != o.type()) return false;
  switch (type()) {
    case Type::kNil: return true;
    case Type::kString: return stringValue() == o.stringValue();
    case Type::kArray: {
      const Array& a = arrayValue();
      const Array& b = o.arrayValue();
      if (a.size() != b.size()) return false;
      for (size_t i = 0; i < a.size(); ++i)
        if (!a[i].isEqual(b[i])) return false;
      return true;
    }
    case Type::kDictionary: {
      const Dictionary& a = dictionaryValue();
      const Dictionary& b = o.dictionaryValue();
      if (a.size() != b.size()) return false;
      for (const auto& [k, v] : a) {
        auto it = b.find(k);
        if (it == b.end() || !v.isEqual(it->second)) return false;
      }
      return true;
    }
    default: return false;
  }
}

std::string APMPPlatformObject::description() const {
  switch (type()) {
    case Type::kNil: return "nil";
    case Type::kBoolean: return boolValue() ? "1" : "0";
    case Type::kInteger: return std::to_string(integerValue());
    case Type::kDouble: {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.17g", doubleValue());
      return buf;
    }
    case Type::kString: return stringValue();
    case Type::kArray: {
      std::string s = "(";
      for (size_t i = 0; i < arrayValue().size(); ++i) s += (i ? ", " : "") + arrayValue()[i].description();
      return s + ")";
    }
    case Type::kDictionary: {
      std::string s = "{";
      bool first = true;
      for (const auto& [k, v] : dictionaryValue()) {
        s += (first ? "" : "; ") + k + " = " + v.description();
        first = false;
      }
      return s + "}";
    }
  }
  return "";
}
