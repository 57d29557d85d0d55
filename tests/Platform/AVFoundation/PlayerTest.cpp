#include "Platform/AVFoundation/Player.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "Platform/AVFoundation/AudioSession.h"
#include "Platform/AVFoundation/CaptureDevice.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/RunLoop.h"
#include "tests/support/MovieFileMaker.h"

namespace avfoundation {
namespace {

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_ = std::make_shared<platform::ManualClock>();
    platform::Clock::setCurrent(clock_);
    file_ = std::filesystem::temp_directory_path() / ("player-" + std::to_string(::getpid()) + ".mp4");
    const auto bytes = facility_test::MovieFileMaker::mp4(3000, 600, 64, 64);  // 5 s
    std::ofstream(file_, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
  }
  void TearDown() override {
    clock_->runUntilIdle();
    platform::Clock::setCurrent(nullptr);
    std::filesystem::remove(file_);
  }
  std::shared_ptr<platform::ManualClock> clock_;
  std::filesystem::path file_;
};

TEST_F(PlayerTest, PlaysOnTheClockAndPostsTheEndOnce) {
  auto player = Player::withURL("file://" + file_.string());
  ASSERT_DOUBLE_EQ(player->currentItem()->duration(), 5.0);
  int ends = 0;
  std::int64_t endedItem = 0;
  auto token = platform::NotificationCenter::defaultCenter().addObserver(
      kPlayerItemDidPlayToEndTimeNotification, [&](const platform::Notification& n) {
        ++ends;
        endedItem = n.userInfo.at("item").getInt().value_or(0);
      });
  player->play();
  clock_->runFor(2.0);
  EXPECT_DOUBLE_EQ(player->currentTime(), 2.0);
  player->pause();
  clock_->runFor(10.0);
  EXPECT_DOUBLE_EQ(player->currentTime(), 2.0) << "paused time stands";
  EXPECT_EQ(ends, 0);
  player->seekToTime(4.0);
  player->play();
  clock_->runFor(0.5);
  EXPECT_DOUBLE_EQ(player->currentTime(), 4.5);
  clock_->runFor(5.0);
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(endedItem, player->currentItem()->identifier());
  EXPECT_DOUBLE_EQ(player->currentTime(), player->currentItem()->duration());
  EXPECT_FALSE(player->isPlaying());
  // Rewound and played to the end again; a seek while playing moves the end.
  player->seekToTime(0);
  player->play();
  clock_->runFor(1.0);
  player->seekToTime(-3);
  clock_->runFor(4.9);
  EXPECT_EQ(ends, 1);
  clock_->runFor(0.2);
  EXPECT_EQ(ends, 2);
  platform::NotificationCenter::defaultCenter().removeObserver(token);
}

TEST_F(PlayerTest, APlayerGoneBeforeTheEndPostsNothing) {
  int ends = 0;
  auto token = platform::NotificationCenter::defaultCenter().addObserver(
      kPlayerItemDidPlayToEndTimeNotification, [&](const platform::Notification&) { ++ends; });
  {
    auto player = Player::withURL(file_.string());
    player->play();
    clock_->runFor(1.0);
  }
  clock_->runFor(10.0);
  EXPECT_EQ(ends, 0);
  platform::NotificationCenter::defaultCenter().removeObserver(token);
}

TEST_F(PlayerTest, CameraAccessIsAnsweredOnAWorkerThread) {
  struct Case {
    AuthorizationStatus granted;
    bool expected;
  };
  for (const Case& c : {Case{AuthorizationStatus::kAuthorized, true}, Case{AuthorizationStatus::kDenied, false},
                        Case{AuthorizationStatus::kRestricted, false}}) {
    CaptureDevice::resetAuthorization();
    CaptureDevice::setGrantedStatus(c.granted);
    EXPECT_EQ(CaptureDevice::authorizationStatusForMediaType(MediaType::kVideo), AuthorizationStatus::kNotDetermined);
    std::mutex mu;
    std::optional<bool> answer;
    bool onMain = true;
    CaptureDevice::requestAccessForMediaType(MediaType::kVideo, [&](bool granted) {
      std::lock_guard<std::mutex> lock(mu);
      answer = granted;
      onMain = platform::RunLoop::isMainThread();
    });
    ASSERT_TRUE(clock_->runUntilIdle());
    std::lock_guard<std::mutex> lock(mu);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, c.expected);
    EXPECT_FALSE(onMain);
    EXPECT_EQ(CaptureDevice::authorizationStatusForMediaType(MediaType::kVideo), c.granted);
  }
  CaptureDevice::resetAuthorization();
}

TEST_F(PlayerTest, AudioSessionCategoryCanFailWithoutChangingIt) {
  auto& session = AudioSession::sharedInstance();
  session.reset();
  EXPECT_TRUE(session.setCategory(kAudioSessionCategoryPlayback, kAudioSessionModeDefault, 0).ok());
  EXPECT_EQ(session.category(), kAudioSessionCategoryPlayback);
  session.setFailure(platform::Status::FailedPrecondition("session busy"));
  EXPECT_FALSE(session.setCategory(kAudioSessionCategoryAmbient, kAudioSessionModeDefault, 0).ok());
  EXPECT_EQ(session.category(), kAudioSessionCategoryPlayback);
  session.reset();
  EXPECT_EQ(session.category(), kAudioSessionCategorySoloAmbient);
}

}  // namespace
}  // namespace avfoundation
