// A table of sections and rows with real cell reuse: only rows inside the
// viewport have cells; a cell that leaves the viewport (or every cell at a
// reload) goes to the reuse pool, and dequeue hands it out again with its
// old state, after prepareForReuse. The viewport is the bounds, or the
// screen when the table has no size yet.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Platform/UIKit/IndexPath.h"
#include "Platform/UIKit/ListCells.h"
#include "Platform/UIKit/ReusePool.h"
#include "Platform/UIKit/ScrollView.h"
#include "Platform/UIKit/TableViewCell.h"

namespace uikit {

class TableView;

class TableViewDataSource {
 public:
  virtual ~TableViewDataSource() = default;
  virtual long numberOfSectionsInTableView(TableView& tableView) {
    (void)tableView;
    return 1;
  }
  virtual long tableViewNumberOfRowsInSection(TableView& tableView, long section) = 0;
  virtual std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& tableView,
                                                                        const IndexPath& indexPath) = 0;
  virtual std::optional<std::string> tableViewTitleForHeaderInSection(TableView& tableView, long section) {
    (void)tableView, (void)section;
    return std::nullopt;
  }
  virtual std::optional<std::string> tableViewTitleForFooterInSection(TableView& tableView, long section) {
    (void)tableView, (void)section;
    return std::nullopt;
  }
};

class TableViewDelegate : public ScrollViewDelegate {
 public:
  // Negative: the table's rowHeight.
  virtual double tableViewHeightForRowAtIndexPath(TableView& tableView, const IndexPath& indexPath) {
    (void)tableView, (void)indexPath;
    return -1;
  }
  virtual double tableViewEstimatedHeightForRowAtIndexPath(TableView& tableView, const IndexPath& indexPath) {
    (void)tableView, (void)indexPath;
    return -1;
  }
  virtual double tableViewHeightForHeaderInSection(TableView& tableView, long section) {
    (void)tableView, (void)section;
    return -1;
  }
  virtual std::shared_ptr<View> tableViewViewForHeaderInSection(TableView& tableView, long section) {
    (void)tableView, (void)section;
    return nullptr;
  }
  virtual bool tableViewShouldHighlightRowAtIndexPath(TableView& tableView, const IndexPath& indexPath) {
    (void)tableView, (void)indexPath;
    return true;
  }
  // Returns the row to select instead, or none to refuse.
  virtual std::optional<IndexPath> tableViewWillSelectRowAtIndexPath(TableView& tableView,
                                                                     const IndexPath& indexPath) {
    (void)tableView;
    return indexPath;
  }
  virtual void tableViewDidSelectRowAtIndexPath(TableView& tableView, const IndexPath& indexPath) {
    (void)tableView, (void)indexPath;
  }
  virtual void tableViewDidDeselectRowAtIndexPath(TableView& tableView, const IndexPath& indexPath) {
    (void)tableView, (void)indexPath;
  }
  virtual void tableViewWillDisplayCellForRowAtIndexPath(TableView& tableView, TableViewCell& cell,
                                                         const IndexPath& indexPath) {
    (void)tableView, (void)cell, (void)indexPath;
  }
  virtual void tableViewDidEndDisplayingCellForRowAtIndexPath(TableView& tableView, TableViewCell& cell,
                                                              const IndexPath& indexPath) {
    (void)tableView, (void)cell, (void)indexPath;
  }
};

enum class TableViewStyle { kPlain, kGrouped, kInsetGrouped };
enum class TableViewScrollPosition { kNone, kTop, kMiddle, kBottom };
enum class TableViewCellSeparatorStyle { kNone, kSingleLine };
enum class TableViewRowAnimation { kFade, kRight, kLeft, kTop, kBottom, kNone, kMiddle, kAutomatic };

class TableView : public ScrollView {
 public:
  static constexpr double kAutomaticDimension = -1;

  explicit TableView(TableViewStyle style = TableViewStyle::kPlain);
  TableView(const Rect& frame, TableViewStyle style);
  ~TableView() override;

  TableViewStyle style() const { return style_; }
  void setDataSource(const std::shared_ptr<TableViewDataSource>& d);
  void setDelegate(const std::shared_ptr<TableViewDelegate>& d);
  std::shared_ptr<TableViewDataSource> dataSource() const { return dataSource_.lock(); }
  std::shared_ptr<TableViewDelegate> delegate() const { return delegate_.lock(); }

  // Registration and reuse.
  void registerClass(const std::string& identifier, std::function<std::shared_ptr<TableViewCell>()> factory);
  void registerNib(const std::shared_ptr<Nib>& nib, const std::string& identifier);
  // A recycled or new cell; with an unregistered identifier, none.
  std::shared_ptr<TableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);
  std::shared_ptr<TableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier,
                                                                   const IndexPath& indexPath);
  const ReusePool& reusePool() const { return pool_; }

  double rowHeight = 44;
  double estimatedRowHeight = 0;
  double sectionHeaderHeight = 28;
  TableViewCellSeparatorStyle separatorStyle = TableViewCellSeparatorStyle::kSingleLine;
  bool allowsSelection = true;
  bool allowsMultipleSelection = false;
  std::shared_ptr<View> tableHeaderView() const { return header_; }
  void setTableHeaderView(std::shared_ptr<View> v);
  std::shared_ptr<View> tableFooterView() const { return footer_; }
  void setTableFooterView(std::shared_ptr<View> v);
  std::shared_ptr<View> backgroundView() const { return background_; }
  void setBackgroundView(std::shared_ptr<View> v);

  // Data.
  void reloadData();
  long numberOfSections();
  long numberOfRowsInSection(long section);
  void beginUpdates();
  void endUpdates();
  void performBatchUpdates(const std::function<void()>& updates, std::function<void(bool)> completion = nullptr);
  void insertRowsAtIndexPaths(const std::vector<IndexPath>& paths, TableViewRowAnimation animation);
  void deleteRowsAtIndexPaths(const std::vector<IndexPath>& paths, TableViewRowAnimation animation);
  void reloadRowsAtIndexPaths(const std::vector<IndexPath>& paths, TableViewRowAnimation animation);
  void insertSections(const std::vector<long>& sections, TableViewRowAnimation animation);
  void deleteSections(const std::vector<long>& sections, TableViewRowAnimation animation);
  void reloadSections(const std::vector<long>& sections, TableViewRowAnimation animation);
  int reloadCount() const { return reloads_; }

  // Cells and geometry.
  std::shared_ptr<TableViewCell> cellForRowAtIndexPath(const IndexPath& indexPath);
  std::vector<std::shared_ptr<TableViewCell>> visibleCells();
  std::vector<IndexPath> indexPathsForVisibleRows();
  std::optional<IndexPath> indexPathForCell(const TableViewCell& cell);
  Rect rectForRowAtIndexPath(const IndexPath& indexPath);
  void scrollToRowAtIndexPath(const IndexPath& indexPath, TableViewScrollPosition position, bool animated);
  std::optional<std::string> titleForHeaderInSection(long section);

  // Selection.
  void selectRowAtIndexPath(const std::optional<IndexPath>& indexPath, bool animated, TableViewScrollPosition position);
  void deselectRowAtIndexPath(const IndexPath& indexPath, bool animated);
  std::optional<IndexPath> indexPathForSelectedRow() const;
  std::vector<IndexPath> indexPathsForSelectedRows() const;
  // A person taps the row: it is scrolled into view, the delegate is asked,
  // the selection changes and the delegate hears it. Returns whether selected.
  bool userSelectRow(const IndexPath& indexPath);

  void layoutSubviews() override;

 protected:
  void contentOffsetDidChange() override;

 private:
  struct Row {
    IndexPath path;
    Rect rect;
  };
  void ensureLoaded();
  void refreshCounts();
  void computeRows();
  // An automatic-dimension row: its cell's fitting height at width.
  double fittingHeight(const IndexPath& path, double width);
  void layoutCells();
  void recycle(const IndexPath& path);
  void recycleAll();
  ListCells<TableViewCell>::CellCallback didEndDisplaying();
  Rect viewport() const;
  void relayoutAfterUpdate();

  TableViewStyle style_;
  std::weak_ptr<TableViewDataSource> dataSource_;
  std::weak_ptr<TableViewDelegate> delegate_;
  ReusePool pool_;
  std::vector<Row> rows_;
  ListCells<TableViewCell> cells_;
  std::shared_ptr<View> header_;
  std::shared_ptr<View> footer_;
  std::shared_ptr<View> background_;
  bool loaded_ = false;
  int updateDepth_ = 0;
  bool inLayout_ = false;
  int reloads_ = 0;
};

}  // namespace uikit
