#include "PhotoPicker/ImagePickerController.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "PhotoPicker/AssetCollectionViewCell.h"
#include "PhotoPicker/PreviewViewController.h"
#include "tests/PhotoPicker/PickerFixture.h"

namespace photopicker::testing {
namespace {

using uikit::IndexPath;

std::string ids(const std::vector<photos::AssetPtr>& assets) {
  std::string text;
  for (const auto& a : assets) text += (text.empty() ? "" : ",") + a->localIdentifier();
  return text;
}

class RecordingPickerDelegate : public ImagePickerControllerDelegate {
 public:
  void imagePickerDidSelectAsset(ImagePickerController&, const photos::AssetPtr& a) override {
    events.push_back("select " + a->localIdentifier());
  }
  void imagePickerDidDeselectAsset(ImagePickerController&, const photos::AssetPtr& a) override {
    events.push_back("deselect " + a->localIdentifier());
  }
  void imagePickerDidFinishWithAssets(ImagePickerController&, const std::vector<photos::AssetPtr>& a) override {
    events.push_back("finish " + ids(a));
  }
  void imagePickerDidCancelWithAssets(ImagePickerController&, const std::vector<photos::AssetPtr>& a) override {
    events.push_back("cancel " + ids(a));
  }
  void imagePickerDidReachSelectionLimit(ImagePickerController&, std::int64_t n) override {
    events.push_back("limit " + std::to_string(n));
  }
  std::vector<std::string> events;
};

class ImagePickerControllerTest : public PickerFixture {
 protected:
  void SetUp() override {
    PickerFixture::SetUp();
    root = std::make_shared<uikit::ViewController>();
    show(root);
  }

  std::shared_ptr<ImagePickerController> makePicker(std::vector<photos::AssetPtr> preselected = {}) {
    picker = std::make_shared<ImagePickerController>(std::move(preselected));
    return picker;
  }

  // The complaint screens' configuration.
  void complaintSettings() {
    picker->settings->selection().setMax(2);
    picker->settings->theme().setSelectionStyle(Settings::Theme::SelectionStyle::kNumbered);
    picker->settings->fetch().assets().setSupportedMediaTypes({Settings::Fetch::Assets::MediaTypes::kImage});
    picker->settings->selection().setUnselectOnReachingMax(false);
  }

  // Presented directly, reporting to the recorder.
  void presentWithRecorder() {
    picker->setImagePickerDelegate(recorder);
    ASSERT_TRUE(root->present(picker, false));
    runUntilIdle();
  }

  // Through the presenting operation, the closures writing to lines.
  void presentThroughOperation(photos::AuthorizationStatus status, bool animated = true) {
    library->setGrantedStatus(status);
    ImagePickerController::presentImagePicker(
        root, picker, animated, [this](const photos::AssetPtr& a) { lines.push_back("select " + a->localIdentifier()); },
        [this](const photos::AssetPtr& a) { lines.push_back("deselect " + a->localIdentifier()); },
        [this](const std::vector<photos::AssetPtr>& a) {
          lines.push_back("cancel " + ids(a));
          presentedAtClosure = root->presentedViewController() != nullptr;
        },
        [this](const std::vector<photos::AssetPtr>& a) {
          lines.push_back("finish " + ids(a));
          presentedAtClosure = root->presentedViewController() != nullptr;
        },
        [this] { lines.push_back("completion"); });
    runUntilIdle();
    runFor(0.5);
  }

  std::shared_ptr<AssetsViewController> grid() { return picker->assetsViewController(); }
  bool tap(long item) { return grid()->collectionView()->userSelectItem(IndexPath::forItem(item, 0)); }
  std::shared_ptr<AssetCollectionViewCell> cellAt(long item) {
    return std::dynamic_pointer_cast<AssetCollectionViewCell>(
        grid()->collectionView()->cellForItemAtIndexPath(IndexPath::forItem(item, 0)));
  }

  std::shared_ptr<uikit::ViewController> root;
  std::shared_ptr<ImagePickerController> picker;
  std::shared_ptr<RecordingPickerDelegate> recorder = std::make_shared<RecordingPickerDelegate>();
  std::vector<std::string> lines;
  bool presentedAtClosure = false;
};

TEST_F(ImagePickerControllerTest, OnlyAuthorizedAccessPresents) {
  addPhotos(2);
  using S = photos::AuthorizationStatus;
  for (auto status : {S::kNotDetermined, S::kRestricted, S::kDenied, S::kLimited, S::kAuthorized}) {
    lines.clear();
    makePicker();
    library->setGrantedStatus(status);
    ImagePickerController::presentImagePicker(
        root, picker, true, [this](const photos::AssetPtr&) { lines.push_back("select"); },
        [this](const photos::AssetPtr&) { lines.push_back("deselect"); },
        [this](const std::vector<photos::AssetPtr>&) { lines.push_back("cancel"); },
        [this](const std::vector<photos::AssetPtr>&) { lines.push_back("finish"); },
        [this] { lines.push_back("completion"); });
    // The answer comes from the library's thread, never inside the call.
    EXPECT_FALSE(root->presentedViewController());
    runUntilIdle();
    runFor(0.5);
    bool granted = status == S::kAuthorized;
    EXPECT_EQ(root->presentedViewController() == picker, granted) << static_cast<int>(status);
    EXPECT_EQ(lines, granted ? std::vector<std::string>{"completion"} : std::vector<std::string>{})
        << static_cast<int>(status);
    EXPECT_EQ(static_cast<bool>(picker->onFinish), granted);
    EXPECT_EQ(picker->imagePickerDelegate() == picker, granted);
  }
}

TEST_F(ImagePickerControllerTest, TheComplaintConfigurationStopsAtTwo) {
  addPhotos(3);
  makePicker();
  complaintSettings();
  presentWithRecorder();
  EXPECT_EQ(picker->doneButton->title, "Done");
  EXPECT_FALSE(picker->doneButton->isEnabled);
  ASSERT_TRUE(tap(0));
  EXPECT_EQ(picker->doneButton->title, "Done (1)");
  EXPECT_TRUE(picker->doneButton->isEnabled);
  ASSERT_TRUE(tap(1));
  EXPECT_EQ(recorder->events, (std::vector<std::string>{"select p3", "select p2", "limit 2"}));
  EXPECT_FALSE(tap(2));
  EXPECT_EQ(recorder->events.size(), 3u);
  EXPECT_EQ(picker->doneButton->title, "Done (2)");
  EXPECT_EQ(cellAt(1)->selectionIndex(), std::optional<std::int64_t>(1));
}

TEST_F(ImagePickerControllerTest, PassingTheLimitDropsTheOldestFirst) {
  addPhotos(3);
  makePicker();
  picker->settings->selection().setMax(2);
  picker->settings->selection().setUnselectOnReachingMax(true);
  presentWithRecorder();
  tap(0);
  tap(1);
  recorder->events.clear();
  ASSERT_TRUE(tap(2));
  EXPECT_EQ(recorder->events, (std::vector<std::string>{"deselect p3", "select p1", "limit 2"}));
  EXPECT_EQ(ids(picker->selectedAssets()), "p2,p1");
  EXPECT_EQ(grid()->collectionView()->indexPathsForSelectedItems(),
            (std::vector<IndexPath>{IndexPath::forItem(1, 0), IndexPath::forItem(2, 0)}));
}

TEST_F(ImagePickerControllerTest, TheDoneTitleCountsTheSelection) {
  struct Case {
    std::string title;
    std::int64_t min;
    int selected;
    std::string shown;
    bool enabled;
  } cases[] = {
      {"Done", 1, 0, "Done", false},
      {"Done", 0, 0, "Done", true},
      {"Send", 1, 3, "Send (3)", true},
      {"Send", 1, 0, "Send", false},
      {"Send", 4, 3, "Send (3)", false},
  };
  auto photos = addPhotos(3);
  for (const auto& c : cases) {
    makePicker({photos.begin(), photos.begin() + c.selected});
    picker->doneButtonTitle = c.title;
    picker->settings->selection().setMin(c.min);
    picker->updatedDoneButton();
    EXPECT_EQ(picker->doneButton->title, c.shown);
    EXPECT_EQ(picker->doneButton->isEnabled, c.enabled) << c.shown << " min " << c.min;
  }
}

TEST_F(ImagePickerControllerTest, DoneReportsBeforeTheDismissalItAsksFor) {
  for (bool dismissal : {true, false}) {
    addPhotos(2);
    makePicker();
    picker->settings->dismiss().setEnabled(dismissal);
    lines.clear();
    presentThroughOperation(photos::AuthorizationStatus::kAuthorized);
    ASSERT_EQ(root->presentedViewController(), picker);
    tap(1);
    ASSERT_TRUE(picker->doneButton->press());
    EXPECT_TRUE(presentedAtClosure);
    runFor(0.5);
    EXPECT_EQ(lines, (std::vector<std::string>{"completion", "select p1", "finish p1"}));
    EXPECT_EQ(root->presentedViewController() == nullptr, dismissal);
    EXPECT_EQ(ids(picker->selectedAssets()), "p1");  // kept after finishing
    if (root->presentedViewController()) {
      root->dismiss(false);
      runUntilIdle();
    }
  }
}

TEST_F(ImagePickerControllerTest, SwipingDownFollowsBothDismissSettings) {
  struct Case {
    bool enabled;
    bool allowSwipe;
    bool dismisses;
  } cases[] = {{true, true, true}, {true, false, false}, {false, true, false}, {false, false, false}};
  addPhotos(1);
  for (const auto& c : cases) {
    makePicker();
    picker->settings->dismiss().setEnabled(c.enabled);
    picker->settings->dismiss().setAllowSwipe(c.allowSwipe);
    lines.clear();
    presentThroughOperation(photos::AuthorizationStatus::kAuthorized);
    ASSERT_EQ(root->presentedViewController(), picker);
    tap(0);
    EXPECT_EQ(picker->presentationController()->userSwipeToDismiss(), c.dismisses);
    runFor(0.5);
    std::vector<std::string> expected{"completion", "select p1"};
    if (c.dismisses) expected.push_back("cancel p1");
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(root->presentedViewController() == nullptr, c.dismisses);
    if (root->presentedViewController()) {
      root->dismiss(false);
      runUntilIdle();
    }
  }
}

TEST_F(ImagePickerControllerTest, CancelReportsTheSelectionAndKeepsIt) {
  auto photos = addPhotos(2);
  makePicker({photos[0]});
  presentWithRecorder();
  ASSERT_TRUE(picker->cancelButton->press());
  runFor(0.5);
  EXPECT_EQ(recorder->events, std::vector<std::string>{"cancel p1"});
  EXPECT_FALSE(root->presentedViewController());
  EXPECT_EQ(ids(picker->selectedAssets()), "p1");
}

TEST_F(ImagePickerControllerTest, DeselectingFromOutsideRenumbersAndReportsNothing) {
  addPhotos(4);
  makePicker();
  picker->settings->theme().setSelectionStyle(Settings::Theme::SelectionStyle::kNumbered);
  presentThroughOperation(photos::AuthorizationStatus::kAuthorized, false);
  tap(0);
  tap(1);
  tap(2);
  lines.clear();
  picker->deselectWithAsset(picker->selectedAssets().front());
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(ids(picker->selectedAssets()), "p3,p2");
  EXPECT_FALSE(cellAt(0)->isSelected());
  EXPECT_EQ(cellAt(1)->selectionIndex(), std::optional<std::int64_t>(0));
  EXPECT_EQ(cellAt(2)->selectionIndex(), std::optional<std::int64_t>(1));
  EXPECT_EQ(picker->doneButton->title, "Done (2)");
}

TEST_F(ImagePickerControllerTest, PreselectedAssetsShowSelectedAndCount) {
  auto photos = addPhotos(3);
  makePicker({photos[0], photos[2]});
  presentWithRecorder();
  EXPECT_EQ(picker->doneButton->title, "Done (2)");
  EXPECT_EQ(grid()->collectionView()->indexPathsForSelectedItems(),
            (std::vector<IndexPath>{IndexPath::forItem(0, 0), IndexPath::forItem(2, 0)}));
}

TEST_F(ImagePickerControllerTest, OneAlbumHidesTheAlbumButton) {
  addPhotos(1);
  makePicker();
  presentWithRecorder();
  ASSERT_EQ(picker->albums().size(), 1u);
  EXPECT_TRUE(picker->albumButton->isHidden());
  EXPECT_EQ(picker->albumButton->titleForState(uikit::kControlStateNormal), std::optional<std::string>("Library "));
  EXPECT_EQ(picker->assetsViewController()->navigationItem().titleView, picker->albumButton);
  EXPECT_EQ(picker->viewControllers(), std::vector<uikit::ViewControllerPtr>{picker->assetsViewController()});
}

TEST_F(ImagePickerControllerTest, NoPhotoNoAlbumEmptyGrid) {
  makePicker();
  presentWithRecorder();
  EXPECT_TRUE(picker->albums().empty());
  EXPECT_TRUE(picker->albumButton->isHidden());
  EXPECT_FALSE(picker->albumButton->titleForState(uikit::kControlStateNormal));
  EXPECT_EQ(grid()->collectionView()->numberOfItemsInSection(0), 0);
  EXPECT_FALSE(picker->doneButton->isEnabled);
}

TEST_F(ImagePickerControllerTest, ChoosingAnAlbumTitlesTheButtonAndTurnsTheArrowBack) {
  addPhotos(2, "Trip", "t");
  addPhotos(1, "Home", "h", 100);
  makePicker();
  auto& album = picker->settings->fetch().album();
  auto results = album.fetchResults();
  results.push_back(photos::AssetCollection::fetchAssetCollections(
      photos::AssetCollectionType::kAlbum, photos::AssetCollectionSubtype::kAny, album.options()));
  album.setFetchResults(results);
  presentWithRecorder();
  ASSERT_EQ(picker->albums().size(), 3u);  // Library, Home, Trip
  EXPECT_FALSE(picker->albumButton->isHidden());
  auto arrow = picker->albumButton->imageView();
  ASSERT_TRUE(arrow);
  EXPECT_TRUE(arrow->transform().isIdentity());

  picker->albumButton->sendActionsForControlEvents(uikit::kControlEventTouchUpInside);
  runFor(0.5);
  ASSERT_EQ(picker->presentedViewController(), picker->albumsViewController());
  // Half a turn: pointing up while the list is open.
  EXPECT_NEAR(arrow->transform().a, -1, 1e-9);
  EXPECT_NEAR(arrow->transform().d, -1, 1e-9);

  auto table = picker->albumsViewController()->tableView();
  ASSERT_TRUE(table->userSelectRow(IndexPath::forRow(2, 0)));
  runFor(0.5);
  EXPECT_FALSE(picker->presentedViewController());
  EXPECT_EQ(picker->albumButton->titleForState(uikit::kControlStateNormal), std::optional<std::string>("Trip "));
  EXPECT_EQ(grid()->fetchResult()->count(), 2u);
  EXPECT_NEAR(arrow->transform().a, 1, 1e-9);
  EXPECT_NEAR(arrow->transform().b, 0, 1e-9);
}

TEST_F(ImagePickerControllerTest, ALongPressPushesThePreviewOfThePhoto) {
  addPhotos(2);
  makePicker();
  presentWithRecorder();
  auto view = grid()->collectionView();
  auto frame = view->frameForItemAtIndexPath(IndexPath::forItem(1, 0));
  for (const auto& r : view->gestureRecognizers()) {
    if (auto lp = std::dynamic_pointer_cast<uikit::LongPressGestureRecognizer>(r)) {
      lp->fire({frame.midX(), frame.midY()});
    }
  }
  runFor(0.5);
  auto preview = std::dynamic_pointer_cast<PreviewViewController>(picker->topViewController());
  ASSERT_TRUE(preview);
  EXPECT_EQ(preview->asset()->localIdentifier(), "p1");
  EXPECT_EQ(preview->settings, picker->settings);
}

}  // namespace
}  // namespace photopicker::testing
