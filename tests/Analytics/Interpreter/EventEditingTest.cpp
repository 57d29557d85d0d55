#include <cmath>
#include <cstdint>

#include "Analytics/Interpreter/APMPEventEditing.h"
#include "Analytics/Interpreter/APMPKeyValueStore.h"
#include "Analytics/Interpreter/APMPMessageLogger.h"
#include "Analytics/Interpreter/APMPObjectProvider.h"
#include "tests/Analytics/Interpreter/InterpreterTestSupport.h"

namespace {

// Binds reg and log, then the given statements.
std::string program(const std::string& statements) {
  return R"({"instructions": [["41", "reg", "log"], ["3", "reg", ["require", "internal.registerCallback"]],
      ["3", "log", ["require", "internal.eventLogger"]], )" +
         statements + "]}";
}

// reg(0, function(ev) { body }, {type: ..., priority: ...})
std::string callback(const std::string& type, const std::string& body, const std::string& priority = "") {
  return R"(["reg", 0, ["51", "cb", ["7", "ev"], )" + body + R"(], ["8", "type", ")" + type + "\"" +
         (priority.empty() ? "" : ", \"priority\", " + priority) + "]]";
}

std::string renameTo(const std::string& name, const std::string& result) {
  return R"(["2", {"var": "ev"}, "setEventName", ["7", ")" + name + R"("]], ["36", )" + result + "]";
}

APMPError load(APMPEventEditing& editing, const std::string& text) {
  APMPProgram p;
  std::string parseError;
  EXPECT_TRUE(APMPTestNotation::parseProgramText(text, &p, &parseError)) << parseError;
  APMPError error;
  editing.loadProgram(p, &error);
  return error;
}

APMPEvent event(const std::string& name, APMPPlatformObject::Dictionary params = {}, double timestamp = 100) {
  return APMPEvent(name, timestamp, std::move(params));
}

}  // namespace

TEST(EventEditing, Priorities) {
  APMPEventEditing editing;
  ASSERT_FALSE(load(editing, program(callback("edit", "1", "5") + ", " + callback("edit", "1", "10") + ", " +
                                     callback("edit", "1", "5") + ", " + callback("edit", "1") + ", " +
                                     callback("edit", "1", "-1") + ", " + callback("create", "1", "1.9") + ", " +
                                     callback("create", "1", "2147483647") + ", " + callback("create", "1", "2147483647"))));
  EXPECT_EQ(editing.callbackHandler().sortedEditPriorities(), (std::vector<int64_t>{-1, 5, 10, 11, 1000}));
  // The bump after the largest 32-bit priority is done in 64 bits and runs last.
  EXPECT_EQ(editing.callbackHandler().sortedCreatePriorities(), (std::vector<int64_t>{1, 2147483647, 2147483648}));
}

TEST(EventEditing, RegistrationErrors) {
  const struct {
    const char* name;
    std::string statements;
    APMPError expected;
  } cases[] = {
      {"no type", R"(["reg", 0, ["51", "cb", ["7"]], ["8", "priority", 1]])", APMPError::editing(2)},
      {"unknown type", callback("delete", "1"), APMPError::editing(3)},
      {"callback not a function", R"(["reg", 0, 1, ["8", "type", "edit"]])", APMPError::interpreter(10)},
      {"options not a map", R"(["reg", 0, ["51", "cb", ["7"]], 1])", APMPError::interpreter(10)},
      {"count", R"(["reg", 0, ["51", "cb", ["7"]]])", APMPError::interpreter(9)},
      {"1001st registration", R"(["41", "i"], ["3", "i", 0], ["42", ["23", {"var": "i"}, 1001], ["3", "i", ["0", {"var": "i"}, 1]],
          false, ["46", ["reg", 0, ["51", "cb", ["7"]], ["8", "type", ["39", ["25", {"var": "i"}, 2], "edit", "create"]]]]])",
       APMPError::editing(4)},
      {"last statement returns", R"(1, ["36", 1])", APMPError::editing(5)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    APMPEventEditing editing;
    APMPError e = load(editing, program(c.statements));
    EXPECT_EQ(e.domain, c.expected.domain);
    EXPECT_EQ(e.code, c.expected.code);
  }
  // An earlier top-level return stops nothing.
  APMPEventEditing editing;
  EXPECT_FALSE(load(editing, program(R"(["36", 1], )" + callback("edit", "1"))));
  EXPECT_EQ(editing.callbackHandler().sortedEditPriorities().size(), 1u);
}

TEST(EventEditing, EditResultCodes) {
  const struct {
    const char* result;
    bool kept;
  } cases[] = {{"0", true}, {"1", true}, {"2", false}, {"-1", false}, {"4294967295", false}, {"[\"44\"]", false},
               {"\"0\"", false}, {"4294967296", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.result);
    APMPEventEditing editing;
    ASSERT_FALSE(load(editing, program(callback("edit", renameTo("renamed", c.result)))));
    APMPError error;
    EXPECT_EQ(editing.handleEvent(event("original"), &error), c.kept);
    EXPECT_FALSE(error);
    EXPECT_EQ(editing.hasEdits(), c.kept);
    EXPECT_EQ(editing.eventContext().outputEvent().name(), c.kept ? "renamed" : "original");
  }
}

TEST(EventEditing, NoChangeAndRemoval) {
  APMPEventEditing editing;
  ASSERT_FALSE(load(editing, program(callback("edit", R"(["2", {"var": "ev"}, "getEventName", ["7"]], ["36", 0])"))));
  APMPError error;
  EXPECT_FALSE(editing.handleEvent(event("e", {{"a", APMPPlatformObject::integer(1)}}), &error));
  EXPECT_FALSE(error);

  // Removing a parameter is an edit: it must not be lost.
  APMPEventEditing remover;
  ASSERT_FALSE(load(remover, program(callback("edit", R"(["2", {"var": "ev"}, "setParamValue", ["7", "email", ["45"]]], ["36", 0])"))));
  EXPECT_TRUE(remover.handleEvent(event("e", {{"email", APMPPlatformObject::string("a@b")}}), &error));
  EXPECT_TRUE(remover.hasEdits());
  EXPECT_FALSE(remover.eventContext().outputEvent().hasParameterName("email"));
}

TEST(EventEditing, NaNTimestamps) {
  APMPEventEditing editing;
  ASSERT_FALSE(load(editing, program(callback("edit", R"(["2", {"var": "ev"}, "getTimestamp", ["7"]], ["36", 0])") + ", " +
                                     callback("create", R"(["log", "copy", ["2", {"var": "ev"}, "getTimestamp", ["7"]], ["8"]])"))));
  APMPError error;
  // An event whose time is NaN is not an edit of itself; its copy is logged at time 0.
  EXPECT_TRUE(editing.handleEvent(event("e", {}, NAN), &error));
  EXPECT_FALSE(error);
  EXPECT_FALSE(editing.hasEdits());
  ASSERT_EQ(editing.eventContext().eventsToLog().size(), 1u);
  EXPECT_EQ(editing.eventContext().eventsToLog()[0].timestamp(), 0);
  EXPECT_TRUE(editing.handleEvent(event("e", {}, -INFINITY), &error));
  EXPECT_EQ(editing.eventContext().eventsToLog()[0].timestamp(), static_cast<double>(INT64_MIN));
}

TEST(EventEditing, ParameterNumberRules) {
  APMPEventEditing editing;
  ASSERT_FALSE(load(editing, program(callback("edit", R"(
      ["2", {"var": "ev"}, "setParamValue", ["7", "_c", 5]],
      ["2", {"var": "ev"}, "setParamValue", ["7", "value", 2.7]],
      ["2", {"var": "ev"}, "setParamValue", ["7", "_el", 3.9]],
      ["2", {"var": "ev"}, "setParamValue", ["7", "price", 2.5]],
      ["2", {"var": "ev"}, "setParamValue", ["7", "label", 7]],
      ["2", {"var": "ev"}, "setParamValue", ["7", "fresh", 1]],
      ["2", {"var": "ev"}, "setParamValue", ["7", "blank", ["44"]]],
      ["2", {"var": "ev"}, "setParamValue", ["7", "flag", true]],
      ["2", {"var": "ev"}, "setParamValue", ["7", "big", {"number": "Infinity"}]],
      ["2", {"var": "ev"}, "setParamValue", ["7", "_err", {"number": "NaN"}]],
      ["36", 0])"))));
  APMPError error;
  ASSERT_TRUE(editing.handleEvent(event("e", {{"_c", APMPPlatformObject::integer(1)},
                                              {"value", APMPPlatformObject::integer(9)},
                                              {"price", APMPPlatformObject::number(1.0)},
                                              {"label", APMPPlatformObject::string("x")},
                                              {"big", APMPPlatformObject::integer(0)}}),
                                  &error));
  const auto& p = editing.eventContext().outputEvent().parameters();
  EXPECT_EQ(p.at("_c").integerValue(), 1);
  EXPECT_EQ(p.at("value").integerValue(), 2);
  EXPECT_EQ(p.at("_el").integerValue(), 3);
  EXPECT_EQ(p.at("price").doubleValue(), 2.5);
  EXPECT_EQ(p.at("label").stringValue(), "7");
  EXPECT_EQ(p.at("fresh").type(), APMPPlatformObject::Type::kDouble);
  EXPECT_EQ(p.at("blank").stringValue(), "");
  EXPECT_EQ(p.at("flag").doubleValue(), 1);
  EXPECT_EQ(p.at("big").integerValue(), INT64_MAX);
  EXPECT_EQ(p.at("_err").stringValue(), "NaN");  // NaN has no number form for the host
}

TEST(EventEditing, EventMethods) {
  APMPEventEditing editing;
  // Stores a summary of what the getters see in the "seen" parameter.
  ASSERT_FALSE(load(editing, program(callback("edit", R"(
      ["2", {"var": "ev"}, "setParamValue", ["7", "seen", ["0", ["0", ["0",
          ["2", {"var": "ev"}, "getEventName", ["7"]],
          ["2", {"var": "ev"}, "getTimestamp", ["7"]]],
          ["40", ["2", {"var": "ev"}, "getParamValue", ["7", "missing"]]]],
          ["16", ["2", {"var": "ev"}, "getParams", ["7"]], "n"]]]],
      ["36", 0])"))));
  APMPError error;
  ASSERT_TRUE(editing.handleEvent(event("e", {{"n", APMPPlatformObject::integer(4)}}, 12), &error));
  EXPECT_EQ(editing.eventContext().outputEvent().parameters().at("seen").stringValue(), "e12object4");

  const struct {
    const char* body;
    int code;
  } errors[] = {
      {R"(["2", {"var": "ev"}, "setEventName", ["7", ["44"]]])", 10},
      {R"(["2", {"var": "ev"}, "setEventName", ["7"]])", 9},
      {R"(["2", {"var": "ev"}, "getParams", ["7", 1]])", 9},
      {R"(["2", {"var": "ev"}, "nope", ["7"]])", 17},
  };
  for (const auto& c : errors) {
    SCOPED_TRACE(c.body);
    APMPEventEditing failing;
    ASSERT_FALSE(load(failing, program(callback("edit", c.body))));
    EXPECT_FALSE(failing.handleEvent(event("e"), &error));
    EXPECT_TRUE(error.isInterpreter(c.code));
  }
}

TEST(EventEditing, FailingCallbackRestoresAndStops) {
  APMPEventEditing editing;
  ASSERT_FALSE(load(editing, program(callback("edit", renameTo("first", "0"), "1") + ", " +
                                     callback("edit", R"(["2", {"var": "ev"}, "setEventName", ["7", "second"]], ["3", "undeclared", 1])", "2") +
                                     ", " + callback("edit", renameTo("third", "0"), "3"))));
  APMPError error;
  EXPECT_FALSE(editing.handleEvent(event("e"), &error));
  EXPECT_TRUE(error.isInterpreter(2));
  EXPECT_EQ(editing.eventContext().outputEvent().name(), "first");
}

TEST(EventEditing, CreatedEvents) {
  APMPEventEditing editing;
  ASSERT_FALSE(load(editing, program(callback("create", R"(
      ["log", "made", 1.9, ["8", "_c", 2, "value", 2.7, "gone", ["45"], "list", ["7", 1, "a"]]],
      ["log", "nan", {"number": "NaN"}, ["8"]],
      ["log", "inf", {"number": "Infinity"}, ["8"]])"))));
  APMPError error;
  ASSERT_TRUE(editing.handleEvent(event("e", {{"_c", APMPPlatformObject::integer(1)}, {"value", APMPPlatformObject::integer(3)}}), &error));
  EXPECT_FALSE(editing.hasEdits());
  const auto& made = editing.eventContext().eventsToLog();
  ASSERT_EQ(made.size(), 3u);
  EXPECT_EQ(made[0].name(), "made");
  EXPECT_EQ(made[0].timestamp(), 1);
  EXPECT_EQ(made[0].parameters().at("_c").integerValue(), 1);
  EXPECT_EQ(made[0].parameters().at("value").integerValue(), 2);
  EXPECT_FALSE(made[0].hasParameterName("gone"));
  EXPECT_EQ(made[0].parameters().at("list").arrayValue().size(), 2u);
  EXPECT_EQ(made[1].timestamp(), 0);
  EXPECT_EQ(made[2].timestamp(), static_cast<double>(INT64_MAX));

  APMPEventEditing bad;
  ASSERT_FALSE(load(bad, program(callback("create", R"(["log", "x", 1, ["7"]])"))));
  EXPECT_FALSE(bad.handleEvent(event("e"), &error));
  EXPECT_TRUE(error.isInterpreter(10));
}

TEST(EventEditing, BudgetIsResetPerEvent) {
  APMPEventEditing editing;
  // About 600,000 evaluations per event: two events fit only with a reset between them.
  ASSERT_FALSE(load(editing, program(callback("edit", R"(["41", "i"], ["3", "i", 0],
      ["42", ["23", {"var": "i"}, 50000], ["3", "i", ["0", {"var": "i"}, 1]], false, ["46"]], ["36", 0])"))));
  APMPError error;
  for (int i = 0; i < 2; ++i) {
    editing.handleEvent(event("e"), &error);
    EXPECT_FALSE(error) << error.code;
    EXPECT_GT(editing.runtime().getInstructionCount(nullptr), 500000);
  }
}

TEST(EventEditing, ActivitiesRegisterRules) {
  const std::string base = R"(["50", "rule", ["7", "r"], ["reg", 0, ["51", "cb", ["7", "ev"],
      ["2", {"var": "ev"}, "setEventName", ["7", ["16", {"var": "r"}, "to"]]], ["36", 0]], ["8", "type", "edit"]]])";
  std::string text = program(base);
  text.back() = ',';
  APMPEventEditing editing;
  EXPECT_FALSE(load(editing, text + R"("activities": [{"name": "rule", "data": [["8", "to", "x"], ["8", "to", "y"]]}]})"));
  APMPError error;
  EXPECT_TRUE(editing.handleEvent(event("e"), &error));
  EXPECT_EQ(editing.eventContext().outputEvent().name(), "y");

  APMPEventEditing notMap;
  EXPECT_TRUE(load(notMap, text + R"("activities": [{"name": "rule", "data": [1]}]})").isEditing(6));
  APMPEventEditing notFunction;
  EXPECT_TRUE(load(notFunction, text + R"("activities": [{"name": "nothing", "data": [["8"]]}]})").isEditing(7));
}

TEST(EventEditing, CyclesDoNotAccumulateAcrossEvents) {
  APMPEventEditing editing;
  ASSERT_FALSE(load(editing, program(callback("create", R"(["41", "a"], ["3", "a", ["7"]],
      ["2", {"var": "a"}, "push", ["7", {"var": "a"}]], ["51", "closure", ["7"], {"var": "a"}])"))));
  APMPError error;
  size_t after100 = 0;
  for (int i = 0; i < 5000; ++i) {
    editing.handleEvent(event("e"), &error);
    ASSERT_FALSE(error);
    if (i == 100) after100 = editing.runtime().heap()->objectCount();
  }
  EXPECT_LT(editing.runtime().heap()->objectCount(), after100 + 4000);
}

TEST(NativeModules, KeyValueStoreAndObjectProvider) {
  APMPRuntime runtime;
  runtime.setModuleCreator([] {
    return std::optional<APMPRuntimeValue>(APMPRuntimeValue(new APMPKeyValueStore(u"internal.remoteConfig",
        [](const std::string& key) { return key == "k" ? std::optional<std::string>("v") : std::nullopt; })));
  }, u"internal.remoteConfig");
  runtime.setModuleCreator([] {
    return std::optional<APMPRuntimeValue>(APMPRuntimeValue(new APMPObjectProvider(u"internal.appMetadata", [] {
      return APMPPlatformObject::dictionary({{"platform", APMPPlatformObject::string("ios")},
                                             {"kvl_version", APMPPlatformObject::integer(7)}});
    })));
  }, u"internal.appMetadata");
  EXPECT_EQ(RunIn(runtime, R"([["2", ["require", "internal.remoteConfig"], "getValue", ["7", "k", "d"]]])").value, "\"v\"");
  EXPECT_EQ(RunIn(runtime, R"([["2", ["require", "internal.remoteConfig"], "getValue", ["7", "other", "d"]]])").value, "\"d\"");
  EXPECT_TRUE(RunIn(runtime, R"([["2", ["require", "internal.remoteConfig"], "getValue", ["7", "k"]]])").error.isInterpreter(9));
  EXPECT_EQ(RunIn(runtime, R"([["41", "meta"], ["3", "meta", ["require", "internal.appMetadata"]], ["meta"]])").value,
            "{kvl_version: 7, platform: \"ios\"}");
}

TEST(NativeModules, LoggerLevels) {
  struct Entry {
    int64_t level;
    std::string message;
    std::vector<std::string> contexts;
  };
  std::vector<Entry> entries;
  auto logger = std::make_shared<APMTesselLogger>([&entries](int64_t level, int64_t code, const std::string& message,
                                                             const std::vector<std::string>& contexts) {
    EXPECT_EQ(code, 24005);
    entries.push_back({level, message, contexts});
  });
  APMPRuntime runtime;
  runtime.setModuleCreator([logger] { return std::optional<APMPRuntimeValue>(APMPRuntimeValue(new APMPMessageLogger(logger))); },
                           u"internal.logger");
  RunResult r = RunIn(runtime, R"([["41", "l"], ["3", "l", ["require", "internal.logger"]],
      ["2", {"var": "l"}, "log", ["7", "plain"]],
      ["2", ["16", {"var": "l"}, "unmonitored"], "log", ["7", 6, "u"]],
      ["2", ["16", {"var": "l"}, "silent"], "log", ["7", 5, "s"]],
      ["2", {"var": "l"}, "log", ["7", 2.9, "m", "c1", "c2", "c3", "c4", "c5"]],
      ["2", {"var": "l"}, "log", ["7", {"number": "NaN"}, "nan"]]])");
  ASSERT_FALSE(r.error);
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].level, 6);
  EXPECT_EQ(entries[1].level, 0);
  EXPECT_EQ(entries[2].level, 5);
  EXPECT_EQ(entries[3].level, 8);
  EXPECT_EQ(entries[3].contexts, (std::vector<std::string>{"c1", "c2", "c3"}));
  EXPECT_EQ(entries[4].level, 6);
  EXPECT_TRUE(RunIn(runtime, R"([["2", {"var": "l"}, "log", ["7"]]])").error.isInterpreter(9));
  EXPECT_EQ(APMTesselLogger::monitorLevel(3, false, true), 7);
  EXPECT_EQ(APMTesselLogger::monitorLevel(5, false, true), 4);
  EXPECT_EQ(APMTesselLogger::monitorLevel(5, false, false), 3);
  EXPECT_EQ(APMTesselLogger::monitorLevel(6, true, true), 2);
  EXPECT_EQ(APMTesselLogger::monitorLevel(6, false, true), 1);
}
