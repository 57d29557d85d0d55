#include "Platform/Photos/PhotoLibrary.h"

#include <cstdlib>
#include <set>

#include "Platform/Foundation/DataRoot.h"
#include "Platform/Photos/FolderScanner.h"
#include "Platform/Photos/ImageCache.h"

namespace photos {
namespace {

std::mutex& sharedMutex() {
  static auto* mu = new std::mutex();  // lives to the end of the process
  return *mu;
}

std::shared_ptr<PhotoLibrary>& sharedSlot() {
  static auto* slot = new std::shared_ptr<PhotoLibrary>();
  return *slot;
}

}  // namespace

std::shared_ptr<PhotoLibrary> PhotoLibrary::create(const std::string& folder) {
  return std::make_shared<PhotoLibrary>(PrivateTag{}, folder);
}

PhotoLibrary::PhotoLibrary(PrivateTag, std::string folder)
    : folder_(std::move(folder)),
      snapshot_(std::make_shared<const LibrarySnapshot>(FolderScanner::scan(folder_))),
      libraryQueue_(platform::DispatchQueue::create("photos.library")),
      decodeQueue_(platform::DispatchQueue::create("photos.decode")),
      cache_(std::make_shared<ImageCache>()) {}

PhotoLibrary::~PhotoLibrary() = default;

std::string PhotoLibrary::defaultFolder() {
  const char* folder = std::getenv(kFolderVariable);
  if (folder && *folder) return folder;
  return platform::DataRoot::root() + "/Photos";
}

std::shared_ptr<PhotoLibrary> PhotoLibrary::shared() {
  std::lock_guard<std::mutex> lock(sharedMutex());
  if (!sharedSlot()) sharedSlot() = create(defaultFolder());
  return sharedSlot();
}

void PhotoLibrary::setShared(std::shared_ptr<PhotoLibrary> library) {
  std::shared_ptr<PhotoLibrary> old;
  {
    std::lock_guard<std::mutex> lock(sharedMutex());
    old = std::move(sharedSlot());
    sharedSlot() = std::move(library);
  }
  // old goes here, outside the lock: its queues finish their work first.
}

AuthorizationStatus PhotoLibrary::authorizationStatus() { return shared()->currentAuthorizationStatus(); }

AuthorizationStatus PhotoLibrary::currentAuthorizationStatus() const {
  std::lock_guard<std::mutex> lock(auth_->mu);
  return auth_->current;
}

void PhotoLibrary::setGrantedStatus(AuthorizationStatus status) {
  std::lock_guard<std::mutex> lock(auth_->mu);
  auth_->granted = status;
}

void PhotoLibrary::requestAuthorization(std::function<void(AuthorizationStatus)> handler) {
  libraryQueue_->async([auth = auth_, handler = std::move(handler)] {
    AuthorizationStatus answer;
    {
      std::lock_guard<std::mutex> lock(auth->mu);
      auth->current = auth->granted;
      answer = auth->current;
    }
    if (handler) handler(answer);
  });
}

void PhotoLibrary::registerChangeObserver(const std::shared_ptr<PhotoLibraryChangeObserver>& observer) {
  if (!observer) return;
  std::lock_guard<std::mutex> lock(mu_);
  for (const auto& o : observers_) {
    if (o.lock() == observer) return;
  }
  observers_.push_back(observer);
}

void PhotoLibrary::unregisterChangeObserver(const PhotoLibraryChangeObserver* observer) {
  std::lock_guard<std::mutex> lock(mu_);
  std::erase_if(observers_, [observer](const std::weak_ptr<PhotoLibraryChangeObserver>& o) {
    auto live = o.lock();
    return !live || live.get() == observer;
  });
}

void PhotoLibrary::notify(ChangePtr change) {
  std::vector<std::weak_ptr<PhotoLibraryChangeObserver>> observers;
  {
    std::lock_guard<std::mutex> lock(mu_);
    observers = observers_;
  }
  for (auto& weak : observers) {
    libraryQueue_->async([weak, change] {
      if (auto observer = weak.lock()) observer->photoLibraryDidChange(change);
    });
  }
}

PhotoLibrary::RescanSummary PhotoLibrary::rescan() {
  std::vector<AssetPtr> scanned = FolderScanner::scan(folder_);
  RescanSummary summary;
  std::set<std::string> changed;
  ChangePtr change;
  {
    std::lock_guard<std::mutex> lock(mu_);
    // In-memory assets are not in the folder: they stay.
    for (const AssetPtr& a : snapshot_->assets()) {
      if (a->isInMemory()) scanned.push_back(a);
    }
    auto next = std::make_shared<const LibrarySnapshot>(std::move(scanned));
    for (const AssetPtr& a : next->assets()) {
      auto old = snapshot_->assetWithIdentifier(a->localIdentifier());
      if (!old) {
        ++summary.added;
      } else if (!a->isUnchangedFrom(*old)) {
        ++summary.changed;
        changed.insert(a->localIdentifier());
      }
    }
    for (const AssetPtr& a : snapshot_->assets()) {
      if (!next->assetWithIdentifier(a->localIdentifier())) ++summary.removed;
    }
    if (!summary.any()) return summary;
    snapshot_ = next;
    change = std::make_shared<const Change>(next, std::move(changed));
  }
  for (const std::string& id : change->changedIdentifiers()) cache_->removeAsset(id);
  notify(change);
  return summary;
}

void PhotoLibrary::addAssets(const std::vector<AssetPtr>& assets) {
  ChangePtr change;
  std::set<std::string> ids;
  for (const AssetPtr& a : assets) {
    if (a) ids.insert(a->localIdentifier());
  }
  {
    std::lock_guard<std::mutex> lock(mu_);
    snapshot_ = snapshot_->adding(assets);
    change = std::make_shared<const Change>(snapshot_, ids);
  }
  for (const std::string& id : ids) cache_->removeAsset(id);
  notify(change);
}

void PhotoLibrary::postChange(ChangePtr change) {
  if (change) notify(std::move(change));
}

LibrarySnapshotPtr PhotoLibrary::snapshot() const {
  std::lock_guard<std::mutex> lock(mu_);
  return snapshot_;
}

AssetFetchResultPtr PhotoLibrary::fetchAssets(const AssetCollectionPtr& collection,
                                              const FetchOptionsPtr& options) const {
  auto query = std::make_shared<FetchQuery>();
  query->kind = FetchQuery::Kind::kAssets;
  if (collection) query->album = collection->album();
  if (options) query->options = *options;
  return snapshot()->fetchAssets(std::move(query));
}

AssetCollectionFetchResultPtr PhotoLibrary::fetchAssetCollections(AssetCollectionType type,
                                                                  AssetCollectionSubtype subtype,
                                                                  const FetchOptionsPtr& options) const {
  auto query = std::make_shared<FetchQuery>();
  query->kind = FetchQuery::Kind::kCollections;
  query->collectionType = type;
  query->collectionSubtype = subtype;
  if (options) query->options = *options;
  return snapshot()->fetchCollections(std::move(query));
}

}  // namespace photos
