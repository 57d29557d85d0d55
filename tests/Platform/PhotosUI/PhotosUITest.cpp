#include <gtest/gtest.h>

#include <sstream>

#include "Platform/PhotosUI/LivePhotoView.h"
#include "Platform/PhotosUI/PhotosConsoleCommands.h"
#include "Platform/UIKit/Console/ConsoleDriver.h"
#include "tests/Platform/Photos/PhotosFixture.h"

namespace photosui {
namespace {

using facility_test::PhotoFixture;

class PhotosUITest : public photos::PhotosFixture {};

TEST_F(PhotosUITest, ConsoleRescanReportsWhatChangedAndRefusesOtherArguments) {
  writeJpeg("a.jpg", PhotoFixture::photoLike(8, 8, 1));
  open();
  std::ostringstream out;
  uikit::ConsoleDriver driver(out, nullptr, clock_);
  ASSERT_TRUE(PhotosConsoleCommands::install(driver));
  EXPECT_NE(driver.help().find("photos rescan"), std::string::npos);

  writeJpeg("b.jpg", PhotoFixture::photoLike(8, 8, 2));
  std::filesystem::remove(path("a.jpg"));
  EXPECT_TRUE(driver.execute("photos rescan"));
  EXPECT_TRUE(driver.execute("expect photos: 1 added, 1 removed, 0 changed"));
  EXPECT_NE(photos::PhotoLibrary::shared()->snapshot()->assetWithIdentifier("b.jpg"), nullptr);
  EXPECT_TRUE(driver.execute("photos rescan"));
  EXPECT_TRUE(driver.execute("expect photos: 0 added, 0 removed, 0 changed"));
  driver.execute("photos delete");
  driver.execute("photos rescan now");
  EXPECT_NE(out.str().find("unknown arguments \"rescan now\""), std::string::npos) << out.str();
}

class Recorder : public LivePhotoViewDelegate {
 public:
  void livePhotoViewWillBeginPlayback(LivePhotoView&, LivePhotoViewPlaybackStyle s) override {
    events.push_back("begin " + std::to_string(static_cast<int>(s)));
  }
  void livePhotoViewDidEndPlayback(LivePhotoView&, LivePhotoViewPlaybackStyle s) override {
    events.push_back("end " + std::to_string(static_cast<int>(s)));
  }
  std::vector<std::string> events;
};

TEST_F(PhotosUITest, LivePhotoPlaybackRunsOnTheClockAndAReplacedPhotoEndsItQuietly) {
  auto view = std::make_shared<LivePhotoView>();
  auto recorder = std::make_shared<Recorder>();
  view->setDelegate(recorder);
  view->startPlaybackWithStyle(LivePhotoViewPlaybackStyle::kFull);
  EXPECT_TRUE(recorder->events.empty()) << "nothing to play without a live photo";

  view->setLivePhoto(std::make_shared<const photos::LivePhoto>(uikit::Size{40, 30}, "l.jpg", "", "", 2.0));
  view->startPlaybackWithStyle(LivePhotoViewPlaybackStyle::kFull);
  view->startPlaybackWithStyle(LivePhotoViewPlaybackStyle::kHint);  // already playing
  clock_->runFor(1.9);
  EXPECT_EQ(recorder->events, std::vector<std::string>{"begin 1"});
  clock_->runFor(0.2);
  EXPECT_EQ(recorder->events, (std::vector<std::string>{"begin 1", "end 1"}));

  view->startPlaybackWithStyle(LivePhotoViewPlaybackStyle::kHint);
  view->setLivePhoto(nullptr);
  clock_->runFor(5);
  EXPECT_EQ(recorder->events, (std::vector<std::string>{"begin 1", "end 1", "begin 2"}));
  EXPECT_NE(LivePhotoView::livePhotoBadgeImageWithOptions(kLivePhotoBadgeOverContent), nullptr);
}

}  // namespace
}  // namespace photosui
