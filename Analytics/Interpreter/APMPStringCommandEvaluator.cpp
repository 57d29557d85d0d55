#include "Analytics/Interpreter/APMPStringCommandEvaluator.h"

#include <unicode/regex.h>
#include <unicode/ustring.h>

#include <atomic>
#include <chrono>
#include <algorithm>
#include <cmath>
#include <memory>

#include "Analytics/Interpreter/APMPArrayValue.h"
#include "Analytics/Interpreter/APMPEvaluator.h"
#include "Analytics/Interpreter/APMPFunctionValue.h"
#include "Analytics/Interpreter/APMPRegexSearch.h"
#include "Analytics/Interpreter/APMPText.h"
#include "Platform/Foundation/Locale.h"

namespace {

enum Method {
  kNone, kCharAt, kConcat, kHasOwnProperty, kIndexOf, kLastIndexOf, kMatch, kSearch, kReplace, kSlice, kSplit,
  kSubstring, kToLowerCase, kToUpperCase, kToLocaleLowerCase, kToLocaleUpperCase, kToString, kTrim,
};

Method methodFor(const std::u16string& n) {
  static const struct { const char16_t* name; Method m; } kTable[] = {
      {u"charAt", kCharAt}, {u"concat", kConcat}, {u"hasOwnProperty", kHasOwnProperty}, {u"indexOf", kIndexOf},
      {u"lastIndexOf", kLastIndexOf}, {u"match", kMatch}, {u"search", kSearch}, {u"replace", kReplace},
      {u"slice", kSlice}, {u"split", kSplit}, {u"substring", kSubstring}, {u"toLowerCase", kToLowerCase},
      {u"toUpperCase", kToUpperCase}, {u"toLocaleLowerCase", kToLocaleLowerCase},
      {u"toLocaleUpperCase", kToLocaleUpperCase}, {u"toString", kToString}, {u"trim", kTrim},
  };
  for (const auto& e : kTable)
    if (n == e.name) return e.m;
  return kNone;
}

// The device's locale: the platform's current locale ("tr_TR", "en_US_POSIX").
std::string currentLocale() { return platform::Locale::current().identifier(); }

APMPRuntimeValue text(std::u16string s, APMPExec& x) {
  if (!x.chargeString(s.size())) return APMPRuntimeValue();
  return APMPRuntimeValue::string(std::move(s));
}

double integerOf(const APMPRuntimeValue& v, APMPExec& x) { return APMPTruncate(v.doubleValue(x)); }

std::u16string searchTextOf(APMPValueSpan args, APMPExec& x) {
  if (args.empty()) return u"undefined";
  return args[0].stringValue(x);
}

bool caseMap(const std::u16string& s, bool upper, const char* locale, std::u16string* out) {
  UErrorCode status = U_ZERO_ERROR;
  auto map = upper ? u_strToUpper : u_strToLower;
  int32_t len = map(nullptr, 0, s.data(), static_cast<int32_t>(s.size()), locale, &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return false;
  out->assign(static_cast<size_t>(len), u'\0');
  status = U_ZERO_ERROR;
  map(out->data(), len, s.data(), static_cast<int32_t>(s.size()), locale, &status);
  return U_SUCCESS(status) || status == U_STRING_NOT_TERMINATED_WARNING;
}

// Compiles and runs a pattern with a time and stack limit; -1 when no match.
// Failures (bad pattern, limits hit) go to x as a regex-domain error.
long regexFind(const std::u16string& pattern, const std::u16string& subject, APMPExec& x, std::u16string* matched) {
  constexpr int32_t kTimeLimit = 50;        // match-engine steps (about milliseconds)
  constexpr int32_t kStackLimit = 1 << 20;  // backtracking stack bytes
  // The whole run shares one allowance, so that many short matches cannot add up to a hang.
  int64_t leftMicros = APMPExec::kRegexMicrosPerRun - x.regexMicros;
  if (leftMicros <= 0) {
    x.failWith(APMPError{APMPErrorDomain::kRegex, static_cast<int32_t>(U_REGEX_TIME_OUT)});
    return -1;
  }
  int32_t timeLimit = static_cast<int32_t>(std::min<int64_t>(kTimeLimit, std::max<int64_t>(1, leftMicros / 1000)));
  struct Clock {
    APMPExec& x;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    ~Clock() {
      x.regexMicros +=
          std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
    }
  } clock{x};
  const auto search = APMPRegexSearch::find(pattern, subject, false, timeLimit, kStackLimit);
  if (search.outcome == APMPRegexSearch::Outcome::kNotFound) return -1;
  if (search.outcome != APMPRegexSearch::Outcome::kFound) {
    x.failWith(APMPError{APMPErrorDomain::kRegex, search.status});
    return -1;
  }
  const int32_t start = search.start;
  const int32_t end = search.end;
  if (matched) *matched = subject.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
  return start;
}

double clampEnd(double v, double n) {
  if (v < 0) return std::max(0.0, v + n);
  return std::min(v, n);
}

}  // namespace

const APMPStringCommandEvaluator& APMPStringCommandEvaluator::sharedInstance() {
  static const APMPStringCommandEvaluator instance;
  return instance;
}

bool APMPStringCommandEvaluator::supports(const std::u16string& name) { return methodFor(name) != kNone; }

APMPRuntimeValue APMPStringCommandEvaluator::evaluateCommand(const std::u16string& name, const std::u16string& self,
                                                             APMPValueSpan raw, APMPScope* scope, APMPExec& x) const {
  Method m = methodFor(name);
  if (m == kNone) return APMPFail(x, kAPMPErrUnknownMethod);
  APMPArgs evaluated;
  APMPEvaluateArguments(raw, scope, x, &evaluated);
  if (x.failed()) return APMPRuntimeValue();
  APMPValueSpan args = evaluated.span();
  const double n = static_cast<double>(self.size());
  // Methods that scan or copy the receiver are charged for it.
  switch (m) {
    case kIndexOf: case kLastIndexOf: case kMatch: case kSearch: case kReplace: case kSplit: case kToLowerCase:
    case kToUpperCase: case kToLocaleLowerCase: case kToLocaleUpperCase: case kTrim:
      if (!x.chargeWork(self.size())) return APMPRuntimeValue();
      break;
    default:
      break;
  }
  auto atMost = [&](size_t k) {
    if (args.size() > k) {
      x.fail(kAPMPErrArgumentCount);
      return false;
    }
    return true;
  };
  switch (m) {
    case kCharAt: {
      if (!atMost(1)) return APMPRuntimeValue();
      double pos = args.empty() ? 0 : integerOf(args[0], x);
      if (x.failed()) return APMPRuntimeValue();
      if (pos < 0 || pos >= n) return APMPRuntimeValue::string(std::u16string());
      return APMPRuntimeValue::string(std::u16string(1, self[static_cast<size_t>(pos)]));
    }
    case kConcat: {
      std::u16string out = self;
      for (const APMPRuntimeValue& a : args) {
        std::u16string s = a.stringValue(x);
        if (x.failed()) return APMPRuntimeValue();
        if (!x.fitsString(out.size() + s.size())) return APMPRuntimeValue();
        out += s;
      }
      return text(std::move(out), x);
    }
    case kHasOwnProperty: {
      if (args.size() != 1) return APMPFail(x, kAPMPErrArgumentCount);
      std::u16string key = args[0].stringValue(x);
      if (x.failed()) return APMPRuntimeValue();
      if (key == u"length") return APMPRuntimeValue::boolean(true);
      double d = args[0].doubleValue(x);
      if (x.failed()) return APMPRuntimeValue();
      return APMPRuntimeValue::boolean(d >= 0 && d == std::floor(d) && d < n);
    }
    case kIndexOf: {
      if (!atMost(2)) return APMPRuntimeValue();
      std::u16string needle = searchTextOf(args, x);
      if (x.failed()) return APMPRuntimeValue();
      double start = args.size() == 2 ? integerOf(args[1], x) : 0;
      if (x.failed()) return APMPRuntimeValue();
      start = std::clamp(start, 0.0, n);
      return APMPRuntimeValue::number(
          static_cast<double>(APMPFindText(self, needle, static_cast<size_t>(start), nullptr)));
    }
    case kLastIndexOf: {
      if (!atMost(2)) return APMPRuntimeValue();
      std::u16string needle = searchTextOf(args, x);
      if (x.failed()) return APMPRuntimeValue();
      double start = INFINITY;
      if (args.size() == 2) {
        double d = args[1].doubleValue(x);
        if (x.failed()) return APMPRuntimeValue();
        if (!std::isnan(d)) start = APMPTruncate(d);
      }
      start = std::clamp(start, 0.0, n);
      double limit = std::min(start + static_cast<double>(needle.size()), n);
      return APMPRuntimeValue::number(
          static_cast<double>(APMPFindLastText(self, needle, static_cast<size_t>(limit), nullptr)));
    }
    case kMatch: {
      if (!atMost(1)) return APMPRuntimeValue();
      std::u16string pattern;
      if (!args.empty()) {
        pattern = args[0].stringValue(x);
        if (x.failed()) return APMPRuntimeValue();
      }
      if (pattern.empty()) {
        std::vector<APMPRuntimeValue> one{APMPRuntimeValue::string(std::u16string())};
        return APMPRuntimeValue(new APMPArrayValue(std::move(one)));
      }
      std::u16string matched;
      if (!x.chargeWork(pattern.size())) return APMPRuntimeValue();
      long pos = regexFind(pattern, self, x, &matched);
      if (x.failed()) return APMPRuntimeValue();
      if (pos < 0) return APMPRuntimeValue::null();
      if (!x.chargeString(matched.size())) return APMPRuntimeValue();
      std::vector<APMPRuntimeValue> one{APMPRuntimeValue::string(std::move(matched))};
      return APMPRuntimeValue(new APMPArrayValue(std::move(one)));
    }
    case kSearch: {
      if (!atMost(1)) return APMPRuntimeValue();
      std::u16string pattern = searchTextOf(args, x);
      if (x.failed()) return APMPRuntimeValue();
      if (pattern.empty()) return APMPRuntimeValue::number(0);
      if (!x.chargeWork(pattern.size())) return APMPRuntimeValue();
      long pos = regexFind(pattern, self, x, nullptr);
      if (x.failed()) return APMPRuntimeValue();
      return APMPRuntimeValue::number(static_cast<double>(pos));
    }
    case kReplace: {
      if (!atMost(2)) return APMPRuntimeValue();
      std::u16string needle = searchTextOf(args, x);
      if (x.failed()) return APMPRuntimeValue();
      size_t matchLength = 0;
      long pos = 0;
      if (!needle.empty()) {
        pos = APMPFindText(self, needle, 0, &matchLength);
        if (pos < 0) return APMPRuntimeValue::string(self);
      }
      std::u16string replacement;
      if (args.size() < 2) {
        replacement = u"undefined";
      } else if (APMPFunctionValue* fn = args[1].asFunction()) {
        APMPRuntimeValue hold = args[1];
        APMPRuntimeValue callArgs[3] = {
            APMPRuntimeValue::string(self.substr(static_cast<size_t>(pos), matchLength)),
            APMPRuntimeValue::number(static_cast<double>(pos)), APMPRuntimeValue::string(self)};
        APMPRuntimeValue r = fn->invoke(APMPValueSpan(callArgs, 3), scope, x);
        if (x.failed()) return APMPRuntimeValue();
        replacement = r.stringValue(x);
      } else {
        replacement = args[1].stringValue(x);
      }
      if (x.failed()) return APMPRuntimeValue();
      if (self.size() - matchLength + replacement.size() > APMPExec::kMaxStringLength)
        return APMPFail(x, kAPMPErrArgumentKind);
      std::u16string out = self.substr(0, static_cast<size_t>(pos));
      out += replacement;
      out += self.substr(static_cast<size_t>(pos) + matchLength);
      return text(std::move(out), x);
    }
    case kSlice: {
      if (!atMost(2)) return APMPRuntimeValue();
      double start = args.empty() ? 0 : integerOf(args[0], x);
      if (x.failed()) return APMPRuntimeValue();
      double end = args.size() < 2 ? n : integerOf(args[1], x);
      if (x.failed()) return APMPRuntimeValue();
      start = clampEnd(start, n);
      end = clampEnd(end, n);
      if (end <= start) return APMPRuntimeValue::string(std::u16string());
      return text(self.substr(static_cast<size_t>(start), static_cast<size_t>(end - start)), x);
    }
    case kSplit: {
      if (!atMost(2)) return APMPRuntimeValue();
      if (self.empty() || args.empty()) {
        std::vector<APMPRuntimeValue> one{APMPRuntimeValue::string(self)};
        return APMPRuntimeValue(new APMPArrayValue(std::move(one)));
      }
      std::u16string separator = args[0].stringValue(x);
      if (x.failed()) return APMPRuntimeValue();
      uint64_t limit = UINT64_MAX;
      if (args.size() == 2) {
        double d = args[1].doubleValue(x);
        if (x.failed()) return APMPRuntimeValue();
        limit = APMPToUint32(d);
      }
      std::vector<APMPRuntimeValue> pieces;
      if (separator.empty()) {
        for (size_t i = 0; i < self.size() && pieces.size() < limit; ++i)
          pieces.push_back(APMPRuntimeValue::string(std::u16string(1, self[i])));
      } else {
        size_t from = 0;
        while (pieces.size() < limit) {
          size_t p = self.find(separator, from);
          if (p == std::u16string::npos) {
            pieces.push_back(APMPRuntimeValue::string(self.substr(from)));
            break;
          }
          pieces.push_back(APMPRuntimeValue::string(self.substr(from, p - from)));
          from = p + separator.size();
        }
      }
      if (!x.chargeSlots(pieces.size()) || !x.chargeWork(self.size())) return APMPRuntimeValue();
      return APMPRuntimeValue(new APMPArrayValue(std::move(pieces)));
    }
    case kSubstring: {
      if (!atMost(2)) return APMPRuntimeValue();
      double start = args.empty() ? 0 : integerOf(args[0], x);
      if (x.failed()) return APMPRuntimeValue();
      double end = args.size() < 2 ? n : integerOf(args[1], x);
      if (x.failed()) return APMPRuntimeValue();
      start = std::clamp(start, 0.0, n);
      end = std::clamp(end, 0.0, n);
      if (start > end) std::swap(start, end);
      return text(self.substr(static_cast<size_t>(start), static_cast<size_t>(end - start)), x);
    }
    case kToLowerCase: case kToUpperCase: case kToLocaleLowerCase: case kToLocaleUpperCase: {
      if (!args.empty()) return APMPFail(x, kAPMPErrArgumentCount);
      bool upper = m == kToUpperCase || m == kToLocaleUpperCase;
      bool local = m == kToLocaleLowerCase || m == kToLocaleUpperCase;
      std::string locale = local ? currentLocale() : std::string("root");
      std::u16string out;
      if (!caseMap(self, upper, locale.c_str(), &out)) return APMPFail(x, kAPMPErrArgumentKind);
      if (out.size() > APMPExec::kMaxStringLength) return APMPFail(x, kAPMPErrArgumentKind);
      return text(std::move(out), x);
    }
    case kToString:
      if (!args.empty()) return APMPFail(x, kAPMPErrArgumentCount);
      return text(self, x);
    case kTrim:
      if (!args.empty()) return APMPFail(x, kAPMPErrArgumentCount);
      return text(std::u16string(APMPTrim(self)), x);
    case kNone: break;
  }
  return APMPRuntimeValue();
}
