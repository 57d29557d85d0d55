// Interpreter values. APMPRuntimeValue is a 16-byte handle: the immortal
// values (undefined, null, booleans, the hole marker, break, continue) and
// numbers live inside it; strings, arrays, maps, functions, statements and
// return values are reference-counted heap objects (APMPHeapObject).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "Analytics/Interpreter/APMPError.h"
#include "Analytics/Interpreter/APMPHeapObject.h"

class APMPHeap;
class APMPHeapObject;
class APMPStringValue;
class APMPArrayValue;
class APMPMapValue;
class APMPFunctionValue;
class APMPStatementValue;
class APMPControlValue;
class APMPScope;
struct APMPExec;
struct APMPValueSpan;

enum class APMPKind : uint8_t {
  kUndefined,
  kNull,
  kBoolean,
  kNumber,
  kHole,  // the missing-element marker of arrays
  kBreak,
  kContinue,
  // Heap kinds from here on.
  kString,
  kArray,
  kMap,
  kFunction,
  kStatement,
  kReturn,
  kScope,  // not a value; scopes share the object machinery
};

inline constexpr bool APMPIsHeapKind(APMPKind k) { return k >= APMPKind::kString; }

class APMPRuntimeValue {
 public:
  APMPRuntimeValue() : kind_(APMPKind::kUndefined), d_(0) {}
  // Takes a new reference on the object.
  explicit APMPRuntimeValue(APMPHeapObject* object);
  APMPRuntimeValue(const APMPRuntimeValue& o) : kind_(o.kind_), d_(o.d_) {
    if (APMPIsHeapKind(kind_)) retainObject();
  }
  APMPRuntimeValue(APMPRuntimeValue&& o) noexcept : kind_(o.kind_), d_(o.d_) {
    o.kind_ = APMPKind::kUndefined;
  }
  APMPRuntimeValue& operator=(const APMPRuntimeValue& o) {
    if (this != &o) {
      APMPRuntimeValue tmp(o);
      swap(tmp);
    }
    return *this;
  }
  APMPRuntimeValue& operator=(APMPRuntimeValue&& o) noexcept {
    if (this != &o) {
      APMPRuntimeValue tmp(std::move(o));
      swap(tmp);
    }
    return *this;
  }
  ~APMPRuntimeValue() {
    if (APMPIsHeapKind(kind_)) releaseObject();
  }
  void swap(APMPRuntimeValue& o) noexcept {
    std::swap(kind_, o.kind_);
    std::swap(d_, o.d_);
  }

  static APMPRuntimeValue undefined() { return APMPRuntimeValue(); }
  static APMPRuntimeValue null() { return APMPRuntimeValue(APMPKind::kNull); }
  static APMPRuntimeValue boolean(bool b) {
    APMPRuntimeValue v(APMPKind::kBoolean);
    v.b_ = b;
    return v;
  }
  static APMPRuntimeValue number(double d) {
    APMPRuntimeValue v(APMPKind::kNumber);
    v.d_ = d;
    return v;
  }
  static APMPRuntimeValue hole() { return APMPRuntimeValue(APMPKind::kHole); }
  static APMPRuntimeValue breakValue() { return APMPRuntimeValue(APMPKind::kBreak); }
  static APMPRuntimeValue continueValue() { return APMPRuntimeValue(APMPKind::kContinue); }
  // A string value; the text is copied. Not charged to any budget.
  static APMPRuntimeValue string(std::u16string text);
  static APMPRuntimeValue string(std::string_view utf8);
  static APMPRuntimeValue returnValue(APMPRuntimeValue data);

  APMPKind kind() const { return kind_; }
  bool isUndefined() const { return kind_ == APMPKind::kUndefined; }
  bool isNull() const { return kind_ == APMPKind::kNull; }
  bool isNothing() const { return kind_ <= APMPKind::kNull; }
  bool isBoolean() const { return kind_ == APMPKind::kBoolean; }
  bool isNumber() const { return kind_ == APMPKind::kNumber; }
  bool isHole() const { return kind_ == APMPKind::kHole; }
  bool isString() const { return kind_ == APMPKind::kString; }
  bool isArray() const { return kind_ == APMPKind::kArray; }
  bool isMap() const { return kind_ == APMPKind::kMap; }
  bool isFunction() const { return kind_ == APMPKind::kFunction; }
  bool isStatement() const { return kind_ == APMPKind::kStatement; }
  bool isControl() const {
    return kind_ == APMPKind::kBreak || kind_ == APMPKind::kContinue || kind_ == APMPKind::kReturn;
  }
  bool isReturn() const { return kind_ == APMPKind::kReturn; }
  // String, array, map or function (the "object-or-string" test).
  bool isObjectOrString() const { return kind_ >= APMPKind::kString && kind_ <= APMPKind::kFunction; }

  bool boolValue() const { return b_; }
  double numberValue() const { return d_; }
  APMPHeapObject* object() const { return APMPIsHeapKind(kind_) ? o_ : nullptr; }
  APMPStringValue* asString() const { return isString() ? reinterpret_cast<APMPStringValue*>(o_) : nullptr; }
  APMPArrayValue* asArray() const { return isArray() ? reinterpret_cast<APMPArrayValue*>(o_) : nullptr; }
  APMPMapValue* asMap() const { return isMap() ? reinterpret_cast<APMPMapValue*>(o_) : nullptr; }
  APMPFunctionValue* asFunction() const { return isFunction() ? reinterpret_cast<APMPFunctionValue*>(o_) : nullptr; }
  APMPStatementValue* asStatement() const { return isStatement() ? reinterpret_cast<APMPStatementValue*>(o_) : nullptr; }
  // The data of a return value, undefined for break, continue and non-controls.
  APMPRuntimeValue controlData() const;
  // "break", "continue", "return" or "" for other values.
  const char* controlType() const;
  bool isSame(const APMPRuntimeValue& o) const;

  // Conversions of Part "values": failures go to x.error.
  std::u16string stringValue(APMPExec& x) const;
  double doubleValue(APMPExec& x) const;
  bool booleanValue(APMPExec& x) const;
  // isEqualToRuntimeValue:
  bool isEqualTo(const APMPRuntimeValue& o) const;
  // applyWithName:arguments:scope:error: (arguments unevaluated).
  APMPRuntimeValue apply(const std::u16string& name, APMPValueSpan args, APMPScope* scope, APMPExec& x) const;

  // Conveniences for hosts and tests.
  std::string debugString() const;

 private:
  explicit APMPRuntimeValue(APMPKind k) : kind_(k), d_(0) {}
  void retainObject() const;
  void releaseObject() const;

  APMPKind kind_;
  union {
    double d_;
    bool b_;
    APMPHeapObject* o_;
  };
};

inline APMPRuntimeValue::APMPRuntimeValue(APMPHeapObject* object) : kind_(object->kind()), o_(object) { object->retain(); }
inline void APMPRuntimeValue::retainObject() const { o_->retain(); }
inline void APMPRuntimeValue::releaseObject() const { o_->release(); }
