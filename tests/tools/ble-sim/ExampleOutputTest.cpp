#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "Platform/Foundation/TemporaryDataRoot.h"
#include "tools/ble-sim/ScenarioRunner.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The example prints exactly what it always printed: delegate calls, the
// written values with the readers' names, keys and verdicts.
TEST(ExampleOutput, TheTapAndGoExamplePrintsItsRecordedRun) {
  const char* source = std::getenv("FACILITY_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  const std::string root = source;
  const std::string scenario = ReadFile(root + "/tools/ble-sim/examples/tap-and-go.json");
  const std::string expected = ReadFile(root + "/tests/tools/ble-sim/tap-and-go.expected");
  ASSERT_FALSE(scenario.empty());
  ASSERT_FALSE(expected.empty());
  platform::TemporaryDataRoot data;
  std::ostringstream out;
  ScenarioRunner runner(out);
  ASSERT_TRUE(runner.run(nlohmann::json::parse(scenario)).ok());
  EXPECT_EQ(out.str(), expected);
}

}  // namespace
