#include "PhotoPicker/AlbumsViewController.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "PhotoPicker/AlbumCell.h"
#include "PhotoPicker/DropdownPresentationController.h"
#include "PhotoPicker/DropdownTransitionDelegate.h"
#include "tests/PhotoPicker/PickerFixture.h"

namespace photopicker::testing {
namespace {

class RecordingListDelegate : public AlbumsViewControllerDelegate {
 public:
  void albumsViewControllerDidSelectAlbum(AlbumsViewController& list, const photos::AssetCollectionPtr& album) override {
    events.push_back("choose " + album->localizedTitle().value_or(""));
    if (dismissOnChoice) list.dismiss(true);
  }
  void didDismissAlbumsViewController(AlbumsViewController&) override { events.push_back("dismissed"); }
  std::vector<std::string> events;
  bool dismissOnChoice = true;
};

class AlbumsViewControllerTest : public PickerFixture {
 protected:
  void SetUp() override {
    PickerFixture::SetUp();
    root = std::make_shared<uikit::ViewController>();
    show(root);
    list = std::make_shared<AlbumsViewController>();
    list->settings = std::make_shared<Settings>();
    list->setDelegate(delegate);
  }

  // Drops the list down as the picker does.
  void open() {
    list->setTransitioningDelegate(dropdown);
    list->modalPresentationStyle = uikit::ModalPresentationStyle::kCustom;
    ASSERT_TRUE(root->present(list, true));
    runFor(0.3);
    runUntilIdle();
  }

  std::shared_ptr<AlbumCell> rowCell(long row) {
    return std::dynamic_pointer_cast<AlbumCell>(list->tableView()->cellForRowAtIndexPath(uikit::IndexPath::forRow(row, 0)));
  }

  std::shared_ptr<uikit::ViewController> root;
  std::shared_ptr<AlbumsViewController> list;
  std::shared_ptr<RecordingListDelegate> delegate = std::make_shared<RecordingListDelegate>();
  std::shared_ptr<DropdownTransitionDelegate> dropdown = std::make_shared<DropdownTransitionDelegate>();
};

TEST_F(AlbumsViewControllerTest, NoAlbumsNoSectionsOnlyTheHairline) {
  list->loadViewIfNeeded();
  EXPECT_EQ(list->tableView()->numberOfSections(), 0);
  auto bounds = list->view()->bounds();
  EXPECT_DOUBLE_EQ(list->lineView()->frame().height(), 0.5);
  EXPECT_DOUBLE_EQ(list->lineView()->frame().maxY(), bounds.height());
  auto parent = list->lineView()->superview();
  EXPECT_TRUE(parent) << list->view()->subviews().size();
  EXPECT_EQ(parent, list->view());
}

TEST_F(AlbumsViewControllerTest, RowsShowTitlesInTheThemeStyleAndFirstPhotos) {
  library->addAssets({makeAsset("old", "Trip", photos::MediaType::kImage, 1, 0, 0,
                                uikit::Image::filled({400, 300}, uikit::Color(1, 0, 0, 1))),
                      makeAsset("new", "Trip", photos::MediaType::kImage, 2, 0, 0,
                                uikit::Image::filled({400, 300}, uikit::Color(0, 0, 1, 1)))});
  // Videos only: filtered out by the default image-only options.
  library->addAssets({makeAsset("clip", "Clips", photos::MediaType::kVideo, 5, 3)});
  runUntilIdle();
  uikit::TextAttributes style;
  style.font = uikit::Font::systemFont(21);
  style.foregroundColor = uikit::Color(0.2, 0.4, 0.6, 1);
  list->settings->theme().setAlbumTitleAttributes(style);
  list->albums = {album("Trip"), album("Clips")};
  list->loadViewIfNeeded();
  list->view()->setFrame(uikit::Rect(0, 0, 375, 400));
  ASSERT_EQ(list->tableView()->numberOfSections(), 1);
  ASSERT_EQ(list->tableView()->numberOfRowsInSection(0), 2);
  runUntilIdle();
  auto trip = rowCell(0);
  auto clips = rowCell(1);
  ASSERT_TRUE(trip && clips);
  ASSERT_TRUE(trip->albumTitleLabel()->attributedText());
  EXPECT_EQ(trip->albumTitleLabel()->attributedText()->string(), "Trip");
  EXPECT_EQ(trip->albumTitleLabel()->attributedText()->attributesAt(0), style);
  EXPECT_EQ(clips->albumTitleLabel()->attributedText()->string(), "Clips");
  // The newest matching photo, at 84 points in pixels; none for the filtered album.
  auto thumbnail = trip->albumImageView()->image();
  ASSERT_TRUE(thumbnail);
  std::uint8_t px[4];
  ASSERT_TRUE(thumbnail->pixelAt(0, 0, px));
  EXPECT_EQ(px[2], 255);  // blue: the newer photo
  // Aspect fill of 400 x 300 into 168 x 168 pixels (scale 2).
  EXPECT_EQ(thumbnail->pixelHeight(), 168);
  EXPECT_FALSE(clips->albumImageView()->image());
}

TEST_F(AlbumsViewControllerTest, AChoiceAndTheDismissalAreReportedOnceEach) {
  addPhotos(1, "Trip");
  addPhotos(1, "Home", "h");
  list->albums = {album("Home"), album("Trip")};
  open();
  ASSERT_TRUE(list->tableView()->userSelectRow(uikit::IndexPath::forRow(1, 0)));
  runFor(0.5);
  EXPECT_EQ(delegate->events, (std::vector<std::string>{"choose Trip", "dismissed"}));
  EXPECT_FALSE(root->presentedViewController());

  // Reopened, the tapped row still carries its check mark.
  delegate->events.clear();
  open();
  ASSERT_TRUE(rowCell(1));
  EXPECT_EQ(rowCell(1)->accessoryType, uikit::TableViewCellAccessoryType::kCheckmark);
  EXPECT_EQ(rowCell(0)->accessoryType, uikit::TableViewCellAccessoryType::kNone);
}

TEST_F(AlbumsViewControllerTest, ATapOutsideDismissesWithoutAChoice) {
  addPhotos(1, "Trip");
  list->albums = {album("Trip")};
  open();
  auto band = std::dynamic_pointer_cast<DropdownPresentationController>(list->presentationController());
  ASSERT_TRUE(band);
  bool tapped = false;
  for (const auto& r : band->backgroundView()->gestureRecognizers()) {
    if (auto tap = std::dynamic_pointer_cast<uikit::TapGestureRecognizer>(r)) tapped = tap->fire({5, 600});
  }
  ASSERT_TRUE(tapped);
  runFor(0.5);
  EXPECT_EQ(delegate->events, std::vector<std::string>{"dismissed"});
}

// A cell shown again for another album drops its pending thumbnail, so the
// first album's picture cannot land on the second album's row.
TEST_F(AlbumsViewControllerTest, AReconfiguredCellGetsNoLatePictureOfItsOldAlbum) {
  library->addAssets({makeAsset("red", "Trip", photos::MediaType::kImage, 1, 0, 0,
                                uikit::Image::filled({40, 40}, uikit::Color(1, 0, 0, 1))),
                      makeAsset("clip", "Clips", photos::MediaType::kVideo, 5, 3)});
  runUntilIdle();
  AlbumsTableViewDataSource source({album("Trip"), album("Clips")}, 2);
  source.settings = std::make_shared<Settings>();
  auto cell = std::make_shared<AlbumCell>();
  source.configure(*cell, album("Trip"));
  EXPECT_NE(cell->thumbnailRequest, photos::kInvalidImageRequestID);
  source.configure(*cell, album("Clips"));  // before the picture arrives
  runUntilIdle();
  EXPECT_EQ(cell->albumTitleLabel()->attributedText()->string(), "Clips");
  EXPECT_FALSE(cell->albumImageView()->image());
}

TEST_F(AlbumsViewControllerTest, RowsAreAHundredPointsHigh) {
  addPhotos(1, "Trip");
  list->albums = {album("Trip")};
  list->loadViewIfNeeded();
  list->view()->setFrame(uikit::Rect(0, 0, 375, 400));
  list->view()->layoutIfNeeded();
  EXPECT_DOUBLE_EQ(list->tableView()->rectForRowAtIndexPath(uikit::IndexPath::forRow(0, 0)).height(), 100);
}

}  // namespace
}  // namespace photopicker::testing
