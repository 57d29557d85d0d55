// How a fetch result differs after a library change. Indexes are sorted:
// removed ones refer to the result before, inserted and changed ones to the
// result after. Moves (from, to) come only from scripted changes and are to
// be applied after removals and insertions.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Platform/Photos/Asset.h"

namespace photos {

class FetchResultChangeDetails;
using FetchResultChangeDetailsPtr = std::shared_ptr<const FetchResultChangeDetails>;

class FetchResultChangeDetails {
 public:
  struct Fields {
    AssetFetchResultPtr before;
    AssetFetchResultPtr after;
    bool incremental = true;
    std::vector<std::size_t> removed;
    std::vector<std::size_t> inserted;
    std::vector<std::size_t> changed;
    std::vector<std::pair<std::size_t, std::size_t>> moves;
  };
  explicit FetchResultChangeDetails(Fields fields) : f_(std::move(fields)) {}

  // Compares two results of the same query; changedIdentifiers are the assets
  // whose content changed. None when after holds the same assets, unchanged,
  // in the same order. Incremental when the assets in both keep their order.
  static FetchResultChangeDetailsPtr between(const AssetFetchResultPtr& before, const AssetFetchResultPtr& after,
                                             const std::set<std::string>& changedIdentifiers);

  const AssetFetchResultPtr& fetchResultBeforeChanges() const { return f_.before; }
  const AssetFetchResultPtr& fetchResultAfterChanges() const { return f_.after; }
  bool hasIncrementalChanges() const { return f_.incremental; }
  const std::vector<std::size_t>& removedIndexes() const { return f_.removed; }
  const std::vector<std::size_t>& insertedIndexes() const { return f_.inserted; }
  const std::vector<std::size_t>& changedIndexes() const { return f_.changed; }
  std::vector<AssetPtr> removedObjects() const;
  std::vector<AssetPtr> insertedObjects() const;
  std::vector<AssetPtr> changedObjects() const;
  bool hasMoves() const { return !f_.moves.empty(); }
  const std::vector<std::pair<std::size_t, std::size_t>>& moves() const { return f_.moves; }
  void enumerateMoves(const std::function<void(std::size_t from, std::size_t to)>& block) const {
    for (const auto& [from, to] : f_.moves) block(from, to);
  }

 private:
  Fields f_;
};

}  // namespace photos
