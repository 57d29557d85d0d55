#include "Platform/UIKit/TableView.h"

#include <algorithm>

#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/UIKit/Device.h"

namespace uikit {

TableView::TableView(TableViewStyle style) : style_(style) {}

TableView::TableView(const Rect& frame, TableViewStyle style) : ScrollView(frame), style_(style) {}

TableView::~TableView() = default;

void TableView::setDataSource(const std::shared_ptr<TableViewDataSource>& d) {
  dataSource_ = d;
  loaded_ = false;
  setNeedsLayout();
}

void TableView::setDelegate(const std::shared_ptr<TableViewDelegate>& d) {
  delegate_ = d;
  ScrollView::setDelegate(d);
  loaded_ = false;
  setNeedsLayout();
}

void TableView::registerClass(const std::string& identifier, std::function<std::shared_ptr<TableViewCell>()> factory) {
  pool_.registerClass(identifier, [factory, identifier]() -> std::shared_ptr<View> {
    auto cell = factory ? factory() : std::make_shared<TableViewCell>(TableViewCellStyle::kDefault, identifier);
    if (cell && cell->reuseIdentifier().empty()) cell->setReuseIdentifier(identifier);
    return cell;
  });
}

void TableView::registerNib(const std::shared_ptr<Nib>& nib, const std::string& identifier) {
  pool_.registerNib(nib, identifier);
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCellWithIdentifier(const std::string& identifier) {
  return ListCells<TableViewCell>::dequeue(pool_, identifier);
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCellWithIdentifier(const std::string& identifier,
                                                                            const IndexPath& indexPath) {
  auto cell = dequeueReusableCellWithIdentifier(identifier);
  if (!cell) {
    platform::LogError("unable to dequeue a cell with identifier " + identifier + " at " + indexPath.description() +
                       ": no class or nib is registered for it");
  }
  return cell;
}

void TableView::setTableHeaderView(std::shared_ptr<View> v) {
  if (header_) header_->removeFromSuperview();
  header_ = std::move(v);
  if (header_) addSubview(header_);
  if (loaded_) relayoutAfterUpdate();
}

void TableView::setTableFooterView(std::shared_ptr<View> v) {
  if (footer_) footer_->removeFromSuperview();
  footer_ = std::move(v);
  if (footer_) addSubview(footer_);
  if (loaded_) relayoutAfterUpdate();
}

void TableView::setBackgroundView(std::shared_ptr<View> v) {
  if (background_) background_->removeFromSuperview();
  background_ = std::move(v);
  if (background_) insertSubview(background_, 0);
}

Rect TableView::viewport() const {
  Rect b = bounds();
  Size screen = Device::current().screenSize;
  double w = b.width() > 0 ? b.width() : screen.width;
  double h = b.height() > 0 ? b.height() : screen.height;
  return Rect(b.x(), b.y(), w, h);
}

void TableView::refreshCounts() {
  auto ds = dataSource();
  if (!ds) {
    cells_.clearCounts();
    return;
  }
  cells_.setCounts(ds->numberOfSectionsInTableView(*this),
                   [&](long s) { return ds->tableViewNumberOfRowsInSection(*this, s); });
}

void TableView::computeRows() {
  rows_.clear();
  double width = viewport().width();
  double y = header_ ? header_->frame().height() : 0;
  if (header_) header_->setFrame(Rect(0, 0, width, header_->frame().height()));
  auto d = delegate();
  auto ds = dataSource();
  for (long s = 0; s < cells_.numberOfSections(); ++s) {
    double hh = d ? d->tableViewHeightForHeaderInSection(*this, s) : -1;
    if (hh < 0) {
      bool titled = ds && ds->tableViewTitleForHeaderInSection(*this, s).has_value();
      // Headers are not drawn here, but a section with a custom header view
      // still takes the default header height, so the view is asked for.
      bool custom = d && d->tableViewViewForHeaderInSection(*this, s) != nullptr;
      hh = (titled || custom) ? sectionHeaderHeight : 0;
    }
    y += hh;
    for (long r = 0; r < cells_.numberOfItemsInSection(s); ++r) {
      IndexPath p{s, r};
      double h = d ? d->tableViewHeightForRowAtIndexPath(*this, p) : -1;
      if (h < 0) h = rowHeight >= 0 ? rowHeight : fittingHeight(p, width);
      rows_.push_back({p, Rect(0, y, width, h)});
      y += h;
    }
  }
  if (footer_) {
    footer_->setFrame(Rect(0, y, width, footer_->frame().height()));
    y += footer_->frame().height();
  }
  setContentSize({width, y});
}

double TableView::fittingHeight(const IndexPath& path, double width) {
  const double estimate = estimatedRowHeight > 0 ? estimatedRowHeight : 44;
  auto ds = dataSource();
  if (!ds) return estimate;
  // The row's own cell, configured and measured at the table's width, then
  // handed back to the pool for the layout that follows.
  auto cell = ds->tableViewCellForRowAtIndexPath(*this, path);
  if (!cell) return estimate;
  cell->setFrame(Rect(0, 0, width, cell->frame().height()));
  cell->layoutIfNeeded();
  const double height = cell->systemLayoutSizeFittingSize({width, 0}).height;
  if (!cell->reuseIdentifier().empty() && pool_.isRegistered(cell->reuseIdentifier())) {
    pool_.enqueue(cell->reuseIdentifier(), cell);
  }
  return height > 0 ? height : estimate;
}

void TableView::ensureLoaded() {
  if (loaded_) return;
  loaded_ = true;
  ++reloads_;
  refreshCounts();
  computeRows();
  layoutCells();
}

ListCells<TableViewCell>::CellCallback TableView::didEndDisplaying() {
  return [this](TableViewCell& cell, const IndexPath& path) {
    if (auto d = delegate()) d->tableViewDidEndDisplayingCellForRowAtIndexPath(*this, cell, path);
  };
}

void TableView::recycle(const IndexPath& path) { cells_.recycle(path, pool_, didEndDisplaying()); }

void TableView::recycleAll() { cells_.recycleAll(pool_, didEndDisplaying()); }

void TableView::layoutCells() {
  if (inLayout_) return;
  inLayout_ = true;
  auto keep = sharedAs<TableView>();
  Rect vp = viewport();
  std::set<IndexPath> wanted;
  for (const auto& row : rows_) {
    if (row.rect.maxY() > vp.minY() && row.rect.minY() < vp.maxY()) wanted.insert(row.path);
  }
  cells_.recycleAllBut(wanted, pool_, didEndDisplaying());
  auto ds = dataSource();
  auto willDisplay = [this](TableViewCell& cell, const IndexPath& path) {
    if (auto d = delegate()) d->tableViewWillDisplayCellForRowAtIndexPath(*this, cell, path);
  };
  for (const auto& row : rows_) {
    if (!wanted.count(row.path) || cells_.isVisible(row.path) || !ds) continue;
    auto cell = ds->tableViewCellForRowAtIndexPath(*this, row.path);
    if (!cell) {
      platform::LogError("table view data source returned no cell for " + row.path.description());
      continue;
    }
    cells_.show(*this, row.path, row.rect, cell, willDisplay);
  }
  inLayout_ = false;
}

void TableView::layoutSubviews() {
  ensureLoaded();
  if (background_) background_->setFrame(bounds());
  layoutCells();
}

void TableView::contentOffsetDidChange() {
  if (loaded_) layoutCells();
}

void TableView::reloadData() {
  loaded_ = true;
  ++reloads_;
  recycleAll();
  cells_.clearSelection();
  refreshCounts();
  computeRows();
  layoutCells();
}

long TableView::numberOfSections() {
  ensureLoaded();
  return cells_.numberOfSections();
}

long TableView::numberOfRowsInSection(long section) {
  ensureLoaded();
  return cells_.numberOfItemsInSection(section);
}

void TableView::relayoutAfterUpdate() {
  if (updateDepth_ > 0) return;
  recycleAll();
  refreshCounts();
  cells_.dropSelectionOutsideCounts();
  computeRows();
  layoutCells();
}

void TableView::beginUpdates() {
  ensureLoaded();
  ++updateDepth_;
}

void TableView::endUpdates() {
  if (updateDepth_ == 0) return;
  --updateDepth_;
  relayoutAfterUpdate();
}

void TableView::performBatchUpdates(const std::function<void()>& updates, std::function<void(bool)> completion) {
  beginUpdates();
  if (updates) updates();
  endUpdates();
  if (completion) platform::RunLoop::main().async([completion] { completion(true); });
}

void TableView::insertRowsAtIndexPaths(const std::vector<IndexPath>& paths, TableViewRowAnimation animation) {
  (void)animation;
  cells_.shiftSelectionForInsert(paths);
  relayoutAfterUpdate();
}

void TableView::deleteRowsAtIndexPaths(const std::vector<IndexPath>& paths, TableViewRowAnimation animation) {
  (void)animation;
  cells_.shiftSelectionForDelete(paths);
  relayoutAfterUpdate();
}

void TableView::reloadRowsAtIndexPaths(const std::vector<IndexPath>& paths, TableViewRowAnimation animation) {
  (void)animation;
  ensureLoaded();
  for (const auto& p : paths) recycle(p);
  if (updateDepth_ == 0) layoutCells();
}

void TableView::insertSections(const std::vector<long>& sections, TableViewRowAnimation animation) {
  (void)sections, (void)animation;
  relayoutAfterUpdate();
}

void TableView::deleteSections(const std::vector<long>& sections, TableViewRowAnimation animation) {
  (void)animation;
  cells_.dropSelectionInSections(sections);
  relayoutAfterUpdate();
}

void TableView::reloadSections(const std::vector<long>& sections, TableViewRowAnimation animation) {
  (void)animation;
  ensureLoaded();
  cells_.recycleSections(sections, pool_, didEndDisplaying());
  relayoutAfterUpdate();
}

std::shared_ptr<TableViewCell> TableView::cellForRowAtIndexPath(const IndexPath& indexPath) {
  ensureLoaded();
  return cells_.cellAt(indexPath);
}

std::vector<std::shared_ptr<TableViewCell>> TableView::visibleCells() {
  ensureLoaded();
  return cells_.cells();
}

std::vector<IndexPath> TableView::indexPathsForVisibleRows() {
  ensureLoaded();
  return cells_.paths();
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell& cell) {
  return cells_.pathOf(cell);
}

Rect TableView::rectForRowAtIndexPath(const IndexPath& indexPath) {
  ensureLoaded();
  for (const auto& r : rows_) {
    if (r.path == indexPath) return r.rect;
  }
  return Rect();
}

std::optional<std::string> TableView::titleForHeaderInSection(long section) {
  auto ds = dataSource();
  return ds ? ds->tableViewTitleForHeaderInSection(*this, section) : std::nullopt;
}

void TableView::scrollToRowAtIndexPath(const IndexPath& indexPath, TableViewScrollPosition position, bool animated) {
  ensureLoaded();
  Rect r = rectForRowAtIndexPath(indexPath);
  Rect vp = viewport();
  double y = contentOffset().y;
  if (position == TableViewScrollPosition::kTop) {
    y = r.minY();
  } else if (position == TableViewScrollPosition::kBottom) {
    y = r.maxY() - vp.height();
  } else if (position == TableViewScrollPosition::kMiddle) {
    y = r.midY() - vp.height() / 2;
  } else if (r.minY() < vp.minY()) {
    y = r.minY();
  } else if (r.maxY() > vp.maxY()) {
    y = r.maxY() - vp.height();
  }
  double maxY = std::max(0.0, contentSize().height - vp.height());
  y = std::clamp(y, 0.0, maxY);
  setContentOffset({contentOffset().x, y}, animated);
}

void TableView::selectRowAtIndexPath(const std::optional<IndexPath>& indexPath, bool animated,
                                     TableViewScrollPosition position) {
  ensureLoaded();
  if (!indexPath) {
    cells_.deselectAll(animated);
    return;
  }
  if (!allowsMultipleSelection) cells_.deselectAllBut(*indexPath, animated, nullptr);
  cells_.select(*indexPath, animated);
  if (position != TableViewScrollPosition::kNone) scrollToRowAtIndexPath(*indexPath, position, animated);
}

void TableView::deselectRowAtIndexPath(const IndexPath& indexPath, bool animated) {
  cells_.deselect(indexPath, animated);
}

std::optional<IndexPath> TableView::indexPathForSelectedRow() const {
  if (cells_.selected().empty()) return std::nullopt;
  return *cells_.selected().begin();
}

std::vector<IndexPath> TableView::indexPathsForSelectedRows() const {
  return cells_.selectedPaths();
}

bool TableView::userSelectRow(const IndexPath& indexPath) {
  ensureLoaded();
  if (!allowsSelection || !isUserInteractionEnabled()) return false;
  if (!cells_.contains(indexPath)) return false;
  auto keep = sharedAs<TableView>();
  scrollToRowAtIndexPath(indexPath, TableViewScrollPosition::kNone, false);
  auto d = delegate();
  if (d && !d->tableViewShouldHighlightRowAtIndexPath(*this, indexPath)) return false;
  if (allowsMultipleSelection && cells_.isSelected(indexPath)) {
    deselectRowAtIndexPath(indexPath, true);
    if (d) d->tableViewDidDeselectRowAtIndexPath(*this, indexPath);
    return false;
  }
  std::optional<IndexPath> target = d ? d->tableViewWillSelectRowAtIndexPath(*this, indexPath) : indexPath;
  if (!target) return false;
  if (!allowsMultipleSelection) {
    cells_.deselectAllBut(*target, true, [&](const IndexPath& p) {
      if (d) d->tableViewDidDeselectRowAtIndexPath(*this, p);
    });
  }
  cells_.select(*target, true);
  if (d) d->tableViewDidSelectRowAtIndexPath(*this, *target);
  return true;
}

}  // namespace uikit
