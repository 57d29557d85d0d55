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
  auto cell = ListCells<CollectionViewCell>::dequeue(pool_, identifier);
  if (!cell) {
    platform::LogError("unable to dequeue a cell with identifier " + identifier + " at " + indexPath.description() +
                       ": no class or nib is registered for it");
  }
  return cell;
}

Rect CollectionView::viewport() const {
  Rect b = bounds();
  Size screen = Device::current().screenSize;
  return Rect(b.x(), b.y(), b.width() > 0 ? b.width() : screen.width, b.height() > 0 ? b.height() : screen.height);
}

void CollectionView::refreshCounts() {
  auto ds = dataSource();
  if (!ds) {
    cells_.clearCounts();
    return;
  }
  cells_.setCounts(ds->numberOfSectionsInCollectionView(*this),
                   [&](long s) { return ds->collectionViewNumberOfItemsInSection(*this, s); });
}

void CollectionView::computeItems() {
  items_.clear();
  Rect vp = viewport();
  auto d = delegate();
  bool vertical = layout_.scrollDirection == ScrollDirection::kVertical;
  double extent = vertical ? vp.width() : vp.height();
  double pos = 0;  // along the scroll axis
  double maxCross = 0;
  for (long s = 0; s < cells_.numberOfSections(); ++s) {
    const EdgeInsets& in = layout_.sectionInset;
    pos += vertical ? in.top + layout_.headerReferenceSize.height : in.left + layout_.headerReferenceSize.width;
    double crossStart = vertical ? in.left : in.top;
    double crossLimit = extent - (vertical ? in.right : in.bottom);
    double cross = crossStart;
    double lineThickness = 0;
    double lineSpacing = d ? d->collectionViewLayoutMinimumLineSpacingForSectionAtIndex(*this, s) : -1;
    if (lineSpacing < 0) lineSpacing = layout_.minimumLineSpacing;
    for (long i = 0; i < cells_.numberOfItemsInSection(s); ++i) {
      IndexPath p{s, i};
      Size size = d ? d->collectionViewLayoutSizeForItemAtIndexPath(*this, p) : Size{-1, -1};
      if (size.width < 0 || size.height < 0) size = layout_.itemSize;
      double along = vertical ? size.height : size.width;
      double across = vertical ? size.width : size.height;
      if (cross > crossStart && cross + across > crossLimit + 1e-9) {
        pos += lineThickness + lineSpacing;
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

ListCells<CollectionViewCell>::CellCallback CollectionView::didEndDisplaying() {
  return [this](CollectionViewCell& cell, const IndexPath& path) {
    if (auto d = delegate()) d->collectionViewDidEndDisplayingCellForItemAtIndexPath(*this, cell, path);
  };
}

void CollectionView::recycle(const IndexPath& path) { cells_.recycle(path, pool_, didEndDisplaying()); }

void CollectionView::recycleAll() { cells_.recycleAll(pool_, didEndDisplaying()); }

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
  cells_.recycleAllBut(wanted, pool_, didEndDisplaying());
  auto ds = dataSource();
  auto willDisplay = [this](CollectionViewCell& cell, const IndexPath& path) {
    if (auto d = delegate()) d->collectionViewWillDisplayCellForItemAtIndexPath(*this, cell, path);
  };
  for (const auto& it : items_) {
    if (!wanted.count(it.path) || cells_.isVisible(it.path) || !ds) continue;
    auto cell = ds->collectionViewCellForItemAtIndexPath(*this, it.path);
    if (!cell) {
      platform::LogError("collection view data source returned no cell for " + it.path.description());
      continue;
    }
    cells_.show(*this, it.path, it.rect, cell, willDisplay);
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
  cells_.clearSelection();
  prefetched_.clear();
  refreshCounts();
  computeItems();
  layoutCells();
}

long CollectionView::numberOfSections() {
  ensureLoaded();
  return cells_.numberOfSections();
}

long CollectionView::numberOfItemsInSection(long section) {
  ensureLoaded();
  return cells_.numberOfItemsInSection(section);
}

void CollectionView::relayoutAfterUpdate() {
  if (updateDepth_ > 0) return;
  recycleAll();
  refreshCounts();
  cells_.dropSelectionOutsideCounts();
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
  cells_.shiftSelectionForInsert(paths);
  relayoutAfterUpdate();
}

void CollectionView::deleteItemsAtIndexPaths(const std::vector<IndexPath>& paths) {
  cells_.shiftSelectionForDelete(paths);
  relayoutAfterUpdate();
}

void CollectionView::moveItemAtIndexPath(const IndexPath& from, const IndexPath& to) {
  cells_.shiftSelectionForMove(from, to);
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
  cells_.dropSelectionInSections(sections);
  relayoutAfterUpdate();
}

void CollectionView::reloadSections(const std::vector<long>& sections) {
  ensureLoaded();
  cells_.recycleSections(sections, pool_, didEndDisplaying());
  relayoutAfterUpdate();
}

std::shared_ptr<CollectionViewCell> CollectionView::cellForItemAtIndexPath(const IndexPath& indexPath) {
  ensureLoaded();
  return cells_.cellAt(indexPath);
}

std::vector<std::shared_ptr<CollectionViewCell>> CollectionView::visibleCells() {
  ensureLoaded();
  return cells_.cells();
}

std::vector<IndexPath> CollectionView::indexPathsForVisibleItems() {
  ensureLoaded();
  return cells_.paths();
}

std::optional<IndexPath> CollectionView::indexPathForCell(const CollectionViewCell& cell) {
  return cells_.pathOf(cell);
}

Rect CollectionView::frameForItemAtIndexPath(const IndexPath& indexPath) {
  ensureLoaded();
  for (const auto& it : items_) {
    if (it.path == indexPath) return it.rect;
  }
  return Rect();
}

std::optional<IndexPath> CollectionView::indexPathForItemAtPoint(Point point) {
  ensureLoaded();
  for (const auto& it : items_) {
    if (it.rect.contains(point)) return it.path;
  }
  return std::nullopt;
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
    cells_.deselectAll(animated);
    return;
  }
  if (!allowsMultipleSelection) cells_.deselectAllBut(*indexPath, animated, nullptr);
  cells_.select(*indexPath, animated);
  if (position != CollectionViewScrollPosition::kNone) scrollToItemAtIndexPath(*indexPath, position, animated);
}

void CollectionView::deselectItemAtIndexPath(const IndexPath& indexPath, bool animated) {
  cells_.deselect(indexPath, animated);
}

std::vector<IndexPath> CollectionView::indexPathsForSelectedItems() const {
  return cells_.selectedPaths();
}

bool CollectionView::userSelectItem(const IndexPath& indexPath) {
  ensureLoaded();
  if (!allowsSelection || !isUserInteractionEnabled()) return false;
  if (!cells_.contains(indexPath)) return false;
  auto keep = sharedAs<CollectionView>();
  scrollToItemAtIndexPath(indexPath, CollectionViewScrollPosition::kNone, false);
  auto d = delegate();
  if (allowsMultipleSelection && cells_.isSelected(indexPath)) {
    if (d && !d->collectionViewShouldDeselectItemAtIndexPath(*this, indexPath)) return false;
    deselectItemAtIndexPath(indexPath, true);
    if (d) d->collectionViewDidDeselectItemAtIndexPath(*this, indexPath);
    return false;
  }
  if (d && !d->collectionViewShouldSelectItemAtIndexPath(*this, indexPath)) return false;
  if (!allowsMultipleSelection) {
    cells_.deselectAllBut(indexPath, true, [&](const IndexPath& p) {
      if (d) d->collectionViewDidDeselectItemAtIndexPath(*this, p);
    });
  }
  cells_.select(indexPath, true);
  if (d) d->collectionViewDidSelectItemAtIndexPath(*this, indexPath);
  return true;
}

}  // namespace uikit
