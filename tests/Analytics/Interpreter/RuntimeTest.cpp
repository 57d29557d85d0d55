#include "Analytics/Interpreter/APMPEvaluator.h"
#include "Analytics/Interpreter/APMPRuntimeEntityConverter.h"
#include "tests/Analytics/Interpreter/InterpreterTestSupport.h"

TEST(Runtime, Basics) {
  RunCases({
      {"empty program", "[]", "undefined"},
      {"result of the last statement", R"([1, "two"])", "\"two\""},
      {"top-level return does not stop the run", R"([["36", 1], 2])", "2"},
      {"require of an unregistered name", R"([["require", "nothing.here"]])", "undefined"},
      {"platform version", R"([["2", ["require", "internal.platform"], "getVersion", ["7"]]])", "0"},
      {"require count", R"([["require"]])", "", 9},
      {"string entity without value", R"([{"entity": {"type": 1}}])", "\"\""},
      {"number entity without value", R"([{"entity": {"type": 2}}])", "NaN"},
      {"boolean entity without value", R"([{"entity": {"type": 3}}])", "false"},
      {"entity type 0", R"([{"entity": {"type": 0}}])", "", 12},
      {"entity type 5", R"([{"entity": {"type": 5}}])", "", 12},
      {"statement without a name", R"([{"entity": {"type": 4}}])", "", 14},
      {"nested statement without a name", R"([["0", 1, {"entity": {"type": 4}}]])", "", 14},
  });
}

TEST(Runtime, RequireCachesModules) {
  APMPRuntime runtime;
  int made = 0;
  runtime.setModuleCreator([&made] {
    ++made;
    return std::optional<APMPRuntimeValue>(APMPRuntimeValue::string(u"module"));
  }, u"m");
  runtime.setModuleCreator([] { return std::optional<APMPRuntimeValue>(); }, u"broken");
  EXPECT_EQ(RunIn(runtime, R"([["20", ["require", "m"], ["require", "m"]]])").value, "true");
  EXPECT_EQ(RunIn(runtime, R"([["20", ["require", "internal.platform"], ["require", "internal.platform"]]])").value, "true");
  EXPECT_EQ(made, 1);
  EXPECT_TRUE(RunIn(runtime, R"([["require", "broken"]])").error.isInterpreter(15));
  // A name first required before its creator exists stays undefined in this runtime.
  EXPECT_EQ(RunIn(runtime, R"([["require", "late"]])").value, "undefined");
  runtime.setModuleCreator([] { return std::optional<APMPRuntimeValue>(APMPRuntimeValue::number(1)); }, u"late");
  EXPECT_EQ(RunIn(runtime, R"([["require", "late"]])").value, "undefined");
}

TEST(Runtime, ProgramsShareTheGlobalScopeAndStopAtTheFirstError) {
  APMPRuntime runtime;
  RunResult r = RunIn(runtime, R"([["41", "g"], ["3", "g", 1], ["3", "undeclared", 1], ["3", "g", 2]])");
  EXPECT_TRUE(r.error.isInterpreter(2));
  EXPECT_EQ(RunIn(runtime, R"([{"var": "g"}])").value, "1");
}

TEST(Runtime, ScopesUpdateTheNearestHolder) {
  APMPRuntime runtime;
  APMPHeapScope active(runtime.heap());
  APMPRuntimeValue childHold = runtime.getRunScope();
  auto* child = static_cast<APMPScope*>(childHold.object());
  runtime.globalScope()->addValue(u"v", APMPRuntimeValue::number(1));
  child->setValue(u"v", APMPRuntimeValue::number(2));
  EXPECT_EQ(runtime.globalScope()->valueForName(u"v").debugString(), "2");
  child->setValue(u"fresh", APMPRuntimeValue::number(3));
  EXPECT_FALSE(runtime.globalScope()->hasName(u"fresh"));
  EXPECT_TRUE(child->hasName(u"fresh"));
}

TEST(Runtime, StatementBudget) {
  APMPRuntime runtime;
  // Literals count like commands.
  RunIn(runtime, "[1, 2, 3]");
  EXPECT_EQ(runtime.getInstructionCount(nullptr), 3);
  runtime.resetInstructionCount();
  // An endless loop is stopped by the budget with code 18 after 1,000,000 evaluations.
  RunResult r = RunIn(runtime, R"([["42", true, 1, false, ["46"]]])");
  EXPECT_TRUE(r.error.isInterpreter(18));
  EXPECT_EQ(runtime.getInstructionCount(nullptr), 1000000);
  EXPECT_TRUE(RunIn(runtime, "[1]").error.isInterpreter(18));
  runtime.resetInstructionCount();
  EXPECT_EQ(RunIn(runtime, "[1]").value, "1");
}

TEST(Runtime, ConverterRefusesDeepNesting) {
  APMPRuntime runtime;
  APMPHeapScope active(runtime.heap());
  APMPEntity e = APMPEntity::number(1);
  for (int i = 0; i < 600; ++i) e = APMPEntity::statement("34", {std::move(e)});
  APMPError error;
  APMPRuntimeEntityConverter::runtimeValueFromRuntimeEntity(e, &error);
  EXPECT_TRUE(error.isInterpreter(18));
}

TEST(Runtime, IntegerConversions) {
  EXPECT_EQ(APMPToInt32(4294967297.0), 1);
  EXPECT_EQ(APMPToInt32(-1.9), -1);
  EXPECT_EQ(APMPToInt32(2147483648.0), -2147483647 - 1);
  EXPECT_EQ(APMPToInt32(NAN), 0);
  EXPECT_EQ(APMPToUint32(-1), 4294967295u);
  EXPECT_EQ(APMPToInt64(NAN), 0);
  EXPECT_EQ(APMPToInt64(INFINITY), INT64_MAX);
  EXPECT_EQ(APMPToInt64(-1e300), INT64_MIN);
  EXPECT_EQ(APMPToInt64(-2.9), -2);
}
