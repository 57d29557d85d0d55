#include "Platform/Photos/Change.h"

namespace photos {

ChangePtr Change::scripted(std::vector<FetchResultChangeDetailsPtr> details) {
  auto change = std::shared_ptr<Change>(new Change());
  change->scripted_ = std::move(details);
  return change;
}

FetchResultChangeDetailsPtr Change::changeDetailsForFetchResult(const AssetFetchResultPtr& result) const {
  if (!result) return nullptr;
  if (!after_) {
    for (const auto& d : scripted_) {
      if (d && d->fetchResultBeforeChanges() == result) return d;
    }
    return nullptr;
  }
  if (!result->query() || result->query()->kind != FetchQuery::Kind::kAssets) return nullptr;
  return FetchResultChangeDetails::between(result, after_->fetchAssets(result->query()), changed_);
}

}  // namespace photos
