// Runs programs written in the JSON test notation.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "Analytics/Interpreter/APMPRuntime.h"
#include "Analytics/Interpreter/Notation/APMPTestNotation.h"

struct RunResult {
  std::string value;  // debugString of the result
  APMPError error;
  int code() const { return error ? error.code : 0; }
};

// Runs the instructions (a JSON array) in `runtime`, or in a fresh one.
inline RunResult RunIn(APMPRuntime& runtime, const std::string& program) {
  APMPProgram p;
  std::string parseError;
  EXPECT_TRUE(APMPTestNotation::parseProgramText(program, &p, &parseError)) << parseError << " in " << program;
  RunResult r;
  APMPHeapScope active(runtime.heap());
  APMPRuntimeValue v = runtime.executeStatements(p.instructions, &r.error);
  r.value = v.debugString();
  return r;
}

inline RunResult RunProgram(const std::string& program) {
  APMPRuntime runtime;
  return RunIn(runtime, program);
}

struct ProgramCase {
  const char* name;
  const char* program;
  const char* expected;  // debugString of the result (ignored when an error is expected)
  int error = 0;         // interpreter code, 0 for none, -1 for a regex error
};

inline void RunCases(const std::vector<ProgramCase>& cases) {
  for (const ProgramCase& c : cases) {
    SCOPED_TRACE(std::string(c.name) + ": " + c.program);
    RunResult r = RunProgram(c.program);
    if (c.error < 0) {
      EXPECT_EQ(r.error.domain, APMPErrorDomain::kRegex);
    } else if (c.error) {
      EXPECT_TRUE(r.error.isInterpreter(c.error)) << "got domain " << r.error.domainName() << " code " << r.error.code;
    } else {
      EXPECT_FALSE(r.error) << "unexpected error " << r.error.code;
      EXPECT_EQ(r.value, c.expected);
    }
  }
}

// A program calling `method` on `receiver` with `args` (a comma-separated
// list): ["2", receiver, method, ["7", args...]].
inline std::string MethodCall(const std::string& receiver, const std::string& method, const std::string& args = "") {
  return R"([["2", )" + receiver + R"(, ")" + method + R"(", ["7")" + (args.empty() ? "" : ", " + args) + "]]]";
}
