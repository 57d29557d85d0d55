#include "Platform/UIKit/ListCells.h"

#include <algorithm>

#include "Platform/UIKit/CollectionViewCell.h"
#include "Platform/UIKit/TableViewCell.h"

namespace uikit {
namespace {

// The two cell kinds differ only in whether selection animates.
void SetCellSelected(TableViewCell& cell, bool selected, bool animated) { cell.setSelected(selected, animated); }
void SetCellSelected(CollectionViewCell& cell, bool selected, bool animated) {
  (void)animated;
  cell.setSelected(selected);
}

}  // namespace

template <typename Cell>
typename ListCells<Cell>::CellPtr ListCells<Cell>::dequeue(ReusePool& pool, const std::string& identifier) {
  bool recycled = pool.waitingCount(identifier) > 0;
  auto cell = std::dynamic_pointer_cast<Cell>(pool.dequeue(identifier));
  if (!cell) return nullptr;
  if (cell->reuseIdentifier().empty()) cell->setReuseIdentifier(identifier);
  if (recycled) {
    cell->noteReused();
    cell->prepareForReuse();
  }
  return cell;
}

template <typename Cell>
void ListCells<Cell>::setCounts(long sections, const std::function<long(long)>& itemsInSection) {
  counts_.clear();
  sections = std::max(0L, sections);
  for (long s = 0; s < sections; ++s) counts_.push_back(std::max(0L, itemsInSection(s)));
}

template <typename Cell>
long ListCells<Cell>::numberOfItemsInSection(long section) const {
  if (section < 0 || section >= numberOfSections()) return 0;
  return counts_[static_cast<std::size_t>(section)];
}

template <typename Cell>
bool ListCells<Cell>::contains(const IndexPath& path) const {
  return path.section >= 0 && path.section < numberOfSections() && path.row >= 0 &&
         path.row < counts_[static_cast<std::size_t>(path.section)];
}

template <typename Cell>
typename ListCells<Cell>::CellPtr ListCells<Cell>::cellAt(const IndexPath& path) const {
  auto it = visible_.find(path);
  return it == visible_.end() ? nullptr : it->second;
}

template <typename Cell>
std::vector<typename ListCells<Cell>::CellPtr> ListCells<Cell>::cells() const {
  std::vector<CellPtr> out;
  for (const auto& [p, c] : visible_) out.push_back(c);
  return out;
}

template <typename Cell>
std::vector<IndexPath> ListCells<Cell>::paths() const {
  std::vector<IndexPath> out;
  for (const auto& [p, c] : visible_) out.push_back(p);
  return out;
}

template <typename Cell>
std::optional<IndexPath> ListCells<Cell>::pathOf(const Cell& cell) const {
  for (const auto& [p, c] : visible_) {
    if (c.get() == &cell) return p;
  }
  return std::nullopt;
}

template <typename Cell>
void ListCells<Cell>::show(View& parent, const IndexPath& path, const Rect& frame, const CellPtr& cell,
                           const CellCallback& willDisplay) {
  cell->setFrame(frame);
  SetCellSelected(*cell, isSelected(path), false);
  visible_[path] = cell;
  if (willDisplay) willDisplay(*cell, path);
  parent.addSubview(cell);
  cell->layoutIfNeeded();
}

template <typename Cell>
void ListCells<Cell>::recycle(const IndexPath& path, ReusePool& pool, const CellCallback& didEndDisplaying) {
  auto it = visible_.find(path);
  if (it == visible_.end()) return;
  auto cell = it->second;
  visible_.erase(it);
  cell->removeFromSuperview();
  SetCellSelected(*cell, false, false);
  if (didEndDisplaying) didEndDisplaying(*cell, path);
  pool.enqueue(cell->reuseIdentifier(), cell);
}

template <typename Cell>
void ListCells<Cell>::recycleAll(ReusePool& pool, const CellCallback& didEndDisplaying) {
  for (const auto& p : paths()) recycle(p, pool, didEndDisplaying);
}

template <typename Cell>
void ListCells<Cell>::recycleAllBut(const std::set<IndexPath>& wanted, ReusePool& pool,
                                    const CellCallback& didEndDisplaying) {
  std::vector<IndexPath> gone;
  for (const auto& [p, c] : visible_) {
    if (!wanted.count(p)) gone.push_back(p);
  }
  for (const auto& p : gone) recycle(p, pool, didEndDisplaying);
}

template <typename Cell>
void ListCells<Cell>::recycleSections(const std::vector<long>& sections, ReusePool& pool,
                                      const CellCallback& didEndDisplaying) {
  std::vector<IndexPath> gone;
  for (const auto& [p, c] : visible_) {
    if (std::find(sections.begin(), sections.end(), p.section) != sections.end()) gone.push_back(p);
  }
  for (const auto& p : gone) recycle(p, pool, didEndDisplaying);
}

template <typename Cell>
void ListCells<Cell>::select(const IndexPath& path, bool animated) {
  selected_.insert(path);
  if (auto c = cellAt(path)) SetCellSelected(*c, true, animated);
}

template <typename Cell>
void ListCells<Cell>::deselect(const IndexPath& path, bool animated) {
  selected_.erase(path);
  if (auto c = cellAt(path)) SetCellSelected(*c, false, animated);
}

template <typename Cell>
void ListCells<Cell>::deselectAllBut(const IndexPath& keep, bool animated, const PathCallback& didDeselect) {
  for (auto p : std::set<IndexPath>(selected_)) {
    if (p == keep) continue;
    deselect(p, animated);
    if (didDeselect) didDeselect(p);
  }
}

template <typename Cell>
void ListCells<Cell>::deselectAll(bool animated) {
  for (auto p : std::set<IndexPath>(selected_)) deselect(p, animated);
}

template <typename Cell>
void ListCells<Cell>::shiftSelectionForInsert(const std::vector<IndexPath>& paths) {
  std::set<IndexPath> moved;
  for (IndexPath s : selected_) {
    for (const auto& p : paths) {
      if (p.section == s.section && p.row <= s.row) ++s.row;
    }
    moved.insert(s);
  }
  selected_ = moved;
}

template <typename Cell>
void ListCells<Cell>::shiftSelectionForDelete(const std::vector<IndexPath>& paths) {
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
}

template <typename Cell>
void ListCells<Cell>::shiftSelectionForMove(const IndexPath& from, const IndexPath& to) {
  std::set<IndexPath> moved;
  for (IndexPath s : selected_) {
    if (s == from) {
      moved.insert(to);
      continue;
    }
    if (s.section == from.section && from.row < s.row) --s.row;
    if (s.section == to.section && to.row <= s.row) ++s.row;
    moved.insert(s);
  }
  selected_ = moved;
}

template <typename Cell>
void ListCells<Cell>::dropSelectionInSections(const std::vector<long>& sections) {
  for (auto it = selected_.begin(); it != selected_.end();) {
    bool hit = std::find(sections.begin(), sections.end(), it->section) != sections.end();
    it = hit ? selected_.erase(it) : std::next(it);
  }
}

template <typename Cell>
void ListCells<Cell>::dropSelectionOutsideCounts() {
  for (auto it = selected_.begin(); it != selected_.end();) {
    it = contains(*it) ? std::next(it) : selected_.erase(it);
  }
}

template class ListCells<TableViewCell>;
template class ListCells<CollectionViewCell>;

}  // namespace uikit
