#include "tests/Analytics/Interpreter/InterpreterTestSupport.h"

TEST(OperatorCommands, Math) {
  RunCases({
      {"number plus string concatenates", R"([["0", 1, "2"]])", "\"12\""},
      {"boolean plus number adds", R"([["0", true, 1]])", "2"},
      {"array operand concatenates", R"([["0", ["7", 1, 2], "x"]])", "\"1,2x\""},
      {"map operand concatenates", R"([["0", ["8"], 1]])", "\"[object Object]1\""},
      {"undefined plus number", R"([["0", ["44"], 1]])", "NaN"},
      {"division by zero", R"([["10", 1, 0]])", "Infinity"},
      {"zero by zero", R"([["10", 0, 0]])", "NaN"},
      {"remainder keeps dividend sign", R"([["25", -7, 2]])", "-1"},
      {"remainder by zero", R"([["25", 5, 0]])", "NaN"},
      {"subtract", R"([["37", 5, "2"]])", "3"},
      {"multiply", R"([["26", 1.5, 4]])", "6"},
      {"negate", R"([["27", "3"]])", "-3"},
      {"pass through unconverted", R"([["34", "3"]])", "\"3\""},
      {"first of two", R"([["32", "a", "b"]])", "\"a\""},
      {"wrong count", R"([["0", 1]])", "", 9},
      {"array holding a statement has no string form", R"([["37", ["46", ["44"]], 1]])", "", 5},
  });
}

TEST(OperatorCommands, MathEvaluatesAllArgumentsBeforeCountCheck) {
  APMPRuntime runtime;
  RunResult r = RunIn(runtime, R"([["41", "a"], ["37", ["3", "a", 5]]])");
  EXPECT_TRUE(r.error.isInterpreter(9));
  EXPECT_EQ(RunIn(runtime, R"([{"var": "a"}])").value, "5");
}

TEST(OperatorCommands, Comparison) {
  RunCases({
      {"strings compare as text", R"([["23", "10", "9"]])", "true"},
      {"number and string compare as numbers", R"([["23", 10, "9"]])", "false"},
      {"NaN makes all false", R"([["19", {"number": "NaN"}, 1]])", "false"},
      {"less or equal", R"([["24", 2, 2]])", "true"},
      {"greater", R"([["18", 3, 2]])", "true"},
      {"greater or equal", R"([["19", 1, 2]])", "false"},
      {"undefined loosely equals null", R"([["12", ["44"], ["45"]]])", "true"},
      {"null not loosely 0", R"([["12", ["45"], 0]])", "false"},
      {"string 1 loosely 1", R"([["12", "1", 1]])", "true"},
      {"boolean loosely string", R"([["12", true, "1"]])", "true"},
      {"distinct arrays not loosely equal", R"([["12", ["7", 1], ["7", 1]]])", "false"},
      {"NaN not loosely NaN", R"([["12", {"number": "NaN"}, {"number": "NaN"}]])", "false"},
      {"loose inequality", R"([["29", "a", "b"]])", "true"},
      {"strict: 1 and string 1", R"([["20", 1, "1"]])", "false"},
      {"strict: equal strings", R"([["20", "ab", "ab"]])", "true"},
      {"strict: null and null", R"([["20", ["45"], ["45"]]])", "true"},
      {"strict inequality", R"([["21", 1, 2]])", "true"},
      {"count checked before evaluation", R"([["23", 1]])", "", 9},
  });
}

TEST(OperatorCommands, Logical) {
  RunCases({
      {"and returns deciding first operand", R"([["1", 0, "x"]])", "0"},
      {"and returns second when first true", R"([["1", 1, "x"]])", "\"x\""},
      {"or returns first truthy", R"([["30", "a", "b"]])", "\"a\""},
      {"or returns second", R"([["30", "", "b"]])", "\"b\""},
      {"not", R"([["28", ""]])", "true"},
      {"wrong count", R"([["28", 1, 2]])", "", 9},
  });
  // The second operand of a false "and" is never evaluated.
  APMPRuntime runtime;
  RunIn(runtime, R"([["41", "hit"], ["3", "hit", 0], ["1", false, ["3", "hit", 1]]])");
  EXPECT_EQ(RunIn(runtime, R"([{"var": "hit"}])").value, "0");
}

TEST(OperatorCommands, Bitwise) {
  RunCases({
      {"shift count masked", R"([["57", 1, 33]])", "2"},
      {"unsigned shift of -1", R"([["61", -1, 0]])", "4294967295"},
      {"arithmetic shift", R"([["60", -8, 1]])", "-4"},
      {"and modulo 2^32", R"([["56", 4294967297, 1]])", "1"},
      {"NaN acts as 0", R"([["59", {"number": "NaN"}, 5]])", "5"},
      {"infinity acts as 0", R"([["62", {"number": "Infinity"}, 3]])", "3"},
      {"not", R"([["58", 0]])", "-1"},
      {"shift into sign bit", R"([["57", 1, 31]])", "-2147483648"},
      {"wrong count", R"([["58", 1, 2]])", "", 9},
  });
}
