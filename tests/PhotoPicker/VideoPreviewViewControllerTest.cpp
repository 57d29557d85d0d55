#include "PhotoPicker/VideoPreviewViewController.h"

#include <gtest/gtest.h>

#include <memory>

#include "PhotoPicker/PreviewBuilder.h"
#include "Platform/AVFoundation/AudioSession.h"
#include "Platform/UIKit/NavigationController.h"
#include "tests/PhotoPicker/PickerFixture.h"
#include "tests/support/MovieFileMaker.h"
#include "tests/support/PhotoFixture.h"

namespace photopicker::testing {
namespace {

class VideoPreviewViewControllerTest : public PickerFixture {
 protected:
  void TearDown() override {
    avfoundation::AudioSession::sharedInstance().reset();
    PickerFixture::TearDown();
  }

  // A three-second clip in the library folder, previewed on a stack.
  std::shared_ptr<VideoPreviewViewController> pushClip() {
    auto bytes = facility_test::MovieFileMaker::mp4(3000, 1000, 64, 48);
    EXPECT_TRUE(facility_test::PhotoFixture::writeFile((folder_ / "clip.mp4").string(), bytes).ok());
    library->rescan();
    runUntilIdle();
    auto all = library->fetchAssets(libraryAlbum(), nullptr);
    EXPECT_EQ(all->count(), 1u);
    auto settings = std::make_shared<Settings>();
    auto preview = std::dynamic_pointer_cast<VideoPreviewViewController>(
        PreviewBuilder::createPreviewController(all->firstObject(), settings));
    EXPECT_TRUE(preview);
    if (!preview) return nullptr;
    nav = uikit::NavigationController::withRoot(std::make_shared<uikit::ViewController>());
    show(nav);
    nav->pushViewController(preview, false);
    runUntilIdle();
    return preview;
  }

  std::shared_ptr<uikit::NavigationController> nav;
};

TEST_F(VideoPreviewViewControllerTest, PlaysToTheEndRewindsAndPlaysAgain) {
  auto preview = pushClip();
  ASSERT_TRUE(preview);
  ASSERT_TRUE(preview->player());
  EXPECT_EQ(avfoundation::AudioSession::sharedInstance().category(), avfoundation::kAudioSessionCategoryPlayback);
  EXPECT_EQ(preview->playerView()->playerLayer().player, preview->player());
  EXPECT_FALSE(preview->playerView()->isHidden());
  EXPECT_FALSE(preview->doubleTapRecognizer()->isEnabled());
  EXPECT_TRUE(preview->player()->isPlaying());
  EXPECT_EQ(preview->navigationItem().rightBarButtonItem(), preview->pauseBarButton());

  runFor(1);
  preview->pauseBarButton()->press();
  EXPECT_FALSE(preview->player()->isPlaying());
  EXPECT_EQ(preview->navigationItem().rightBarButtonItem(), preview->playBarButton());
  preview->playBarButton()->press();  // resumes where it was
  EXPECT_NEAR(preview->player()->currentTime(), 1, 1e-6);
  EXPECT_TRUE(preview->player()->isPlaying());

  runFor(2.5);  // past the end
  EXPECT_FALSE(preview->player()->isPlaying());
  EXPECT_DOUBLE_EQ(preview->player()->currentTime(), 0);
  EXPECT_EQ(preview->navigationItem().rightBarButtonItem(), preview->playBarButton());
  preview->playBarButton()->press();
  EXPECT_TRUE(preview->player()->isPlaying());
  EXPECT_EQ(preview->navigationItem().rightBarButtonItem(), preview->pauseBarButton());
}

TEST_F(VideoPreviewViewControllerTest, LeavingInFullScreenShowsTheBarsAndPauses) {
  auto preview = pushClip();
  ASSERT_TRUE(preview && preview->player());
  preview->setFullscreen(true);
  ASSERT_TRUE(nav->isNavigationBarHidden());
  auto player = preview->player();
  nav->popViewController(false);
  runUntilIdle();
  EXPECT_FALSE(nav->isNavigationBarHidden());
  EXPECT_FALSE(player->isPlaying());
  EXPECT_TRUE(preview->playerView()->isHidden());
  EXPECT_EQ(preview->navigationItem().rightBarButtonItem(), preview->playBarButton());
  // No longer observed: the end passes without a rewind.
  player->play();
  runFor(5);
  EXPECT_DOUBLE_EQ(player->currentTime(), 3);
}

TEST_F(VideoPreviewViewControllerTest, AFailingAudioSessionStillPlays) {
  avfoundation::AudioSession::sharedInstance().setFailure(platform::Status::IOError("busy"));
  auto preview = pushClip();
  ASSERT_TRUE(preview && preview->player());
  EXPECT_TRUE(preview->player()->isPlaying());
}

}  // namespace
}  // namespace photopicker::testing
