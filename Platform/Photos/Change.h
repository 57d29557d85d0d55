// One library change, as observers receive it. Details are worked out on
// demand for whichever fetch result the observer holds at that moment.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Platform/Photos/FetchResultChangeDetails.h"
#include "Platform/Photos/LibrarySnapshot.h"

namespace photos {

class Change;
using ChangePtr = std::shared_ptr<const Change>;

class Change {
 public:
  // A change to the given snapshot; changed: identifiers whose content
  // differs from the snapshot before.
  Change(LibrarySnapshotPtr after, std::set<std::string> changed)
      : after_(std::move(after)), changed_(std::move(changed)) {}
  // A scripted change: answers these details for their before result (the
  // same object) and none for any other.
  static ChangePtr scripted(std::vector<FetchResultChangeDetailsPtr> details);

  // Re-runs the result's query on the new snapshot: none when it gives the
  // same assets, unchanged, in the same order, or when the result has no
  // query.
  FetchResultChangeDetailsPtr changeDetailsForFetchResult(const AssetFetchResultPtr& result) const;

  const LibrarySnapshotPtr& snapshotAfter() const { return after_; }
  const std::set<std::string>& changedIdentifiers() const { return changed_; }

 private:
  Change() = default;
  LibrarySnapshotPtr after_;
  std::set<std::string> changed_;
  std::vector<FetchResultChangeDetailsPtr> scripted_;
};

}  // namespace photos
