// A photo library over a fresh temporary folder, on a manual clock; the
// shared library is pointed at it for the test's length.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Photos/PhotoLibrary.h"
#include "tests/support/MovieFileMaker.h"
#include "tests/support/PhotoFixture.h"

namespace photos {

class PhotosFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    folder_ = std::filesystem::temp_directory_path() /
              ("photos-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    clock_ = std::make_shared<platform::ManualClock>();
    platform::Clock::setCurrent(clock_);
  }

  void TearDown() override {
    clock_->runUntilIdle();
    PhotoLibrary::setShared(nullptr);
    library_.reset();
    platform::Clock::setCurrent(nullptr);
    std::filesystem::remove_all(folder_);
  }

  // Scans the folder as it is now and makes it the shared library.
  const std::shared_ptr<PhotoLibrary>& open() {
    library_ = PhotoLibrary::create(folder_.string());
    PhotoLibrary::setShared(library_);
    return library_;
  }

  std::string path(const std::string& relative) const { return (folder_ / relative).string(); }

  void writeJpeg(const std::string& relative, const platform::Bitmap& bitmap, double mtime = -1,
                 int orientation = 1) {
    ASSERT_TRUE(facility_test::PhotoFixture::writeFile(
                    path(relative), facility_test::PhotoFixture::jpeg(bitmap, 90, orientation), mtime)
                    .ok());
  }
  void writePng(const std::string& relative, const platform::Bitmap& bitmap, double mtime = -1) {
    ASSERT_TRUE(
        facility_test::PhotoFixture::writeFile(path(relative), facility_test::PhotoFixture::png(bitmap), mtime).ok());
  }
  void writeBytes(const std::string& relative, const std::vector<std::uint8_t>& bytes, double mtime = -1) {
    ASSERT_TRUE(facility_test::PhotoFixture::writeFile(path(relative), bytes, mtime).ok());
  }
  void writeMovie(const std::string& relative, double seconds, int width = 1920, int height = 1080,
                  double mtime = -1) {
    writeBytes(relative,
               facility_test::MovieFileMaker::mp4(static_cast<std::uint64_t>(seconds * 600), 600, width, height),
               mtime);
  }

  // Pumps the main loop until cond holds (worker queues run on their own).
  bool waitFor(const std::function<bool()>& cond) { return clock_->runUntil(cond, 10.0); }

  std::filesystem::path folder_;
  std::shared_ptr<platform::ManualClock> clock_;
  std::shared_ptr<PhotoLibrary> library_;
};

}  // namespace photos
