#include "tools/ble-sim/ScenarioRunner.h"

#include <sstream>

#include <gtest/gtest.h>

#include "Platform/Foundation/TemporaryDataRoot.h"

namespace {

platform::Status RunScenario(const char* text, std::string* output = nullptr) {
  platform::TemporaryDataRoot root;
  std::ostringstream out;
  ScenarioRunner runner(out);
  platform::Status status = runner.run(nlohmann::json::parse(text));
  if (output) *output = out.str();
  return status;
}

TEST(ScenarioRunner, FieldsOfTheWrongTypeAreRefusedNotThrown) {
  const char* cases[] = {
      R"({"actions":[{"action":"punch","tag":123}]})",
      R"({"actions":[{"action":"wait","seconds":"soon"}]})",
      R"({"actions":[{"action":"startScanWithTapAndGo","enabled":"yes"}]})",
      R"({"readers":[{"id":"r1","localName":7}]})",
      R"({"readers":[{"id":"r1","rssi":-50,"every":"often"}]})",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    platform::Status status = platform::Status::OK();
    ASSERT_NO_THROW(status = RunScenario(text));
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(status.code(), platform::Status::Code::kInvalidArgument);
  }
}

TEST(ScenarioRunner, AWellFormedScenarioRunsAfterARefusedOne) {
  EXPECT_FALSE(RunScenario(R"({"actions":[{"action":"punch","tag":123}]})").ok());
  std::string output;
  ASSERT_TRUE(RunScenario(R"({"actions":[{"action":"wait","seconds":1}]})", &output).ok());
  EXPECT_NE(output.find("vibrations=0"), std::string::npos);
}

}  // namespace
