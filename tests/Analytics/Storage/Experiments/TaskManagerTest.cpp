// The fetch scheduler on the manual clock: when it arms the next fetch, how
// answers move the ladder, its start, and blocks that throw.
#include <sqlite3.h>

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Analytics/Storage/Experiments/APMETaskManagerDelegate.h"
#include "Platform/Foundation/FileManager.h"
#include "tests/Analytics/Storage/Experiments/ManagerFixture.h"

namespace experimentstest {
namespace {

constexpr double kHour = 3600;

class Postponing : public APMETaskManagerDelegate {
 public:
  bool taskManagerShouldFetchExperiments(APMETaskManager&) override { return false; }
  void taskManagerDidStartWithActivatedSnapshots(APMETaskManager&, const std::vector<APMESnapshot>&,
                                                 const std::vector<APMESnapshot>&,
                                                 const std::vector<APMESnapshot>&) override {
    ++starts;
  }
  int starts = 0;
};

class TaskManagerTest : public ManagerFixture {
 protected:
  std::optional<double> Armed() { return alarm_->scheduledTimestamp(); }
  void Schedule() {
    taskManager_->dispatchSyncOnWorkerQueue([&] { taskManager_->scheduleFetchingExperimentsOnWorkerQueue(); });
  }
  void Store(const char* key, std::optional<double> value) {
    if (value) {
      storage_->setDouble(*value, key);
    } else {
      storage_->removeObjectForKey(key);
    }
  }
  std::optional<double> Stored(const char* key) {
    auto value = storage_->objectForKey(key);
    if (!value) return std::nullopt;
    return value->getDouble();
  }
};

TEST_F(TaskManagerTest, TheNextFetchFollowsTheLadder) {
  struct Case {
    const char* what;
    std::optional<double> success, failure, backoff;
    bool madeInitialFetch;
    std::optional<double> preArmed;  // seconds from now
    std::optional<double> armed;     // expected, seconds from now; none: nothing armed
    int code;                        // also reported, 0 for none
  };
  const std::vector<Case> cases = {
      {"first, success an hour ago", -kHour, {}, {}, false, {}, 3 * kHour, 0},
      {"first, never a success", {}, {}, {}, false, {}, 10, 0},
      {"first, success long ago", -30 * kHour, {}, {}, false, {}, 10, 0},
      {"later, no failure", -kHour, {}, {}, true, {}, 3 * kHour, 0},
      {"failure 5 h after the success", -5 * kHour, 0, {}, true, {}, 0.5 * kHour, 0},
      {"failure right after the success", -10, -5, {}, true, {}, 4 * kHour + 1800 - 10, 0},
      {"never a success, failure now", {}, 0, {}, true, {}, 1800, 0},
      {"last rung reached", -36 * kHour, -0.5 * kHour, {}, true, {}, {}, 820024},
      {"503 or 429 holds for 12 hours", -kHour, 0, 0, true, {}, 12 * kHour, 0},
      {"back-off older than 12 hours", -kHour, 0, -13 * kHour, true, {}, 3.5 * kHour, 0},
      {"success in the future is mirrored", kHour, {}, {}, true, {}, 3 * kHour, 0},
      {"an earlier alarm stays", {}, {}, {}, false, 5, 5, 820017},
      {"a later alarm is replaced", {}, {}, {}, false, 100, 10, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Relaunch();
    Forget();
    Store(APMETaskManager::kSuccessTimestampKey, c.success ? std::optional<double>(kNow + *c.success) : std::nullopt);
    Store(APMETaskManager::kFailureTimestampKey, c.failure ? std::optional<double>(kNow + *c.failure) : std::nullopt);
    Store(APMETaskManager::kBackoffTimestampKey, c.backoff ? std::optional<double>(kNow + *c.backoff) : std::nullopt);
    taskManager_->setHasMadeInitialFetch(c.madeInitialFetch);
    if (c.preArmed) alarm_->runAfterDelay(*c.preArmed, [] {});
    Schedule();
    if (c.armed) {
      ASSERT_TRUE(Armed());
      EXPECT_DOUBLE_EQ(*Armed(), kNow + *c.armed);
    } else {
      EXPECT_FALSE(Armed());
      EXPECT_FALSE(Stored(APMETaskManager::kSuccessTimestampKey));
    }
    if (c.code != 0) {
      EXPECT_TRUE(Reported(c.code));
    }
  }
}

TEST_F(TaskManagerTest, AnswersMoveTheLadder) {
  struct Case {
    const char* what;
    std::optional<long> status;  // none: no response at all
    double armed;                // seconds from the answer
    bool failure, backoff, success;
  };
  const std::vector<Case> cases = {
      {"429", 429, 12 * kHour, true, true, false},
      {"503", 503, 12 * kHour, true, true, false},
      {"500", 500, 3.5 * kHour, true, false, false},
      {"no response", std::nullopt, 3.5 * kHour, true, false, false},
      {"204 without body", 204, 4 * kHour, false, false, true},
      {"200 without body", 200, 4 * kHour, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Relaunch();
    Store(APMETaskManager::kSuccessTimestampKey, kNow - kHour);
    // A failure and back-off of long ago, which a success clears.
    Store(APMETaskManager::kFailureTimestampKey, kNow - 20 * kHour);
    Store(APMETaskManager::kBackoffTimestampKey, kNow - 20 * kHour);
    taskManager_->setHasMadeInitialFetch(true);
    std::optional<platform::TVUHTTPResponse> response;
    if (c.status) response = platform::TVUHTTPResponse{*c.status, "", {}, -1};
    taskManager_->dispatchSyncOnWorkerQueue(
        [&] { taskManager_->handleFetchingExperimentsResponse(response, std::nullopt, std::nullopt); });
    ASSERT_TRUE(Armed());
    EXPECT_DOUBLE_EQ(*Armed(), kNow + c.armed);
    EXPECT_EQ(Stored(APMETaskManager::kFailureTimestampKey) == kNow, c.failure);
    EXPECT_EQ(Stored(APMETaskManager::kBackoffTimestampKey) == kNow, c.backoff);
    EXPECT_EQ(Stored(APMETaskManager::kSuccessTimestampKey) == kNow, c.success);
    if (c.success) {
      EXPECT_FALSE(Stored(APMETaskManager::kFailureTimestampKey));
      EXPECT_FALSE(Stored(APMETaskManager::kBackoffTimestampKey));
    }
  }
}

TEST_F(TaskManagerTest, AFetchThatIsNotWantedStillFiresAndPushesTheNextFourHoursOut) {
  auto delegate = std::make_shared<Postponing>();
  taskManager_->setDelegate(delegate);
  Start();
  EXPECT_EQ(delegate->starts, 1);
  ASSERT_TRUE(Armed());
  EXPECT_DOUBLE_EQ(*Armed(), kNow + 10);
  ASSERT_TRUE(clock_->runFor(10));
  EXPECT_EQ(Stored(APMETaskManager::kSuccessTimestampKey), kNow + 10);
  ASSERT_TRUE(Armed());
  EXPECT_DOUBLE_EQ(*Armed(), kNow + 10 + 4 * kHour);
}

TEST_F(TaskManagerTest, AFailedStartStillSchedules) {
  // A pending row due for automatic activation that does not read.
  const std::string path = APMMeasurementPath(APMEDatabase::kDatabaseName);
  platform::FileManager::defaultManager().createDirectoryAtPath(path.substr(0, path.rfind('/')), true);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "CREATE TABLE pending_snapshot_table (sdk_name TEXT NOT NULL PRIMARY KEY, snapshotProto BLOB "
                         "NOT NULL, timestamp REAL NOT NULL, manually_activated INTEGER);"
                         "INSERT INTO pending_snapshot_table VALUES ('sdk', x'ffff', 1, 0);",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  auto delegate = std::make_shared<Postponing>();
  taskManager_->setDelegate(delegate);
  Forget();
  Start();
  EXPECT_TRUE(Reported(820007));
  EXPECT_TRUE(Reported(820008));
  EXPECT_EQ(delegate->starts, 0);
  ASSERT_TRUE(Armed());
  EXPECT_DOUBLE_EQ(*Armed(), kNow + 10);
}

TEST_F(TaskManagerTest, ADatabaseThatDoesNotOpenLeavesItIdle) {
  const std::string path = APMMeasurementPath(APMEDatabase::kDatabaseName);
  // A folder where the file should be.
  ASSERT_TRUE(platform::FileManager::defaultManager().createDirectoryAtPath(path, true).ok());
  Start();
  EXPECT_FALSE(Armed());
  taskManager_->dispatchSyncOnWorkerQueue([&] { EXPECT_EQ(taskManager_->database(), nullptr); });
}

TEST_F(TaskManagerTest, ABlockThatThrowsIsLoggedAndTheCallerGoesOn) {
  Forget();
  // The synchronous form does not rethrow onto the caller's thread.
  taskManager_->dispatchSyncOnWorkerQueue([] { throw std::runtime_error("sync"); });
  EXPECT_TRUE(Reported(820027));
  taskManager_->dispatchAsyncOnWorkerQueue([] { throw 7; });
  Drain();
  EXPECT_TRUE(Reported(820026));
  bool ran = false;
  taskManager_->dispatchSyncOnWorkerQueue([&] { ran = true; });
  EXPECT_TRUE(ran);
}

TEST_F(TaskManagerTest, SDKResponseStatusesBecomeErrorCodes) {
  auto response = std::make_shared<APMPBExperimentResponse>();
  std::vector<std::shared_ptr<APMPBSdkResponse>> list;
  for (auto [name, status] : std::vector<std::pair<std::string, int32_t>>{
           {"ok", 0}, {"one", 1}, {"two", 2}, {"three", 3}, {"seven", 7}, {"", 2}, {"neg", -4}}) {
    auto sdk = std::make_shared<APMPBSdkResponse>();
    APMPBSetString(sdk.get(), 0, name);
    APMPBSetInt32(sdk.get(), 1, status);
    list.push_back(sdk);
  }
  APMPBSetMessageArray(response.get(), 1, list);
  auto errors = APMETaskManager::errorsFromExperimentResponse(response.get());
  ASSERT_TRUE(errors);
  std::map<std::string, int64_t> codes;
  for (const auto& [name, error] : *errors) {
    EXPECT_EQ(error.domain(), APMETaskManager::kErrorDomain);
    codes[name] = error.code();
  }
  EXPECT_EQ(codes, (std::map<std::string, int64_t>{{"one", -2}, {"two", -3}, {"three", -4}, {"seven", -1},
                                                   {"neg", -1}}));
  EXPECT_FALSE(APMETaskManager::errorsFromExperimentResponse(nullptr));
  EXPECT_FALSE(APMETaskManager::errorsFromExperimentResponse(std::make_shared<APMPBExperimentResponse>().get()));
  Forget();
  EXPECT_FALSE(APMETaskManager::experimentSnapshotsFromData({}));
  EXPECT_TRUE(Reported(820025));
  EXPECT_FALSE(APMETaskManager::experimentSnapshotsFromExperimentResponse(nullptr));
}

TEST_F(TaskManagerTest, AnActivationWithoutNonZeroExperimentsDoesNotBringTheOldOneBackAfterARelaunch) {
  Start();
  auto client = Register("sdk", {{"a", APMPBNumber::numberWithInt(1)}, {"l", APMPBNumber::numberWithInt(1)}});
  APMError error;
  Fetched({Snapshot("sdk", {Experiment(4, {IntFlag("a", 2)})})});
  ASSERT_TRUE(client->activateLatestSnapshot(&error));
  Fetched({Snapshot("sdk", {Experiment(0, {IntFlag("l", 3)})})});
  ASSERT_TRUE(client->activateLatestSnapshot(&error));
  EXPECT_EQ(IntValue(client->valueForFlag("a")), 1);
  Relaunch();
  Start();
  client = Register("sdk", {{"a", APMPBNumber::numberWithInt(1)}, {"l", APMPBNumber::numberWithInt(1)}});
  EXPECT_EQ(IntValue(client->valueForFlag("a")), 1);
  EXPECT_EQ(IntValue(client->valueForFlag("l")), 3);
  EXPECT_EQ(manager_->activatedSnapshotStatusOfSDKName("sdk"), 0);
}

}  // namespace
}  // namespace experimentstest

namespace experimentstest {
namespace {

TEST_F(TaskManagerTest, SDKResponsesNameTheirSnapshotsWhenThereIsNoSnapshotList) {
  auto proto = Snapshot("inner", {Experiment(3, {IntFlag("f", 1)})}).proto();
  auto named = std::make_shared<APMPBSdkResponse>();
  APMPBSetString(named.get(), 0, "outer");
  APMPBSetMessage(named.get(), 2, proto.get());
  auto unnamed = std::make_shared<APMPBSdkResponse>();
  APMPBSetMessage(unnamed.get(), 2, proto.get());
  auto response = std::make_shared<APMPBExperimentResponse>();
  APMPBSetMessageArray(response.get(), 1, std::vector<std::shared_ptr<APMPBSdkResponse>>{named, unnamed});
  auto bytes = response->protoBuffer();
  ASSERT_TRUE(bytes);
  auto snapshots = APMETaskManager::experimentSnapshotsFromData(*bytes);
  ASSERT_TRUE(snapshots);
  std::vector<std::string> names;
  for (const auto& snapshot : *snapshots) names.push_back(snapshot.SDKName());
  EXPECT_EQ(names, (std::vector<std::string>{"outer", "inner"}));

  // A snapshot list wins over the SDK responses.
  APMPBSetMessageArray(response.get(), 0, std::vector<std::shared_ptr<APMPBSnapshot>>{Snapshot("listed", {}).proto()});
  snapshots = APMETaskManager::experimentSnapshotsFromExperimentResponse(response.get());
  ASSERT_TRUE(snapshots);
  ASSERT_EQ(snapshots->size(), 1u);
  EXPECT_EQ(snapshots->front().SDKName(), "listed");
}

}  // namespace
}  // namespace experimentstest
