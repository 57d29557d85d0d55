// Programs that try to escape the budget, the stack or memory.
#include "tests/Analytics/Interpreter/InterpreterTestSupport.h"

TEST(HostilePrograms, CounterCannotBeReset) {
  APMPRuntime runtime;
  RunResult r = RunIn(runtime, R"([["42", true, ["3", "runtime.counter", 0], false, ["46"]]])");
  EXPECT_TRUE(r.error.isInterpreter(18));
  runtime.resetInstructionCount();
  // Reading gives the count so far; the assignment is ignored without error.
  EXPECT_EQ(RunIn(runtime, R"([1, ["3", "runtime.counter", 0], {"var": "runtime.counter"}])").value, "6");
  // Declared in an inner scope it is an ordinary variable that the budget ignores.
  runtime.resetInstructionCount();
  EXPECT_EQ(RunIn(runtime, R"([["53", ["41", "runtime.counter"], ["3", "runtime.counter", 5], {"var": "runtime.counter"}]])").value,
            "5");
  runtime.resetInstructionCount();
  r = RunIn(runtime, R"([["53", ["41", "runtime.counter"], ["42", true, ["3", "runtime.counter", 0], false, ["46"]]]])");
  EXPECT_TRUE(r.error.isInterpreter(18));
}

TEST(HostilePrograms, DeepRecursionStopsWithBudgetError) {
  RunCases({
      {"self recursion", R"([["50", "f", ["7"], ["36", ["f"]]], ["f"]])", "", 18},
      {"mutual recursion through a method", R"([["50", "g", ["7"], ["2", ["7", 1], "map", ["7", {"var": "g"}]]], ["g"]])", "",
       18},
      {"recursive comparator", R"([["50", "c", ["7", "a", "b"], ["2", ["7", 2, 1], "sort", ["7", {"var": "c"}]]],
          ["2", ["7", 2, 1], "sort", ["7", {"var": "c"}]]])", "", 18},
  });
}

TEST(HostilePrograms, SelfContainingArray) {
  APMPRuntime runtime;
  RunIn(runtime, R"([["41", "a"], ["3", "a", ["7", 1]], ["2", {"var": "a"}, "push", ["7", {"var": "a"}]]])");
  EXPECT_EQ(RunIn(runtime, R"([["2", {"var": "a"}, "join", ["7"]]])").value, "\"1,\"");
  EXPECT_EQ(RunIn(runtime, R"([["0", "", {"var": "a"}]])").value, "\"1,\"");
  EXPECT_EQ(RunIn(runtime, R"([["12", {"var": "a"}, {"var": "a"}]])").value, "true");
  RunIn(runtime, R"([["41", "b"], ["3", "b", ["7", 1]], ["2", {"var": "b"}, "push", ["7", {"var": "b"}]]])");
  EXPECT_EQ(RunIn(runtime, R"([["2", {"var": "a"}, "indexOf", ["7", {"var": "b"}]]])").value, "-1");
  // A nested chain far deeper than the depth limit: joining stops with 18.
  RunResult r = RunIn(runtime, R"([["41", "d", "i"], ["3", "d", ["7"]], ["3", "i", 0],
      ["42", ["23", {"var": "i"}, 2000], ["3", "i", ["0", {"var": "i"}, 1]], false, ["46", ["3", "d", ["7", {"var": "d"}]]]],
      ["2", {"var": "d"}, "join", ["7"]]])");
  EXPECT_TRUE(r.error.isInterpreter(18));
}

TEST(HostilePrograms, MemoryCaps) {
  RunCases({
      {"huge index", R"([["43", ["7"], 1000000000, 1]])", "", 11},
      {"length past the cap", R"([["43", ["7"], "length", 16777217]])", "", 11},
      {"string doubling", R"([["41", "s"], ["3", "s", "x"], ["42", true, ["3", "s", ["0", {"var": "s"}, {"var": "s"}]], false,
          ["46"]]])", "", 18},
      {"join with a huge separator", R"([["41", "s", "a"], ["3", "s", "xxxxxxxxxxxxxxxx"],
          ["42", ["23", ["16", {"var": "s"}, "length"], 1000000], ["3", "s", ["0", {"var": "s"}, {"var": "s"}]], false, ["46"]],
          ["3", "a", ["7"]], ["43", {"var": "a"}, "length", 100],
          ["2", {"var": "a"}, "join", ["7", {"var": "s"}]]])", "", 18},
  });
}

TEST(HostilePrograms, ArraySlotsAreChargedToTheWorkBudget) {
  APMPRuntime runtime;
  APMPExec& x = runtime.exec();
  // Nearly spent: copying ten more slots fails with 18, and the next reset restores the budget.
  RunIn(runtime, "[]");
  x.work = APMPExec::kWorkBudget - 5;
  RunResult r = RunIn(runtime, R"([["2", ["46", 1, 2, 3, 4, 5], "concat", ["7", ["46", 1, 2, 3, 4, 5]]]])");
  EXPECT_TRUE(r.error.isInterpreter(18));
  runtime.resetInstructionCount();
  EXPECT_EQ(RunIn(runtime, R"([["16", ["2", ["46", 1, 2, 3, 4, 5], "concat", ["7", ["46", 1, 2, 3, 4, 5]]], "length"]])").value,
            "10");
}

TEST(HostilePrograms, ScanningLargeTextIsCharged) {
  // A 2^20-unit string searched over and over: reading is work too, so the
  // run ends with 18 long before a million evaluations.
  RunResult r = RunProgram(R"([["41", "s", "i"], ["3", "s", "x"], ["3", "i", 0],
      ["42", ["23", {"var": "i"}, 20], ["13", ["3", "s", ["0", {"var": "s"}, {"var": "s"}]], ["3", "i", ["0", {"var": "i"}, 1]]], false, ["46"]],
      ["42", true, ["2", {"var": "s"}, "indexOf", ["7", "z"]], false, ["46", ["12", {"var": "s"}, {"var": "s"}]]]])");
  EXPECT_TRUE(r.error.isInterpreter(18));
}

TEST(HostilePrograms, CatastrophicRegexFailsLikeABadPattern) {
  std::string subject(40, 'a');
  subject += "!";
  RunResult r = RunProgram(R"([["2", ")" + subject + R"(", "search", ["7", "(a+)+$"]]])");
  EXPECT_EQ(r.error.domain, APMPErrorDomain::kRegex);
  r = RunProgram(R"([["2", ")" + subject + R"(", "match", ["7", "((a*)*|b)*c"]]])");
  EXPECT_EQ(r.error.domain, APMPErrorDomain::kRegex);
}

TEST(HostilePrograms, InconsistentComparatorsStayInBounds) {
  RunCases({
      {"random answers", R"([["41", "n"], ["3", "n", 0], ["16", ["2", ["7", 5, 3, 9, 1, 7, 2, 8], "sort", ["7",
          ["51", "c", ["7", "a", "b"], ["3", "n", ["0", {"var": "n"}, 1]], ["36", ["37", ["25", {"var": "n"}, 3], 1]]]]], "length"]])",
       "7"},
      {"comparator shrinks the array", R"([["41", "a"], ["3", "a", ["7", 5, 3, 9, 1, 7]], ["2", {"var": "a"}, "sort", ["7",
          ["51", "c", ["7", "x", "y"], ["2", {"var": "a"}, "pop", ["7"]], ["36", -1]]]], ["16", {"var": "a"}, "length"]])", "0"},
      {"comparator grows the array", R"([["41", "a"], ["3", "a", ["7", 5, 3, 9]], ["2", {"var": "a"}, "sort", ["7",
          ["51", "c", ["7", "x", "y"], ["2", {"var": "a"}, "push", ["7", 0]], ["36", 1]]]], ["16", {"var": "a"}, "length"]])",
       "5"},
  });
}
