// The engine forgets the purchase fingerprints of a batch the purchase
// reporter dropped, through the hook it installs as the shared engine.
#include <string>
#include <vector>

#include "Analytics/Engine/APMEngineHooks.h"
#include "tests/Analytics/Engine/Measurement/MeasurementFixture.h"

namespace {

using measurement_test::MeasurementFixture;

constexpr const char* kFingerprint = "aef0615a55910d9f5a8fcd57b5a4a45f";

class PurchaseFingerprintsTest : public MeasurementFixture {
 protected:
  std::optional<bool> Record(const std::string& fingerprint) {
    std::optional<bool> inserted;
    onWorker([&] {
      APMError error;
      inserted = engine_->database()->insertIfNotDuplicatePurchaseFingerprint(fingerprint, &error);
    });
    return inserted;
  }
};

TEST_F(PurchaseFingerprintsTest, ForgottenFingerprintsAreNewAgain) {
  start();
  ASSERT_EQ(Record(kFingerprint), true);
  ASSERT_EQ(Record("kept"), true);
  ASSERT_EQ(Record(kFingerprint), false);
  ASSERT_TRUE(APMEngineHooks::forgetPurchaseFingerprints({kFingerprint}));
  settle();
  EXPECT_EQ(Record(kFingerprint), true) << "still marked as reported";
  EXPECT_EQ(Record("kept"), false) << "another purchase was forgotten too";
  EXPECT_FALSE(logged(21029));
}

TEST_F(PurchaseFingerprintsTest, ARefusedDeletionIsLogged) {
  start();
  forgetLog();
  ASSERT_TRUE(APMEngineHooks::forgetPurchaseFingerprints({kFingerprint, ""}));
  settle();
  EXPECT_TRUE(logged(21029));
  // Nothing to forget asks nothing of the database.
  forgetLog();
  APMEngineHooks::forgetPurchaseFingerprints({});
  settle();
  EXPECT_FALSE(logged(21029));
}

TEST_F(PurchaseFingerprintsTest, NoEngineNoHook) {
  APMMeasurement::resetSharedInstanceForTesting();
  EXPECT_FALSE(APMEngineHooks::forgetPurchaseFingerprints({kFingerprint}));
}

}  // namespace
