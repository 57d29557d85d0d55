// The cells a sectioned list (table or collection) has on screen, its
// per-section item counts and its selection: the bookkeeping both list
// views share, so a change to reuse or selection rules is made once.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Platform/UIKit/Geometry.h"
#include "Platform/UIKit/IndexPath.h"
#include "Platform/UIKit/ReusePool.h"

namespace uikit {

class View;

template <typename Cell>
class ListCells {
 public:
  using CellPtr = std::shared_ptr<Cell>;
  using CellCallback = std::function<void(Cell& cell, const IndexPath& path)>;
  using PathCallback = std::function<void(const IndexPath& path)>;

  // A recycled cell (marked reused and prepared) or a new one; none when
  // the identifier is not registered.
  static CellPtr dequeue(ReusePool& pool, const std::string& identifier);

  // Counts.
  void setCounts(long sections, const std::function<long(long section)>& itemsInSection);
  void clearCounts() { counts_.clear(); }
  long numberOfSections() const { return static_cast<long>(counts_.size()); }
  long numberOfItemsInSection(long section) const;
  bool contains(const IndexPath& path) const;

  // Cells on screen.
  CellPtr cellAt(const IndexPath& path) const;
  bool isVisible(const IndexPath& path) const { return visible_.count(path) > 0; }
  std::vector<CellPtr> cells() const;
  std::vector<IndexPath> paths() const;
  std::optional<IndexPath> pathOf(const Cell& cell) const;
  // Puts cell on screen at path in parent with its frame and selection state.
  void show(View& parent, const IndexPath& path, const Rect& frame, const CellPtr& cell,
            const CellCallback& willDisplay);
  // Takes the cell at path off screen into the pool.
  void recycle(const IndexPath& path, ReusePool& pool, const CellCallback& didEndDisplaying);
  void recycleAll(ReusePool& pool, const CellCallback& didEndDisplaying);
  void recycleAllBut(const std::set<IndexPath>& wanted, ReusePool& pool, const CellCallback& didEndDisplaying);
  void recycleSections(const std::vector<long>& sections, ReusePool& pool, const CellCallback& didEndDisplaying);

  // Selection.
  const std::set<IndexPath>& selected() const { return selected_; }
  bool isSelected(const IndexPath& path) const { return selected_.count(path) > 0; }
  std::vector<IndexPath> selectedPaths() const { return {selected_.begin(), selected_.end()}; }
  void clearSelection() { selected_.clear(); }
  void select(const IndexPath& path, bool animated);
  void deselect(const IndexPath& path, bool animated);
  // Deselects every path but keep, telling didDeselect after each.
  void deselectAllBut(const IndexPath& keep, bool animated, const PathCallback& didDeselect);
  void deselectAll(bool animated);
  // Items at or after an inserted item move down, and so does their selection.
  void shiftSelectionForInsert(const std::vector<IndexPath>& paths);
  void shiftSelectionForDelete(const std::vector<IndexPath>& paths);
  // The item at from now sits at to: its selection goes along, and the items
  // between shift by one.
  void shiftSelectionForMove(const IndexPath& from, const IndexPath& to);
  void dropSelectionInSections(const std::vector<long>& sections);
  // Selections outside the current counts are dropped.
  void dropSelectionOutsideCounts();

 private:
  std::vector<long> counts_;
  std::map<IndexPath, CellPtr> visible_;
  std::set<IndexPath> selected_;
};

class TableViewCell;
class CollectionViewCell;
extern template class ListCells<TableViewCell>;
extern template class ListCells<CollectionViewCell>;

}  // namespace uikit
