#include "PhotoPicker/PreviewViewController.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "PhotoPicker/LivePreviewViewController.h"
#include "PhotoPicker/PreviewBuilder.h"
#include "PhotoPicker/VideoPreviewViewController.h"
#include "Platform/CoreLocation/CLGeocoder.h"
#include "Platform/Foundation/DateFormatter.h"
#include "Platform/UIKit/NavigationController.h"
#include "tests/PhotoPicker/PickerFixture.h"

namespace photopicker::testing {
namespace {

class PreviewViewControllerTest : public PickerFixture {
 protected:
  void SetUp() override {
    PickerFixture::SetUp();
    corelocation::CLGeocoder::resetTable();
    settings = std::make_shared<Settings>();
  }
  void TearDown() override {
    corelocation::CLGeocoder::resetTable();
    PickerFixture::TearDown();
  }

  // The preview pushed on a navigation stack in the window, as the picker
  // pushes it.
  std::shared_ptr<PreviewViewController> pushPreview(const photos::AssetPtr& asset) {
    auto preview = PreviewBuilder::createPreviewController(asset, settings);
    nav = uikit::NavigationController::withRoot(std::make_shared<uikit::ViewController>());
    show(nav);
    nav->pushViewController(preview, false);
    runUntilIdle();
    return preview;
  }

  static std::string formatted(double date, platform::DateFormatter::Style d, platform::DateFormatter::Style t) {
    platform::DateFormatter f;
    f.setDateStyle(d);
    f.setTimeStyle(t);
    return f.stringFromDate(platform::Date{date});
  }

  std::shared_ptr<Settings> settings;
  std::shared_ptr<uikit::NavigationController> nav;
};

TEST_F(PreviewViewControllerTest, TheBuilderChoosesByTypeAndExactSubtypes) {
  struct Case {
    photos::MediaType type;
    std::uint32_t subtypes;
    std::string kind;
  } cases[] = {
      {photos::MediaType::kImage, photos::kMediaSubtypePhotoLive, "LivePreviewViewController"},
      {photos::MediaType::kImage, photos::kMediaSubtypePhotoLive | photos::kMediaSubtypePhotoHDR,
       "PreviewViewController"},
      {photos::MediaType::kImage, photos::kMediaSubtypeNone, "PreviewViewController"},
      {photos::MediaType::kVideo, photos::kMediaSubtypeNone, "VideoPreviewViewController"},
  };
  for (const auto& c : cases) {
    auto asset = makeAsset("a", "Trip", c.type, 1, c.type == photos::MediaType::kVideo ? 3 : 0, c.subtypes);
    auto preview = PreviewBuilder::createPreviewController(asset, settings);
    ASSERT_TRUE(preview);
    EXPECT_EQ(preview->className(), c.kind);
    EXPECT_EQ(preview->settings, settings);
    EXPECT_EQ(preview->asset(), asset);
    // Built around the loaded view: scroll view over subclass content, image on top.
    EXPECT_TRUE(preview->isViewLoaded());
    EXPECT_EQ(preview->scrollView()->subviews().back(), preview->imageView());
  }
}

TEST_F(PreviewViewControllerTest, ALocatedPhotoIsTitledByItsPlaceThenDateAndTime) {
  corelocation::CLLocation lisbon(38.7223, -9.1393);
  corelocation::CLPlacemark place;
  place.locality = "Lisbon";
  corelocation::CLGeocoder::setTableEntry(lisbon, {place});
  auto asset = makeAsset("a", "Trip", photos::MediaType::kImage, 3600, 0, 0, nullptr, lisbon);
  auto preview = pushPreview(asset);
  runUntilIdle();
  auto title = preview->titleLabel()->attributedText();
  ASSERT_TRUE(title);
  double date = kDay + 3600;
  std::string second = formatted(date, platform::DateFormatter::Style::kLong, platform::DateFormatter::Style::kShort);
  EXPECT_EQ(title->string(), "Lisbon\n" + second);
  EXPECT_EQ(title->attributesAt(0), settings->theme().previewTitleAttributes());
  EXPECT_EQ(title->attributesAt(title->length() - 1), settings->theme().previewSubtitleAttributes());
}

TEST_F(PreviewViewControllerTest, WithoutAPlaceTheDateTitlesIt) {
  struct Case {
    bool located;
    bool dated;
  } cases[] = {{false, true}, {true, true}, {false, false}};
  for (const auto& c : cases) {
    photos::Asset::Fields f;
    f.localIdentifier = "a";
    if (c.dated) f.creationDate = kDay;
    if (c.located) f.location = corelocation::CLLocation(1, 2);  // not in the table: geocoding fails
    auto preview = pushPreview(photos::Asset::make(f));
    runUntilIdle();
    auto title = preview->titleLabel()->attributedText();
    if (!c.dated) {
      EXPECT_TRUE(!title || title->empty());
      continue;
    }
    ASSERT_TRUE(title);
    EXPECT_EQ(title->string(), formatted(kDay, platform::DateFormatter::Style::kLong,
                                         platform::DateFormatter::Style::kNone) +
                                   "\n" +
                                   formatted(kDay, platform::DateFormatter::Style::kNone,
                                             platform::DateFormatter::Style::kShort));
    EXPECT_EQ(title->attributesAt(0), settings->theme().previewTitleAttributes());
  }
}

TEST_F(PreviewViewControllerTest, DoubleTapZoomsInAroundTheTapAndBackOut) {
  auto preview = pushPreview(makeAsset("a", "Trip", photos::MediaType::kImage, 1, 0, 0,
                                       uikit::Image::filled({400, 300}, uikit::Color(1, 0, 0, 1))));
  auto scroll = preview->scrollView();
  ASSERT_DOUBLE_EQ(scroll->zoomScale(), 1.0);
  auto zoom = preview->zoomRect(2.0, {100, 100});
  auto frame = preview->imageView()->frame();
  EXPECT_EQ(zoom, uikit::Rect(100 - frame.width() / 4, 100 - frame.height() / 4, frame.width() / 2,
                              frame.height() / 2));
  ASSERT_TRUE(preview->doubleTapRecognizer()->fire({100, 100}));
  EXPECT_DOUBLE_EQ(scroll->zoomScale(), 2.0);
  EXPECT_TRUE(preview->fullscreen());  // zooming in hides the bars
  ASSERT_TRUE(preview->doubleTapRecognizer()->fire({100, 100}));
  EXPECT_DOUBLE_EQ(scroll->zoomScale(), 1.0);
  EXPECT_EQ(scroll->contentInset, uikit::EdgeInsets{});
  EXPECT_TRUE(preview->fullscreen());  // and zooming out keeps them hidden
}

TEST_F(PreviewViewControllerTest, ReCentringRoundsHalvesAwayFromZero) {
  auto preview = pushPreview(makeAsset("a", "Trip", photos::MediaType::kImage, 1, 0, 0,
                                       uikit::Image::filled({400, 300}, uikit::Color(1, 0, 0, 1))));
  runUntilIdle();
  ASSERT_TRUE(preview->imageView()->image());
  auto scroll = preview->scrollView();
  ASSERT_EQ(scroll->frame().size, (uikit::Size{375, 667}));
  scroll->setZoomScale(2.0);
  // Fitted 750 x 562.5 at scale 2: wider than the view (no horizontal
  // inset); 667 - 1334 = -667 vertically, half of it -333.5 -> -334.
  EXPECT_EQ(scroll->contentInset, (uikit::EdgeInsets{-334, 0, -334, 0}));
}

// Only a synthetic image can be empty: re-centring stops as without image.
TEST_F(PreviewViewControllerTest, AnEmptyImageLeavesTheInsetAlone) {
  auto preview = pushPreview(makeAsset("a"));
  preview->imageView()->setImage(uikit::Image::withData({}, uikit::Size{0, 10}));
  preview->scrollView()->contentInset = uikit::EdgeInsets{1, 2, 3, 4};
  preview->scrollView()->setZoomScale(2.0);
  EXPECT_EQ(preview->scrollView()->contentInset, (uikit::EdgeInsets{1, 2, 3, 4}));
}

TEST_F(PreviewViewControllerTest, SingleTapTogglesFullScreenAndTheBackground) {
  for (auto style : {uikit::ModalPresentationStyle::kAutomatic, uikit::ModalPresentationStyle::kFullScreen}) {
    auto preview = pushPreview(makeAsset("a"));
    preview->modalPresentationStyle = style;
    ASSERT_TRUE(preview->singleTapRecognizer()->fire({10, 10}));
    EXPECT_TRUE(preview->fullscreen());
    EXPECT_TRUE(preview->prefersStatusBarHidden());
    EXPECT_TRUE(nav->isNavigationBarHidden());
    bool black = style == uikit::ModalPresentationStyle::kFullScreen;
    EXPECT_EQ(preview->view()->backgroundColor(), black ? uikit::Color::black() : uikit::Color::systemBackground());
    ASSERT_TRUE(preview->singleTapRecognizer()->fire({10, 10}));
    EXPECT_FALSE(preview->fullscreen());
    EXPECT_FALSE(nav->isNavigationBarHidden());
    EXPECT_EQ(preview->view()->backgroundColor(), uikit::Color::systemBackground());
  }
}

TEST_F(PreviewViewControllerTest, LeavingEndsFullScreen) {
  auto preview = pushPreview(makeAsset("a"));
  preview->setFullscreen(true);
  ASSERT_TRUE(nav->isNavigationBarHidden());
  nav->popViewController(false);
  runUntilIdle();
  EXPECT_FALSE(preview->fullscreen());
  EXPECT_FALSE(nav->isNavigationBarHidden());
}

TEST_F(PreviewViewControllerTest, TheLiveBadgeHidesInFullScreenAndWhilePlaying) {
  auto live = std::dynamic_pointer_cast<LivePreviewViewController>(
      pushPreview(makeAsset("a", "Trip", photos::MediaType::kImage, 1, 0, photos::kMediaSubtypePhotoLive)));
  ASSERT_TRUE(live);
  auto badge = live->badgeView();
  ASSERT_TRUE(badge->image());
  EXPECT_EQ(badge->superview(), live->livePhotoView());
  EXPECT_DOUBLE_EQ(badge->alpha(), 1.0);
  live->livePhotoViewWillBeginPlayback(*live->livePhotoView(), photosui::LivePhotoViewPlaybackStyle::kFull);
  EXPECT_DOUBLE_EQ(badge->alpha(), 0.0);
  live->livePhotoViewDidEndPlayback(*live->livePhotoView(), photosui::LivePhotoViewPlaybackStyle::kFull);
  EXPECT_DOUBLE_EQ(badge->alpha(), 1.0);

  live->setFullscreen(true);
  EXPECT_DOUBLE_EQ(badge->alpha(), 0.0);
  // In full-screen mode playback leaves the badge hidden.
  live->livePhotoViewDidEndPlayback(*live->livePhotoView(), photosui::LivePhotoViewPlaybackStyle::kFull);
  EXPECT_DOUBLE_EQ(badge->alpha(), 0.0);
  runFor(1);
  // The same value again still animates the badge (the bars do not move).
  live->setFullscreen(true);
  EXPECT_GT(badge->runningAnimationCount(), 0);
}

TEST_F(PreviewViewControllerTest, TheBadgeSitsAtTheFittedPicturesCorner) {
  auto live = std::dynamic_pointer_cast<LivePreviewViewController>(
      pushPreview(makeAsset("a", "Trip", photos::MediaType::kImage, 1, 0, photos::kMediaSubtypePhotoLive)));
  ASSERT_TRUE(live);
  live->livePhotoView()->setFrame(uikit::Rect(0, 0, 300, 600));
  auto photo = std::make_shared<const photos::LivePhoto>(uikit::Size{400, 200}, "a", "", "", 1.5);
  live->positionBadgeView(photo);
  // Fitted: 300 x 150, centred vertically.
  EXPECT_DOUBLE_EQ(live->badgeView()->frame().x(), 0);
  EXPECT_DOUBLE_EQ(live->badgeView()->frame().y(), 225);
  live->positionBadgeView(nullptr);
  EXPECT_EQ(live->badgeView()->frame().origin, (uikit::Point{0, 0}));
}

}  // namespace
}  // namespace photopicker::testing
