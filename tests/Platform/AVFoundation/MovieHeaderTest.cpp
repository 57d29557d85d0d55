#include "Platform/AVFoundation/MovieHeader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "Platform/AVFoundation/URLAsset.h"
#include "tests/support/MovieFileMaker.h"

namespace avfoundation {
namespace {

using facility_test::MovieFileMaker;

TEST(MovieHeaderTest, DurationAndSizeComeFromTheMovieAndTrackHeaders) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    double duration;
    int width, height;
  };
  const std::vector<Case> cases = {
      {"version 0", MovieFileMaker::mp4(7500, 600, 1920, 1080), 12.5, 1920, 1080},
      {"version 1", MovieFileMaker::mp4(90000ull * 3, 90000, 640, 480, 1), 3.0, 640, 480},
      {"media box first", MovieFileMaker::mp4(1000, 1000, 320, 240, 0, true), 1.0, 320, 240},
      {"audio-like track without size", MovieFileMaker::mp4(44100, 44100, 0, 0), 1.0, 0, 0},
  };
  const auto file = std::filesystem::temp_directory_path() / ("movie-header-" + std::to_string(::getpid()) + ".mp4");
  for (const Case& c : cases) {
    auto parsed = MovieHeader::parse(c.bytes);
    ASSERT_TRUE(parsed.ok()) << c.name << ": " << parsed.status().ToString();
    EXPECT_DOUBLE_EQ(parsed->duration, c.duration) << c.name;
    EXPECT_EQ(parsed->width, c.width) << c.name;
    EXPECT_EQ(parsed->height, c.height) << c.name;
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(c.bytes.data()),
                                                static_cast<std::streamsize>(c.bytes.size()));
    auto read = MovieHeader::readFile(file.string());
    ASSERT_TRUE(read.ok()) << c.name;
    EXPECT_DOUBLE_EQ(read->duration, c.duration) << c.name;
    EXPECT_DOUBLE_EQ(URLAsset(file.string()).duration(), c.duration) << c.name;
  }
  std::filesystem::remove(file);
}

TEST(MovieHeaderTest, DamagedOrForeignBytesAreErrorsNotCrashes) {
  const auto good = MovieFileMaker::mp4(600, 600, 16, 16);
  auto zeroScale = good;
  // The time scale of the version-0 movie header: after ftyp (24 bytes),
  // moov and mvhd headers (16) and four header fields (12).
  for (int i = 0; i < 4; ++i) zeroScale[24 + 16 + 12 + static_cast<std::size_t>(i)] = 0;
  auto oversized = good;
  oversized[24 + 1] = 0x7F;  // moov claims more than the file holds
  std::vector<std::uint8_t> truncated(good.begin(), good.begin() + 60);
  const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> cases = {
      {"empty", {}},
      {"not a movie", {'G', 'I', 'F', '8', '9', 'a', 0, 0}},
      {"zero time scale", zeroScale},
      {"box larger than the file", oversized},
      {"truncated", truncated},
      {"ftyp only", std::vector<std::uint8_t>(good.begin(), good.begin() + 24)},
  };
  for (const auto& [name, bytes] : cases) EXPECT_FALSE(MovieHeader::parse(bytes).ok()) << name;
  EXPECT_TRUE(MovieHeader::readFile("/nonexistent/movie.mp4").status().IsNotFound());
  EXPECT_EQ(URLAsset("/nonexistent/movie.mp4").duration(), 0);
}

}  // namespace
}  // namespace avfoundation
