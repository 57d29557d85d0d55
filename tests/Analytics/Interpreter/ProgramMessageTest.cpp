// A Program message built, encoded, decoded and loaded, then events handled.
#include "Analytics/Interpreter/APMPEventEditing.h"
#include "Analytics/Interpreter/Messages/APMPProgramMessageConverter.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "tests/Analytics/Interpreter/InterpreterTestSupport.h"

namespace {

std::shared_ptr<APMPBProgram> roundTrip(const std::string& json) {
  APMPProgram program;
  std::string parseError;
  EXPECT_TRUE(APMPTestNotation::parseProgramText(json, &program, &parseError)) << parseError;
  auto bytes = APMPProgramMessageConverter::messageFromProgram(program)->protoBuffer();
  EXPECT_TRUE(bytes.has_value());
  auto decoded = APMPBProgram::initWithBuffer(*bytes);
  EXPECT_NE(decoded, nullptr);
  return decoded;
}

const char* kProgram = R"({
  "instructions": [
    ["41", "reg", "log"],
    ["3", "reg", ["require", "internal.registerCallback"]],
    ["3", "log", ["require", "internal.eventLogger"]],
    ["50", "renameRule", ["7", "rule"],
      ["reg", 0, ["51", "edit", ["7", "ev"],
        ["22", ["20", ["2", {"var": "ev"}, "getEventName", ["7"]], ["16", {"var": "rule"}, "from"]],
          ["46", ["2", {"var": "ev"}, "setEventName", ["7", ["16", {"var": "rule"}, "to"]]],
                 ["2", {"var": "ev"}, "setParamValue", ["7", "email", ["45"]]],
                 ["2", {"var": "ev"}, "setParamValue", ["7", "ratio", 0.5]]]],
        ["36", 0]], ["8", "type", "edit", "priority", 1]]],
    ["reg", 0, ["51", "create", ["7", "ev"],
      ["22", ["20", ["2", {"var": "ev"}, "getEventName", ["7"]], "order"],
        ["46", ["log", "order_copy", ["2", {"var": "ev"}, "getTimestamp", ["7"]],
                ["8", "_o", "auto", "n", ["2", {"var": "ev"}, "getParamValue", ["7", "n"]]]]]],
      ["36", 0]], ["8", "type", "create"]],
    ["reg", 0, ["51", "spin", ["7", "ev"],
      ["22", ["20", ["2", {"var": "ev"}, "getEventName", ["7"]], "spin"],
        ["46", ["42", true, 1, false, ["46"]]]],
      ["36", 0]], ["8", "type", "edit", "priority", 2]]
  ],
  "activities": [{"name": "renameRule", "data": [["8", "from", "purchase", "to", "order"]]}]
})";

}  // namespace

TEST(ProgramMessage, EncodedProgramEditsEvents) {
  auto message = roundTrip(kProgram);
  ASSERT_NE(message, nullptr);
  APMPEventEditing editing;
  APMPError error;
  ASSERT_TRUE(APMPProgramMessageConverter::loadProgram(editing, *message, &error)) << error.code;

  // Edited and created.
  APMPEvent purchase("purchase", 1000, {{"email", APMPPlatformObject::string("a@b")}, {"n", APMPPlatformObject::integer(3)}});
  EXPECT_TRUE(editing.handleEvent(purchase, &error));
  EXPECT_FALSE(error);
  const APMPEvent& out = editing.eventContext().outputEvent();
  EXPECT_EQ(out.name(), "order");
  EXPECT_FALSE(out.hasParameterName("email"));
  EXPECT_EQ(out.parameters().at("ratio").doubleValue(), 0.5);
  ASSERT_EQ(editing.eventContext().eventsToLog().size(), 1u);
  const APMPEvent& copy = editing.eventContext().eventsToLog()[0];
  EXPECT_EQ(copy.name(), "order_copy");
  EXPECT_EQ(copy.timestamp(), 1000);
  EXPECT_EQ(copy.parameters().at("_o").stringValue(), "auto");
  EXPECT_EQ(copy.parameters().at("n").type(), APMPPlatformObject::Type::kInteger);

  // Untouched.
  EXPECT_FALSE(editing.handleEvent(APMPEvent("screen_view", 1, {}), &error));
  EXPECT_FALSE(error);
  EXPECT_FALSE(editing.hasCreatedEvents());

  // A runaway callback spends its event's budget only; the next event runs again.
  EXPECT_FALSE(editing.handleEvent(APMPEvent("spin", 1, {}), &error));
  EXPECT_TRUE(error.isInterpreter(18));
  error = APMPError();
  EXPECT_TRUE(editing.handleEvent(purchase, &error));
  EXPECT_FALSE(error);
}

TEST(ProgramMessage, LoadErrorsFromMessages) {
  const struct {
    const char* json;
    APMPError expected;
  } cases[] = {
      {R"([["41", "reg"], ["3", "reg", ["require", "internal.registerCallback"]], ["reg", 0, ["51", "f", ["7"]], ["8", "priority", 1]]])",
       APMPError::editing(2)},
      {R"([["41", "reg"], ["3", "reg", ["require", "internal.registerCallback"]], ["reg", 0, ["51", "f", ["7"]], ["8", "type", "x"]]])",
       APMPError::editing(3)},
      {R"([["36", 1]])", APMPError::editing(5)},
      {R"({"instructions": [], "activities": [{"name": "r", "data": [1]}]})", APMPError::editing(6)},
      {R"({"instructions": [], "activities": [{"name": "r", "data": [["8"]]}]})", APMPError::editing(7)},
      {R"([{"entity": {"type": 9}}])", APMPError::interpreter(12)},
      {R"([["0", 1, {"entity": {"type": 4, "args": [1]}}]])", APMPError::interpreter(14)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.json);
    auto message = roundTrip(c.json);
    ASSERT_NE(message, nullptr);
    APMPEventEditing editing;
    APMPError error;
    EXPECT_FALSE(APMPProgramMessageConverter::loadProgram(editing, *message, &error));
    EXPECT_EQ(error.domain, c.expected.domain);
    EXPECT_EQ(error.code, c.expected.code);
  }
}

TEST(ProgramMessage, AbsentFieldsKeepTheirMeaning) {
  // A number entity without a value is NaN, a string entity without one is "".
  auto message = roundTrip(R"([["0", ["0", "", {"entity": {"type": 2}}], {"entity": {"type": 1}}]])");
  APMPProgram program;
  APMPError error;
  ASSERT_TRUE(APMPProgramMessageConverter::programFromMessage(*message, &program, &error));
  APMPRuntime runtime;
  APMPHeapScope active(runtime.heap());
  EXPECT_EQ(runtime.executeStatements(program.instructions, &error).debugString(), "\"NaN\"");
}
