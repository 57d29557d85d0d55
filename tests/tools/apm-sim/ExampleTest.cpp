// The shipped example runs the engine through a refused and an accepted
// upload and prints what the collector decoded.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "Analytics/Engine/APMMeasurement.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "tests/tools/apm-sim/ReadFile.h"
#include "tools/apm-sim/ApmSimulation.h"

namespace {

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(ApmSimExample, TheFirstUploadExamplePrintsRowsAndDecodedBatches) {
  const char* source = std::getenv("FACILITY_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  const std::string text = ReadFile(std::string(source) + "/tools/apm-sim/examples/first-upload.json");
  ASSERT_FALSE(text.empty());
  std::string output;
  {
    platform::TemporaryDataRoot data;
    std::ostringstream out;
    ApmSimulation simulation(out);
    const platform::Status status = simulation.run(nlohmann::json::parse(text));
    output = out.str();
    APMMeasurement::resetSharedInstanceForTesting();
    ASSERT_TRUE(status.ok()) << status.message() << "\n" << output;
  }
  // Stored rows before the upload (the start's first open among them), the
  // configuration fetch, then the refused batch of two bundles and the same
  // bundles again with their retry count, then the last event.
  EXPECT_NE(output.find("name=app_open"), std::string::npos) << output;
  EXPECT_NE(output.find("request 1: configuration fetch /config/app/1:1234567890:ios:00aa11bb22cc?"), std::string::npos)
      << output;
  EXPECT_NE(output.find("Network upload failed. Will retry later. Code, error: 503"), std::string::npos) << output;
  EXPECT_EQ(Occurrences(output, "  event app_open at "), 2u) << output;
  EXPECT_EQ(Occurrences(output, "  event scan_plate at "), 2u) << output;
  EXPECT_EQ(Occurrences(output, "  event visitor_invited at "), 1u) << output;
  EXPECT_EQ(Occurrences(output, "  field 39: 1\n"), 2u) << output;
  EXPECT_EQ(Occurrences(output, "  field 52: \"G1--\"\n"), 5u) << output;
  EXPECT_NE(output.find("    plate = \"KA01AB1234\""), std::string::npos) << output;
  // Drained at the end.
  const std::string end = output.substr(output.find("== end"));
  EXPECT_NE(end.find("rows: raw_events\nrows: queue\n"), std::string::npos) << end;
}

}  // namespace
