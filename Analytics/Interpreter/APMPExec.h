// The running state of one runtime: statement counter, work units, nesting
// depth and the first error of the current run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Analytics/Interpreter/APMPError.h"

class APMPRuntime;

struct APMPExec {
  static constexpr uint32_t kStatementBudget = 1000000;
  static constexpr int kMaxDepth = 512;
  // Array slots and string units created or copied between two resets.
  static constexpr uint64_t kWorkBudget = uint64_t(1) << 24;
  static constexpr size_t kMaxArrayLength = size_t(1) << 24;
  static constexpr size_t kMaxStringLength = size_t(1) << 26;

  uint32_t counter = 0;
  uint64_t work = 0;
  // Time spent matching regular expressions in this run.
  int64_t regexMicros = 0;
  static constexpr int64_t kRegexMicrosPerRun = 250000;
  int depth = 0;
  APMPError error;
  APMPRuntime* runtime = nullptr;

  bool failed() const { return bool(error); }
  // Keeps the first error of a run.
  void fail(int32_t code) {
    if (!error) error = APMPError::interpreter(code);
  }
  void failWith(APMPError e) {
    if (!error) error = e;
  }
  bool chargeWork(uint64_t units) {
    if (units > kWorkBudget || work + units > kWorkBudget) {
      fail(kAPMPErrBudget);
      return false;
    }
    work += units;
    return true;
  }
  // Checks a string length against the cap (error 10) and charges it.
  bool chargeString(size_t units) {
    if (units > kMaxStringLength) {
      fail(kAPMPErrArgumentKind);
      return false;
    }
    return chargeWork(units);
  }
  bool chargeSlots(size_t slots) {
    if (slots > kMaxArrayLength) {
      fail(kAPMPErrBadIndex);
      return false;
    }
    return chargeWork(slots);
  }
  // Fails with 10 past the string cap, else with 18 past the work left.
  bool fitsString(size_t units) {
    if (units > kMaxStringLength) {
      fail(kAPMPErrArgumentKind);
      return false;
    }
    if (units > kWorkBudget - work) {
      fail(kAPMPErrBudget);
      return false;
    }
    return true;
  }
  void resetBudget() {
    counter = 0;
    work = 0;
    regexMicros = 0;
  }
};

// Increments the nesting depth for a scope; fails with 18 past the limit.
class APMPDepthGuard {
 public:
  explicit APMPDepthGuard(APMPExec& x) : x_(x), ok_(++x.depth <= APMPExec::kMaxDepth) {
    if (!ok_) x.fail(kAPMPErrBudget);
  }
  ~APMPDepthGuard() { --x_.depth; }
  bool ok() const { return ok_; }

 private:
  APMPExec& x_;
  bool ok_;
};
