#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Platform/UIKit/CollectionView.h"
#include "Platform/UIKit/InfiniteScrollingView.h"
#include "Platform/UIKit/ListCells.h"
#include "Platform/UIKit/PickerView.h"
#include "Platform/UIKit/PullToRefreshView.h"
#include "Platform/UIKit/TableView.h"
#include "tests/Platform/UIKit/UIKitFixture.h"

namespace uikit::testing {
namespace {

class CheckCell : public TableViewCell {
 public:
  using TableViewCell::TableViewCell;
  void prepareForReuse() override { ++prepared; }
  bool checked = false;  // state the data source must reset itself
  int prepared = 0;
};

class Rows : public TableViewDataSource, public TableViewDelegate {
 public:
  explicit Rows(long n) : count(n) {}
  long tableViewNumberOfRowsInSection(TableView&, long) override { return count; }
  std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& t, const IndexPath& p) override {
    auto cell = std::dynamic_pointer_cast<CheckCell>(t.dequeueReusableCellWithIdentifier("Check", p));
    cell->textLabel()->setText("Row " + std::to_string(p.row));
    if (p.row == 0) cell->checked = true;  // only row 0 sets it; nothing clears it
    ++asked;
    return cell;
  }
  void tableViewDidSelectRowAtIndexPath(TableView&, const IndexPath& p) override { selected.push_back(p.row); }
  void tableViewDidDeselectRowAtIndexPath(TableView&, const IndexPath& p) override { deselected.push_back(p.row); }
  long count;
  int asked = 0;
  std::vector<long> selected, deselected;
};

class ListTest : public UIKitFixture {
 protected:
  std::shared_ptr<TableView> makeTable(const std::shared_ptr<Rows>& rows, double height) {
    auto table = std::make_shared<TableView>(Rect(0, 0, 390, height), TableViewStyle::kPlain);
    table->registerClass("Check", [] { return std::make_shared<CheckCell>(TableViewCellStyle::kDefault, "Check"); });
    table->setDataSource(rows);
    table->setDelegate(rows);
    return table;
  }
};

TEST_F(ListTest, DequeueHandsBackRecycledCellsWithTheirStaleState) {
  auto rows = std::make_shared<Rows>(100);
  auto table = makeTable(rows, 440);  // ten rows of 44
  auto first = table->visibleCells();
  ASSERT_EQ(first.size(), 10u);
  EXPECT_EQ(table->reusePool().createdCount(), 10);
  auto row0 = table->cellForRowAtIndexPath({0, 0});
  ASSERT_TRUE(row0);
  // Scrolling a whole screen down recycles the first screen's cells.
  table->userScroll({0, 440});
  EXPECT_EQ(table->cellForRowAtIndexPath({0, 0}), nullptr);
  auto row10 = std::dynamic_pointer_cast<CheckCell>(table->cellForRowAtIndexPath({0, 10}));
  ASSERT_TRUE(row10);
  EXPECT_EQ(table->reusePool().createdCount(), 10) << "no new cells: all recycled";
  EXPECT_EQ(row10->reuseCount(), 1);
  EXPECT_EQ(row10->prepared, 1);
  bool someStale = false;
  for (const auto& c : table->visibleCells()) someStale |= std::dynamic_pointer_cast<CheckCell>(c)->checked;
  EXPECT_TRUE(someStale) << "row 0's check mark travelled with its recycled cell";
  EXPECT_EQ(*row10->textLabel()->text(), "Row 10");
}

TEST_F(ListTest, ReloadRecyclesEveryVisibleCell) {
  auto rows = std::make_shared<Rows>(3);
  auto table = makeTable(rows, 440);
  auto before = table->visibleCells();
  ASSERT_EQ(before.size(), 3u);
  rows->count = 2;
  table->reloadData();
  auto after = table->visibleCells();
  ASSERT_EQ(after.size(), 2u);
  for (const auto& c : after) {
    EXPECT_NE(std::find(before.begin(), before.end(), c), before.end()) << "the same cell objects come back";
  }
  EXPECT_EQ(table->reusePool().waitingCount("Check"), 1u);
  EXPECT_EQ(table->numberOfRowsInSection(0), 2);
}

TEST_F(ListTest, UnregisteredIdentifierGivesNoCell) {
  auto table = std::make_shared<TableView>();
  EXPECT_EQ(table->dequeueReusableCellWithIdentifier("Nope"), nullptr);
}

TEST_F(ListTest, SelectionFollowsTapsAndUpdates) {
  auto rows = std::make_shared<Rows>(20);
  auto table = makeTable(rows, 220);
  EXPECT_TRUE(table->userSelectRow({0, 2}));
  EXPECT_TRUE(table->cellForRowAtIndexPath({0, 2})->isSelected());
  EXPECT_TRUE(table->userSelectRow({0, 15})) << "off screen: scrolled into view first";
  EXPECT_NE(table->cellForRowAtIndexPath({0, 15}), nullptr);
  EXPECT_EQ(rows->selected, (std::vector<long>{2, 15}));
  EXPECT_EQ(rows->deselected, std::vector<long>{2});
  EXPECT_EQ(table->indexPathForSelectedRow(), (IndexPath{0, 15}));
  EXPECT_FALSE(table->userSelectRow({0, 99}));
  EXPECT_FALSE(table->userSelectRow({3, 0}));
  // Inserting above the selection moves it down.
  rows->count = 21;
  table->insertRowsAtIndexPaths({{0, 0}}, TableViewRowAnimation::kAutomatic);
  EXPECT_EQ(table->indexPathForSelectedRow(), (IndexPath{0, 16}));
  rows->count = 20;
  table->deleteRowsAtIndexPaths({{0, 16}}, TableViewRowAnimation::kFade);
  EXPECT_EQ(table->indexPathForSelectedRow(), std::nullopt);
}

TEST_F(ListTest, BatchUpdatesCompleteInALaterTurn) {
  auto rows = std::make_shared<Rows>(2);
  auto table = makeTable(rows, 440);
  table->visibleCells();
  bool done = false;
  table->performBatchUpdates([&] {
    rows->count = 4;
    table->insertRowsAtIndexPaths({{0, 2}, {0, 3}}, TableViewRowAnimation::kAutomatic);
  }, [&](bool finished) { done = finished; });
  EXPECT_EQ(table->visibleCells().size(), 4u);
  EXPECT_FALSE(done);
  runUntilIdle();
  EXPECT_TRUE(done);
}

TEST_F(ListTest, PullToRefreshAndInfiniteScrollingTriggers) {
  auto rows = std::make_shared<Rows>(30);
  auto table = makeTable(rows, 440);
  int refreshes = 0, pages = 0;
  table->addPullToRefreshWithActionHandler([&] { ++refreshes; });
  table->addInfiniteScrollingWithActionHandler([&] { ++pages; });
  table->visibleCells();
  table->userScroll({0, -80});
  EXPECT_EQ(refreshes, 1);
  table->userScroll({0, -80});
  EXPECT_EQ(refreshes, 1) << "still loading";
  table->pullToRefreshView()->stopAnimating();
  table->triggerPullToRefresh();
  EXPECT_EQ(refreshes, 2);
  table->userScroll({0, 30 * 44 - 440});
  EXPECT_EQ(pages, 1);
  table->showsInfiniteScrolling = false;
  table->infiniteScrollingView()->stopAnimating();
  table->triggerInfiniteScrolling();
  EXPECT_EQ(pages, 1);
}

class Grid : public CollectionViewDataSource, public CollectionViewDelegate {
 public:
  long collectionViewNumberOfItemsInSection(CollectionView&, long) override { return 60; }
  std::shared_ptr<CollectionViewCell> collectionViewCellForItemAtIndexPath(CollectionView& v,
                                                                           const IndexPath& p) override {
    auto cell = v.dequeueReusableCellWithReuseIdentifier("Photo", p);
    cell->setTag(p.item());
    return cell;
  }
};

// A 390-point wide grid of 90-point items, 10 apart: four to a line.
std::shared_ptr<CollectionView> gridOf(double height, const std::shared_ptr<Grid>& ds) {
  CollectionViewFlowLayout layout;
  layout.itemSize = {90, 90};
  layout.minimumInteritemSpacing = 10;
  layout.minimumLineSpacing = 10;
  auto grid = std::make_shared<CollectionView>(Rect(0, 0, 390, height), layout);
  grid->registerClass("Photo", nullptr);
  grid->setDataSource(ds);
  grid->setDelegate(ds);
  return grid;
}

TEST_F(ListTest, CollectionViewLaysOutAGridAndRecyclesCells) {
  auto ds = std::make_shared<Grid>();
  auto grid = gridOf(400, ds);
  EXPECT_EQ(grid->frameForItemAtIndexPath({0, 4}), Rect(0, 100, 90, 90)) << "four per line";
  auto visible = grid->visibleCells();
  EXPECT_EQ(visible.size(), 16u);
  int created = grid->reusePool().createdCount();
  grid->userScroll({0, 800});
  EXPECT_EQ(grid->reusePool().createdCount(), created) << "recycled while scrolling";
  EXPECT_TRUE(grid->userSelectItem({0, 35}));
  EXPECT_EQ(grid->indexPathsForSelectedItems(), (std::vector<IndexPath>{IndexPath{0, 35}}));
}

// Two sections of five 90-point items, four to a line: the delegate's spacing
// applies to its own section's lines, a negative answer to the layout's.
class SpacedSections : public Grid {
 public:
  long numberOfSectionsInCollectionView(CollectionView&) override { return 2; }
  long collectionViewNumberOfItemsInSection(CollectionView&, long) override { return 5; }
  double collectionViewLayoutMinimumLineSpacingForSectionAtIndex(CollectionView&, long section) override {
    return section == 0 ? 30 : -1;
  }
};

TEST_F(ListTest, FlowLayoutDelegateSetsLineSpacingPerSection) {
  auto ds = std::make_shared<SpacedSections>();
  auto grid = gridOf(800, ds);
  EXPECT_EQ(grid->frameForItemAtIndexPath({0, 4}), Rect(0, 120, 90, 90)) << "section 0: 30 between lines";
  EXPECT_EQ(grid->frameForItemAtIndexPath({1, 0}), Rect(0, 210, 90, 90)) << "sections meet without spacing";
  EXPECT_EQ(grid->frameForItemAtIndexPath({1, 4}), Rect(0, 310, 90, 90)) << "section 1: the layout's 10";
}

// A row whose content asks for a height of its own.
class TallCell : public TableViewCell {
 public:
  using TableViewCell::TableViewCell;
  double wanted = 0;

 protected:
  Size contentFittingSize(double maxWidth) const override { return {maxWidth, wanted}; }
};

class TallRows : public TableViewDataSource, public TableViewDelegate {
 public:
  std::vector<double> heights;
  std::optional<double> fixedForRow2;
  long tableViewNumberOfRowsInSection(TableView&, long) override { return static_cast<long>(heights.size()); }
  std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& t, const IndexPath& p) override {
    auto cell = std::dynamic_pointer_cast<TallCell>(t.dequeueReusableCellWithIdentifier("Tall", p));
    cell->wanted = heights[static_cast<std::size_t>(p.row)];
    return cell;
  }
  double tableViewHeightForRowAtIndexPath(TableView&, const IndexPath& p) override {
    return p.row == 2 && fixedForRow2 ? *fixedForRow2 : TableView::kAutomaticDimension;
  }
};

TEST_F(ListTest, AutomaticRowsTakeTheirCellsFittingHeight) {
  auto rows = std::make_shared<TallRows>();
  rows->heights = {30, 120, 75, 0};
  rows->fixedForRow2 = 20;
  auto table = std::make_shared<TableView>(Rect(0, 0, 390, 600), TableViewStyle::kPlain);
  table->registerClass("Tall", [] { return std::make_shared<TallCell>(TableViewCellStyle::kDefault, "Tall"); });
  table->rowHeight = TableView::kAutomaticDimension;
  table->estimatedRowHeight = 50;
  table->setDataSource(rows);
  table->setDelegate(rows);
  table->layoutIfNeeded();
  // Row 2's delegate height wins; a row that fits nothing takes the estimate.
  EXPECT_EQ(table->rectForRowAtIndexPath({0, 0}), Rect(0, 0, 390, 30));
  EXPECT_EQ(table->rectForRowAtIndexPath({0, 1}), Rect(0, 30, 390, 120));
  EXPECT_EQ(table->rectForRowAtIndexPath({0, 2}), Rect(0, 150, 390, 20));
  EXPECT_EQ(table->rectForRowAtIndexPath({0, 3}), Rect(0, 170, 390, 50));
  EXPECT_EQ(table->contentSize().height, 220);
  // Measuring hands its cells back: no more cells than rows on show.
  EXPECT_EQ(table->reusePool().createdCount(), 4);

  rows->heights[0] = 90;
  table->reloadData();
  EXPECT_EQ(table->contentSize().height, 280) << "a reload measures again";
  EXPECT_EQ(table->cellForRowAtIndexPath({0, 1})->frame().height(), 120);
}

TEST_F(ListTest, ContentSizeObserversHearEachChangeWhileKept) {
  auto rows = std::make_shared<Rows>(3);
  auto table = makeTable(rows, 440);
  std::vector<double> heard;
  auto token = table->observeContentSize([&](Size size) { heard.push_back(size.height); });
  table->reloadData();  // 3 rows of 44
  rows->count = 5;
  table->reloadData();
  table->reloadData();  // the same size again: no change to hear
  table->setContentSize({390, 10});
  EXPECT_EQ(heard, (std::vector<double>{132, 220, 10}));
  token.reset();
  table->setContentSize({390, 20});
  EXPECT_EQ(heard.size(), 3u) << "dropping the token removes the observer";

  EXPECT_EQ(table->indicatorFlashCount(), 0);
  table->flashScrollIndicators();
  table->flashScrollIndicators();
  EXPECT_EQ(table->indicatorFlashCount(), 2);
}

class Wheels : public PickerViewDataSource, public PickerViewDelegate {
 public:
  long numberOfComponentsInPickerView(PickerView&) override { return 3; }
  long pickerViewNumberOfRowsInComponent(PickerView&, long) override { return 4; }
  double pickerViewWidthForComponent(PickerView&, long component) override { return component == 1 ? 50 : -1; }
};

TEST_F(ListTest, PickerWheelWidthComesFromTheDelegateElseAnEqualShare) {
  auto picker = std::make_shared<PickerView>();
  picker->setFrame(Rect(0, 0, 300, 216));
  EXPECT_EQ(picker->widthForComponent(0), 0) << "no wheels yet";
  auto wheels = std::make_shared<Wheels>();
  picker->setDataSource(wheels);
  EXPECT_EQ(picker->widthForComponent(1), 100) << "no delegate: a third each";
  picker->setDelegate(wheels);
  EXPECT_EQ(picker->widthForComponent(0), 100);
  EXPECT_EQ(picker->widthForComponent(1), 50);
  EXPECT_EQ(picker->widthForComponent(3), 0) << "no such wheel";
}

TEST(ListCellsTest, SelectionOutsideTheCountsIsDropped) {
  ListCells<TableViewCell> cells;
  cells.setCounts(2, [](long section) { return section == 0 ? 3 : 1; });
  for (IndexPath p : {IndexPath{-1, 0}, IndexPath{0, -1}, IndexPath{2, 0}, IndexPath{1, 1},
                      IndexPath{0, 2}, IndexPath{1, 0}, IndexPath{0, 2}}) {
    cells.select(p, false);
  }
  cells.dropSelectionOutsideCounts();
  EXPECT_EQ(cells.selectedPaths(), (std::vector<IndexPath>{{0, 2}, {1, 0}}));
}

}  // namespace
}  // namespace uikit::testing
