// One bounded regular-expression search (ICU): the first match anywhere in
// the subject, under a limit of match-engine steps and of backtracking stack.
// A limit reached is its own outcome, so that callers never wait on a hostile
// pattern and can tell "no match" from "no answer".
#pragma once

#include <cstdint>
#include <string>

class APMPRegexSearch {
 public:
  enum class Outcome { kFound, kNotFound, kBadPattern, kLimitReached, kFailed };
  struct Result {
    Outcome outcome = Outcome::kFailed;
    int32_t status = 0;  // the ICU error code when not found
    int32_t start = -1;  // of the match, in UTF-16 units
    int32_t end = -1;
  };

  // True when pattern compiles (caseInsensitive as find would compile it).
  static bool compiles(const std::u16string& pattern, bool caseInsensitive, int32_t* status = nullptr);
  static Result find(const std::u16string& pattern, const std::u16string& subject, bool caseInsensitive,
                     int32_t timeLimitSteps, int32_t stackLimitBytes);
};
