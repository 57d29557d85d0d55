// A run killed (SIGKILL) while the collector holds its upload's reply loses
// nothing: the next run on the same data root uploads every event committed
// before the kill, and the only events sent twice are those of the batch
// that was in flight, in bundles with the same bundle index.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/PropertyList.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/Runtime/Deployment.h"
#include "tests/support/MeasurementConfigBuilder.h"
#include "tests/support/MeasurementCollector.h"
#include "tests/tools/apm-sim/ReadFile.h"

extern char** environ;

namespace {

using platform::Value;
using testsupport::DecodedBatch;
using testsupport::MeasurementCollector;
using Route = MeasurementCollector::Route;

constexpr int kGroups = 3;
constexpr int kEventsPerGroup = 4;

// Starts apm-sim on the scenario with the data root and deployment given,
// its output going to a file; the child's PID, or -1.
pid_t StartSimulation(const std::string& scenario, const std::string& root, const std::string& deployment,
                      const std::string& output) {
  std::vector<std::string> entries;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string(*e).rfind(std::string(platform::Deployment::kEnvironmentVariable) + "=", 0) != 0) {
      entries.emplace_back(*e);
    }
  }
  entries.push_back(std::string(platform::Deployment::kEnvironmentVariable) + "=" + deployment);
  std::vector<char*> env;
  for (auto& entry : entries) env.push_back(entry.data());
  env.push_back(nullptr);
  std::string program = APM_SIM_PATH;
  std::string scenarioArg = scenario;
  std::string rootFlag = "--root";
  std::string rootArg = root;
  char* argv[] = {program.data(), scenarioArg.data(), rootFlag.data(), rootArg.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, env.data());
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

// The child's exit status; -1 when it did not exit by itself.
int WaitFor(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// (bundle index, sequence numbers of its events) of each bundle of a batch.
std::vector<std::pair<int64_t, std::vector<int64_t>>> Bundles(const DecodedBatch& batch) {
  std::vector<std::pair<int64_t, std::vector<int64_t>>> out;
  for (const auto& bundle : batch.bundles) {
    std::vector<int64_t> seqs;
    for (const auto& event : bundle.events) {
      if (const auto* seq = event.param("seq"); seq != nullptr && seq->intValue) seqs.push_back(*seq->intValue);
    }
    out.emplace_back(bundle.wire.int64(testsupport::bundlefield::kBundleIndex).value_or(-1), seqs);
  }
  return out;
}

TEST(ApmSimKill, ARunKilledMidUploadLosesNothingAndRepeatsOnlyTheBatchInFlight) {
  platform::TemporaryDataRoot scratch;
  const std::string root = scratch.path() + "/sim";
  ASSERT_TRUE(platform::FileManager::defaultManager().createDirectoryAtPath(root, true).ok());

  MeasurementCollector collector;
  ASSERT_TRUE(collector.start());
  // One bundle per batch, so the queue holds bundles that were not in flight.
  MeasurementCollector::Reply config;
  config.status = 200;
  auto body = measurement_config::ConfigBuilder()
                  .version(1)
                  .settings({{"measurement.upload.max_bundles", "1"}})
                  .config->protoBuffer();
  ASSERT_TRUE(body);
  config.body.assign(body->begin(), body->end());
  collector.setDefaultReply(Route::kConfig, config);
  MeasurementCollector::Reply held;
  held.hold = true;
  collector.queueReply(Route::kUpload, held);

  const std::string deployment = scratch.path() + "/deployment.plist";
  ASSERT_TRUE(
      platform::PropertyList::writeFile(
          deployment, Value(Value::Dictionary{
                          {platform::Deployment::kMeasurementServiceHostKey, Value(collector.hostAndPort())},
                          {platform::Deployment::kTrustedCertificatesFileKey, Value(collector.certificateFile())}}))
          .ok());

  // First run: events in three clock hours (three bundles) while offline,
  // past the persisted state's one-second flush, then an upload whose reply
  // never comes.
  nlohmann::json steps = nlohmann::json::array({{{"reachable", false}}});
  int seq = 0;
  for (int group = 0; group < kGroups; ++group) {
    for (int i = 0; i < kEventsPerGroup; ++i) {
      steps.push_back({{"log", "tick"}, {"parameters", {{"seq", seq++}}}});
    }
    steps.push_back({{"advance", group + 1 < kGroups ? 3600 : 2}});
  }
  steps.push_back({{"reachable", true}});
  steps.push_back({{"upload", true}});
  // The first open's real-time event armed the upload timer; when the upload
  // above only fetched the configuration, the timer sends the batch.
  steps.push_back({{"advance", 60}});
  const std::string first = scratch.path() + "/first.json";
  std::ofstream(first) << nlohmann::json{{"steps", steps}}.dump(2);
  const std::string second = scratch.path() + "/second.json";
  std::ofstream(second) << nlohmann::json{{"start", 1700000000.0 + 4 * 3600}, {"steps", {{{"drain", true}}}}}.dump(2);

  const std::string firstOutput = scratch.path() + "/first.out";
  const pid_t child = StartSimulation(first, root, deployment, firstOutput);
  ASSERT_GT(child, 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (collector.requests(Route::kUpload).empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(kill(child, SIGKILL), 0);
  EXPECT_EQ(WaitFor(child), -1);
  ASSERT_EQ(collector.requests(Route::kUpload).size(), 1u) << ReadFile(firstOutput);
  collector.releaseHeld();
  const auto inFlight = collector.requests(Route::kUpload)[0].batch;
  ASSERT_TRUE(inFlight) << collector.requests(Route::kUpload)[0].batchError;

  // Second run on the same root: every event goes, and only the batch that
  // was in flight goes again, as the same bundles.
  const std::string secondOutput = scratch.path() + "/second.out";
  const pid_t again = StartSimulation(second, root, deployment, secondOutput);
  ASSERT_GT(again, 0);
  ASSERT_EQ(WaitFor(again), 0) << ReadFile(secondOutput);

  const auto uploads = collector.requests(Route::kUpload);
  ASSERT_GT(uploads.size(), 1u) << ReadFile(secondOutput);
  std::map<int64_t, std::vector<int64_t>> resent;  // bundle index -> events
  std::multiset<int64_t> sentAfterKill;
  for (std::size_t i = 1; i < uploads.size(); ++i) {
    ASSERT_TRUE(uploads[i].batch) << uploads[i].batchError;
    for (const auto& [index, seqs] : Bundles(*uploads[i].batch)) {
      resent[index] = seqs;
      sentAfterKill.insert(seqs.begin(), seqs.end());
    }
  }
  for (int s = 0; s < seq; ++s) EXPECT_EQ(sentAfterKill.count(s), 1u) << "event " << s;

  const auto killed = Bundles(*inFlight);
  ASSERT_FALSE(killed.empty());
  std::set<int64_t> inFlightEvents;
  for (const auto& [index, seqs] : killed) {
    ASSERT_TRUE(resent.count(index)) << "bundle " << index << " was not sent again";
    EXPECT_EQ(resent[index], seqs) << "bundle " << index;
    inFlightEvents.insert(seqs.begin(), seqs.end());
  }
  // Some events were still queued, not in flight: they went once only.
  EXPECT_LT(inFlightEvents.size(), static_cast<std::size_t>(seq));
}

}  // namespace
