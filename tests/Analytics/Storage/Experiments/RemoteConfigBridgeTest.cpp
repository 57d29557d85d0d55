// The remote configuration as the experiments SDK "app_measurement": its
// switches read the client's flags, a new snapshot waits for
// activateNewSnapshot, and the experiment IDs come from the manager.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Analytics/Engine/APMIdentity.h"
#include "Analytics/Storage/APMDatabase.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "tests/Analytics/Storage/Experiments/ManagerFixture.h"

namespace experimentstest {
namespace {

class RemoteConfigBridgeTest : public ManagerFixture {};

TEST_F(RemoteConfigBridgeTest, SwitchesFollowTheActivatedExperimentFlags) {
  Start();
  APMError error;
  auto database = APMDatabase::initWithDatabaseName(APMDatabase::kDatabaseName, nullptr, &error);
  ASSERT_TRUE(database) << error.localizedDescription();
  auto config = APMRemoteConfig::initWithAppID("1:1234567890:ios:00aa11bb22cc", database, manager_);
  ASSERT_TRUE(config);
  Drain();
  auto client = manager_->clientForSDKName(APMRemoteConfig::kExperimentsSDKName);
  ASSERT_TRUE(client);
  EXPECT_EQ(client, config->experimentClient());
  EXPECT_EQ(client->SDKProperty()->version(), APMIdentity::appMeasurementLibraryVersion());

  // The registered default (off) answers before the setting is read.
  config->setConfiguredSettings({{"measurement.network.background_session_enabled", "1"},
                                 {"measurement.upload.dma_consent_enabled", "0"}});
  EXPECT_FALSE(config->isNetworkBackgroundSessionEnabled());
  EXPECT_FALSE(config->DMAConsentEnabled());
  EXPECT_FALSE(config->activateNewSnapshot());  // nothing new yet

  Fetched({Snapshot(APMRemoteConfig::kExperimentsSDKName,
                    {Experiment(9, {IntFlag("network_background_session_enabled", 1), IntFlag("dma_consent_enabled", 1)}),
                     Experiment(0, {Flag("gcs_g2_enabled", "true")})})});
  Drain();  // the announcement comes on the main queue
  EXPECT_FALSE(config->isNetworkBackgroundSessionEnabled());
  ASSERT_TRUE(config->activateNewSnapshot());
  EXPECT_TRUE(config->isNetworkBackgroundSessionEnabled());
  EXPECT_TRUE(config->DMAConsentEnabled());
  EXPECT_TRUE(config->consentSignalsG2Enabled());
  EXPECT_EQ(config->experimentIDs(), (std::vector<int64_t>{9}));
  EXPECT_FALSE(config->activateNewSnapshot());

  // A reset of the configuration resets the experiments too.
  config->reset();
  Drain();
  EXPECT_FALSE(config->isNetworkBackgroundSessionEnabled());
  EXPECT_TRUE(config->experimentIDs().empty());
  EXPECT_FALSE(config->DMAConsentEnabled());
}

TEST_F(RemoteConfigBridgeTest, WithoutAManagerThereAreNoExperiments) {
  APMError error;
  auto database = APMDatabase::initWithDatabaseName(APMDatabase::kDatabaseName, nullptr, &error);
  auto config = APMRemoteConfig::initWithAppID("1:1234567890:ios:00aa11bb22cc", database, nullptr);
  ASSERT_TRUE(config);
  EXPECT_FALSE(config->experimentClient());
  EXPECT_TRUE(config->experimentIDs().empty());
  config->clientDidReceiveNewSnapshot(nullptr);
  EXPECT_FALSE(config->activateNewSnapshot());
}

}  // namespace
}  // namespace experimentstest
