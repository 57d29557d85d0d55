#include "tools/ble-sim/ScenarioRunner.h"

#include <limits>
#include <sstream>
#include <vector>

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

// Advert timings that never end, or end only after memory is gone, are
// refused at once with the reason.
TEST(ScenarioRunner, EndlessOrHugeAdvertTimingsAreRefused) {
  using nlohmann::json;
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  json reader = {{"id", "r1"}, {"manufacturerData", "4c00000500071f"}, {"rssi", -50}};
  auto with = [&](json fields) {
    json r = reader;
    r.update(fields);
    return json{{"readers", json::array({r})}};
  };
  json list = json::array();
  for (int i = 0; i <= 100000; ++i) list.push_back({{"at", 0}, {"rssi", -50}});
  struct Case {
    const char* name;
    json scenario;
    const char* reason;
  };
  const std::vector<Case> cases{
      {"every too small to end", with({{"every", 1e-20}, {"until", 1}}), "more than 100000 adverts"},
      {"every lost against a large from", with({{"from", 1e17}, {"every", 1}, {"until", 2e17}}),
       "too small to advance"},
      {"huge until", with({{"every", 0.5}, {"until", 1e300}}), "more than 100000 adverts"},
      {"one advert over the cap", with({{"every", 1}, {"until", 100000}}), "more than 100000 adverts"},
      {"listed adverts over the cap", with({{"adverts", list}}), "more than 100000 adverts"},
      {"infinite until", with({{"until", inf}}), "finite"},
      {"NaN every", with({{"every", nan}, {"until", 1}}), "finite"},
      {"infinite from", with({{"from", -inf}, {"until", 1}}), "finite"},
      {"NaN at", with({{"adverts", json::array({json{{"at", nan}, {"rssi", -50}}})}}), "finite"},
      {"infinite at", with({{"adverts", json::array({json{{"at", inf}, {"rssi", -50}}})}}), "finite"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::TemporaryDataRoot root;
    std::ostringstream out;
    ScenarioRunner runner(out);
    platform::Status status = runner.run(c.scenario);
    EXPECT_EQ(status.code(), platform::Status::Code::kInvalidArgument);
    EXPECT_NE(status.message().find(c.reason), std::string::npos) << status.message();
  }
  // At the cap exactly, the scenario plays.
  EXPECT_TRUE(RunScenario(with({{"every", 1}, {"until", 99999}}).dump().c_str()).ok());
}

}  // namespace
