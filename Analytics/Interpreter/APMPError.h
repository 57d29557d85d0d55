// Error values of the rule interpreter: a domain and a numeric code, no text.
#pragma once

#include <cstdint>

enum class APMPErrorDomain : uint8_t {
  kNone = 0,
  kInterpreter,  // "com.trivandel.kvl.measurement.tessel.ErrorDomain"
  kEditing,      // "com.trivandel.kvl.measurement.tessel.editing.ErrorDomain"
  kRegex,        // the regular-expression engine's own error
};

inline constexpr const char* kAPMPInterpreterErrorDomain = "com.trivandel.kvl.measurement.tessel.ErrorDomain";
inline constexpr const char* kAPMPEditingErrorDomain = "com.trivandel.kvl.measurement.tessel.editing.ErrorDomain";
inline constexpr const char* kAPMPRegexErrorDomain = "com.trivandel.kvl.measurement.tessel.RegexErrorDomain";

struct APMPError {
  APMPErrorDomain domain = APMPErrorDomain::kNone;
  int32_t code = 0;

  explicit operator bool() const { return domain != APMPErrorDomain::kNone; }
  bool is(APMPErrorDomain d, int32_t c) const { return domain == d && code == c; }
  bool isInterpreter(int32_t c) const { return is(APMPErrorDomain::kInterpreter, c); }
  bool isEditing(int32_t c) const { return is(APMPErrorDomain::kEditing, c); }
  const char* domainName() const {
    switch (domain) {
      case APMPErrorDomain::kInterpreter: return kAPMPInterpreterErrorDomain;
      case APMPErrorDomain::kEditing: return kAPMPEditingErrorDomain;
      case APMPErrorDomain::kRegex: return kAPMPRegexErrorDomain;
      default: return "";
    }
  }
  static APMPError interpreter(int32_t c) { return {APMPErrorDomain::kInterpreter, c}; }
  static APMPError editing(int32_t c) { return {APMPErrorDomain::kEditing, c}; }
};

// Interpreter codes.
enum : int32_t {
  kAPMPErrUndeclared = 2,
  kAPMPErrNoBoolean = 3,
  kAPMPErrNoNumber = 4,
  kAPMPErrNoString = 5,
  kAPMPErrPropertyOnNothing = 6,
  kAPMPErrMethodOnNothing = 7,
  kAPMPErrEmptyReduce = 8,
  kAPMPErrArgumentCount = 9,
  kAPMPErrArgumentKind = 10,
  kAPMPErrBadIndex = 11,
  kAPMPErrBadEntityType = 12,
  kAPMPErrBadObject = 13,
  kAPMPErrNoFunctionName = 14,
  kAPMPErrModuleMissing = 15,
  kAPMPErrNotIterable = 16,
  kAPMPErrUnknownMethod = 17,
  kAPMPErrBudget = 18,
};
