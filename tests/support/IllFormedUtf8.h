// Texts that are not UTF-8, each with the form every JSON writer must give
// it: one U+FFFD per ill-formed byte, well-formed text untouched.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

struct Utf8RepairCase {
  const char* name;
  std::string raw;
  std::string repaired;
};

inline const std::vector<Utf8RepairCase>& Utf8RepairCases() {
  static const std::vector<Utf8RepairCase> cases = {
      {"lone continuation byte", "a\x80z", "a\xEF\xBF\xBDz"},
      {"truncated sequence mid-text", "\xE2\x82z", "\xEF\xBF\xBD\xEF\xBF\xBDz"},
      {"truncated sequence at the end", "k\xF0\x9F\x98", "k\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"overlong form", "\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"surrogate encoding", "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"byte 0xFF", "\xFF", "\xEF\xBF\xBD"},
      {"well-formed multi-byte", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
  };
  return cases;
}

}  // namespace testsupport
