// A collection of sections and items in a flow layout, with the same real
// cell reuse as the table view: only items inside the viewport have cells.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Platform/UIKit/CollectionViewCell.h"
#include "Platform/UIKit/CollectionViewFlowLayout.h"
#include "Platform/UIKit/IndexPath.h"
#include "Platform/UIKit/ListCells.h"
#include "Platform/UIKit/ReusePool.h"
#include "Platform/UIKit/ScrollView.h"

namespace uikit {

class CollectionView;

class CollectionViewDataSource {
 public:
  virtual ~CollectionViewDataSource() = default;
  virtual long numberOfSectionsInCollectionView(CollectionView& view) {
    (void)view;
    return 1;
  }
  virtual long collectionViewNumberOfItemsInSection(CollectionView& view, long section) = 0;
  virtual std::shared_ptr<CollectionViewCell> collectionViewCellForItemAtIndexPath(CollectionView& view,
                                                                                   const IndexPath& indexPath) = 0;
};

class CollectionViewDelegate : public ScrollViewDelegate {
 public:
  // Negative width: the layout's item size.
  virtual Size collectionViewLayoutSizeForItemAtIndexPath(CollectionView& view, const IndexPath& indexPath) {
    (void)view, (void)indexPath;
    return {-1, -1};
  }
  // Negative: the layout's minimumLineSpacing.
  virtual double collectionViewLayoutMinimumLineSpacingForSectionAtIndex(CollectionView& view, long section) {
    (void)view, (void)section;
    return -1;
  }
  virtual bool collectionViewShouldSelectItemAtIndexPath(CollectionView& view, const IndexPath& indexPath) {
    (void)view, (void)indexPath;
    return true;
  }
  virtual void collectionViewDidSelectItemAtIndexPath(CollectionView& view, const IndexPath& indexPath) {
    (void)view, (void)indexPath;
  }
  virtual bool collectionViewShouldDeselectItemAtIndexPath(CollectionView& view, const IndexPath& indexPath) {
    (void)view, (void)indexPath;
    return true;
  }
  virtual void collectionViewDidDeselectItemAtIndexPath(CollectionView& view, const IndexPath& indexPath) {
    (void)view, (void)indexPath;
  }
  virtual void collectionViewWillDisplayCellForItemAtIndexPath(CollectionView& view, CollectionViewCell& cell,
                                                               const IndexPath& indexPath) {
    (void)view, (void)cell, (void)indexPath;
  }
  virtual void collectionViewDidEndDisplayingCellForItemAtIndexPath(CollectionView& view, CollectionViewCell& cell,
                                                                    const IndexPath& indexPath) {
    (void)view, (void)cell, (void)indexPath;
  }
};

class CollectionViewDataSourcePrefetching {
 public:
  virtual ~CollectionViewDataSourcePrefetching() = default;
  virtual void collectionViewPrefetchItemsAtIndexPaths(CollectionView& view, const std::vector<IndexPath>& paths) = 0;
  virtual void collectionViewCancelPrefetchingForItemsAtIndexPaths(CollectionView& view,
                                                                   const std::vector<IndexPath>& paths) {
    (void)view, (void)paths;
  }
};

enum class CollectionViewScrollPosition { kNone, kTop, kCenteredVertically, kBottom };

class CollectionView : public ScrollView {
 public:
  explicit CollectionView(CollectionViewFlowLayout layout = {});
  CollectionView(const Rect& frame, CollectionViewFlowLayout layout);
  ~CollectionView() override;

  CollectionViewFlowLayout& collectionViewLayout() { return layout_; }
  void setCollectionViewLayout(const CollectionViewFlowLayout& layout, bool animated);
  void setDataSource(const std::shared_ptr<CollectionViewDataSource>& d);
  void setDelegate(const std::shared_ptr<CollectionViewDelegate>& d);
  void setPrefetchDataSource(const std::shared_ptr<CollectionViewDataSourcePrefetching>& d) { prefetch_ = d; }
  std::shared_ptr<CollectionViewDataSource> dataSource() const { return dataSource_.lock(); }
  std::shared_ptr<CollectionViewDelegate> delegate() const { return delegate_.lock(); }
  std::shared_ptr<CollectionViewDataSourcePrefetching> prefetchDataSource() const { return prefetch_.lock(); }
  bool isPrefetchingEnabled = true;

  void registerClass(const std::string& identifier, std::function<std::shared_ptr<CollectionViewCell>()> factory);
  void registerNib(const std::shared_ptr<Nib>& nib, const std::string& identifier);
  std::shared_ptr<CollectionViewCell> dequeueReusableCellWithReuseIdentifier(const std::string& identifier,
                                                                             const IndexPath& indexPath);
  const ReusePool& reusePool() const { return pool_; }

  bool allowsSelection = true;
  bool allowsMultipleSelection = false;
  std::shared_ptr<View> backgroundView;

  void reloadData();
  long numberOfSections();
  long numberOfItemsInSection(long section);
  void performBatchUpdates(const std::function<void()>& updates, std::function<void(bool)> completion = nullptr);
  void insertItemsAtIndexPaths(const std::vector<IndexPath>& paths);
  void deleteItemsAtIndexPaths(const std::vector<IndexPath>& paths);
  // The selection follows the moved item.
  void moveItemAtIndexPath(const IndexPath& from, const IndexPath& to);
  void reloadItemsAtIndexPaths(const std::vector<IndexPath>& paths);
  void insertSections(const std::vector<long>& sections);
  void deleteSections(const std::vector<long>& sections);
  void reloadSections(const std::vector<long>& sections);
  int reloadCount() const { return reloads_; }

  std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(const IndexPath& indexPath);
  std::vector<std::shared_ptr<CollectionViewCell>> visibleCells();
  std::vector<IndexPath> indexPathsForVisibleItems();
  std::optional<IndexPath> indexPathForCell(const CollectionViewCell& cell);
  Rect frameForItemAtIndexPath(const IndexPath& indexPath);
  // The item whose frame holds point (content coordinates); none between items.
  std::optional<IndexPath> indexPathForItemAtPoint(Point point);
  void scrollToItemAtIndexPath(const IndexPath& indexPath, CollectionViewScrollPosition position, bool animated);

  void selectItemAtIndexPath(const std::optional<IndexPath>& indexPath, bool animated,
                             CollectionViewScrollPosition position);
  void deselectItemAtIndexPath(const IndexPath& indexPath, bool animated);
  std::vector<IndexPath> indexPathsForSelectedItems() const;
  // A person taps the item (toggling it under multiple selection).
  bool userSelectItem(const IndexPath& indexPath);

  void layoutSubviews() override;

 protected:
  void contentOffsetDidChange() override;

 private:
  struct Item {
    IndexPath path;
    Rect rect;
  };
  void ensureLoaded();
  void refreshCounts();
  void computeItems();
  void layoutCells();
  void recycle(const IndexPath& path);
  void recycleAll();
  ListCells<CollectionViewCell>::CellCallback didEndDisplaying();
  Rect viewport() const;
  void relayoutAfterUpdate();

  CollectionViewFlowLayout layout_;
  std::weak_ptr<CollectionViewDataSource> dataSource_;
  std::weak_ptr<CollectionViewDelegate> delegate_;
  std::weak_ptr<CollectionViewDataSourcePrefetching> prefetch_;
  ReusePool pool_;
  std::vector<Item> items_;
  ListCells<CollectionViewCell> cells_;
  std::set<IndexPath> prefetched_;
  bool loaded_ = false;
  int updateDepth_ = 0;
  bool inLayout_ = false;
  int reloads_ = 0;
};

}  // namespace uikit
