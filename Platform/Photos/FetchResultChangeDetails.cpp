#include "Platform/Photos/FetchResultChangeDetails.h"

namespace photos {
namespace {

std::vector<AssetPtr> objectsAt(const AssetFetchResultPtr& result, const std::vector<std::size_t>& indexes) {
  std::vector<AssetPtr> out;
  if (!result) return out;
  for (std::size_t i : indexes) {
    if (auto a = result->objectAt(i)) out.push_back(a);
  }
  return out;
}

}  // namespace

FetchResultChangeDetailsPtr FetchResultChangeDetails::between(const AssetFetchResultPtr& before,
                                                              const AssetFetchResultPtr& after,
                                                              const std::set<std::string>& changedIdentifiers) {
  if (!before || !after) return nullptr;
  Fields f;
  f.before = before;
  f.after = after;
  std::vector<std::size_t> commonAfterPositions;  // in the order of before
  for (std::size_t i = 0; i < before->count(); ++i) {
    const AssetPtr& asset = before->objects()[i];
    auto at = after->indexOf(asset);
    if (!at) {
      f.removed.push_back(i);
    } else {
      commonAfterPositions.push_back(*at);
    }
  }
  std::vector<bool> common(after->count(), false);
  for (std::size_t at : commonAfterPositions) common[at] = true;
  for (std::size_t j = 0; j < after->count(); ++j) {
    if (!common[j]) f.inserted.push_back(j);
  }
  bool ordered = true;
  for (std::size_t k = 1; k < commonAfterPositions.size(); ++k) {
    if (commonAfterPositions[k] < commonAfterPositions[k - 1]) {
      ordered = false;
      break;
    }
  }
  for (std::size_t j = 0; j < after->count(); ++j) {
    if (!common[j]) continue;
    const AssetPtr& now = after->objects()[j];
    const AssetPtr was = before->objectAt(*before->indexOf(now));
    if (changedIdentifiers.count(now->localIdentifier()) || !now->isUnchangedFrom(*was)) f.changed.push_back(j);
  }
  if (ordered && f.removed.empty() && f.inserted.empty() && f.changed.empty()) return nullptr;
  f.incremental = ordered;
  if (!ordered) {
    // Indexes of a reordering say nothing a view could apply.
    f.removed.clear();
    f.inserted.clear();
    f.changed.clear();
  }
  return std::make_shared<const FetchResultChangeDetails>(std::move(f));
}

std::vector<AssetPtr> FetchResultChangeDetails::removedObjects() const { return objectsAt(f_.before, f_.removed); }
std::vector<AssetPtr> FetchResultChangeDetails::insertedObjects() const { return objectsAt(f_.after, f_.inserted); }
std::vector<AssetPtr> FetchResultChangeDetails::changedObjects() const { return objectsAt(f_.after, f_.changed); }

}  // namespace photos
