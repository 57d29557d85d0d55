// picker-demo driven through the console as a person would: the host
// screen, the picker's grid, two taps, the counting done button and the
// finish line the closures print.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "Platform/Photos/PhotoLibrary.h"
#include "Platform/PhotosUI/PhotosConsoleCommands.h"
#include "Platform/UIKit/Console/ConsoleDriver.h"
#include "Platform/UIKit/NavigationController.h"
#include "tests/Platform/UIKit/UIKitFixture.h"
#include "tools/picker-demo/PickerDemoOptions.h"
#include "tools/picker-demo/PickerHostViewController.h"

namespace {

namespace fs = std::filesystem;

TEST(PickerDemoOptions, ReadsTheCommandLine) {
  auto full = PickerDemoOptions::parse({"photos", "--max", "2", "--numbered", "--videos", "--albums"});
  ASSERT_TRUE(full.ok());
  EXPECT_EQ(full.value().folder, "photos");
  EXPECT_EQ(full.value().max, std::optional<std::int64_t>(2));
  EXPECT_TRUE(full.value().numbered && full.value().videos && full.value().albums);

  auto plain = PickerDemoOptions::parse({"photos"});
  ASSERT_TRUE(plain.ok());
  EXPECT_FALSE(plain.value().max);
  EXPECT_FALSE(plain.value().numbered || plain.value().videos || plain.value().albums);

  for (const auto& bad : std::vector<std::vector<std::string>>{
           {}, {"--max", "2"}, {"photos", "--max"}, {"photos", "--max", "0"}, {"photos", "--max", "2x"},
           {"photos", "--max", "-1"}, {"photos", "--colour"}, {"a", "b"}}) {
    EXPECT_FALSE(PickerDemoOptions::parse(bad).ok()) << ::testing::PrintToString(bad);
  }
}

class PickerDemoConsoleTest : public uikit::testing::UIKitFixture {
 protected:
  void SetUp() override {
    UIKitFixture::SetUp();
    folder_ = fs::temp_directory_path() / ("picker-demo-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "Trip");
  }
  void TearDown() override {
    photos::PhotoLibrary::setShared(nullptr);
    UIKitFixture::TearDown();
    fs::remove_all(folder_);
  }

  // A real file of a small gradient; age orders the grid (newest first).
  void writePhoto(const std::string& name, bool png, int ageSeconds) {
    std::vector<std::uint8_t> rgba(32 * 24 * 4);
    for (int y = 0; y < 24; ++y) {
      for (int x = 0; x < 32; ++x) {
        std::uint8_t* p = &rgba[static_cast<std::size_t>((y * 32 + x) * 4)];
        p[0] = static_cast<std::uint8_t>(x * 8);
        p[1] = static_cast<std::uint8_t>(y * 10);
        p[2] = 128;
        p[3] = 255;
      }
    }
    auto image = uikit::Image::fromBitmap(32, 24, std::move(rgba));
    ASSERT_TRUE(image);
    auto bytes = png ? image->pngData() : image->jpegData(0.9);
    ASSERT_TRUE(bytes);
    fs::path path = folder_ / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes->data()),
                                                static_cast<std::streamsize>(bytes->size()));
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::seconds(ageSeconds));
  }

  fs::path folder_;
};

TEST_F(PickerDemoConsoleTest, TwoPhotosPickedAndFinished) {
  writePhoto("Trip/a.jpg", false, 200);
  writePhoto("b.png", true, 100);
  auto options = PickerDemoOptions::parse({folder_.string(), "--max", "2", "--numbered"});
  ASSERT_TRUE(options.ok());
  photos::PhotoLibrary::setShared(photos::PhotoLibrary::create(options.value().folder));

  std::ostringstream out;
  auto win = std::make_shared<uikit::Window>();
  uikit::ConsoleDriver driver(out, win, clock);
  ASSERT_TRUE(photosui::PhotosConsoleCommands::install(driver));
  auto host = std::make_shared<PickerHostViewController>(options.value(),
                                                         [&driver](const std::string& line) { driver.note(line); });
  win->setRootViewController(uikit::NavigationController::withRoot(host));
  win->makeKeyAndVisible();
  runUntilIdle();

  std::istringstream script(R"(dump
expect Pick photos
tap Pick photos
wait 0.5
dump
expect Photo 1
expect Photo 2
tap Photo 1
expect select b.png
tap Photo 2
expect select Trip/a.jpg
dump
expect Done (2)
tap Done (2)
expect finish b.png, Trip/a.jpg
wait 0.5
dump
expect Pick photos
)");
  EXPECT_EQ(driver.run(script), 0) << out.str();
  EXPECT_FALSE(driver.stopped()) << out.str();
  EXPECT_NE(out.str().find("image=bitmap"), std::string::npos) << out.str();

  // A photo added to the folder shows once the library is rescanned; the
  // picker comes back with its selection.
  writePhoto("c.jpg", false, 10);
  std::istringstream again(R"(photos rescan
tap Pick photos
wait 0.5
dump
expect Photo 3
expect Done (2)
tap Cancel
expect cancel b.png, Trip/a.jpg
)");
  EXPECT_EQ(driver.run(again), 0) << out.str();
  EXPECT_FALSE(driver.stopped()) << out.str();
}

}  // namespace
