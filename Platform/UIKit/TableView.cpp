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
  bool recycled = pool_.waitingCount(identifier) > 0;
  auto cell = std::dynamic_pointer_cast<TableViewCell>(pool_.dequeue(identifier));
  if (!cell) return nullptr;
  if (cell->reuseIdentifier().empty()) cell->setReuseIdentifier(identifier);
  if (recycled) {
    cell->noteReused();
    cell->prepareForReuse();
  }
  return cell;
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
  rowCounts_.clear();
  auto ds = dataSource();
  if (!ds) return;
  long sections = std::max(0L, ds->numberOfSectionsInTableView(*this));
  for (long s = 0; s < sections; ++s) rowCounts_.push_back(std::max(0L, ds->tableViewNumberOfRowsInSection(*this, s)));
}

void TableView::computeRows() {
  rows_.clear();
  double width = viewport().width();
  double y = header_ ? header_->frame().height() : 0;
  if (header_) header_->setFrame(Rect(0, 0, width, header_->frame().height()));
  auto d = delegate();
  auto ds = dataSource();
  for (long s = 0; s < static_cast<long>(rowCounts_.size()); ++s) {
    double hh = d ? d->tableViewHeightForHeaderInSection(*this, s) : -1;
    if (hh < 0) {
      bool titled = ds && ds->tableViewTitleForHeaderInSection(*this, s).has_value();
      bool custom = d && d->tableViewViewForHeaderInSection(*this, s) != nullptr;
      hh = (titled || custom) ? sectionHeaderHeight : 0;
    }
    y += hh;
    for (long r = 0; r < rowCounts_[static_cast<std::size_t>(s)]; ++r) {
      IndexPath p{s, r};
      double h = d ? d->tableViewHeightForRowAtIndexPath(*this, p) : -1;
      if (h < 0) h = rowHeight >= 0 ? rowHeight : (estimatedRowHeight > 0 ? estimatedRowHeight : 44);
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

void TableView::ensureLoaded() {
  if (loaded_) return;
  loaded_ = true;
  ++reloads_;
  refreshCounts();
  computeRows();
  layoutCells();
}

void TableView::recycle(const IndexPath& path) {
  auto it = visible_.find(path);
  if (it == visible_.end()) return;
  auto cell = it->second;
  visible_.erase(it);
  cell->removeFromSuperview();
  cell->setSelected(false, false);
  if (auto d = delegate()) d->tableViewDidEndDisplayingCellForRowAtIndexPath(*this, *cell, path);
  pool_.enqueue(cell->reuseIdentifier(), cell);
}

void TableView::recycleAll() {
  std::vector<IndexPath> paths;
  for (const auto& [p, c] : visible_) paths.push_back(p);
  for (const auto& p : paths) recycle(p);
}

void TableView::layoutCells() {
  if (inLayout_) return;
  inLayout_ = true;
  auto keep = sharedAs<TableView>();
  Rect vp = viewport();
  std::set<IndexPath> wanted;
  for (const auto& row : rows_) {
    if (row.rect.maxY() > vp.minY() && row.rect.minY() < vp.maxY()) wanted.insert(row.path);
  }
  std::vector<IndexPath> gone;
  for (const auto& [p, c] : visible_) {
    if (!wanted.count(p)) gone.push_back(p);
  }
  for (const auto& p : gone) recycle(p);
  auto ds = dataSource();
  for (const auto& row : rows_) {
    if (!wanted.count(row.path) || visible_.count(row.path) || !ds) continue;
    auto cell = ds->tableViewCellForRowAtIndexPath(*this, row.path);
    if (!cell) {
      platform::LogError("table view data source returned no cell for " + row.path.description());
      continue;
    }
    cell->setFrame(row.rect);
    cell->setSelected(selected_.count(row.path) > 0, false);
    visible_[row.path] = cell;
    if (auto d = delegate()) d->tableViewWillDisplayCellForRowAtIndexPath(*this, *cell, row.path);
    addSubview(cell);
    cell->layoutIfNeeded();
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
  selected_.clear();
  refreshCounts();
  computeRows();
  layoutCells();
}

long TableView::numberOfSections() {
  ensureLoaded();
  return static_cast<long>(rowCounts_.size());
}

long TableView::numberOfRowsInSection(long section) {
  ensureLoaded();
  if (section < 0 || section >= static_cast<long>(rowCounts_.size())) return 0;
  return rowCounts_[static_cast<std::size_t>(section)];
}

void TableView::relayoutAfterUpdate() {
  if (updateDepth_ > 0) return;
  recycleAll();
  refreshCounts();
  // Selections outside the new data are dropped.
  for (auto it = selected_.begin(); it != selected_.end();) {
    bool inside = it->section < static_cast<long>(rowCounts_.size()) &&
                  it->row < rowCounts_[static_cast<std::size_t>(it->section)];
    it = inside ? std::next(it) : selected_.erase(it);
  }
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
  // Rows at or after an inserted row move down, and so does their selection.
  std::set<IndexPath> moved;
  for (IndexPath s : selected_) {
    for (const auto& p : paths) {
      if (p.section == s.section && p.row <= s.row) ++s.row;
    }
    moved.insert(s);
  }
  selected_ = moved;
  relayoutAfterUpdate();
}

void TableView::deleteRowsAtIndexPaths(const std::vector<IndexPath>& paths, TableViewRowAnimation animation) {
  (void)animation;
  std::set<IndexPath> moved;
  for (IndexPath s : selected_) {
    if (std::find(paths.begin(), paths.end(), s) != paths.end()) continue;
    IndexPath n = s;
    for (const auto& p : paths) {
      if (p.section == s.section && p.row < s.row) --n.row;
    }
    moved.insert(n);
  }
  selected_ = moved;
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
  for (auto it = selected_.begin(); it != selected_.end();) {
    bool hit = std::find(sections.begin(), sections.end(), it->section) != sections.end();
    it = hit ? selected_.erase(it) : std::next(it);
  }
  relayoutAfterUpdate();
}

void TableView::reloadSections(const std::vector<long>& sections, TableViewRowAnimation animation) {
  (void)animation;
  ensureLoaded();
  std::vector<IndexPath> paths;
  for (const auto& [p, c] : visible_) {
    if (std::find(sections.begin(), sections.end(), p.section) != sections.end()) paths.push_back(p);
  }
  for (const auto& p : paths) recycle(p);
  relayoutAfterUpdate();
}

std::shared_ptr<TableViewCell> TableView::cellForRowAtIndexPath(const IndexPath& indexPath) {
  ensureLoaded();
  auto it = visible_.find(indexPath);
  return it == visible_.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<TableViewCell>> TableView::visibleCells() {
  ensureLoaded();
  std::vector<std::shared_ptr<TableViewCell>> out;
  for (const auto& [p, c] : visible_) out.push_back(c);
  return out;
}

std::vector<IndexPath> TableView::indexPathsForVisibleRows() {
  ensureLoaded();
  std::vector<IndexPath> out;
  for (const auto& [p, c] : visible_) out.push_back(p);
  return out;
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell& cell) {
  for (const auto& [p, c] : visible_) {
    if (c.get() == &cell) return p;
  }
  return std::nullopt;
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
    for (auto p : std::set<IndexPath>(selected_)) deselectRowAtIndexPath(p, animated);
    return;
  }
  if (!allowsMultipleSelection) {
    for (auto p : std::set<IndexPath>(selected_)) {
      if (p != *indexPath) deselectRowAtIndexPath(p, animated);
    }
  }
  selected_.insert(*indexPath);
  if (auto c = cellForRowAtIndexPath(*indexPath)) c->setSelected(true, animated);
  if (position != TableViewScrollPosition::kNone) scrollToRowAtIndexPath(*indexPath, position, animated);
}

void TableView::deselectRowAtIndexPath(const IndexPath& indexPath, bool animated) {
  selected_.erase(indexPath);
  auto it = visible_.find(indexPath);
  if (it != visible_.end()) it->second->setSelected(false, animated);
}

std::optional<IndexPath> TableView::indexPathForSelectedRow() const {
  if (selected_.empty()) return std::nullopt;
  return *selected_.begin();
}

std::vector<IndexPath> TableView::indexPathsForSelectedRows() const {
  return std::vector<IndexPath>(selected_.begin(), selected_.end());
}

bool TableView::userSelectRow(const IndexPath& indexPath) {
  ensureLoaded();
  if (!allowsSelection || !isUserInteractionEnabled()) return false;
  if (indexPath.section < 0 || indexPath.section >= static_cast<long>(rowCounts_.size()) || indexPath.row < 0 ||
      indexPath.row >= rowCounts_[static_cast<std::size_t>(indexPath.section)]) {
    return false;
  }
  auto keep = sharedAs<TableView>();
  scrollToRowAtIndexPath(indexPath, TableViewScrollPosition::kNone, false);
  auto d = delegate();
  if (d && !d->tableViewShouldHighlightRowAtIndexPath(*this, indexPath)) return false;
  if (allowsMultipleSelection && selected_.count(indexPath)) {
    deselectRowAtIndexPath(indexPath, true);
    if (d) d->tableViewDidDeselectRowAtIndexPath(*this, indexPath);
    return false;
  }
  std::optional<IndexPath> target = d ? d->tableViewWillSelectRowAtIndexPath(*this, indexPath) : indexPath;
  if (!target) return false;
  if (!allowsMultipleSelection) {
    for (auto p : std::set<IndexPath>(selected_)) {
      if (p == *target) continue;
      deselectRowAtIndexPath(p, true);
      if (d) d->tableViewDidDeselectRowAtIndexPath(*this, p);
    }
  }
  selected_.insert(*target);
  if (auto c = cellForRowAtIndexPath(*target)) c->setSelected(true, true);
  if (d) d->tableViewDidSelectRowAtIndexPath(*this, *target);
  return true;
}

}  // namespace uikit
