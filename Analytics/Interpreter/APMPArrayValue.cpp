#include "Analytics/Interpreter/APMPArrayValue.h"

#include <algorithm>
#include <cmath>

#include "Analytics/Interpreter/APMPEvaluator.h"
#include "Analytics/Interpreter/APMPExec.h"
#include "Analytics/Interpreter/APMPFunctionValue.h"
#include "Analytics/Interpreter/APMPHeap.h"
#include "Analytics/Interpreter/APMPText.h"

APMPArrayValue::APMPArrayValue() : APMPHeapObject(APMPKind::kArray) {}

APMPArrayValue::APMPArrayValue(std::vector<APMPRuntimeValue> elements)
    : APMPHeapObject(APMPKind::kArray), elements_(std::move(elements)) {}

bool APMPArrayValue::indexForKey(const APMPRuntimeValue& key, double* index) {
  double d;
  if (key.isNumber()) {
    d = key.numberValue();
  } else if (key.isString()) {
    d = APMPTextToNumber(key.asString()->text());
  } else {
    return false;
  }
  if (!std::isfinite(d) || d < 0 || d != std::floor(d)) return false;
  *index = d;
  return true;
}

std::u16string APMPArrayValue::stringValueWithSeparator(std::u16string_view separator, APMPExec& x) const {
  if (elements_.empty() || joining) return std::u16string();
  APMPDepthGuard depth(x);
  if (!depth.ok()) return std::u16string();
  auto* self = const_cast<APMPArrayValue*>(this);
  self->joining = true;
  std::u16string out;
  bool ok = true;
  for (size_t i = 0; i < elements_.size(); ++i) {
    const APMPRuntimeValue& e = elements_[i];
    if (!e.isHole() && !e.isNothing()) {
      if (e.isString()) {
        const std::u16string& t = e.asString()->text();
        if (!x.fitsString(out.size() + t.size())) {
          ok = false;
          break;
        }
        out += t;
      } else {
        std::u16string t = e.stringValue(x);
        if (x.failed() || !x.fitsString(out.size() + t.size())) {
          ok = false;
          break;
        }
        out += t;
      }
    }
    if (i + 1 < elements_.size()) {
      if (!x.fitsString(out.size() + separator.size())) {
        ok = false;
        break;
      }
      out += separator;
    }
  }
  self->joining = false;
  if (!ok || !x.chargeString(out.size())) return std::u16string();
  return out;
}

bool APMPArrayValue::setLength(double length, APMPExec& x) {
  if (!(length >= 0) || length > static_cast<double>(APMPExec::kMaxArrayLength)) {
    x.fail(kAPMPErrBadIndex);
    return false;
  }
  size_t n = static_cast<size_t>(length);
  if (n > elements_.size()) {
    if (!x.chargeSlots(n - elements_.size())) return false;
    elements_.resize(n, APMPRuntimeValue::hole());
  } else {
    elements_.resize(n);
  }
  return true;
}

void APMPArrayValue::setValueForProperty(const APMPRuntimeValue& key, APMPRuntimeValue value, APMPExec& x) {
  if (key.isString() && !x.chargeWork(key.asString()->text().size())) return;
  if (key.isString() && key.asString()->text() == u"length") {
    if (!APMPIsArrayIndex(value)) {
      x.fail(kAPMPErrBadIndex);
      return;
    }
    setLength(value.doubleValue(x), x);
    return;
  }
  double index;
  if (indexForKey(key, &index)) {
    if (index >= static_cast<double>(APMPExec::kMaxArrayLength)) {
      x.fail(kAPMPErrBadIndex);
      return;
    }
    size_t i = static_cast<size_t>(index);
    if (i >= elements_.size() && !setLength(index + 1, x)) return;
    elements_[i] = std::move(value);
    return;
  }
  std::u16string name = key.stringValue(x);
  if (x.failed()) return;
  properties_.setValue(APMPHeap::current()->intern(name), std::move(value));
}

APMPRuntimeValue APMPArrayValue::valueForProperty(const APMPRuntimeValue& key, APMPExec& x) const {
  if (key.isString() && !x.chargeWork(key.asString()->text().size())) return APMPRuntimeValue();
  if (key.isString() && key.asString()->text() == u"length")
    return APMPRuntimeValue::number(static_cast<double>(elements_.size()));
  double index;
  if (indexForKey(key, &index)) {
    if (index < static_cast<double>(elements_.size())) {
      const APMPRuntimeValue& e = elements_[static_cast<size_t>(index)];
      return e.isHole() ? APMPRuntimeValue() : e;
    }
    return APMPRuntimeValue();
  }
  std::u16string name = key.stringValue(x);
  if (x.failed() || properties_.empty()) return APMPRuntimeValue();
  return properties_.valueForName(APMPHeap::current()->intern(name));
}

void APMPArrayValue::removeValueForProperty(const APMPRuntimeValue& key, APMPExec& x) {
  if (key.isString() && !x.chargeWork(key.asString()->text().size())) return;
  double index;
  if (indexForKey(key, &index)) {
    if (index < static_cast<double>(elements_.size())) elements_[static_cast<size_t>(index)] = APMPRuntimeValue::hole();
    return;
  }
  std::u16string name = key.stringValue(x);
  if (x.failed()) return;
  properties_.removeValueForName(APMPHeap::current()->intern(name));
}

bool APMPArrayValue::hasProperty(const APMPRuntimeValue& key, APMPExec& x) const {
  if (key.isString() && !x.chargeWork(key.asString()->text().size())) return false;
  double index;
  if (indexForKey(key, &index)) {
    return index < static_cast<double>(elements_.size()) && !elements_[static_cast<size_t>(index)].isHole();
  }
  std::u16string name = key.stringValue(x);
  if (x.failed() || properties_.empty()) return false;
  return properties_.hasName(APMPHeap::current()->intern(name));
}

std::vector<APMPRuntimeValue> APMPArrayValue::allPropertyNames() const {
  std::vector<APMPRuntimeValue> names;
  for (const auto& e : properties_.entries()) names.push_back(e.name);
  for (size_t i = 0; i < elements_.size(); ++i) {
    if (!elements_[i].isHole()) names.push_back(APMPRuntimeValue::string(APMPNumberToText(static_cast<double>(i))));
  }
  return names;
}

std::vector<APMPRuntimeValue> APMPArrayValue::allElements(APMPExec& x) const {
  std::vector<APMPRuntimeValue> out;
  if (!x.chargeSlots(elements_.size())) return out;
  out.reserve(elements_.size());
  for (const APMPRuntimeValue& e : elements_) out.push_back(e.isHole() ? APMPRuntimeValue() : e);
  return out;
}

APMPRuntimeValue APMPArrayValue::subarray(double location, double length, APMPExec& x) const {
  double n = static_cast<double>(elements_.size());
  double start = std::clamp(std::isnan(location) ? 0.0 : location, 0.0, n);
  double len = std::clamp(std::isnan(length) ? 0.0 : length, 0.0, n - start);
  size_t s = static_cast<size_t>(start), l = static_cast<size_t>(len);
  if (!x.chargeSlots(l)) return APMPRuntimeValue();
  std::vector<APMPRuntimeValue> slice(elements_.begin() + static_cast<ptrdiff_t>(s),
                                      elements_.begin() + static_cast<ptrdiff_t>(s + l));
  return APMPRuntimeValue(new APMPArrayValue(std::move(slice)));
}

APMPRuntimeValue APMPArrayValue::splice(double start, double deleteCount, APMPValueSpan values, APMPExec& x) {
  double n = static_cast<double>(elements_.size());
  double st = std::clamp(std::isnan(start) ? 0.0 : start, 0.0, n);
  double dc = std::clamp(std::isnan(deleteCount) ? 0.0 : deleteCount, 0.0, n - st);
  size_t s = static_cast<size_t>(st), d = static_cast<size_t>(dc);
  if (elements_.size() - d + values.size() > APMPExec::kMaxArrayLength) {
    x.fail(kAPMPErrBadIndex);
    return APMPRuntimeValue();
  }
  if (!x.chargeSlots(d + values.size())) return APMPRuntimeValue();
  std::vector<APMPRuntimeValue> removed(std::make_move_iterator(elements_.begin() + static_cast<ptrdiff_t>(s)),
                                        std::make_move_iterator(elements_.begin() + static_cast<ptrdiff_t>(s + d)));
  elements_.erase(elements_.begin() + static_cast<ptrdiff_t>(s), elements_.begin() + static_cast<ptrdiff_t>(s + d));
  elements_.insert(elements_.begin() + static_cast<ptrdiff_t>(s), values.begin(), values.end());
  return APMPRuntimeValue(new APMPArrayValue(std::move(removed)));
}

void APMPArrayValue::concat(const APMPRuntimeValue& value, APMPExec& x) {
  if (value.isControl()) {
    x.fail(kAPMPErrArgumentKind);
    return;
  }
  if (APMPArrayValue* other = value.asArray()) {
    size_t add = other->elements_.size();
    if (elements_.size() + add > APMPExec::kMaxArrayLength) {
      x.fail(kAPMPErrBadIndex);
      return;
    }
    if (!x.chargeSlots(add)) return;
    if (other == this) {
      std::vector<APMPRuntimeValue> copy = elements_;
      elements_.insert(elements_.end(), copy.begin(), copy.end());
    } else {
      elements_.insert(elements_.end(), other->elements_.begin(), other->elements_.end());
    }
    return;
  }
  if (elements_.size() + 1 > APMPExec::kMaxArrayLength) {
    x.fail(kAPMPErrBadIndex);
    return;
  }
  if (!x.chargeSlots(1)) return;
  elements_.push_back(value);
}

void APMPArrayValue::reverse() { std::reverse(elements_.begin(), elements_.end()); }

APMPRuntimeValue APMPArrayValue::removeFirstElement() {
  if (elements_.empty()) return APMPRuntimeValue();
  APMPRuntimeValue v = std::move(elements_.front());
  elements_.erase(elements_.begin());
  return v;
}

APMPRuntimeValue APMPArrayValue::removeLastElement() {
  if (elements_.empty()) return APMPRuntimeValue();
  APMPRuntimeValue v = std::move(elements_.back());
  elements_.pop_back();
  return v;
}

size_t APMPArrayValue::appendElements(APMPValueSpan values, APMPExec& x) {
  if (elements_.size() + values.size() > APMPExec::kMaxArrayLength) {
    x.fail(kAPMPErrBadIndex);
    return elements_.size();
  }
  if (!x.chargeSlots(values.size())) return elements_.size();
  elements_.insert(elements_.end(), values.begin(), values.end());
  return elements_.size();
}

size_t APMPArrayValue::prependElements(APMPValueSpan values, APMPExec& x) {
  if (elements_.size() + values.size() > APMPExec::kMaxArrayLength) {
    x.fail(kAPMPErrBadIndex);
    return elements_.size();
  }
  // Moving the existing slots copies them.
  if (!x.chargeSlots(values.size() + (values.empty() ? 0 : elements_.size()))) return elements_.size();
  elements_.insert(elements_.begin(), values.begin(), values.end());
  return elements_.size();
}

double APMPArrayValue::indexOfValue(const APMPRuntimeValue& value, double from, APMPExec& x) const {
  for (size_t i = from < 0 ? 0 : static_cast<size_t>(from); i < elements_.size(); ++i) {
    if (!x.chargeWork(1)) return -1;
    if (APMPStrictEquals(elements_[i], value, x)) return static_cast<double>(i);
    if (x.failed()) return -1;
  }
  return -1;
}

double APMPArrayValue::lastIndexOfValue(const APMPRuntimeValue& value, double from, APMPExec& x) const {
  if (elements_.empty() || from < 0) return -1;
  size_t start = std::min(static_cast<size_t>(std::min(from, 1e18)), elements_.size() - 1);
  for (size_t i = start + 1; i-- > 0;) {
    if (!x.chargeWork(1)) return -1;
    if (APMPStrictEquals(elements_[i], value, x)) return static_cast<double>(i);
    if (x.failed()) return -1;
  }
  return -1;
}

namespace {

int compareForSort(const APMPRuntimeValue& a, const APMPRuntimeValue& b, APMPFunctionValue* compare, APMPScope* scope,
                   APMPExec& x) {
  if (x.failed() || !x.chargeWork(1)) return 0;
  if (a.isHole() || b.isHole()) return a.isHole() == b.isHole() ? 0 : a.isHole() ? 1 : -1;
  if (a.isUndefined() || b.isUndefined()) return a.isUndefined() == b.isUndefined() ? 0 : a.isUndefined() ? 1 : -1;
  if (compare) {
    APMPRuntimeValue pair[2] = {a, b};
    APMPRuntimeValue r = compare->invoke(APMPValueSpan(pair, 2), scope, x);
    if (x.failed()) return 0;
    double d = r.doubleValue(x);
    if (x.failed()) return 0;
    return d < 0 ? -1 : d > 0 ? 1 : 0;
  }
  std::u16string sa = a.stringValue(x);
  if (x.failed()) return 0;
  std::u16string sb = b.stringValue(x);
  if (x.failed()) return 0;
  return APMPCompareText(sa, sb);
}

}  // namespace

void APMPArrayValue::sortUsingFunction(const APMPRuntimeValue& compare, APMPScope* scope, APMPExec& x) {
  // Merge sort on a private copy: whatever the compare function answers or
  // does to the array, every index stays inside the copy.
  std::vector<APMPRuntimeValue> work = elements_;
  size_t n = work.size();
  if (!x.chargeSlots(2 * n)) return;
  std::vector<APMPRuntimeValue> buffer(n);
  APMPRuntimeValue holdCompare = compare;
  APMPFunctionValue* fn = compare.asFunction();
  for (size_t width = 1; width < n; width *= 2) {
    for (size_t lo = 0; lo < n; lo += 2 * width) {
      size_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
      size_t i = lo, j = mid, k = lo;
      while (i < mid && j < hi) {
        if (compareForSort(work[i], work[j], fn, scope, x) > 0) buffer[k++] = work[j++];
        else buffer[k++] = work[i++];
      }
      while (i < mid) buffer[k++] = work[i++];
      while (j < hi) buffer[k++] = work[j++];
    }
    work.swap(buffer);
  }
  size_t m = std::min(n, elements_.size());
  for (size_t i = 0; i < m; ++i) elements_[i] = std::move(work[i]);
}

void APMPArrayValue::trace(APMPTracer& t) {
  for (const APMPRuntimeValue& e : elements_)
    if (APMPHeapObject* o = e.object()) t.visit(o);
  properties_.trace(t);
}

void APMPArrayValue::clearReferences() {
  std::vector<APMPRuntimeValue> dropped;
  dropped.swap(elements_);
  properties_.clear();
}

bool APMPStrictEquals(const APMPRuntimeValue& a, const APMPRuntimeValue& b, APMPExec& x) {
  if (a.kind() != b.kind()) return false;
  switch (a.kind()) {
    case APMPKind::kNumber: return a.numberValue() == b.numberValue();
    case APMPKind::kBoolean: return a.boolValue() == b.boolValue();
    case APMPKind::kString: {
      if (a.object() == b.object()) return true;
      const std::u16string& ta = a.asString()->text();
      const std::u16string& tb = b.asString()->text();
      if (ta.size() != tb.size()) return false;
      if (!x.chargeWork(ta.size())) return false;
      return ta == tb;
    }
    default: return a.isSame(b);
  }
}
