#include "Platform/UIKit/CollectionView.h"

#include <algorithm>
#include <cmath>

#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/UIKit/Device.h"

namespace uikit {

CollectionView::CollectionView(CollectionViewFlowLayout layout) : layout_(layout) {}

CollectionView::CollectionView(const Rect& frame, CollectionViewFlowLayout layout)
    : ScrollView(frame), layout_(layout) {}

CollectionView::~CollectionView() = default;

void CollectionView::setCollectionViewLayout(const CollectionViewFlowLayout& layout, bool animated) {
  (void)animated;
  layout_ = layout;
  if (loaded_) relayoutAfterUpdate();
}

void CollectionView::setDataSource(const std::shared_ptr<CollectionViewDataSource>& d) {
  dataSource_ = d;
  loaded_ = false;
  setNeedsLayout();
}

void CollectionView::setDelegate(const std::shared_ptr<CollectionViewDelegate>& d) {
  delegate_ = d;
  ScrollView::setDelegate(d);
  loaded_ = false;
  setNeedsLayout();
}

void CollectionView::registerClass(const std::string& identifier,
                                   std::function<std::shared_ptr<CollectionViewCell>()> factory) {
  pool_.registerClass(identifier, [factory, identifier]() -> std::shared_ptr<View> {
    auto cell = factory ? factory() : std::make_shared<CollectionViewCell>();
    if (cell && cell->reuseIdentifier().empty()) cell->setReuseIdentifier(identifier);
    return cell;
  });
}

void CollectionView::registerNib(const std::shared_ptr<Nib>& nib, const std::string& identifier) {
  pool_.registerNib(nib, identifier);
}

std::shared_ptr<CollectionViewCell> CollectionView::dequeueReusableCellWithReuseIdentifier(
    const std::string& identifier, const IndexPath& indexPath) {
  bool recycled = pool_.waitingCount(identifier) > 0;
  auto cell = std::dynamic_pointer_cast<CollectionViewCell>(pool_.dequeue(identifier));
  if (!cell) {
    platform::LogError("unable to dequeue a cell with identifier " + identifier + " at " + indexPath.description() +
                       ": no class or nib is registered for it");
    return nullptr;
  }
  if (cell->reuseIdentifier().empty()) cell->setReuseIdentifier(identifier);
  if (recycled) {
    cell->noteReused();
    cell->prepareForReuse();
  }
  return cell;
}

Rect CollectionView::viewport() const {
  Rect b = bounds();
  Size screen = Device::current().screenSize;
  return Rect(b.x(), b.y(), b.width() > 0 ? b.width() : screen.width, b.height() > 0 ? b.height() : screen.height);
}

void CollectionView::refreshCounts() {
  counts_.clear();
  auto ds = dataSource();
  if (!ds) return;
  long sections = std::max(0L, ds->numberOfSectionsInCollectionView(*this));
  for (long s = 0; s < sections; ++s) counts_.push_back(std::max(0L, ds->collectionViewNumberOfItemsInSection(*this, s)));
}

void CollectionView::computeItems() {
  items_.clear();
  Rect vp = viewport();
  auto d = delegate();
  bool vertical = layout_.scrollDirection == ScrollDirection::kVertical;
  double extent = vertical ? vp.width() : vp.height();
  double pos = 0;  // along the scroll axis
  double maxCross = 0;
  for (long s = 0; s < static_cast<long>(counts_.size()); ++s) {
    const EdgeInsets& in = layout_.sectionInset;
    pos += vertical ? in.top + layout_.headerReferenceSize.height : in.left + layout_.headerReferenceSize.width;
    double crossStart = vertical ? in.left : in.top;
    double crossLimit = extent - (vertical ? in.right : in.bottom);
    double cross = crossStart;
    double lineThickness = 0;
    for (long i = 0; i < counts_[static_cast<std::size_t>(s)]; ++i) {
      IndexPath p{s, i};
      Size size = d ? d->collectionViewLayoutSizeForItemAtIndexPath(*this, p) : Size{-1, -1};
      if (size.width < 0 || size.height < 0) size = layout_.itemSize;
      double along = vertical ? size.height : size.width;
      double across = vertical ? size.width : size.height;
      if (cross > crossStart && cross + across > crossLimit + 1e-9) {
        pos += lineThickness + layout_.minimumLineSpacing;
        cross = crossStart;
        lineThickness = 0;
      }
      Rect r = vertical ? Rect(cross, pos, size.width, size.height) : Rect(pos, cross, size.width, size.height);
      items_.push_back({p, r});
      cross += across + layout_.minimumInteritemSpacing;
      lineThickness = std::max(lineThickness, along);
      maxCross = std::max(maxCross, cross);
    }
    pos += lineThickness;
    pos += vertical ? in.bottom + layout_.footerReferenceSize.height : in.right + layout_.footerReferenceSize.width;
  }
  setContentSize(vertical ? Size{vp.width(), pos} : Size{pos, vp.height()});
}

void CollectionView::ensureLoaded() {
  if (loaded_) return;
  loaded_ = true;
  ++reloads_;
  refreshCounts();
  computeItems();
  layoutCells();
}

void CollectionView::recycle(const IndexPath& path) {
  auto it = visible_.find(path);
  if (it == visible_.end()) return;
  auto cell = it->second;
  visible_.erase(it);
  cell->removeFromSuperview();
  cell->setSelected(false);
  if (auto d = delegate()) d->collectionViewDidEndDisplayingCellForItemAtIndexPath(*this, *cell, path);
  pool_.enqueue(cell->reuseIdentifier(), cell);
}

void CollectionView::recycleAll() {
  std::vector<IndexPath> paths;
  for (const auto& [p, c] : visible_) paths.push_back(p);
  for (const auto& p : paths) recycle(p);
}

void CollectionView::layoutCells() {
  if (inLayout_) return;
  inLayout_ = true;
  auto keep = sharedAs<CollectionView>();
  Rect vp = viewport();
  bool vertical = layout_.scrollDirection == ScrollDirection::kVertical;
  // One more screen ahead is prefetched.
  Rect ahead = vertical ? Rect(vp.x(), vp.maxY(), vp.width(), vp.height()) : Rect(vp.maxX(), vp.y(), vp.width(), vp.height());
  std::set<IndexPath> wanted;
  std::vector<IndexPath> toPrefetch;
  for (const auto& it : items_) {
    if (it.rect.intersects(vp)) {
      wanted.insert(it.path);
    } else if (it.rect.intersects(ahead) && !prefetched_.count(it.path)) {
      toPrefetch.push_back(it.path);
    }
  }
  std::vector<IndexPath> gone;
  for (const auto& [p, c] : visible_) {
    if (!wanted.count(p)) gone.push_back(p);
  }
  for (const auto& p : gone) recycle(p);
  auto ds = dataSource();
  for (const auto& it : items_) {
    if (!wanted.count(it.path) || visible_.count(it.path) || !ds) continue;
    auto cell = ds->collectionViewCellForItemAtIndexPath(*this, it.path);
    if (!cell) {
      platform::LogError("collection view data source returned no cell for " + it.path.description());
      continue;
    }
    cell->setFrame(it.rect);
    cell->setSelected(selected_.count(it.path) > 0);
    visible_[it.path] = cell;
    if (auto d = delegate()) d->collectionViewWillDisplayCellForItemAtIndexPath(*this, *cell, it.path);
    addSubview(cell);
    cell->layoutIfNeeded();
  }
  if (isPrefetchingEnabled && !toPrefetch.empty()) {
    if (auto pf = prefetchDataSource()) {
      for (const auto& p : toPrefetch) prefetched_.insert(p);
      pf->collectionViewPrefetchItemsAtIndexPaths(*this, toPrefetch);
    }
  }
  inLayout_ = false;
}

void CollectionView::layoutSubviews() {
  ensureLoaded();
  if (backgroundView) {
    if (backgroundView->superview().get() != this) insertSubview(backgroundView, 0);
    backgroundView->setFrame(bounds());
  }
  layoutCells();
}

void CollectionView::contentOffsetDidChange() {
  if (loaded_) layoutCells();
}

void CollectionView::reloadData() {
  loaded_ = true;
  ++reloads_;
  recycleAll();
  selected_.clear();
  prefetched_.clear();
  refreshCounts();
  computeItems();
  layoutCells();
}

long CollectionView::numberOfSections() {
  ensureLoaded();
  return static_cast<long>(counts_.size());
}

long CollectionView::numberOfItemsInSection(long section) {
  ensureLoaded();
  if (section < 0 || section >= static_cast<long>(counts_.size())) return 0;
  return counts_[static_cast<std::size_t>(section)];
}

void CollectionView::relayoutAfterUpdate() {
  if (updateDepth_ > 0) return;
  recycleAll();
  refreshCounts();
  for (auto it = selected_.begin(); it != selected_.end();) {
    bool inside = it->section < static_cast<long>(counts_.size()) &&
                  it->row < counts_[static_cast<std::size_t>(it->section)];
    it = inside ? std::next(it) : selected_.erase(it);
  }
  computeItems();
  layoutCells();
}

void CollectionView::performBatchUpdates(const std::function<void()>& updates, std::function<void(bool)> completion) {
  ensureLoaded();
  ++updateDepth_;
  if (updates) updates();
  --updateDepth_;
  relayoutAfterUpdate();
  if (completion) platform::RunLoop::main().async([completion] { completion(true); });
}

void CollectionView::insertItemsAtIndexPaths(const std::vector<IndexPath>& paths) {
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

void CollectionView::deleteItemsAtIndexPaths(const std::vector<IndexPath>& paths) {
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

void CollectionView::reloadItemsAtIndexPaths(const std::vector<IndexPath>& paths) {
  ensureLoaded();
  for (const auto& p : paths) recycle(p);
  if (updateDepth_ == 0) layoutCells();
}

void CollectionView::insertSections(const std::vector<long>& sections) {
  (void)sections;
  relayoutAfterUpdate();
}

void CollectionView::deleteSections(const std::vector<long>& sections) {
  for (auto it = selected_.begin(); it != selected_.end();) {
    bool hit = std::find(sections.begin(), sections.end(), it->section) != sections.end();
    it = hit ? selected_.erase(it) : std::next(it);
  }
  relayoutAfterUpdate();
}

void CollectionView::reloadSections(const std::vector<long>& sections) {
  ensureLoaded();
  std::vector<IndexPath> paths;
  for (const auto& [p, c] : visible_) {
    if (std::find(sections.begin(), sections.end(), p.section) != sections.end()) paths.push_back(p);
  }
  for (const auto& p : paths) recycle(p);
  relayoutAfterUpdate();
}

std::shared_ptr<CollectionViewCell> CollectionView::cellForItemAtIndexPath(const IndexPath& indexPath) {
  ensureLoaded();
  auto it = visible_.find(indexPath);
  return it == visible_.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<CollectionViewCell>> CollectionView::visibleCells() {
  ensureLoaded();
  std::vector<std::shared_ptr<CollectionViewCell>> out;
  for (const auto& [p, c] : visible_) out.push_back(c);
  return out;
}

std::vector<IndexPath> CollectionView::indexPathsForVisibleItems() {
  ensureLoaded();
  std::vector<IndexPath> out;
  for (const auto& [p, c] : visible_) out.push_back(p);
  return out;
}

std::optional<IndexPath> CollectionView::indexPathForCell(const CollectionViewCell& cell) {
  for (const auto& [p, c] : visible_) {
    if (c.get() == &cell) return p;
  }
  return std::nullopt;
}

Rect CollectionView::frameForItemAtIndexPath(const IndexPath& indexPath) {
  ensureLoaded();
  for (const auto& it : items_) {
    if (it.path == indexPath) return it.rect;
  }
  return Rect();
}

void CollectionView::scrollToItemAtIndexPath(const IndexPath& indexPath, CollectionViewScrollPosition position,
                                             bool animated) {
  ensureLoaded();
  Rect r = frameForItemAtIndexPath(indexPath);
  Rect vp = viewport();
  bool vertical = layout_.scrollDirection == ScrollDirection::kVertical;
  Point off = contentOffset();
  if (vertical) {
    double y = off.y;
    if (position == CollectionViewScrollPosition::kTop) y = r.minY();
    else if (position == CollectionViewScrollPosition::kBottom) y = r.maxY() - vp.height();
    else if (position == CollectionViewScrollPosition::kCenteredVertically) y = r.midY() - vp.height() / 2;
    else if (r.minY() < vp.minY()) y = r.minY();
    else if (r.maxY() > vp.maxY()) y = r.maxY() - vp.height();
    off.y = std::clamp(y, 0.0, std::max(0.0, contentSize().height - vp.height()));
  } else {
    double x = off.x;
    if (r.minX() < vp.minX()) x = r.minX();
    else if (r.maxX() > vp.maxX()) x = r.maxX() - vp.width();
    off.x = std::clamp(x, 0.0, std::max(0.0, contentSize().width - vp.width()));
  }
  setContentOffset(off, animated);
}

void CollectionView::selectItemAtIndexPath(const std::optional<IndexPath>& indexPath, bool animated,
                                           CollectionViewScrollPosition position) {
  ensureLoaded();
  if (!indexPath) {
    for (auto p : std::set<IndexPath>(selected_)) deselectItemAtIndexPath(p, animated);
    return;
  }
  if (!allowsMultipleSelection) {
    for (auto p : std::set<IndexPath>(selected_)) {
      if (p != *indexPath) deselectItemAtIndexPath(p, animated);
    }
  }
  selected_.insert(*indexPath);
  if (auto c = cellForItemAtIndexPath(*indexPath)) c->setSelected(true);
  if (position != CollectionViewScrollPosition::kNone) scrollToItemAtIndexPath(*indexPath, position, animated);
}

void CollectionView::deselectItemAtIndexPath(const IndexPath& indexPath, bool animated) {
  (void)animated;
  selected_.erase(indexPath);
  auto it = visible_.find(indexPath);
  if (it != visible_.end()) it->second->setSelected(false);
}

std::vector<IndexPath> CollectionView::indexPathsForSelectedItems() const {
  return std::vector<IndexPath>(selected_.begin(), selected_.end());
}

bool CollectionView::userSelectItem(const IndexPath& indexPath) {
  ensureLoaded();
  if (!allowsSelection || !isUserInteractionEnabled()) return false;
  if (indexPath.section < 0 || indexPath.section >= static_cast<long>(counts_.size()) || indexPath.row < 0 ||
      indexPath.row >= counts_[static_cast<std::size_t>(indexPath.section)]) {
    return false;
  }
  auto keep = sharedAs<CollectionView>();
  scrollToItemAtIndexPath(indexPath, CollectionViewScrollPosition::kNone, false);
  auto d = delegate();
  if (allowsMultipleSelection && selected_.count(indexPath)) {
    if (d && !d->collectionViewShouldDeselectItemAtIndexPath(*this, indexPath)) return false;
    deselectItemAtIndexPath(indexPath, true);
    if (d) d->collectionViewDidDeselectItemAtIndexPath(*this, indexPath);
    return false;
  }
  if (d && !d->collectionViewShouldSelectItemAtIndexPath(*this, indexPath)) return false;
  if (!allowsMultipleSelection) {
    for (auto p : std::set<IndexPath>(selected_)) {
      if (p == indexPath) continue;
      deselectItemAtIndexPath(p, true);
      if (d) d->collectionViewDidDeselectItemAtIndexPath(*this, p);
    }
  }
  selected_.insert(indexPath);
  if (auto c = cellForItemAtIndexPath(indexPath)) c->setSelected(true);
  if (d) d->collectionViewDidSelectItemAtIndexPath(*this, indexPath);
  return true;
}

}  // namespace uikit
