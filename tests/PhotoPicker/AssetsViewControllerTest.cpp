#include "PhotoPicker/AssetsViewController.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "PhotoPicker/AssetCollectionViewCell.h"
#include "PhotoPicker/VideoCollectionViewCell.h"
#include "Platform/Photos/Change.h"
#include "Platform/Photos/FetchResultChangeDetails.h"
#include "Platform/UIKit/NavigationController.h"
#include "tests/PhotoPicker/PickerFixture.h"
#include "tests/support/PhotoFixture.h"

namespace photopicker::testing {
namespace {

using uikit::IndexPath;

class RecordingGridDelegate : public AssetsViewControllerDelegate {
 public:
  void assetsViewControllerDidSelectAsset(AssetsViewController&, const photos::AssetPtr& a) override {
    events.push_back("select " + a->localIdentifier());
  }
  void assetsViewControllerDidDeselectAsset(AssetsViewController&, const photos::AssetPtr& a) override {
    events.push_back("deselect " + a->localIdentifier());
  }
  void assetsViewControllerDidLongPressCell(AssetsViewController&, AssetCollectionViewCell&,
                                            const photos::AssetPtr& a) override {
    events.push_back("press " + a->localIdentifier());
  }
  std::vector<std::string> events;
};

class AssetsViewControllerTest : public PickerFixture {
 protected:
  void SetUp() override {
    PickerFixture::SetUp();
    settings = std::make_shared<Settings>();
  }

  // The grid as the picker sets it up, on screen, showing the album.
  void showGrid(const photos::AssetCollectionPtr& shown, std::vector<photos::AssetPtr> preselected = {}) {
    store = std::make_shared<AssetStore>(std::move(preselected));
    grid = std::make_shared<AssetsViewController>(store);
    grid->setSettings(settings);
    grid->setDelegate(delegate);
    show(uikit::NavigationController::withRoot(grid));
    runUntilIdle();
    grid->displayAlbum(shown);
    runUntilIdle();
  }

  std::shared_ptr<AssetCollectionViewCell> cellAt(long item) {
    return std::dynamic_pointer_cast<AssetCollectionViewCell>(
        grid->collectionView()->cellForItemAtIndexPath(IndexPath::forItem(item, 0)));
  }
  std::string idAt(long item) const {
    return grid->fetchResult()->objectAt(static_cast<std::size_t>(item))->localIdentifier();
  }
  bool tap(long item) { return grid->collectionView()->userSelectItem(IndexPath::forItem(item, 0)); }
  std::vector<std::string> storeIds() const {
    std::vector<std::string> ids;
    for (const auto& a : store->assets()) ids.push_back(a->localIdentifier());
    return ids;
  }

  std::shared_ptr<Settings> settings;
  std::shared_ptr<AssetStore> store;
  std::shared_ptr<AssetsViewController> grid;
  std::shared_ptr<RecordingGridDelegate> delegate = std::make_shared<RecordingGridDelegate>();
};

TEST_F(AssetsViewControllerTest, ItemSideIsTheUnroundedShareOfTheWidth) {
  auto profile = uikit::DeviceProfile::phone375x667();
  profile.scale = 3;
  uikit::Device::setCurrent(profile);
  addPhotos(4);
  showGrid(album("Trip"));
  ASSERT_DOUBLE_EQ(grid->collectionView()->bounds().width(), 375);
  const auto& layout = grid->collectionView()->collectionViewLayout();
  EXPECT_DOUBLE_EQ(layout.itemSize.width, (375.0 - 4.0) / 3.0);
  EXPECT_DOUBLE_EQ(layout.itemSize.height, (375.0 - 4.0) / 3.0);
  EXPECT_DOUBLE_EQ(layout.minimumLineSpacing, 2);
  EXPECT_DOUBLE_EQ(layout.minimumInteritemSpacing, 2);
  EXPECT_NEAR(grid->dataSource()->imageSize.width, 371, 1e-9);
  EXPECT_NEAR(grid->dataSource()->imageSize.height, 371, 1e-9);
}

TEST_F(AssetsViewControllerTest, LayoutGuardsAgainstRulesBelowOneAndTinySides) {
  struct Case {
    int perRow;
    double spacing;
    double expectedSide;
  } cases[] = {
      {0, 2, 375},      // counts as one per row
      {-3, 2, 375},     // likewise
      {1000, 2, 1},     // the width cannot hold them: one point each
      {4, 0, 375.0 / 4},
  };
  addPhotos(2);
  showGrid(album("Trip"));
  for (const auto& c : cases) {
    settings->list().setSpacing(c.spacing);
    settings->list().setCellsPerRow([n = c.perRow](auto, auto) { return n; });
    grid->applyLayout(grid->collectionView()->traitCollection());
    EXPECT_DOUBLE_EQ(grid->collectionView()->collectionViewLayout().itemSize.width, c.expectedSide) << c.perRow;
    EXPECT_GT(grid->dataSource()->imageSize.width, 0) << c.perRow;
  }
}

TEST_F(AssetsViewControllerTest, TheLimitRefusesATapOnlyWithoutUnselecting) {
  struct Case {
    bool unselectOnReachingMax;
    bool thirdAccepted;
    std::vector<std::string> store;
  } cases[] = {
      {false, false, {"p5", "p4"}},
      {true, true, {"p5", "p4", "p3"}},  // the owner then drops the oldest
  };
  for (const auto& c : cases) {
    addPhotos(5);
    settings = std::make_shared<Settings>();
    settings->selection().setMax(2);
    settings->selection().setUnselectOnReachingMax(c.unselectOnReachingMax);
    delegate->events.clear();
    showGrid(album("Trip"));
    ASSERT_TRUE(tap(0));
    ASSERT_TRUE(tap(1));
    int prepared = grid->selectionFeedback().prepareCount();
    int changed = grid->selectionFeedback().selectionChangeCount();
    EXPECT_EQ(tap(2), c.thirdAccepted);
    EXPECT_EQ(storeIds(), c.store);
    EXPECT_EQ(grid->selectionFeedback().prepareCount(), prepared + (c.thirdAccepted ? 1 : 0));
    EXPECT_EQ(grid->selectionFeedback().selectionChangeCount(), changed + (c.thirdAccepted ? 1 : 0));
    EXPECT_EQ(delegate->events.size(), c.thirdAccepted ? 3u : 2u);
    // A selected item still deselects at the limit.
    EXPECT_FALSE(tap(0));
    EXPECT_EQ(delegate->events.back(), "deselect p5");
  }
}

TEST_F(AssetsViewControllerTest, DeselectingRenumbersInTheNumberedStyle) {
  addPhotos(4);
  settings->theme().setSelectionStyle(Settings::Theme::SelectionStyle::kNumbered);
  showGrid(album("Trip"));
  tap(0);
  tap(1);
  tap(2);
  ASSERT_EQ(cellAt(2)->selectionIndex(), std::optional<std::int64_t>(2));
  tap(0);  // the oldest
  EXPECT_EQ(cellAt(1)->selectionIndex(), std::optional<std::int64_t>(0));
  EXPECT_EQ(cellAt(2)->selectionIndex(), std::optional<std::int64_t>(1));
}

TEST_F(AssetsViewControllerTest, TheCheckedStyleDoesNotRenumber) {
  addPhotos(4);
  settings->theme().setSelectionStyle(Settings::Theme::SelectionStyle::kChecked);
  showGrid(album("Trip"));
  tap(0);
  tap(1);
  tap(0);
  // Places are set when a cell is configured, not after taps.
  EXPECT_EQ(cellAt(1)->selectionIndex(), std::nullopt);
  grid->collectionView()->reloadData();
  grid->applySelection(store->assets());
  EXPECT_EQ(cellAt(1)->selectionIndex(), std::optional<std::int64_t>(0));
}

TEST_F(AssetsViewControllerTest, RenumberingTouchesVisibleCellsOnly) {
  // 60 photos: three per row of 123.7 points, so the last rows are far
  // below the 667-point screen.
  addPhotos(60);
  settings->theme().setSelectionStyle(Settings::Theme::SelectionStyle::kNumbered);
  showGrid(album("Trip"));
  tap(59);  // p1 (a tap scrolls its item into view)
  tap(0);   // p60, back at the top
  auto offscreen = IndexPath::forItem(59, 0);
  ASSERT_FALSE(grid->collectionView()->cellForItemAtIndexPath(offscreen));
  tap(0);
  EXPECT_EQ(storeIds(), std::vector<std::string>{"p1"});
  // Scrolled into view, the cell is configured afresh from the store.
  grid->collectionView()->scrollToItemAtIndexPath(offscreen, uikit::CollectionViewScrollPosition::kTop, false);
  ASSERT_TRUE(cellAt(59));
  EXPECT_EQ(cellAt(59)->selectionIndex(), std::optional<std::int64_t>(0));
  EXPECT_TRUE(cellAt(59)->isSelected());
}

TEST_F(AssetsViewControllerTest, SelectionOfAnotherAlbumSelectsNothingHereButSurvives) {
  auto trip = addPhotos(3, "Trip", "t");
  auto home = addPhotos(2, "Home", "h", 100);
  showGrid(album("Trip"), {home[0]});
  EXPECT_TRUE(grid->collectionView()->indexPathsForSelectedItems().empty());
  tap(0);
  grid->applySelection({home[1]});
  EXPECT_TRUE(grid->collectionView()->indexPathsForSelectedItems().empty());
  grid->displayAlbum(album("Home"));
  // Home shows h2, h1 (newest first); the store holds h1 and t3.
  ASSERT_EQ(grid->collectionView()->indexPathsForSelectedItems(), std::vector<IndexPath>{IndexPath::forItem(1, 0)});
  EXPECT_EQ(idAt(1), "h1");
  EXPECT_EQ(storeIds(), (std::vector<std::string>{"h1", "t3"}));
}

TEST_F(AssetsViewControllerTest, LongPressAsksForAPreviewOncePerPressWhenEnabled) {
  addPhotos(2);
  showGrid(album("Trip"));
  auto view = grid->collectionView();
  auto press = [&](uikit::Point at) {
    for (const auto& r : view->gestureRecognizers()) {
      if (auto lp = std::dynamic_pointer_cast<uikit::LongPressGestureRecognizer>(r)) return lp->fire(at);
    }
    return false;
  };
  uikit::Point onFirst = view->frameForItemAtIndexPath(IndexPath::forItem(0, 0)).origin;
  onFirst.x += 10;
  onFirst.y += 10;

  settings->preview().setEnabled(false);
  press(onFirst);
  EXPECT_TRUE(delegate->events.empty());
  EXPECT_EQ(grid->selectionFeedback().selectionChangeCount(), 0);

  settings->preview().setEnabled(true);
  press({10, 600});  // below the last row
  EXPECT_TRUE(delegate->events.empty());
  EXPECT_EQ(grid->selectionFeedback().selectionChangeCount(), 1);

  press(onFirst);
  EXPECT_EQ(delegate->events, std::vector<std::string>{"press p2"});
  EXPECT_EQ(grid->selectionFeedback().selectionChangeCount(), 2);
}

TEST_F(AssetsViewControllerTest, CellsAreNamedByPositionAndLabelledBySelection) {
  addPhotos(3);
  showGrid(album("Trip"));
  for (long i = 0; i < 3; ++i) {
    EXPECT_EQ(cellAt(i)->accessibilityIdentifier(), "Photo " + std::to_string(i + 1));
    EXPECT_EQ(cellAt(i)->accessibilityLabel(), "select image");
    EXPECT_EQ(cellAt(i)->accessibilityTraits(), uikit::kAccessibilityTraitButton);
    EXPECT_TRUE(cellAt(i)->isAccessibilityElement());
  }
  tap(1);
  EXPECT_EQ(cellAt(1)->accessibilityLabel(), "deselect image");
  EXPECT_DOUBLE_EQ(cellAt(1)->selectionView()->alpha(), 1.0);
  EXPECT_DOUBLE_EQ(cellAt(1)->selectionOverlayView()->alpha(), 0.3);
  EXPECT_DOUBLE_EQ(cellAt(0)->selectionView()->alpha(), 0.0);
}

TEST_F(AssetsViewControllerTest, SettingTheSameSelectedStateChangesNothing) {
  addPhotos(1);
  showGrid(album("Trip"));
  auto cell = cellAt(0);
  cell->setAccessibilityLabel("marker");
  cell->setSelected(false);
  EXPECT_EQ(cell->accessibilityLabel(), "marker");
  EXPECT_EQ(cell->runningAnimationCount(), 0);
  cell->setSelected(true);
  EXPECT_EQ(cell->accessibilityLabel(), "deselect image");
  EXPECT_GT(cell->runningAnimationCount(), 0);
}

TEST_F(AssetsViewControllerTest, VideosShowTheirDurationPhotosDoNot) {
  settings->fetch().assets().setSupportedMediaTypes(
      {Settings::Fetch::Assets::MediaTypes::kImage, Settings::Fetch::Assets::MediaTypes::kVideo});
  library->addAssets({makeAsset("clip", "Trip", photos::MediaType::kVideo, 2, 65.4),
                      makeAsset("still", "Trip", photos::MediaType::kImage, 1)});
  runUntilIdle();
  showGrid(album("Trip"));
  auto video = std::dynamic_pointer_cast<VideoCollectionViewCell>(cellAt(0));
  ASSERT_TRUE(video);
  EXPECT_EQ(video->reuseIdentifier(), "VideoCell");
  EXPECT_EQ(video->durationLabel()->text(), std::optional<std::string>("1:05"));
  auto photo = cellAt(1);
  ASSERT_TRUE(photo);
  EXPECT_FALSE(std::dynamic_pointer_cast<VideoCollectionViewCell>(photo));
  EXPECT_EQ(photo->reuseIdentifier(), "AssetCell");
}

TEST_F(AssetsViewControllerTest, AnAddedPhotoAppearsAndTheSelectionFollowsIt) {
  addPhotos(2);
  showGrid(album("Trip"));
  tap(0);  // p2
  library->addAssets({makeAsset("p3", "Trip", photos::MediaType::kImage, 3)});
  runUntilIdle();
  ASSERT_EQ(grid->fetchResult()->count(), 3u);
  EXPECT_EQ(grid->collectionView()->numberOfItemsInSection(0), 3);
  EXPECT_EQ(idAt(0), "p3");
  EXPECT_EQ(grid->collectionView()->indexPathsForSelectedItems(), std::vector<IndexPath>{IndexPath::forItem(1, 0)});
  EXPECT_TRUE(delegate->events.size() == 1u);
}

TEST_F(AssetsViewControllerTest, ARescannedFolderAddsAndRemovesItems) {
  auto write = [&](const std::string& name, double mtime) {
    auto bytes = facility_test::PhotoFixture::jpeg(facility_test::PhotoFixture::photoLike(40, 30, 7));
    ASSERT_TRUE(facility_test::PhotoFixture::writeFile((folder_ / name).string(), bytes, mtime).ok());
  };
  write("Trip/a.jpg", kDay);
  write("Trip/b.jpg", kDay + 10);
  library->rescan();
  runUntilIdle();
  showGrid(album("Trip"));
  ASSERT_EQ(grid->collectionView()->numberOfItemsInSection(0), 2);
  tap(1);  // Trip/a.jpg
  write("Trip/c.jpg", kDay + 20);
  library->rescan();
  runUntilIdle();
  ASSERT_EQ(grid->collectionView()->numberOfItemsInSection(0), 3);
  EXPECT_EQ(idAt(0), "Trip/c.jpg");
  EXPECT_EQ(grid->collectionView()->indexPathsForSelectedItems(), std::vector<IndexPath>{IndexPath::forItem(2, 0)});

  std::filesystem::remove(folder_ / "Trip/a.jpg");
  library->rescan();
  runUntilIdle();
  EXPECT_EQ(grid->collectionView()->numberOfItemsInSection(0), 2);
  EXPECT_EQ(delegate->events.back(), "deselect Trip/a.jpg");
  EXPECT_TRUE(store->assets().empty());
}

// A removed selected asset is reported deselected and leaves the store, so
// the count and the finished list match what the owner was told.
TEST_F(AssetsViewControllerTest, ARemovedSelectedAssetLeavesTheStoreWhenReported) {
  auto photos = addPhotos(3);
  showGrid(album("Trip"));
  tap(0);  // p3
  tap(2);  // p1
  auto before = grid->fetchResult();
  auto after = std::make_shared<const photos::AssetFetchResult>(std::vector<photos::AssetPtr>{photos[2], photos[1]},
                                                                before->query());
  photos::FetchResultChangeDetails::Fields f;
  f.before = before;
  f.after = after;
  f.incremental = true;
  f.removed = {2};
  library->postChange(photos::Change::scripted({std::make_shared<photos::FetchResultChangeDetails>(f)}));
  runUntilIdle();
  EXPECT_EQ(delegate->events.back(), "deselect p1");
  EXPECT_EQ(storeIds(), std::vector<std::string>{"p3"});
  EXPECT_EQ(grid->collectionView()->numberOfItemsInSection(0), 2);
  EXPECT_EQ(grid->collectionView()->indexPathsForSelectedItems(), std::vector<IndexPath>{IndexPath::forItem(0, 0)});
}

TEST_F(AssetsViewControllerTest, ANonIncrementalChangeReloadsAndKeepsTheStore) {
  auto photos = addPhotos(3);
  showGrid(album("Trip"));
  tap(1);  // p2
  auto home = makeAsset("h1", "Home");
  store->append(home);  // another album's selection stays
  auto before = grid->fetchResult();
  auto after = std::make_shared<const photos::AssetFetchResult>(
      std::vector<photos::AssetPtr>{photos[0], photos[2], photos[1]}, before->query());
  photos::FetchResultChangeDetails::Fields f;
  f.before = before;
  f.after = after;
  f.incremental = false;
  int reloads = grid->collectionView()->reloadCount();
  library->postChange(photos::Change::scripted({std::make_shared<photos::FetchResultChangeDetails>(f)}));
  runUntilIdle();
  EXPECT_EQ(grid->collectionView()->reloadCount(), reloads + 1);
  EXPECT_EQ(storeIds(), (std::vector<std::string>{"p2", "h1"}));
  EXPECT_EQ(delegate->events.size(), 1u);
  EXPECT_EQ(grid->collectionView()->indexPathsForSelectedItems(), std::vector<IndexPath>{IndexPath::forItem(2, 0)});
}

TEST_F(AssetsViewControllerTest, MovesCarryTheSelectionAlong) {
  auto photos = addPhotos(3);
  showGrid(album("Trip"));
  tap(0);  // p3
  auto before = grid->fetchResult();
  auto after = std::make_shared<const photos::AssetFetchResult>(
      std::vector<photos::AssetPtr>{photos[1], photos[0], photos[2]}, before->query());
  photos::FetchResultChangeDetails::Fields f;
  f.before = before;
  f.after = after;
  f.moves = {{0, 2}};
  library->postChange(photos::Change::scripted({std::make_shared<photos::FetchResultChangeDetails>(f)}));
  runUntilIdle();
  EXPECT_EQ(idAt(2), "p3");
  EXPECT_EQ(grid->collectionView()->indexPathsForSelectedItems(), std::vector<IndexPath>{IndexPath::forItem(2, 0)});
}

// The change's details are worked out on the main queue for the album shown
// then: a change about the album left meanwhile is not applied to the new one.
TEST_F(AssetsViewControllerTest, AChangeIsAppliedToTheAlbumShownWhenItArrives) {
  auto trip = addPhotos(3, "Trip", "t");
  addPhotos(2, "Home", "h", 100);
  showGrid(album("Trip"));
  auto before = grid->fetchResult();
  photos::FetchResultChangeDetails::Fields f;
  f.before = before;
  f.after = std::make_shared<const photos::AssetFetchResult>(std::vector<photos::AssetPtr>{trip[2]}, before->query());
  f.removed = {1, 2};
  library->postChange(photos::Change::scripted({std::make_shared<photos::FetchResultChangeDetails>(f)}));
  grid->displayAlbum(album("Home"));  // before the main queue runs the hand-off
  runUntilIdle();
  EXPECT_EQ(grid->fetchResult()->count(), 2u);
  EXPECT_EQ(idAt(0), "h2");
  EXPECT_EQ(grid->collectionView()->numberOfItemsInSection(0), 2);
}

TEST_F(AssetsViewControllerTest, AReusedCellShowsOnlyItsLatestRequest) {
  auto red = uikit::Image::filled({40, 40}, uikit::Color(1, 0, 0, 1));
  auto blue = uikit::Image::filled({40, 40}, uikit::Color(0, 0, 1, 1));
  library->addAssets({makeAsset("red", "Trip", photos::MediaType::kImage, 1, 0, 0, red),
                      makeAsset("blue", "Trip", photos::MediaType::kImage, 2, 0, 0, blue)});
  runUntilIdle();
  showGrid(album("Trip"));
  auto cell = std::make_shared<AssetCollectionViewCell>();
  auto ds = grid->dataSource();
  auto result = grid->fetchResult();
  ds->requestThumbnail(result->objectAt(1), *cell);  // red
  long first = cell->tag();
  ds->requestThumbnail(result->objectAt(0), *cell);  // blue
  EXPECT_NE(cell->tag(), 0);
  EXPECT_NE(cell->tag(), first);
  runUntilIdle();
  ASSERT_TRUE(cell->imageView()->image());
  std::uint8_t px[4];
  ASSERT_TRUE(cell->imageView()->image()->pixelAt(0, 0, px));
  EXPECT_EQ(px[2], 255);
  EXPECT_EQ(px[0], 0);
}

}  // namespace
}  // namespace photopicker::testing
