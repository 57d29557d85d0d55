#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/Status.h"

namespace platform {
namespace {

TEST(LogCapture, RecordsEveryLevelAndNests) {
  LogCapture outer;
  Log(LogLevel::kDebug, "below the minimum");
  {
    LogCapture inner;
    LogError("inner only");
    EXPECT_TRUE(inner.contains("inner only"));
  }
  LogWarning("outer again");
  auto lines = outer.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "below the minimum");
  EXPECT_EQ(lines[1], "outer again");
}

std::string FileText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The file takes the lines shown (at or above the minimum level, not kept
// off by a capture); a file that cannot be opened leaves the sink alone.
TEST(LogFile, TakesTheShownLinesUntilSwitchedBack) {
  const auto folder = std::filesystem::temp_directory_path() / ("log-test-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string path = (folder / "program.log").string();
  const LogLevel level = MinimumLogLevel();
  SetMinimumLogLevel(LogLevel::kInfo);
  ASSERT_TRUE(SetLogFile(path).ok());
  LogInfo("transfer: https://127.0.0.1:4443");
  LogDebug("below the minimum");
  {
    LogCapture quiet;
    LogError("kept off the sink");
  }
  {
    LogCapture echoing(true);
    LogWarning("echoed");
  }
  Status refused = SetLogFile((folder / "missing" / "x.log").string());
  EXPECT_EQ(refused.code(), Status::Code::kIOError);
  LogError("still in the file");
  ASSERT_TRUE(SetLogFile("").ok());
  LogError("back on standard error");
  SetMinimumLogLevel(level);
  EXPECT_EQ(FileText(path), "transfer: https://127.0.0.1:4443\nechoed\nstill in the file\n");
  std::filesystem::remove_all(folder);
}

TEST(StatusAndResult, CarryErrorsAsValues) {
  Result<int> good = 7;
  Result<int> bad = Status::Corruption("bad header");
  EXPECT_TRUE(good.ok());
  EXPECT_EQ(*good, 7);
  EXPECT_FALSE(bad.ok());
  EXPECT_EQ(bad.status().ToString(), "Corruption: bad header");
  EXPECT_EQ(bad.value_or(3), 3);
}

TEST(Clock, WallClockIsTheDefault) {
  EXPECT_FALSE(Clock::currentShared()->isManual());
  EXPECT_GT(Clock::nowSeconds(), 1.6e9);
}

}  // namespace
}  // namespace platform
