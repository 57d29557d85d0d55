#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Analytics/Engine/APMIdentifiers.h"
#include "Analytics/Engine/Interface/APMAnalytics.h"
#include "Platform/Foundation/RunLoop.h"
#include "tests/Analytics/Engine/IdentityFixture.h"

namespace identity_test {
namespace {

constexpr int kThreads = 8;

// Starts every body at once and joins them.
template <typename Body>
void RunTogether(int threads, Body body) {
  std::atomic<int> ready{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      ready.fetch_add(1);
      while (ready.load() < threads) std::this_thread::yield();
      body(t);
    });
  }
  for (auto& worker : workers) worker.join();
}

bool IsAppInstanceID(const std::optional<std::string>& id) {
  return id && id->size() == 32 && id->find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

using ConcurrentIdentityTest = IdentityFixture;

TEST_F(ConcurrentIdentityTest, AdEventIDsAreUniqueAndConsecutiveAcrossThreads) {
  constexpr int kPerThread = 2000;
  std::vector<std::vector<uint64_t>> seen(kThreads);
  RunTogether(kThreads, [&](int t) {
    APMIdentifiers& identifiers = APMIdentifiers::sharedInstance();
    for (int i = 0; i < kPerThread; ++i) seen[t].push_back(static_cast<uint64_t>(std::stoll(identifiers.adEventID())));
  });
  std::vector<uint64_t> all;
  for (const auto& ids : seen) {
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()) || ids.front() > ids.back()) << "each thread sees them grow";
    all.insert(all.end(), ids.begin(), ids.end());
  }
  // Offsets from the smallest handed out, wrapping like the counter does.
  const uint64_t base = *std::min_element(all.begin(), all.end());
  std::set<uint64_t> offsets;
  for (uint64_t id : all) offsets.insert(id - base);
  EXPECT_EQ(offsets.size(), all.size()) << "no ID twice";
  EXPECT_EQ(*offsets.rbegin(), all.size() - 1) << "no gaps";
}

TEST_F(ConcurrentIdentityTest, IdentityReadsAndWritesFromManyThreads) {
  setRemoteSettings({{"measurement.ad_id_cache_time", "0"}});
  auto config = makeConfig();
  auto identity = makeIdentity(config);
  std::vector<std::string> keys(kThreads), ephemerals(kThreads);
  std::atomic<int> malformed{0};
  RunTogether(kThreads, [&](int t) {
    for (int i = 0; i < 200; ++i) {
      switch ((t + i) % 6) {
        case 0:
          apptrackingtransparency::ATTrackingManager::setTrackingAuthorizationStatus(i % 4);
          SetAdvertising(true, i % 2 ? "6D92078A-8246-4BA4-AE5B-76104861E7DC" : APMIdentity::kZeroDeviceID);
          break;
        case 1:
          if (!IsAppInstanceID(identity->appInstanceID())) ++malformed;
          break;
        case 2: {
          auto id = identity->resettableDeviceID();
          if (id && id->size() != 36) ++malformed;
          identity->appleConsentStatus();
          identity->limitedAdTracking();
          break;
        }
        case 3:
          if (!identity->sessionStitchingTokenWithSessionNumber(i, i % 3 == 0, t % 2 == 0)) ++malformed;
          break;
        case 4:
          identity->setQuorvaneInstallationID("installation-" + std::to_string(t));
          identity->updateIdentifiers();
          if (identity->quorvaneInstallationID().rfind("installation-", 0) != 0) ++malformed;
          break;
        default:
          identity->resetSessionStitchingToken();
          identity->hashedResettableDeviceID();
          break;
      }
    }
    keys[t] = identity->diversionKey();
    ephemerals[t] = identity->ephemeralAppInstanceID();
  });
  EXPECT_EQ(malformed.load(), 0);
  for (int t = 1; t < kThreads; ++t) {
    EXPECT_EQ(keys[t], keys[0]) << "one diversion key";
    EXPECT_EQ(ephemerals[t], ephemerals[0]) << "one ephemeral ID";
  }
  EXPECT_EQ(keys[0].size(), 5u);
}

TEST_F(ConcurrentIdentityTest, ConsentChangesWhileTheIdentityRefreshes) {
  setRemoteSettings({{"measurement.ad_id_cache_time", "0"}});
  auto config = makeConfig();
  auto identity = makeIdentity(config);
  std::atomic<int> badSignals{0};
  RunTogether(kThreads, [&](int t) {
    for (int i = 0; i < 150; ++i) {
      const char* status = (i + t) % 2 ? "granted" : "denied";
      switch (t % 4) {
        case 0:
          APMAnalytics::setConsent(
              APMConsentSettingsUtil::Settings{{"analytics_storage", platform::Value(status)},
                                               {"ad_storage", platform::Value(status)}});
          break;
        case 1:
          APMConsentSettingsUtil::updateSettings(
              APMConsentSettingsUtil::Settings{{"analytics_storage", platform::Value(status)}});
          break;
        case 2: {
          const std::string signals = APMConsentSettingsUtil::consentSignals();
          const bool wellFormed = signals.size() == 4 && signals.rfind("G1", 0) == 0 &&
                                  std::string("10-").find(signals[2]) != std::string::npos &&
                                  std::string("10-").find(signals[3]) != std::string::npos;
          if (!wellFormed) ++badSignals;
          APMConsentSettingsUtil::isAdStorageDenied();
          APMConsentSettingsUtil::consentDiagnostics();
          break;
        }
        default:
          identity->appInstanceID();
          identity->enforceConsentSettings();
          identity->sessionStitchingTokenWithSessionNumber(i, false, false);
          break;
      }
    }
  });
  EXPECT_EQ(badSignals.load(), 0);

  // Once the threads are done, the last consent decides.
  APMConsentSettingsUtil::updateSettings(APMConsentSettingsUtil::Settings{{"analytics_storage", platform::Value("denied")}});
  EXPECT_FALSE(identity->appInstanceID());
  EXPECT_FALSE(config->appInstanceID());
  APMConsentSettingsUtil::updateSettings(APMConsentSettingsUtil::Settings{{"analytics_storage", platform::Value("granted")}});
  EXPECT_TRUE(IsAppInstanceID(identity->appInstanceID()));
}

TEST_F(ConcurrentIdentityTest, VendorIDReadByManyThreadsWhileTheMainLoopTurns) {
  auto identity = makeIdentity();
  std::vector<std::optional<std::string>> results(kThreads);
  std::atomic<int> done{0};
  std::thread group([&] {
    RunTogether(kThreads, [&](int t) {
      results[t] = identity->identifierForVendor();
      done.fetch_add(1);
    });
  });
  EXPECT_TRUE(platform::RunLoop::main().runUntil([&] { return done.load() == kThreads; }, 30));
  group.join();
  ASSERT_TRUE(results[0]);
  for (const auto& result : results) EXPECT_EQ(result, results[0]);
  EXPECT_EQ(*results[0], uikit::Device::identifierForVendor()->uuidString());
}

}  // namespace
}  // namespace identity_test
