// Experiment records and the body of the experiments fetch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/Experiments/APMEExperiment.h"
#include "Analytics/Storage/Experiments/APMEExperimentRequestBuilder.h"
#include "Analytics/Storage/Experiments/APMEManager.h"
#include "Analytics/Storage/Experiments/APMESDKProperty.h"
#include "Analytics/Storage/Experiments/APMESDKPropertyProviderDelegate.h"
#include "Analytics/Storage/Experiments/APMESnapshot.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/Locale.h"
#include "tests/Analytics/Storage/Experiments/ExperimentsFixture.h"
#include "tests/Analytics/Storage/Experiments/PinnedRequest.h"

namespace experimentstest {
namespace {

class RecordsTest : public ExperimentsFixture {
 protected:
  void SetUp() override {
    ExperimentsFixture::SetUp();
    APMEExperimentRequestBuilder::sharedInstance().removeAllSDKPropertiesForTesting();
    UsePinnedApp(true);
  }
  void TearDown() override {
    APMEExperimentRequestBuilder::sharedInstance().removeAllSDKPropertiesForTesting();
    APMESDKProperty::setFallbackDiversionKeyProviderForTesting({});
    UsePinnedApp(false);
    ExperimentsFixture::TearDown();
  }
};

// Bytes as hex, so a mismatch shows where it starts.
std::string Hex(const std::optional<std::vector<uint8_t>>& bytes) {
  if (!bytes) return "none";
  std::string out;
  char two[3];
  for (uint8_t b : *bytes) {
    std::snprintf(two, sizeof two, "%02x", b);
    out += two;
  }
  return out;
}

TEST_F(RecordsTest, EveryRefusalLeavesNothingBehindAndIsReported) {
  auto good = IntFlag("f", 1);
  auto nameless = std::make_shared<APMPBFlag>();
  APMPBSetInt64(nameless.get(), 1, 3);
  auto experiment = Experiment(4, {good});
  auto snapshot = Snapshot("sdk", {experiment});
  const std::vector<APMPBObject> flagsThenText{APMPBObject(std::shared_ptr<NANOMessageBase>(good)), APMPBObject("f")};
  const std::vector<APMPBObject> goodFlags{APMPBObject(std::shared_ptr<NANOMessageBase>(good))};

  struct Case {
    const char* what;
    std::function<bool()> refused;  // true when the call made nothing or changed nothing
    int code;
  };
  const std::vector<Case> cases = {
      {"snapshot without name",
       [] {
         std::vector<std::optional<APMEExperiment>> none;
         return !APMESnapshot::initWithSDKName(std::nullopt, &none);
       }, 840000},
      {"snapshot with an empty name",
       [] {
         std::vector<std::optional<APMEExperiment>> none;
         return !APMESnapshot::initWithSDKName(std::string(), &none);
       }, 840000},
      {"snapshot without a list",
       [] { return !APMESnapshot::initWithSDKName(std::string("sdk"), nullptr); }, 840001},
      {"snapshot with a failed experiment after a good one",
       [&] {
         std::vector<std::optional<APMEExperiment>> list{experiment, std::nullopt};
         return !APMESnapshot::initWithSDKName(std::string("sdk"), &list);
       }, 840002},
      {"flag into a snapshot without ID",
       [&] {
         snapshot.addFlag(APMPBObject(std::shared_ptr<NANOMessageBase>(IntFlag("g", 2))), std::nullopt);
         return !snapshot.flagByName("g");
       }, 840003},
      {"text as a flag into a snapshot",
       [&] {
         snapshot.addFlag(APMPBObject("g"), 9);
         return snapshot.experiments().size() == 1;
       }, 840004},
      {"property without name", [] { return !APMESDKProperty::initWithName(std::nullopt); }, 860000},
      {"property without any diversion key",
       [] {
         APMESDKProperty::setFallbackDiversionKeyProviderForTesting([] { return std::string(); });
         auto property = APMESDKProperty::initWithName(std::string("sdk"));
         property->setDiversionKey(std::string());
         bool refused = property->proto() == nullptr;
         APMESDKProperty::setFallbackDiversionKeyProviderForTesting({});
         return refused;
       }, 860001},
      {"experiment without ID", [&] { return !APMEExperiment::initWithExperimentID(APMPBObject(), &goodFlags); }, 870000},
      {"experiment with a text ID",
       [&] { return !APMEExperiment::initWithExperimentID(APMPBObject("7"), &goodFlags); }, 870001},
      {"experiment without a flag list",
       [] { return !APMEExperiment::initWithExperimentID(APMPBNumber::numberWithInt(7), nullptr); }, 870002},
      {"experiment with text among its flags",
       [&] { return !APMEExperiment::initWithExperimentID(APMPBNumber::numberWithInt(7), &flagsThenText); }, 870003},
      {"nil flag into an experiment",
       [&] {
         experiment.addFlag(APMPBObject());
         return experiment.flags().size() == 1;
       }, 870004},
      {"another message as a flag",
       [&] {
         experiment.addFlag(APMPBObject(std::shared_ptr<NANOMessageBase>(std::make_shared<APMPBSnapshot>())));
         return experiment.flags().size() == 1;
       }, 870005},
      {"nameless flag",
       [&] {
         experiment.addFlag(APMPBObject(std::shared_ptr<NANOMessageBase>(nameless)));
         return experiment.flags().size() == 1;
       }, 870006},
      {"flag lookup without a name", [&] { return experiment.flagWithName("") == nullptr; }, 870007},
      {"missing property for the request",
       [] {
         APMEExperimentRequestBuilder::sharedInstance().addSDKProperty(nullptr);
         auto request = APMEExperimentRequestBuilder::sharedInstance().request();
         return APMPBGetMessageArray<APMPBClientProperty>(request.get(), 1).empty();
       }, 880000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Forget();
    EXPECT_TRUE(c.refused());
    EXPECT_TRUE(Reported(c.code));
  }
}

TEST_F(RecordsTest, SnapshotsKeepTheLaterExperimentOfAnIDAndCopiesAreFresh) {
  auto empty = APMESnapshot::initWithSDKName("sdk", std::vector<APMEExperiment>{});
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->experiments().empty());
  auto proto = empty->proto();
  EXPECT_EQ(APMPBGetString(proto.get(), 0), "sdk");

  auto twice = Snapshot("sdk", {Experiment(3, {IntFlag("f", 1)}), Experiment(3, {IntFlag("f", 2)})});
  ASSERT_EQ(twice.experiments().size(), 1u);
  EXPECT_EQ(IntValue(APMPBFlagGetValue(twice.flagByName("f").get())), 2);

  twice.setTimestamp(kNow - 7 * 86400);
  twice.setManuallyActivated(true);
  clock_->advance(5);
  APMESnapshot copy = twice.copy();
  EXPECT_EQ(copy.timestamp(), kNow + 5);
  EXPECT_FALSE(copy.manuallyActivated());
  EXPECT_EQ(IntValue(APMPBFlagGetValue(copy.flagByName("f").get())), 2);
  // The copy owns its flags: changing the original's flag leaves it alone.
  APMPBSetInt64(twice.flagByName("f").get(), 1, 99);
  EXPECT_EQ(IntValue(APMPBFlagGetValue(copy.flagByName("f").get())), 2);

  // A flag added under a new ID makes that experiment; under a known ID it joins it.
  copy.addFlag(APMPBObject(std::shared_ptr<NANOMessageBase>(IntFlag("g", 7))), 8);
  copy.addFlag(APMPBObject(std::shared_ptr<NANOMessageBase>(IntFlag("h", 9))), 3);
  ASSERT_EQ(copy.experiments().size(), 2u);
  EXPECT_EQ(IntValue(APMPBFlagGetValue(copy.flagByName("g").get())), 7);
  EXPECT_EQ(IntValue(APMPBFlagGetValue(copy.flagByName("h").get())), 9);
}

TEST_F(RecordsTest, WireFormsRoundTripAndWideIDsTruncateToThirtyTwoBits) {
  auto snapshot = Snapshot("sdk", {Experiment(0, {IntFlag("a", 1)}), Experiment(2147483648LL, {IntFlag("b", 2)}),
                                   Experiment(12, {Flag("c", "text"), IntFlag("d", 4)})});
  auto bytes = snapshot.proto()->protoBuffer();
  ASSERT_TRUE(bytes);
  auto decoded = APMPBSnapshot::initWithBuffer(*bytes);
  ASSERT_TRUE(decoded);
  auto back = APMESnapshot::initWithProtobuf(*decoded);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->SDKName(), "sdk");
  std::vector<int64_t> ids;
  for (const auto& experiment : back->experiments()) ids.push_back(experiment.experimentID());
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (std::vector<int64_t>{-2147483648LL, 0, 12}));
  EXPECT_EQ(*APMPBFlagGetValue(back->flagByName("c").get()).string(), "text");
  EXPECT_EQ(IntValue(APMPBFlagGetValue(back->flagByName("d").get())), 4);

  // A wire experiment without ID is experiment 0; a snapshot without name is refused.
  auto bare = std::make_shared<APMPBExperiment>();
  EXPECT_EQ(APMEExperiment::initWithProtobuf(*bare).experimentID(), 0);
  EXPECT_FALSE(APMESnapshot::initWithProtobuf(APMPBSnapshot()));
}

TEST_F(RecordsTest, RequestBytesArePinned) {
  auto provider = std::make_shared<PinnedProperties>();
  auto property = PinnedProperty(provider);
  auto other = APMESDKProperty::initWithName(std::string("unkeyed"));
  APMESDKProperty::setFallbackDiversionKeyProviderForTesting([] { return std::string(); });
  auto& builder = APMEExperimentRequestBuilder::sharedInstance();
  builder.addSDKProperty(property);
  builder.addSDKProperty(other);  // no key anywhere: left out of the request

  // The dynamic "tier" replaces the static one; "extra" joins.
  const std::vector<uint8_t>& expected = kPinnedRequest;
  EXPECT_EQ(Hex(builder.request()->protoBuffer()), Hex(expected));

  // With no SDK encodable only the app property is sent.
  builder.removeAllSDKPropertiesForTesting();
  builder.addSDKProperty(other);
  const std::vector<uint8_t> appOnly(expected.begin(), expected.begin() + 43);
  EXPECT_EQ(Hex(builder.request()->protoBuffer()), Hex(appOnly));

  // The engine identity's key stands in for a missing one of the property's own.
  APMESDKProperty::setFallbackDiversionKeyProviderForTesting([] { return std::string("ident"); });
  auto encoded = other->proto();
  ASSERT_TRUE(encoded);
  EXPECT_EQ(APMPBGetString(encoded.get(), 1), "ident-unkeyed");
  EXPECT_FALSE(APMPBHasField(encoded.get(), 3));
  EXPECT_TRUE(APMPBGetMessageArray<APMPBCustomProperty>(encoded.get(), 4).empty());
}

TEST_F(RecordsTest, ModuleVersionDropsTheLastThreeDigits) { EXPECT_EQ(APMEManager::version(), 10000); }

}  // namespace
}  // namespace experimentstest
