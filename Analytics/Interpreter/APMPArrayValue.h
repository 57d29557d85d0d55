// Array value: elements with holes, plus named properties. Element slots are
// charged to the run's work budget and capped in number.
#pragma once

#include <string>
#include <vector>

#include "Analytics/Interpreter/APMPArgs.h"
#include "Analytics/Interpreter/APMPPropertyMap.h"

class APMPArrayValue final : public APMPHeapObject {
 public:
  APMPArrayValue();
  explicit APMPArrayValue(std::vector<APMPRuntimeValue> elements);

  // Index keys: a number or string whose number form is finite, whole and >= 0.
  static bool indexForKey(const APMPRuntimeValue& key, double* index);

  size_t count() const { return elements_.size(); }
  std::vector<APMPRuntimeValue>& elements() { return elements_; }
  const std::vector<APMPRuntimeValue>& elements() const { return elements_; }
  APMPPropertyMap& properties() { return properties_; }
  const APMPPropertyMap& properties() const { return properties_; }

  std::u16string stringValueWithSeparator(std::u16string_view separator, APMPExec& x) const;
  bool setLength(double length, APMPExec& x);
  void setValueForProperty(const APMPRuntimeValue& key, APMPRuntimeValue value, APMPExec& x);
  APMPRuntimeValue valueForProperty(const APMPRuntimeValue& key, APMPExec& x) const;
  void removeValueForProperty(const APMPRuntimeValue& key, APMPExec& x);
  bool hasProperty(const APMPRuntimeValue& key, APMPExec& x) const;
  std::vector<APMPRuntimeValue> allPropertyNames() const;
  // A copy with holes read as undefined (charged as copied slots).
  std::vector<APMPRuntimeValue> allElements(APMPExec& x) const;
  APMPRuntimeValue subarray(double location, double length, APMPExec& x) const;
  APMPRuntimeValue splice(double start, double deleteCount, APMPValueSpan values, APMPExec& x);
  void concat(const APMPRuntimeValue& value, APMPExec& x);
  void reverse();
  APMPRuntimeValue removeFirstElement();
  APMPRuntimeValue removeLastElement();
  size_t appendElements(APMPValueSpan values, APMPExec& x);
  size_t prependElements(APMPValueSpan values, APMPExec& x);
  // Every element looked at is charged as one unit of work.
  double indexOfValue(const APMPRuntimeValue& value, double from, APMPExec& x) const;
  double lastIndexOfValue(const APMPRuntimeValue& value, double from, APMPExec& x) const;
  // Sorts in place; the compare function is optional (undefined when absent).
  void sortUsingFunction(const APMPRuntimeValue& compare, APMPScope* scope, APMPExec& x);

  void trace(APMPTracer& t) override;
  void clearReferences() override;

  // Cycle markers for joining and conversion.
  bool joining = false;
  bool converting = false;

 private:
  std::vector<APMPRuntimeValue> elements_;
  APMPPropertyMap properties_;
};

// Strict equality of Part "commands": same class, numbers by double equality.
bool APMPStrictEquals(const APMPRuntimeValue& a, const APMPRuntimeValue& b, APMPExec& x);
