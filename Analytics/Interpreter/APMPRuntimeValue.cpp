#include "Analytics/Interpreter/APMPRuntimeValue.h"

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "Analytics/Interpreter/APMPArrayCommandEvaluator.h"
#include "Analytics/Interpreter/APMPArrayValue.h"
#include "Analytics/Interpreter/APMPControlValue.h"
#include "Analytics/Interpreter/APMPExec.h"
#include "Analytics/Interpreter/APMPFunctionValue.h"
#include "Analytics/Interpreter/APMPHeap.h"
#include "Analytics/Interpreter/APMPMapValue.h"
#include "Analytics/Interpreter/APMPScope.h"
#include "Analytics/Interpreter/APMPStatementValue.h"
#include "Analytics/Interpreter/APMPStringCommandEvaluator.h"
#include "Analytics/Interpreter/APMPStringValue.h"
#include "Analytics/Interpreter/APMPText.h"

APMPRuntimeValue APMPRuntimeValue::string(std::u16string text) {
  return APMPRuntimeValue(new APMPStringValue(std::move(text)));
}

APMPRuntimeValue APMPRuntimeValue::string(std::string_view utf8) { return string(APMPUtf16(utf8)); }

APMPRuntimeValue APMPRuntimeValue::returnValue(APMPRuntimeValue data) {
  return APMPRuntimeValue(new APMPControlValue(std::move(data)));
}

APMPRuntimeValue APMPRuntimeValue::controlData() const {
  if (kind_ == APMPKind::kReturn) return static_cast<APMPControlValue*>(o_)->data();
  return APMPRuntimeValue();
}

const char* APMPRuntimeValue::controlType() const {
  switch (kind_) {
    case APMPKind::kBreak: return "break";
    case APMPKind::kContinue: return "continue";
    case APMPKind::kReturn: return "return";
    default: return "";
  }
}

bool APMPRuntimeValue::isSame(const APMPRuntimeValue& o) const {
  if (kind_ != o.kind_) return false;
  if (APMPIsHeapKind(kind_)) return o_ == o.o_;
  if (kind_ == APMPKind::kNumber) return d_ == o.d_ || (std::isnan(d_) && std::isnan(o.d_));
  if (kind_ == APMPKind::kBoolean) return b_ == o.b_;
  return true;
}

std::u16string APMPRuntimeValue::stringValue(APMPExec& x) const {
  switch (kind_) {
    case APMPKind::kUndefined: return u"undefined";
    case APMPKind::kNull: return u"null";
    case APMPKind::kBoolean: return b_ ? u"true" : u"false";
    case APMPKind::kNumber: return APMPNumberToText(d_);
    case APMPKind::kString: {
      const std::u16string& text = static_cast<APMPStringValue*>(o_)->text();
      if (!x.chargeWork(text.size())) return std::u16string();
      return text;
    }
    case APMPKind::kArray: return static_cast<APMPArrayValue*>(o_)->stringValueWithSeparator(u",", x);
    case APMPKind::kMap: return u"[object Object]";
    case APMPKind::kFunction: return static_cast<APMPFunctionValue*>(o_)->functionName();
    default:
      x.fail(kAPMPErrNoString);
      return std::u16string();
  }
}

double APMPRuntimeValue::doubleValue(APMPExec& x) const {
  switch (kind_) {
    case APMPKind::kUndefined: return std::numeric_limits<double>::quiet_NaN();
    case APMPKind::kNull: return 0;
    case APMPKind::kBoolean: return b_ ? 1 : 0;
    case APMPKind::kNumber: return d_;
    case APMPKind::kString: {
      const std::u16string& text = static_cast<APMPStringValue*>(o_)->text();
      if (!x.chargeWork(text.size())) return std::numeric_limits<double>::quiet_NaN();
      return APMPTextToNumber(text);
    }
    case APMPKind::kArray: {
      auto* a = static_cast<APMPArrayValue*>(o_);
      if (a->count() == 0) return 0;
      std::u16string s = a->stringValueWithSeparator(u",", x);
      if (x.failed()) return std::numeric_limits<double>::quiet_NaN();
      return APMPTextToNumber(s);
    }
    case APMPKind::kMap:
    case APMPKind::kFunction:
      return std::numeric_limits<double>::quiet_NaN();
    default:
      x.fail(kAPMPErrNoNumber);
      return std::numeric_limits<double>::quiet_NaN();
  }
}

bool APMPRuntimeValue::booleanValue(APMPExec& x) const {
  switch (kind_) {
    case APMPKind::kUndefined:
    case APMPKind::kNull:
      return false;
    case APMPKind::kBoolean: return b_;
    case APMPKind::kNumber: return d_ > 0 || d_ < 0;
    case APMPKind::kString: return !static_cast<APMPStringValue*>(o_)->text().empty();
    case APMPKind::kArray:
    case APMPKind::kMap:
    case APMPKind::kFunction:
      return true;
    default:
      x.fail(kAPMPErrNoBoolean);
      return false;
  }
}

namespace {

// Pairs under comparison (cycles answer false) and the structural depth.
thread_local std::vector<std::pair<const void*, const void*>> tComparing;

class ComparingGuard {
 public:
  ComparingGuard(const void* a, const void* b) {
    for (const auto& p : tComparing)
      if (p.first == a && p.second == b) return;
    if (tComparing.size() >= static_cast<size_t>(APMPExec::kMaxDepth)) return;
    tComparing.emplace_back(a, b);
    active_ = true;
  }
  ~ComparingGuard() {
    if (active_) tComparing.pop_back();
  }
  bool active() const { return active_; }

 private:
  bool active_ = false;
};

}  // namespace

bool APMPRuntimeValue::isEqualTo(const APMPRuntimeValue& o) const {
  switch (kind_) {
    case APMPKind::kUndefined:
    case APMPKind::kNull:
    case APMPKind::kHole:
    case APMPKind::kBreak:
    case APMPKind::kContinue:
      return o.kind_ == kind_;
    case APMPKind::kBoolean: return o.kind_ == kind_ && o.b_ == b_;
    case APMPKind::kNumber:
      return o.kind_ == kind_ && (o.d_ == d_ || (std::isnan(o.d_) && std::isnan(d_)));
    case APMPKind::kString:
      return o.kind_ == kind_ &&
             (o_ == o.o_ || static_cast<APMPStringValue*>(o_)->text() == static_cast<APMPStringValue*>(o.o_)->text());
    case APMPKind::kArray: {
      if (o.kind_ != kind_) return false;
      if (o_ == o.o_) return true;
      auto* a = static_cast<APMPArrayValue*>(o_);
      auto* b = static_cast<APMPArrayValue*>(o.o_);
      if (a->count() != b->count()) return false;
      ComparingGuard guard(a, b);
      if (!guard.active()) return false;
      for (size_t i = 0; i < a->count(); ++i)
        if (!a->elements()[i].isEqualTo(b->elements()[i])) return false;
      return true;
    }
    case APMPKind::kMap: {
      if (o.kind_ != kind_) return false;
      if (o_ == o.o_) return true;
      auto* a = static_cast<APMPMapValue*>(o_);
      auto* b = static_cast<APMPMapValue*>(o.o_);
      if (a->properties().size() != b->properties().size()) return false;
      ComparingGuard guard(a, b);
      if (!guard.active()) return false;
      for (const auto& e : a->properties().entries()) {
        const APMPPropertyMap::Entry* other = b->properties().find(e.name.asString());
        if (!other) {
          // Names of another heap: compare by text.
          APMPStringValue* n = APMPHeap::current()->intern(e.name.asString());
          other = b->properties().find(n);
        }
        if (!other || !e.value.isEqualTo(other->value)) return false;
      }
      return true;
    }
    case APMPKind::kFunction: {
      if (o.kind_ != kind_) return false;
      if (o_ == o.o_) return true;
      const std::u16string& n = static_cast<APMPFunctionValue*>(o_)->functionName();
      return !n.empty() && n == static_cast<APMPFunctionValue*>(o.o_)->functionName();
    }
    case APMPKind::kStatement: return static_cast<APMPStatementValue*>(o_)->isEqualTo(o);
    case APMPKind::kReturn: {
      if (o.kind_ != kind_) return false;
      if (o_ == o.o_) return true;
      ComparingGuard guard(o_, o.o_);
      if (!guard.active()) return false;
      return controlData().isEqualTo(o.controlData());
    }
    case APMPKind::kScope: return o_ == o.o_;
  }
  return false;
}

namespace {

APMPRuntimeValue baseApply(const APMPRuntimeValue& self, const std::u16string& name, APMPExec& x) {
  if (name == u"toString") {
    std::u16string s = self.stringValue(x);
    if (x.failed()) return APMPRuntimeValue();
    return APMPRuntimeValue::string(std::move(s));
  }
  x.fail(kAPMPErrUnknownMethod);
  return APMPRuntimeValue();
}

APMPRuntimeValue applyOwnProperty(const APMPPropertyMap& props, const std::u16string& name, APMPValueSpan args,
                                  APMPScope* scope, APMPExec& x, bool* handled) {
  *handled = false;
  if (props.empty()) return APMPRuntimeValue();
  const APMPPropertyMap::Entry* e = props.find(APMPHeap::current()->intern(name));
  if (!e) return APMPRuntimeValue();
  *handled = true;
  APMPFunctionValue* f = e->value.asFunction();
  if (!f) {
    x.fail(kAPMPErrUnknownMethod);
    return APMPRuntimeValue();
  }
  APMPRuntimeValue hold = e->value;
  return f->invoke(args, scope, x);
}

}  // namespace

APMPRuntimeValue APMPRuntimeValue::apply(const std::u16string& name, APMPValueSpan args, APMPScope* scope,
                                         APMPExec& x) const {
  switch (kind_) {
    case APMPKind::kUndefined:
    case APMPKind::kNull:
      x.fail(kAPMPErrMethodOnNothing);
      return APMPRuntimeValue();
    case APMPKind::kString:
      return APMPStringCommandEvaluator::sharedInstance().evaluateCommand(
          name, static_cast<APMPStringValue*>(o_)->text(), args, scope, x);
    case APMPKind::kArray: {
      bool handled = false;
      APMPRuntimeValue r = applyOwnProperty(static_cast<APMPArrayValue*>(o_)->properties(), name, args, scope, x,
                                            &handled);
      if (handled) return r;
      return APMPArrayCommandEvaluator::sharedInstance().evaluateCommand(name, *this, args, scope, x);
    }
    case APMPKind::kMap:
    case APMPKind::kFunction: {
      const APMPPropertyMap& props = kind_ == APMPKind::kMap ? static_cast<APMPMapValue*>(o_)->properties()
                                                             : static_cast<APMPFunctionValue*>(o_)->properties();
      bool handled = false;
      APMPRuntimeValue r = applyOwnProperty(props, name, args, scope, x, &handled);
      if (handled) return r;
      if (kind_ == APMPKind::kMap) {
        APMPRuntimeValue self(*this);
        r = static_cast<APMPMapValue*>(o_)->applyNative(name, args, scope, x, &handled);
        if (handled) return r;
      }
      if (name == u"hasOwnProperty") {
        APMPArgs evaluated;
        APMPEvaluateArguments(args, scope, x, &evaluated);
        if (x.failed()) return APMPRuntimeValue();
        if (evaluated.size() != 1) {
          x.fail(kAPMPErrArgumentCount);
          return APMPRuntimeValue();
        }
        std::u16string key = evaluated[0].stringValue(x);
        if (x.failed()) return APMPRuntimeValue();
        return APMPRuntimeValue::boolean(props.hasName(APMPHeap::current()->intern(key)));
      }
      return baseApply(*this, name, x);
    }
    default:
      return baseApply(*this, name, x);
  }
}

std::string APMPRuntimeValue::debugString() const {
  APMPExec x;
  std::string s;
  switch (kind_) {
    case APMPKind::kString:
      s += '"';
      s += APMPUtf8(static_cast<APMPStringValue*>(o_)->text());
      s += '"';
      return s;
    case APMPKind::kHole: return "<hole>";
    case APMPKind::kBreak: return "<break>";
    case APMPKind::kContinue: return "<continue>";
    case APMPKind::kReturn:
      s += "<return ";
      s += controlData().debugString();
      s += '>';
      return s;
    case APMPKind::kStatement:
      s += "<statement ";
      s += APMPUtf8(asStatement()->functionName().asString()->text());
      s += '>';
      return s;
    case APMPKind::kArray: {
      auto* a = static_cast<APMPArrayValue*>(o_);
      if (a->joining) return "[...]";
      a->joining = true;
      s += '[';
      for (size_t i = 0; i < a->count(); ++i) {
        if (i) s += ", ";
        s += a->elements()[i].debugString();
      }
      a->joining = false;
      s += ']';
      return s;
    }
    case APMPKind::kMap: {
      auto* m = static_cast<APMPMapValue*>(o_);
      if (m->converting) return "{...}";
      m->converting = true;
      s += '{';
      bool first = true;
      for (const auto& e : m->properties().entries()) {
        if (!first) s += ", ";
        s += APMPUtf8(e.name.asString()->text());
        s += ": ";
        s += e.value.debugString();
        first = false;
      }
      m->converting = false;
      s += '}';
      return s;
    }
    default: return APMPUtf8(stringValue(x));
  }
}
