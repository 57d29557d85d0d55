// The experiments manager and its clients: registration, flag precedence,
// activation, staleness, resets and the delegate calls.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Analytics/Storage/Experiments/APMEExperimentObserverDelegate.h"
#include "tests/Analytics/Storage/Experiments/ManagerFixture.h"

namespace experimentstest {
namespace {

APMPBObject Num(int64_t value) { return APMPBNumber::numberWithLongLong(value); }

class Observer : public APMEExperimentObserverDelegate {
 public:
  bool implementsNewSnapshot = true;
  std::optional<bool> fetchAnswer;
  std::shared_ptr<platform::DispatchQueue> deliveryQueue;

  bool respondsToClientDidReceiveNewSnapshot() const override { return implementsNewSnapshot; }
  void clientDidReceiveNewSnapshot(APMEClient& client) override {
    std::lock_guard<std::mutex> lock(mu);
    deliveries.push_back(client.SDKName() + "@" + platform::DispatchQueue::currentLabel());
  }
  bool respondsToClientDidReceiveFetchError() const override { return true; }
  void clientDidReceiveFetchError(APMEClient& client, const APMError& error) override {
    std::lock_guard<std::mutex> lock(mu);
    errors[client.SDKName()] = error.code();
  }
  std::optional<bool> shouldFetchExperimentsForClient(APMEClient&) override { return fetchAnswer; }
  std::shared_ptr<platform::DispatchQueue> queue() override { return deliveryQueue; }

  std::vector<std::string> Deliveries() {
    std::lock_guard<std::mutex> lock(mu);
    return deliveries;
  }

  std::mutex mu;
  std::vector<std::string> deliveries;
  std::map<std::string, int64_t> errors;
};

class ManagerTest : public ManagerFixture {};

TEST_F(ManagerTest, LookupsPreferActivatedThenLaunchedThenDefault) {
  auto client = Register("sdk", {{"a", Num(1)}, {"l", Num(1)}, {"both", Num(1)}, {"d", Num(1)}});
  ASSERT_TRUE(client);
  manager_->taskManagerDidStartWithActivatedSnapshots(
      *taskManager_, {Snapshot("sdk", {Experiment(7, {IntFlag("a", 3), IntFlag("both", 3)})})}, {},
      {Snapshot("sdk", {Experiment(0, {IntFlag("l", 2), IntFlag("both", 2)})})});
  Drain();

  struct Case {
    const char* what;
    std::string SDKName;
    std::string flag;
    std::optional<int64_t> value;  // none: nil
    std::vector<int> codes;        // reported
    std::vector<int> notCodes;     // not reported
  };
  const std::vector<Case> cases = {
      {"in both: the activated value", "sdk", "both", 3, {800015}, {800016, 800019}},
      {"only activated", "sdk", "a", 3, {800015}, {800016}},
      {"only launched", "sdk", "l", 2, {800015, 800016}, {800019}},
      {"only the default", "sdk", "d", 1, {800016, 800019}, {800014}},
      {"nowhere", "sdk", "x", std::nullopt, {800016, 800014}, {800019}},
      {"unregistered SDK", "other", "a", std::nullopt, {800012}, {800015}},
      {"empty SDK name", "", "a", std::nullopt, {800010}, {800015}},
      {"empty flag name", "sdk", "", std::nullopt, {800011}, {800015}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Forget();
    APMPBObject value = manager_->flagValueForFlagName(c.flag, c.SDKName);
    if (c.value) {
      EXPECT_EQ(IntValue(value), *c.value);
    } else {
      EXPECT_TRUE(value.isNil());
    }
    for (int code : c.codes) EXPECT_TRUE(Reported(code)) << code;
    for (int code : c.notCodes) EXPECT_FALSE(Reported(code)) << code;
  }
  // The client asks with its own name; an empty or non-text key gives nil.
  EXPECT_EQ(IntValue(client->valueForFlag("l")), 2);
  EXPECT_EQ(IntValue(client->objectForKeyedSubscript(APMPBObject("both"))), 3);
  Forget();
  EXPECT_TRUE(client->valueForFlag("").isNil());
  EXPECT_TRUE(Reported(830002));
  EXPECT_TRUE(client->objectForKeyedSubscript(Num(3)).isNil());
  EXPECT_TRUE(Reported(830003));
}

TEST_F(ManagerTest, RegistrationRefusesBadDefaultsAndASecondOneReplacesTheFirst) {
  Forget();
  EXPECT_FALSE(Register("bad", {{"ok", Num(1)}, {"odd", APMPBObject::foreign("NSDate")}}));
  EXPECT_TRUE(Reported(800002));
  EXPECT_FALSE(manager_->clientForSDKName("bad"));
  EXPECT_TRUE(manager_->flagValueForFlagName("ok", "bad").isNil());
  EXPECT_FALSE(manager_->registerSDKProperty(nullptr, {}));
  EXPECT_TRUE(Reported(800000));
  EXPECT_FALSE(Register("", {}));
  EXPECT_TRUE(Reported(800001));

  auto first = Register("sdk", {{"f", Num(1)}, {"g", APMPBObject("text")}});
  Forget();
  auto second = Register("sdk", {{"f", Num(2)}, {"h", APMPBNumber::numberWithDouble(0.5)}});
  EXPECT_TRUE(Reported(800003));
  EXPECT_EQ(manager_->clientForSDKName("sdk"), second);
  EXPECT_EQ(IntValue(second->valueForFlag("f")), 2);
  EXPECT_EQ(second->valueForFlag("h").number()->doubleValue(), 0.5);
  EXPECT_TRUE(second->valueForFlag("g").isNil());
  // The property takes part in the next fetch request.
  auto request = APMEExperimentRequestBuilder::sharedInstance().request();
  auto clients = APMPBGetMessageArray<APMPBClientProperty>(request.get(), 1);
  ASSERT_EQ(clients.size(), 1u);
  EXPECT_EQ(APMPBGetString(clients[0].get(), 1), "ident-sdk");
}

TEST_F(ManagerTest, ActivationSplitsExperimentZeroAndStalenessLooksBothWays) {
  auto client = Register("sdk", {{"f", Num(1)}, {"z", Num(1)}});
  APMError untouched = APMError::apm_errorWithCode(77, "untouched");
  Forget();
  EXPECT_FALSE(client->activateLatestSnapshot(&untouched));
  EXPECT_EQ(untouched.code(), 77);
  EXPECT_TRUE(Reported(800023));
  EXPECT_EQ(manager_->activatedSnapshotStatusOfSDKName("sdk"), -2);
  EXPECT_FALSE(client->hasStaleSnapshot());

  APMError error;
  EXPECT_FALSE(manager_->activateSnapshotOfSDK("", &error));
  EXPECT_EQ(error.code(), 1);
  EXPECT_EQ(error.localizedDescription(), "SDK name cannot be empty");

  Fetched({Snapshot("sdk", {Experiment(0, {IntFlag("z", 5)})})});
  EXPECT_EQ(IntValue(client->valueForFlag("z")), 1);  // pending until activated
  ASSERT_TRUE(client->activateLatestSnapshot(&error));
  EXPECT_EQ(IntValue(client->valueForFlag("z")), 5);
  EXPECT_TRUE(manager_->experimentIDs().empty());
  EXPECT_EQ(manager_->activatedSnapshotStatusOfSDKName("sdk"), 0);
  EXPECT_FALSE(client->activateLatestSnapshot(&error));  // consumed

  struct Case {
    double offset;
    int64_t status;
  };
  for (const Case& c : {Case{259200, 0}, Case{259201, 1}, Case{-259200, 0}, Case{-259201, 1}}) {
    SCOPED_TRACE(c.offset);
    clock_->setNow(kNow + c.offset);
    EXPECT_EQ(manager_->activatedSnapshotStatusOfSDKName("sdk"), c.status);
    EXPECT_EQ(client->hasStaleSnapshot(), c.status == 1);
  }
  clock_->setNow(kNow);
  EXPECT_EQ(manager_->activatedSnapshotStatusOfSDKName("unknown"), -1);
  EXPECT_EQ(manager_->activatedSnapshotStatusOfSDKName(""), -1);
}

TEST_F(ManagerTest, ExperimentIDsComeFromUnkeyedSDKsSorted) {
  Register("a", {});
  Register("b", {});
  Register("keyed", {}, std::string());  // an empty key of its own still counts as one
  EXPECT_TRUE(manager_->experimentIDs().empty());
  Fetched({Snapshot("a", {Experiment(40, {}), Experiment(0, {IntFlag("x", 1)}), Experiment(3, {})}),
           Snapshot("b", {Experiment(12, {})}), Snapshot("keyed", {Experiment(1, {})})});
  APMError error;
  for (const char* name : {"a", "b", "keyed"}) ASSERT_TRUE(manager_->activateSnapshotOfSDK(name, &error)) << name;
  EXPECT_EQ(manager_->experimentIDs(), (std::vector<int64_t>{3, 12, 40}));
}

TEST_F(ManagerTest, ResetToDefaultsKeepsPendingAndLaunched) {
  auto client = Register("sdk", {{"a", Num(1)}, {"l", Num(1)}});
  Fetched({Snapshot("sdk", {Experiment(4, {IntFlag("a", 2)}), Experiment(0, {IntFlag("l", 2)})})});
  APMError error;
  ASSERT_TRUE(client->activateLatestSnapshot(&error));
  Fetched({Snapshot("sdk", {Experiment(5, {IntFlag("a", 3)})})});
  Forget();
  client->resetToDefaults();
  EXPECT_TRUE(Reported(800027));
  EXPECT_EQ(IntValue(client->valueForFlag("a")), 1);
  EXPECT_EQ(IntValue(client->valueForFlag("l")), 2);
  EXPECT_EQ(manager_->activatedSnapshotStatusOfSDKName("sdk"), -2);
  ASSERT_TRUE(client->activateLatestSnapshot(&error));
  EXPECT_EQ(IntValue(client->valueForFlag("a")), 3);
  EXPECT_EQ(IntValue(client->valueForFlag("l")), 2);

  Forget();
  manager_->resetToDefaultsOfSDKName("never");
  EXPECT_TRUE(Reported(800026));
  manager_->resetToDefaultsOfSDKName("");
  EXPECT_TRUE(Reported(800025));

  // A full reset empties the snapshots but keeps the clients and defaults.
  manager_->reset();
  Drain();
  EXPECT_EQ(IntValue(client->valueForFlag("a")), 1);
  EXPECT_EQ(IntValue(client->valueForFlag("l")), 1);
  EXPECT_EQ(manager_->clientForSDKName("sdk"), client);
}

TEST_F(ManagerTest, WhetherToFetchAsksEveryDelegateOutsideTheSerialQueue) {
  EXPECT_FALSE(manager_->taskManagerShouldFetchExperiments(*taskManager_));
  auto a = Register("a", {});
  auto b = Register("b", {});
  auto no = std::make_shared<Observer>();
  no->fetchAnswer = false;
  // A client without delegate counts as a yes.
  a->setDelegate(no);
  EXPECT_TRUE(manager_->taskManagerShouldFetchExperiments(*taskManager_));
  b->setDelegate(no);
  EXPECT_FALSE(manager_->taskManagerShouldFetchExperiments(*taskManager_));
  auto silent = std::make_shared<Observer>();  // does not implement the question
  b->setDelegate(silent);
  EXPECT_TRUE(manager_->taskManagerShouldFetchExperiments(*taskManager_));

  // A delegate that looks a flag up while answering must not find the queue held.
  class Asking : public Observer {
   public:
    std::function<void()> ask;
    std::optional<bool> shouldFetchExperimentsForClient(APMEClient&) override {
      ask();
      return false;
    }
  };
  auto asking = std::make_shared<Asking>();
  std::atomic<bool> answered{false};
  asking->ask = [&] {
    manager_->flagValueForFlagName("f", "a");
    answered = true;
  };
  a->setDelegate(asking);
  b->setDelegate(asking);
  bool answer = true;
  manager_->dispatchSyncOnSerialQueue([] {});
  std::thread worker([&] { answer = manager_->taskManagerShouldFetchExperiments(*taskManager_); });
  worker.join();
  EXPECT_TRUE(answered);
  EXPECT_FALSE(answer);
}

TEST_F(ManagerTest, NewSnapshotsAreAnnouncedOnTheDelegatesQueueAndErrorsOnTheirClients) {
  Start();
  auto withQueue = Register("queued", {});
  auto onMain = Register("main", {});
  auto unheard = Register("unheard", {});
  auto queued = std::make_shared<Observer>();
  queued->deliveryQueue = platform::DispatchQueue::create("observer-queue");
  auto mainObserver = std::make_shared<Observer>();
  auto deaf = std::make_shared<Observer>();
  deaf->implementsNewSnapshot = false;
  withQueue->setDelegate(queued);
  onMain->setDelegate(mainObserver);
  unheard->setDelegate(deaf);

  Forget();
  Fetched({Snapshot("queued", {Experiment(1, {})}), Snapshot("main", {Experiment(2, {})}),
           Snapshot("unheard", {Experiment(3, {})})},
          {{"main", APMError(APMETaskManager::kErrorDomain, -3)}, {"nobody", APMError(APMETaskManager::kErrorDomain, -1)}});
  Drain();
  EXPECT_EQ(queued->Deliveries(), (std::vector<std::string>{"queued@observer-queue"}));
  EXPECT_EQ(mainObserver->Deliveries(), (std::vector<std::string>{"main@main"}));
  EXPECT_TRUE(deaf->Deliveries().empty());
  EXPECT_EQ(mainObserver->errors, (std::map<std::string, int64_t>{{"main", -3}}));
  // Those announced wait in the database for their SDK; the other one does not.
  APMError error;
  std::optional<std::vector<APMESnapshot>> stored;
  taskManager_->dispatchSyncOnWorkerQueue([&] { stored = taskManager_->database()->fetchAllPendingSnapshots(&error); });
  ASSERT_TRUE(stored);
  std::vector<std::string> names;
  for (const auto& snapshot : *stored) {
    names.push_back(snapshot.SDKName());
    EXPECT_TRUE(snapshot.manuallyActivated());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"main", "queued"}));

  // Nothing fetched and nothing failed: nothing to tell.
  Forget();
  Fetched({});
  EXPECT_TRUE(Reported(800020));
  // A stored snapshot whose SDK has no listening delegate is reported.
  manager_->taskManagerDidUpsertPendingSnapshots(*taskManager_, {Snapshot("unheard", {})});
  Drain();
  EXPECT_TRUE(Reported(800021));
}

TEST_F(ManagerTest, ABlockThatThrowsIsLoggedAndTheQueueGoesOn) {
  Forget();
  manager_->dispatchSyncOnSerialQueue([] { throw std::runtime_error("sync"); });
  EXPECT_TRUE(Reported(800018));
  manager_->dispatchAsyncOnSerialQueue([] { throw std::runtime_error("async"); });
  Drain();
  EXPECT_TRUE(Reported(800017));
  bool ran = false;
  manager_->dispatchSyncOnSerialQueue([&] { ran = true; });
  EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace experimentstest
