// Collection moves and hit tests, zooming, failure requirements, the status
// bar preference and how the console names unnamed images.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Platform/UIKit/CollectionView.h"
#include "Platform/UIKit/Console/ScreenPrinter.h"
#include "Platform/UIKit/GestureRecognizer.h"
#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/ScrollView.h"
#include "UIKitFixture.h"

namespace uikit {
namespace {

using PickerSupportTest = testing::UIKitFixture;

class Items : public CollectionViewDataSource, public CollectionViewDelegate {
 public:
  long collectionViewNumberOfItemsInSection(CollectionView&, long) override { return 10; }
  std::shared_ptr<CollectionViewCell> collectionViewCellForItemAtIndexPath(CollectionView& v,
                                                                           const IndexPath& p) override {
    return v.dequeueReusableCellWithReuseIdentifier("Item", p);
  }
};

// 100-point items, 10 apart, three to a 320-point line.
std::shared_ptr<CollectionView> grid(const std::shared_ptr<Items>& ds) {
  CollectionViewFlowLayout layout;
  layout.itemSize = {100, 100};
  layout.minimumInteritemSpacing = 10;
  layout.minimumLineSpacing = 10;
  auto view = std::make_shared<CollectionView>(Rect(0, 0, 320, 400), layout);
  view->allowsMultipleSelection = true;
  view->registerClass("Item", nullptr);
  view->setDataSource(ds);
  view->setDelegate(ds);
  return view;
}

std::vector<long> selectedItems(CollectionView& view) {
  std::vector<long> out;
  for (const auto& p : view.indexPathsForSelectedItems()) out.push_back(p.item());
  return out;
}

TEST_F(PickerSupportTest, MovedItemsTakeTheirSelectionAlong) {
  struct Case {
    long from, to;
    std::vector<long> selectedAfter;
  } cases[] = {
      {1, 7, {0, 6, 7}},  // selected 0, 1, 7: 1 goes to 7, 2..7 move up
      {5, 0, {1, 2, 7}},  // 0 and 1 move down; 7 moves up past the gap and back
      {4, 8, {0, 1, 6}},  // an unselected move shifts what lies between
      {7, 7, {0, 1, 7}},
  };
  for (const auto& c : cases) {
    auto ds = std::make_shared<Items>();
    auto view = grid(ds);
    view->layoutIfNeeded();
    for (long i : {0L, 1L, 7L}) view->selectItemAtIndexPath(IndexPath{0, i}, false, CollectionViewScrollPosition::kNone);
    view->moveItemAtIndexPath({0, c.from}, {0, c.to});
    EXPECT_EQ(selectedItems(*view), c.selectedAfter) << c.from << " -> " << c.to;
  }
}

TEST_F(PickerSupportTest, IndexPathForItemAtPointFindsTheItemUnderIt) {
  auto ds = std::make_shared<Items>();
  auto view = grid(ds);
  struct Case {
    Point point;
    std::optional<long> item;
  } cases[] = {
      {{0, 0}, 0}, {{99.9, 99.9}, 0}, {{105, 50}, std::nullopt},  // in the gap
      {{225, 115}, 5}, {{215, 115}, std::nullopt}, {{50, 340}, 9}, {{150, 340}, std::nullopt},  // past the last item
  };
  for (const auto& c : cases) {
    auto path = view->indexPathForItemAtPoint(c.point);
    ASSERT_EQ(path.has_value(), c.item.has_value()) << c.point;
    if (path) {
      EXPECT_EQ(path->item(), *c.item) << c.point;
    }
  }
}

class Zooming : public ScrollViewDelegate {
 public:
  std::shared_ptr<View> viewForZoomingInScrollView(ScrollView&) override { return content; }
  void scrollViewDidZoom(ScrollView&) override { ++zooms; }
  void scrollViewDidEndZooming(ScrollView&, View* view, double scale) override {
    endedOn = view;
    endScale = scale;
  }
  std::shared_ptr<View> content = View::make(Rect(0, 0, 300, 200));
  int zooms = 0;
  View* endedOn = nullptr;
  double endScale = 0;
};

TEST_F(PickerSupportTest, ZoomToRectFillsTheBoundsWithinTheLimits) {
  struct Case {
    Rect target;
    double scale;
    Point offset;
  } cases[] = {
      {Rect(100, 50, 150, 100), 2, {200, 100}},  // centred on the rectangle
      {Rect(0, 0, 30, 20), 3, {0, 0}},           // the maximum, clamped at the content's edge
      {Rect(250, 150, 100, 100), 2, {300, 200}},  // the tighter side decides
      {Rect(50, 50, 300, 200), 1, {0, 0}},
  };
  for (const auto& c : cases) {
    auto scroll = View::make<ScrollView>(Rect(0, 0, 300, 200));
    auto zooming = std::make_shared<Zooming>();
    scroll->addSubview(zooming->content);
    scroll->setDelegate(zooming);
    scroll->maximumZoomScale = 3;
    scroll->zoomToRect(c.target, false);
    EXPECT_DOUBLE_EQ(scroll->zoomScale(), c.scale) << c.target;
    EXPECT_EQ(zooming->content->frame(), Rect(0, 0, 300 * c.scale, 200 * c.scale));
    if (c.scale > 1) {
      EXPECT_EQ(scroll->contentSize(), (Size{300 * c.scale, 200 * c.scale})) << c.target;
    }
    EXPECT_EQ(scroll->contentOffset(), c.offset) << c.target;
  }

  auto scroll = View::make<ScrollView>(Rect(0, 0, 300, 200));
  scroll->zoomToRect(Rect(0, 0, 0, 10), false);
  EXPECT_DOUBLE_EQ(scroll->zoomScale(), 1) << "an empty rectangle does nothing";
}

TEST_F(PickerSupportTest, APinchZoomsWithinTheLimitsAndReportsItsEnd) {
  auto scroll = View::make<ScrollView>(Rect(0, 0, 300, 200));
  auto zooming = std::make_shared<Zooming>();
  scroll->addSubview(zooming->content);
  scroll->setDelegate(zooming);
  scroll->maximumZoomScale = 3;
  scroll->userPinch(2);
  EXPECT_DOUBLE_EQ(scroll->zoomScale(), 2);
  EXPECT_EQ(zooming->zooms, 1);
  EXPECT_EQ(zooming->endedOn, zooming->content.get());
  scroll->userPinch(10);
  EXPECT_DOUBLE_EQ(zooming->endScale, 3);
  scroll->userPinch(0.01);
  EXPECT_DOUBLE_EQ(scroll->zoomScale(), 1);
  scroll->userPinch(-1);
  EXPECT_DOUBLE_EQ(scroll->zoomScale(), 1) << "a nonsense factor is ignored";
}

TEST_F(PickerSupportTest, ARecogniserWaitsForTheOneItRequiresToFail) {
  auto view = View::make(Rect(0, 0, 100, 100));
  int taps = 0, presses = 0;
  auto tap = std::make_shared<TapGestureRecognizer>([&](GestureRecognizer&) { ++taps; });
  auto pan = std::make_shared<PanGestureRecognizer>([&](GestureRecognizer&) { ++presses; });
  view->addGestureRecognizer(tap);
  view->addGestureRecognizer(pan);
  tap->requireGestureRecognizerToFail(pan);
  ASSERT_EQ(tap->failureRequirements().size(), 1u);

  ASSERT_TRUE(pan->begin());
  EXPECT_FALSE(tap->fire()) << "the pan is recognising";
  pan->move({5, 5});
  EXPECT_FALSE(tap->fire());
  pan->cancel();
  EXPECT_TRUE(tap->fire()) << "the pan failed";
  EXPECT_EQ(taps, 1);

  tap->requireGestureRecognizerToFail(tap);
  EXPECT_EQ(tap->failureRequirements().size(), 1u) << "not itself";
  pan.reset();
  view->removeGestureRecognizer(view->gestureRecognizers().back());
  EXPECT_TRUE(tap->failureRequirements().empty()) << "held weakly";
}

class Preferring : public ViewController {
 public:
  bool prefersStatusBarHidden() const override { return hidden; }
  bool hidden = false;
};

TEST_F(PickerSupportTest, StatusBarFollowsTheTopScreenOnAnUpdate) {
  auto root = std::make_shared<Preferring>();
  auto nav = NavigationController::withRoot(root);
  show(nav);
  auto top = std::make_shared<Preferring>();
  nav->pushViewController(top, false);

  root->hidden = true;
  root->setNeedsStatusBarAppearanceUpdate();
  EXPECT_FALSE(window->isStatusBarHidden()) << "the pushed screen is on top";
  top->hidden = true;
  EXPECT_FALSE(window->isStatusBarHidden()) << "read only on an update";
  top->setNeedsStatusBarAppearanceUpdate();
  EXPECT_TRUE(window->isStatusBarHidden());
  nav->popViewController(false);
  root->hidden = false;
  root->setNeedsStatusBarAppearanceUpdate();
  EXPECT_FALSE(window->isStatusBarHidden());
}

TEST_F(PickerSupportTest, ConsoleNamesAnUnnamedImageByItsPixelSize) {
  auto root = std::make_shared<ViewController>();
  show(root);
  auto bitmap = std::make_shared<ImageView>(Image::filled({371, 200}, Color::gray()));
  bitmap->setFrame(Rect(0, 0, 50, 50));
  root->view()->addSubview(bitmap);
  auto named = std::make_shared<ImageView>(Image::named("logo"));
  named->setFrame(Rect(0, 60, 50, 50));
  root->view()->addSubview(named);
  auto text = ScreenPrinter::print(*window);
  EXPECT_NE(text.find("image=bitmap 371\u00d7200"), std::string::npos) << text;
  EXPECT_NE(text.find("image=logo"), std::string::npos) << text;
}

}  // namespace
}  // namespace uikit
