// The photo library over a folder: $FACILITY_PHOTOS, else Photos/ under the
// data root. The folder's files and its first-level subfolders' files are the
// assets (see FolderScanner); tests may add in-memory ones.
//
// Authorization is "not determined" until requested; the answer (the
// configured status: authorized unless a test sets another) comes on the
// library's own queue, as do change notifications. Image decoding runs on a
// second serial queue of the library, whose one image cache every manager of
// the library shares.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/Status.h"
#include "Platform/Photos/Asset.h"
#include "Platform/Photos/AssetCollection.h"
#include "Platform/Photos/Change.h"
#include "Platform/Photos/LibrarySnapshot.h"
#include "Platform/Photos/PhotoLibraryChangeObserver.h"

namespace photos {

class ImageCache;

class PhotoLibrary : public std::enable_shared_from_this<PhotoLibrary> {
 public:
  static constexpr const char* kFolderVariable = "FACILITY_PHOTOS";

  struct RescanSummary {
    std::size_t added = 0;
    std::size_t removed = 0;
    std::size_t changed = 0;
    bool any() const { return added + removed + changed > 0; }
  };

  // A library over folder, scanned now (a missing folder is an empty library).
  static std::shared_ptr<PhotoLibrary> create(const std::string& folder);
  // The process-wide library, made on first use over defaultFolder().
  static std::shared_ptr<PhotoLibrary> shared();
  // Replaces the process-wide library (tests); none: the next shared() makes
  // a new one over defaultFolder(). The default image manager follows.
  static void setShared(std::shared_ptr<PhotoLibrary> library);
  static std::string defaultFolder();

  // The shared library's status.
  static AuthorizationStatus authorizationStatus();

  ~PhotoLibrary();
  PhotoLibrary(const PhotoLibrary&) = delete;
  PhotoLibrary& operator=(const PhotoLibrary&) = delete;

  const std::string& folder() const { return folder_; }

  AuthorizationStatus currentAuthorizationStatus() const;
  // The status a request answers (tests: 0...4).
  void setGrantedStatus(AuthorizationStatus status);
  // The handler runs on the library queue with the granted status, which
  // becomes current.
  void requestAuthorization(std::function<void(AuthorizationStatus)> handler);

  // Held weakly; a gone observer is skipped. Registering twice is once.
  void registerChangeObserver(const std::shared_ptr<PhotoLibraryChangeObserver>& observer);
  void unregisterChangeObserver(const PhotoLibraryChangeObserver* observer);

  // Compares the folder with the current snapshot (added, removed, changed
  // time or size); when anything differs the new snapshot becomes current
  // and every observer gets one change on the library queue.
  RescanSummary rescan();
  // In-memory assets (tests): added or replaced; observers get a change.
  void addAssets(const std::vector<AssetPtr>& assets);
  // Posts a (scripted) change to every observer on the library queue.
  void postChange(ChangePtr change);

  LibrarySnapshotPtr snapshot() const;
  AssetFetchResultPtr fetchAssets(const AssetCollectionPtr& collection, const FetchOptionsPtr& options) const;
  AssetCollectionFetchResultPtr fetchAssetCollections(AssetCollectionType type, AssetCollectionSubtype subtype,
                                                      const FetchOptionsPtr& options) const;

  const platform::DispatchQueuePtr& libraryQueue() const { return libraryQueue_; }
  const platform::DispatchQueuePtr& decodeQueue() const { return decodeQueue_; }
  const std::shared_ptr<ImageCache>& imageCache() const { return cache_; }

  struct PrivateTag {};
  PhotoLibrary(PrivateTag, std::string folder);

 private:
  void notify(ChangePtr change);

  std::string folder_;
  mutable std::mutex mu_;
  LibrarySnapshotPtr snapshot_;
  // Shared with queued answers, which must never own the library.
  struct Authorization {
    std::mutex mu;
    AuthorizationStatus current = AuthorizationStatus::kNotDetermined;
    AuthorizationStatus granted = AuthorizationStatus::kAuthorized;
  };
  std::shared_ptr<Authorization> auth_ = std::make_shared<Authorization>();
  std::vector<std::weak_ptr<PhotoLibraryChangeObserver>> observers_;
  platform::DispatchQueuePtr libraryQueue_;
  platform::DispatchQueuePtr decodeQueue_;
  std::shared_ptr<ImageCache> cache_;
};

}  // namespace photos
