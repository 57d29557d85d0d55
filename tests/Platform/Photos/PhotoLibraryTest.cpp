#include "Platform/Photos/PhotoLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <thread>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Photos/Asset.h"
#include "Platform/Photos/AssetCollection.h"
#include "tests/Platform/Photos/PhotosFixture.h"

namespace photos {
namespace {

using facility_test::PhotoFixture;

std::vector<std::string> ids(const AssetFetchResultPtr& result) {
  std::vector<std::string> out;
  for (const auto& a : result->objects()) out.push_back(a->localIdentifier());
  return out;
}

FetchOptionsPtr options(std::optional<std::vector<MediaType>> types, bool newestFirst, std::size_t limit = 0) {
  auto o = std::make_shared<FetchOptions>();
  o->mediaTypes = std::move(types);
  o->sortDescriptors = {{"creationDate", !newestFirst}};
  o->fetchLimit = limit;
  return o;
}

// Records the changes the library posts, with the thread they came on.
class Observer : public PhotoLibraryChangeObserver {
 public:
  void photoLibraryDidChange(const ChangePtr& change) override {
    std::lock_guard<std::mutex> lock(mu);
    changes.push_back(change);
    onMain.push_back(platform::RunLoop::isMainThread());
    labels.push_back(platform::DispatchQueue::currentLabel());
  }
  std::size_t count() {
    std::lock_guard<std::mutex> lock(mu);
    return changes.size();
  }
  std::mutex mu;
  std::vector<ChangePtr> changes;
  std::vector<bool> onMain;
  std::vector<std::string> labels;
};

class PhotoLibraryTest : public PhotosFixture {};

TEST_F(PhotoLibraryTest, FolderFilesBecomeAssetsBySignatureWithAlbumsLivePhotosAndVideos) {
  const auto small = PhotoFixture::photoLike(64, 48, 1);
  writeJpeg("a.jpg", small, 1000);
  writePng("b.png", PhotoFixture::photoLike(30, 20, 2), 2000);
  writeBytes("notes.txt", {'h', 'i'});
  writeBytes("fake.jpg", {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'});
  writeJpeg(".hidden.jpg", small);
  writeJpeg("noextension", small, 3000);
  writeMovie("clip.mp4", 12.5, 1280, 720);
  writeJpeg("live.jpg", PhotoFixture::photoLike(40, 30, 3));
  writeMovie("live.mov", 2.0);
  writeJpeg("Trip/c.jpg", small);
  writeMovie("Trip/c2.MOV", 3.0);
  writeJpeg("Trip/Deep/d.jpg", small);  // second level: not part of the library
  open();

  auto all = ids(Asset::fetchAssets(nullptr));
  std::sort(all.begin(), all.end());
  EXPECT_EQ(all, (std::vector<std::string>{"Trip/c.jpg", "Trip/c2.MOV", "a.jpg", "b.png", "clip.mp4", "live.jpg",
                                           "noextension"}));
  const auto byId = [&](const std::string& id) { return library_->snapshot()->assetWithIdentifier(id); };
  EXPECT_EQ(byId("a.jpg")->mediaType(), MediaType::kImage);
  EXPECT_EQ(byId("a.jpg")->pixelWidth(), 64);
  EXPECT_EQ(byId("a.jpg")->pixelHeight(), 48);
  EXPECT_EQ(byId("a.jpg")->creationDate().value_or(0), 1000);
  EXPECT_FALSE(byId("a.jpg")->location().has_value());
  EXPECT_EQ(byId("b.png")->pixelWidth(), 30);
  EXPECT_EQ(byId("clip.mp4")->mediaType(), MediaType::kVideo);
  EXPECT_DOUBLE_EQ(byId("clip.mp4")->duration(), 12.5);
  EXPECT_EQ(byId("clip.mp4")->pixelWidth(), 1280);
  EXPECT_EQ(byId("live.jpg")->mediaSubtypes(), kMediaSubtypePhotoLive);
  EXPECT_EQ(byId("live.mov"), nullptr) << "a live photo's video is no asset of its own";
  EXPECT_EQ(byId("a.jpg")->mediaSubtypes(), kMediaSubtypeNone);
  EXPECT_EQ(byId("Trip/c.jpg")->album(), "Trip");

  const auto smart = AssetCollection::fetchAssetCollections(
      AssetCollectionType::kSmartAlbum, AssetCollectionSubtype::kSmartAlbumUserLibrary, nullptr);
  ASSERT_EQ(smart->count(), 1u);
  EXPECT_EQ(smart->firstObject()->localizedTitle().value_or(""), "Library");
  EXPECT_EQ(Asset::fetchAssetsInAssetCollection(smart->firstObject(), nullptr)->count(), 7u);

  const auto albums =
      AssetCollection::fetchAssetCollections(AssetCollectionType::kAlbum, AssetCollectionSubtype::kAny, nullptr);
  ASSERT_EQ(albums->count(), 1u);
  const auto trip = albums->firstObject();
  EXPECT_EQ(trip->localizedTitle().value_or(""), "Trip");
  EXPECT_EQ(trip->assetCollectionSubtype(), AssetCollectionSubtype::kAlbumRegular);
  EXPECT_EQ(ids(Asset::fetchAssetsInAssetCollection(trip, nullptr)),
            (std::vector<std::string>{"Trip/c.jpg", "Trip/c2.MOV"}));
}

TEST_F(PhotoLibraryTest, FetchesHonourMediaTypesSortAndLimit) {
  writeJpeg("old.jpg", PhotoFixture::photoLike(8, 8, 1), 100);
  writeJpeg("tie-b.jpg", PhotoFixture::photoLike(8, 8, 2), 200);
  writeJpeg("tie-a.jpg", PhotoFixture::photoLike(8, 8, 3), 200);
  writeMovie("movie.mp4", 1, 16, 16, 300);
  open();
  struct Case {
    const char* name;
    FetchOptionsPtr opts;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"images newest first", options(std::vector<MediaType>{MediaType::kImage}, true),
       {"tie-a.jpg", "tie-b.jpg", "old.jpg"}},
      {"everything oldest first", options(std::nullopt, false), {"old.jpg", "tie-a.jpg", "tie-b.jpg", "movie.mp4"}},
      {"videos only", options(std::vector<MediaType>{MediaType::kVideo}, true), {"movie.mp4"}},
      {"empty type list matches nothing", options(std::vector<MediaType>{}, true), {}},
      {"both types with a limit", options(std::vector<MediaType>{MediaType::kImage, MediaType::kVideo}, true, 2),
       {"movie.mp4", "tie-a.jpg"}},
  };
  for (const Case& c : cases) EXPECT_EQ(ids(Asset::fetchAssets(c.opts)), c.expected) << c.name;
}

TEST_F(PhotoLibraryTest, FetchResultsAreSnapshotsWithIndexByIdentifier) {
  writeJpeg("a.jpg", PhotoFixture::photoLike(8, 8, 1), 100);
  writeJpeg("b.jpg", PhotoFixture::photoLike(8, 8, 2), 200);
  open();
  const auto before = Asset::fetchAssets(nullptr);
  writeJpeg("c.jpg", PhotoFixture::photoLike(8, 8, 3), 300);
  library_->rescan();
  EXPECT_EQ(before->count(), 2u) << "a taken result does not change";
  const auto after = Asset::fetchAssets(nullptr);
  ASSERT_EQ(after->count(), 3u);
  // An equal asset of another snapshot is found; an unknown one and none are not.
  EXPECT_EQ(after->indexOf(before->objectAt(1)), std::optional<std::size_t>(1));
  EXPECT_EQ(before->indexOf(after->objectAt(2)), std::nullopt);
  EXPECT_EQ(before->indexOf(nullptr), std::nullopt);
  EXPECT_EQ(before->objectAt(5), nullptr);
  EXPECT_TRUE(SameAsset(before->objectAt(0), after->objectAt(0)));
}

TEST_F(PhotoLibraryTest, AuthorizationAnswersOffTheMainThreadWithTheConfiguredStatus) {
  for (int status = 0; status <= 4; ++status) {
    PhotoLibrary::setShared(nullptr);
    open();
    library_->setGrantedStatus(static_cast<AuthorizationStatus>(status));
    EXPECT_EQ(PhotoLibrary::authorizationStatus(), AuthorizationStatus::kNotDetermined);
    std::mutex mu;
    std::optional<AuthorizationStatus> answer;
    bool onMain = true;
    library_->requestAuthorization([&](AuthorizationStatus s) {
      std::lock_guard<std::mutex> lock(mu);
      answer = s;
      onMain = platform::RunLoop::isMainThread();
    });
    ASSERT_TRUE(clock_->runUntilIdle());
    std::lock_guard<std::mutex> lock(mu);
    ASSERT_TRUE(answer.has_value()) << status;
    EXPECT_EQ(static_cast<int>(*answer), status);
    EXPECT_FALSE(onMain);
    EXPECT_EQ(static_cast<int>(PhotoLibrary::authorizationStatus()), status);
  }
}

TEST_F(PhotoLibraryTest, RescanPostsOneChangePerObserverWithDetailsForEachResult) {
  writeJpeg("a.jpg", PhotoFixture::photoLike(8, 8, 1), 100);
  writeJpeg("b.jpg", PhotoFixture::photoLike(8, 8, 2), 200);
  writeJpeg("c.jpg", PhotoFixture::photoLike(8, 8, 3), 300);
  writeJpeg("Trip/t.jpg", PhotoFixture::photoLike(8, 8, 4), 400);
  open();
  auto first = std::make_shared<Observer>();
  auto second = std::make_shared<Observer>();
  library_->registerChangeObserver(first);
  library_->registerChangeObserver(first);
  library_->registerChangeObserver(second);
  const auto newest = options(std::nullopt, true);
  const auto all = Asset::fetchAssets(newest);  // c b a, Trip/t first
  const auto trip = AssetCollection::fetchAssetCollections(AssetCollectionType::kAlbum,
                                                           AssetCollectionSubtype::kAny, nullptr)
                        ->firstObject();
  const auto tripResult = Asset::fetchAssetsInAssetCollection(trip, newest);

  // Nothing differs: nothing is posted.
  EXPECT_FALSE(library_->rescan().any());
  // Added d (newest), removed a, c rewritten in place (same time, new size).
  writeJpeg("d.jpg", PhotoFixture::photoLike(8, 8, 5), 500);
  std::filesystem::remove(path("a.jpg"));
  writeJpeg("c.jpg", PhotoFixture::photoLike(16, 8, 6), 300);
  const auto summary = library_->rescan();
  EXPECT_EQ(summary.added, 1u);
  EXPECT_EQ(summary.removed, 1u);
  EXPECT_EQ(summary.changed, 1u);
  ASSERT_TRUE(clock_->runUntilIdle());
  ASSERT_EQ(first->count(), 1u);
  ASSERT_EQ(second->count(), 1u);
  EXPECT_FALSE(first->onMain[0]);
  EXPECT_EQ(first->labels[0], "photos.library");

  const auto details = first->changes[0]->changeDetailsForFetchResult(all);
  ASSERT_NE(details, nullptr);
  EXPECT_TRUE(details->hasIncrementalChanges());
  // Before: Trip/t c b a; after: d Trip/t c b.
  EXPECT_EQ(details->removedIndexes(), (std::vector<std::size_t>{3}));
  EXPECT_EQ(details->insertedIndexes(), (std::vector<std::size_t>{0}));
  EXPECT_EQ(details->changedIndexes(), (std::vector<std::size_t>{2}));
  EXPECT_EQ(ids(details->fetchResultAfterChanges()),
            (std::vector<std::string>{"d.jpg", "Trip/t.jpg", "c.jpg", "b.jpg"}));
  EXPECT_EQ(first->changes[0]->changeDetailsForFetchResult(tripResult), nullptr)
      << "the album's assets did not change";
  EXPECT_EQ(first->changes[0]->changeDetailsForFetchResult(AssetFetchResult::empty()), nullptr);
}

TEST_F(PhotoLibraryTest, ReorderingOfCommonAssetsIsNotIncremental) {
  writeJpeg("a.jpg", PhotoFixture::photoLike(8, 8, 1), 100);
  writeJpeg("b.jpg", PhotoFixture::photoLike(8, 8, 2), 200);
  open();
  auto observer = std::make_shared<Observer>();
  library_->registerChangeObserver(observer);
  const auto result = Asset::fetchAssets(options(std::nullopt, true));  // b a
  writeJpeg("a.jpg", PhotoFixture::photoLike(8, 8, 1), 300);             // a now newest
  library_->rescan();
  ASSERT_TRUE(clock_->runUntilIdle());
  ASSERT_EQ(observer->count(), 1u);
  const auto details = observer->changes[0]->changeDetailsForFetchResult(result);
  ASSERT_NE(details, nullptr);
  EXPECT_FALSE(details->hasIncrementalChanges());
  EXPECT_EQ(ids(details->fetchResultAfterChanges()), (std::vector<std::string>{"a.jpg", "b.jpg"}));
}

TEST_F(PhotoLibraryTest, GoneObserversAreSkippedAndUnregisteredOnesGetNothing) {
  open();
  auto kept = std::make_shared<Observer>();
  auto dropped = std::make_shared<Observer>();
  auto gone = std::make_shared<Observer>();
  library_->registerChangeObserver(kept);
  library_->registerChangeObserver(dropped);
  library_->registerChangeObserver(gone);
  library_->unregisterChangeObserver(dropped.get());
  gone.reset();
  writeJpeg("new.jpg", PhotoFixture::photoLike(8, 8, 1));
  library_->rescan();
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(kept->count(), 1u);
  EXPECT_EQ(dropped->count(), 0u);
}

TEST_F(PhotoLibraryTest, ScriptedChangesAnswerOnlyForTheirOwnResult) {
  open();
  std::vector<AssetPtr> assets;
  for (int i = 0; i < 3; ++i) {
    Asset::Fields f;
    f.localIdentifier = "mem" + std::to_string(i);
    f.creationDate = 10.0 * i;
    assets.push_back(Asset::make(f));
  }
  library_->addAssets(assets);
  const auto before = Asset::fetchAssets(nullptr);
  const auto other = Asset::fetchAssets(nullptr);
  auto after = std::make_shared<const AssetFetchResult>(
      std::vector<AssetPtr>{before->objectAt(2), before->objectAt(0), before->objectAt(1)}, nullptr);
  FetchResultChangeDetails::Fields f;
  f.before = before;
  f.after = after;
  f.moves = {{2, 0}};
  auto observer = std::make_shared<Observer>();
  library_->registerChangeObserver(observer);
  library_->postChange(Change::scripted({std::make_shared<const FetchResultChangeDetails>(f)}));
  ASSERT_TRUE(clock_->runUntilIdle());
  ASSERT_EQ(observer->count(), 1u);
  const auto details = observer->changes[0]->changeDetailsForFetchResult(before);
  ASSERT_NE(details, nullptr);
  std::vector<std::pair<std::size_t, std::size_t>> moves;
  details->enumerateMoves([&](std::size_t from, std::size_t to) { moves.emplace_back(from, to); });
  EXPECT_EQ(moves, (std::vector<std::pair<std::size_t, std::size_t>>{{2, 0}}));
  EXPECT_EQ(observer->changes[0]->changeDetailsForFetchResult(other), nullptr);
}

TEST_F(PhotoLibraryTest, InMemoryAssetsKeepTheirFieldsAndSurviveARescan) {
  writeJpeg("file.jpg", PhotoFixture::photoLike(8, 8, 1), 100);
  open();
  Asset::Fields f;
  f.localIdentifier = "memory/located";
  f.mediaType = MediaType::kVideo;
  f.duration = 75;
  f.creationDate = 50;
  f.location = corelocation::CLLocation(48.2, 16.37);
  f.album = "Memories";
  library_->addAssets({Asset::make(f)});
  library_->rescan();
  const auto found = library_->snapshot()->assetWithIdentifier("memory/located");
  ASSERT_NE(found, nullptr);
  EXPECT_TRUE(found->isInMemory());
  EXPECT_EQ(found->location()->coordinate().latitude, 48.2);
  EXPECT_EQ(found->duration(), 75);
  EXPECT_EQ(ids(Asset::fetchAssets(nullptr)), (std::vector<std::string>{"memory/located", "file.jpg"}));
  const auto albums =
      AssetCollection::fetchAssetCollections(AssetCollectionType::kAlbum, AssetCollectionSubtype::kAny, nullptr);
  ASSERT_EQ(albums->count(), 1u);
  EXPECT_EQ(albums->firstObject()->localizedTitle().value_or(""), "Memories");
}

TEST_F(PhotoLibraryTest, ChangeDetailsBetweenResults) {
  auto make = [](const std::string& id, double date, std::int64_t size = 1) {
    Asset::Fields f;
    f.localIdentifier = id;
    f.creationDate = date;
    f.fileSize = size;
    return Asset::make(f);
  };
  const auto a = make("a", 1), b = make("b", 2), c = make("c", 3), bChanged = make("b", 2, 99);
  auto result = [](std::vector<AssetPtr> v) { return std::make_shared<const AssetFetchResult>(std::move(v), nullptr); };
  struct Case {
    const char* name;
    std::vector<AssetPtr> before, after;
    bool none;
    bool incremental;
    std::vector<std::size_t> removed, inserted, changed;
  };
  const std::vector<Case> cases = {
      {"same", {a, b}, {a, b}, true, true, {}, {}, {}},
      {"insert", {a, b}, {a, c, b}, false, true, {}, {1}, {}},
      {"remove", {a, b, c}, {a, c}, false, true, {1}, {}, {}},
      {"content", {a, b}, {a, bChanged}, false, true, {}, {}, {1}},
      {"swap", {a, b}, {b, a}, false, false, {}, {}, {}},
      {"swap with insert", {a, b}, {c, b, a}, false, false, {}, {}, {}},
  };
  for (const Case& k : cases) {
    const auto d = FetchResultChangeDetails::between(result(k.before), result(k.after), {});
    ASSERT_EQ(d == nullptr, k.none) << k.name;
    if (!d) continue;
    EXPECT_EQ(d->hasIncrementalChanges(), k.incremental) << k.name;
    EXPECT_EQ(d->removedIndexes(), k.removed) << k.name;
    EXPECT_EQ(d->insertedIndexes(), k.inserted) << k.name;
    EXPECT_EQ(d->changedIndexes(), k.changed) << k.name;
  }
}

}  // namespace
}  // namespace photos
