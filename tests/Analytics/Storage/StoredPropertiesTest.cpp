#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Analytics/Engine/APMConditionalUserProperty.h"
#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMEvent.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/APMDatabase.h"
#include "Analytics/Storage/APMEventFilter.h"
#include "Analytics/Storage/APMFilterResult.h"
#include "Analytics/Storage/APMUserAttribute.h"
#include "Analytics/Storage/Audience/APMPropertyFilter.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "tests/Analytics/Storage/MeasurementDatabaseFixture.h"

namespace {

using platform::Value;

class StoredPropertiesTest : public MeasurementDatabaseFixture {
 protected:
  bool SetAttribute(const std::string& name, APMValue value, double time = kFixtureNow, APMError* error = nullptr) {
    auto attribute = APMUserAttribute::initWithOrigin("app", name, std::move(value), time);
    EXPECT_TRUE(attribute) << name;
    return attribute && database_->updateUserAttribute(&*attribute, error);
  }
  static std::vector<std::string> Names(const std::vector<APMUserAttribute>& attributes) {
    std::vector<std::string> names;
    for (const auto& attribute : attributes) names.push_back(attribute.name());
    return names;
  }
  static std::vector<std::string> Names(const std::vector<APMConditionalUserProperty>& properties) {
    std::vector<std::string> names;
    for (const auto& property : properties) names.push_back(property.name());
    std::sort(names.begin(), names.end());
    return names;
  }
  static APMConditionalUserProperty Property(const std::string& name, const std::string& origin = "app") {
    APMConditionalUserProperty property;
    property.setName(name);
    property.setOrigin(origin);
    property.setValue(APMValue("v"));
    property.setTriggerTimeout(60);
    property.setTimeToLive(3600);
    property.setCreationTimestamp(kFixtureNow);
    return property;
  }
  static APMEvent Event(const std::string& name) {
    return *APMEvent::initWithOrigin("app", false, name, kFixtureNow, 0, APMEvent::Parameters{{"p", APMValue(1)}});
  }
};

TEST_F(StoredPropertiesTest, UserPropertiesAtTheLimitAndValues) {
  ASSERT_TRUE(database_->performTransaction([&] {
    for (int i = 0; i < 1000; ++i) {
      if (!SetAttribute("p" + std::to_string(i), APMValue(int64_t{i}))) return false;
    }
    return true;
  }));
  APMError error;
  EXPECT_TRUE(SetAttribute("p5", APMValue(2.5), kFixtureNow, &error));
  EXPECT_FALSE(SetAttribute("new_one", APMValue(1), kFixtureNow, &error));
  EXPECT_EQ(error.localizedDescription(), "Failed to insert data type. Table is full");
  EXPECT_EQ(database_->userAttributeWithName("p5", nullptr)->value(), APMValue(2.5));
  EXPECT_EQ(database_->publicUserAttributeCount(nullptr), Value(1000));
  EXPECT_EQ(database_->userAttributeCountForOrigin("app", nullptr), Value(1000));
  EXPECT_EQ(database_->containsUserAttributeWithName("p7", nullptr), Value(1));
  EXPECT_FALSE(database_->userAttributeCountForOrigin("", &error));
  ASSERT_TRUE(database_->deleteUserAttributeWithName("p7", nullptr));
  EXPECT_EQ(database_->containsUserAttributeWithName("p7", nullptr), Value(0));
}

TEST_F(StoredPropertiesTest, GarbageValueGivesNoProperty) {
  SetAttribute("_ltv_USD", APMValue(1.0));
  ASSERT_TRUE(database_->sqliteStore().updateRecord({{"value", Value::bytes("\x01\x02")}}, "user_attributes", "name",
                                                    Value("_ltv_USD"), nullptr));
  APMError error;
  EXPECT_FALSE(database_->userAttributeWithName("_ltv_USD", &error));
  EXPECT_FALSE(database_->allLifetimeValueUserAttributes(&error));  // one bad row fails the list
  EXPECT_TRUE(database_->userAttributesIncludingInternal(true, &error)->empty());
}

TEST_F(StoredPropertiesTest, EmptyStringValueIsRefused) {
  // The record itself refuses an empty value; the database checks it too.
  EXPECT_FALSE(APMUserAttribute::initWithOrigin("app", "p", APMValue(""), kFixtureNow));
  auto attribute = APMUserAttribute::initWithOrigin("", "p", APMValue("x"), kFixtureNow);
  ASSERT_TRUE(attribute);
  APMError error;
  EXPECT_FALSE(database_->updateUserAttribute(&*attribute, &error));
  EXPECT_EQ(error.localizedDescription(),
            "Received user property with empty origin for getting dictionary representation");
}

TEST_F(StoredPropertiesTest, PublicListHidesInternalReservedAndPublicSpellingsOfInternalNames) {
  for (const char* name : {"level", "_fot", "tq_thing", "first_open_time", "score"}) SetAttribute(name, APMValue(1));
  EXPECT_EQ(Names(*database_->userAttributesIncludingInternal(false, nullptr)),
            (std::vector<std::string>{"level", "score"}));
  EXPECT_EQ(database_->userAttributesIncludingInternal(true, nullptr)->size(), 5u);
}

TEST_F(StoredPropertiesTest, LifetimeValuePrefixIsLiteral) {
  SetAttribute("_ltv_USD", APMValue(5.0), kFixtureNow - 10);
  SetAttribute("_ltv_EUR", APMValue(3.0), kFixtureNow);
  SetAttribute("altv_score", APMValue(1));  // "_" as a wildcard would match it
  SetAttribute("xltvxfoo", APMValue(1));
  APMError error;
  auto ltv = database_->allLifetimeValueUserAttributes(&error);
  ASSERT_TRUE(ltv) << error.localizedDescription();
  EXPECT_EQ(Names(*ltv), (std::vector<std::string>{"_ltv_EUR", "_ltv_USD"}));
}

TEST_F(StoredPropertiesTest, ConditionalPropertySetAnewDropsItsOldEvents) {
  auto first = Property("prop");
  first.setTriggerEventName("buy");
  first.setTriggeredEvent(Event("triggered"));
  first.setExpiredEvent(Event("expired"));
  APMError error;
  ASSERT_TRUE(database_->updateConditionalUserProperty(&first, &error)) << error.localizedDescription();
  auto back = database_->conditionalUserPropertyWithName("prop", &error);
  ASSERT_TRUE(back);
  ASSERT_TRUE(back->triggeredEvent());
  EXPECT_EQ(back->triggeredEvent()->name(), "triggered");
  EXPECT_EQ(back->triggeredEvent()->parameters(), first.triggeredEvent()->parameters());
  EXPECT_EQ(back->triggerEventName(), "buy");

  auto second = Property("prop");
  second.setValue(APMValue(int64_t{7}));
  ASSERT_TRUE(database_->updateConditionalUserProperty(&second, &error));
  back = database_->conditionalUserPropertyWithName("prop", &error);
  ASSERT_TRUE(back);
  EXPECT_FALSE(back->triggeredEvent());
  EXPECT_FALSE(back->expiredEvent());
  EXPECT_EQ(back->triggerEventName(), "");
  EXPECT_EQ(back->value(), APMValue(int64_t{7}));
}

TEST_F(StoredPropertiesTest, ConditionalPropertyQueriesByTime) {
  auto waiting = Property("waiting");
  waiting.setTriggerEventName("buy");
  auto active = Property("active");
  active.setActive(true);
  active.setTriggeredTimestamp(kFixtureNow - 7200);
  for (auto* property : {&waiting, &active}) ASSERT_TRUE(database_->updateConditionalUserProperty(property, nullptr));
  EXPECT_EQ(Names(*database_->triggeredConditionalUserPropertiesWithEventName("buy", nullptr)),
            (std::vector<std::string>{"waiting"}));
  EXPECT_EQ(Names(*database_->expiredConditionalUserPropertiesWithError(nullptr)),
            (std::vector<std::string>{"active"}));
  EXPECT_TRUE(database_->timedOutConditionalUserPropertiesWithError(nullptr)->empty());
  clock_->advance(61);
  EXPECT_EQ(Names(*database_->timedOutConditionalUserPropertiesWithError(nullptr)),
            (std::vector<std::string>{"waiting"}));
  EXPECT_TRUE(database_->triggeredConditionalUserPropertiesWithEventName("buy", nullptr)->empty());
  APMError error;
  EXPECT_FALSE(database_->triggeredConditionalUserPropertiesWithEventName("", &error));
  ASSERT_TRUE(database_->deleteConditionalUserPropertyWithName("waiting", nullptr));
  EXPECT_EQ(Count("conditional_properties"), 1);
}

TEST_F(StoredPropertiesTest, PrefixAndOriginMatchLiterally) {
  for (const char* name : {"my_prop", "myXprop", "MY_PROP2", "other"}) {
    auto property = Property(name);
    ASSERT_TRUE(database_->updateConditionalUserProperty(&property, nullptr));
  }
  auto odd = Property("odd", "a%b");
  ASSERT_TRUE(database_->updateConditionalUserProperty(&odd, nullptr));
  struct Case {
    const char* prefix;
    const char* origin;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"", "", {"MY_PROP2", "myXprop", "my_prop", "odd", "other"}},
      {"my_pro", "", {"MY_PROP2", "my_prop"}},  // no "myXprop"; ASCII case folding stays
      {"", "%", {}},                            // a "%" origin is no wildcard
      {"", "a%b", {"odd"}},
      {"", "APP", {"MY_PROP2", "myXprop", "my_prop", "other"}},
      {"my!", "", {}},
  };
  for (const Case& c : cases) {
    APMError error;
    auto found = database_->conditionalUserPropertiesWithPrefix(c.prefix, c.origin, &error);
    ASSERT_TRUE(found) << error.localizedDescription();
    EXPECT_EQ(Names(*found), c.names) << c.prefix << " / " << c.origin;
  }
}

TEST_F(StoredPropertiesTest, GarbageEventBlobMakesTheRowUnreadable) {
  auto property = Property("prop");
  ASSERT_TRUE(database_->updateConditionalUserProperty(&property, nullptr));
  auto& store = database_->sqliteStore();
  for (const Value& garbage : {Value::bytes("\xff\xff\xff"), Value("text"), Value(5)}) {
    ASSERT_TRUE(store.updateRecord({{"triggered_event", garbage}}, "conditional_properties", "name", Value("prop"),
                                   nullptr));
    APMError error;
    EXPECT_FALSE(database_->conditionalUserPropertyWithName("prop", &error));
    EXPECT_EQ(error.code(), 2);
    EXPECT_FALSE(database_->conditionalUserPropertiesWithPrefix("", "", &error));
  }
  APMError error;
  EXPECT_FALSE(database_->conditionalUserPropertiesWithCondition("", {}, &error));
  EXPECT_EQ(error.localizedDescription(), "Received empty condition for querying a conditional user property");
}

TEST_F(StoredPropertiesTest, PurchaseFingerprints) {
  APMError error;
  EXPECT_EQ(database_->insertIfNotDuplicatePurchaseFingerprint("f", &error), true);
  EXPECT_EQ(database_->insertIfNotDuplicatePurchaseFingerprint("f", &error), false);
  EXPECT_EQ(database_->insertIfNotDuplicatePurchaseFingerprint("", &error), false);
  ASSERT_TRUE(database_->performTransaction([&] {
    for (int i = 0; i < 1000; ++i) database_->insertIfNotDuplicatePurchaseFingerprint("g" + std::to_string(i), nullptr);
    return true;
  }));
  EXPECT_EQ(Count("purchase_transactions"), 1000);
  EXPECT_EQ(database_->insertIfNotDuplicatePurchaseFingerprint("f", &error), true);  // the oldest went
}

TEST_F(StoredPropertiesTest, DeletedPurchaseFingerprintsCountAsNewAgain) {
  for (const char* f : {"a", "b", "c"}) database_->insertIfNotDuplicatePurchaseFingerprint(f, nullptr);
  APMError error;
  EXPECT_FALSE(database_->deletePurchaseFingerprints({}, &error));
  EXPECT_EQ(error.localizedDescription(), "Received empty purchase fingerprints to delete");
  EXPECT_FALSE(database_->deletePurchaseFingerprints({"a", ""}, &error));
  EXPECT_EQ(error.localizedDescription(), "Received invalid purchase fingerprint to delete");
  EXPECT_EQ(Count("purchase_transactions"), 3);
  ASSERT_TRUE(database_->deletePurchaseFingerprints({"a", "c"}, &error));
  EXPECT_EQ(database_->insertIfNotDuplicatePurchaseFingerprint("a", nullptr), true);
  EXPECT_EQ(database_->insertIfNotDuplicatePurchaseFingerprint("b", nullptr), false);
}

TEST_F(StoredPropertiesTest, Subscriptions) {
  EXPECT_EQ(database_->insertIfNotDuplicateSubscriptionID("s", nullptr), true);
  EXPECT_EQ(database_->insertIfNotDuplicateSubscriptionID("s", nullptr), false);
  EXPECT_EQ(database_->deleteSubscriptionsOverLimit(nullptr), 0);
}

TEST_F(StoredPropertiesTest, FiltersAndResults) {
  auto eventFilter = std::make_shared<APMPBEventFilter>();
  APMPBSetBool(eventFilter.get(), 7, true);
  APMPBSetBool(eventFilter.get(), 6, true);
  platform::Bytes eventBytes = *eventFilter->protoBuffer();
  if (eventBytes.empty()) eventBytes = {0x08, 0x01};
  std::vector<APMEventFilter> events{APMEventFilter(1, 10, "buy", eventBytes, true, false, true),
                                     APMEventFilter(2, 20, "buy", platform::Bytes{0xff, 0xff, 0xff}, false, true, true)};
  APMError error;
  ASSERT_TRUE(database_->updateEventFilters(events, &error)) << error.localizedDescription();
  auto read = database_->eventFiltersForEventName("buy", &error);
  ASSERT_TRUE(read);
  ASSERT_EQ(read->size(), 2u);
  EXPECT_TRUE((*read)[0].isSessionScoped());
  EXPECT_TRUE((*read)[0].isSequence());
  EXPECT_FALSE((*read)[0].isDynamic());
  // An unreadable blob still gives the record, with every flag off.
  EXPECT_FALSE((*read)[1].isSessionScoped() || (*read)[1].isDynamic() || (*read)[1].isSequence());

  std::vector<APMPropertyFilter> properties{APMPropertyFilter(3, 30, "level", platform::Bytes{0x08, 0x01}, true,
                                                              false, false)};
  ASSERT_TRUE(database_->updatePropertyFilters(properties, &error));
  EXPECT_EQ(database_->propertyFiltersForPropertyName("level", nullptr)->size(), 1u);
  EXPECT_EQ(*database_->allAudienceIDs(nullptr), (std::vector<int32_t>{1, 2, 3}));
  auto scoped = *database_->allSessionScopedFilters(nullptr);
  EXPECT_EQ(scoped.size(), 2u);
  EXPECT_EQ(scoped[1], std::vector<int32_t>{10});
  EXPECT_FALSE(database_->updateEventFilters({APMEventFilter(4, 40, "", eventBytes, false, false, false)}, &error));
  EXPECT_EQ(error.localizedDescription(),
            "Received event filter with empty event name for getting dictionary representation");
  ASSERT_TRUE(database_->deleteEventFilters({events[0]}, &error));
  EXPECT_EQ(database_->eventFiltersForEventName("buy", nullptr)->size(), 1u);
  ASSERT_TRUE(database_->deleteAllPropertyFilters(nullptr));
  EXPECT_EQ(*database_->allAudienceIDs(nullptr), (std::vector<int32_t>{2}));

  ASSERT_TRUE(database_->updateFilterResults({APMFilterResult(1, {1, 2}, platform::Bytes{}),
                                              APMFilterResult(2, {3}, platform::Bytes{4})},
                                             &error));
  auto rows = database_->sqliteStore().recordsForQuery(
      "SELECT previous_results FROM audience_filter_values WHERE audience_id = 1", {}, nullptr);
  EXPECT_TRUE((*rows)[0].at("previous_results").isNull());
  EXPECT_FALSE(database_->filterResultForAudienceID(1, nullptr)->previousResults());
  EXPECT_EQ(database_->allFilterResults(nullptr)->at(2).previousResults(), platform::Bytes{4});
  ASSERT_TRUE(database_->deleteFilterResults({APMFilterResult(1, {1}, std::nullopt),
                                              APMFilterResult(1, {1}, std::nullopt)},
                                             &error));
  EXPECT_EQ(database_->allFilterResults(nullptr)->size(), 1u);
}

TEST_F(StoredPropertiesTest, ComplexEventMainEvent) {
  APMEvent event = Event("main");
  APMError error;
  ASSERT_TRUE(database_->updateComplexEventForAudienceEvaluationWithEventID(5, 3, &event, &error));
  auto pair = database_->mainEventAndChildCountPairWithEventID(5, &error);
  ASSERT_TRUE(pair);
  EXPECT_EQ(pair->mainEvent->name(), "main");
  EXPECT_EQ(pair->childCount, 3);
  EXPECT_FALSE(database_->mainEventAndChildCountPairWithEventID(6, &error));
  ASSERT_TRUE(database_->sqliteStore().updateRecord({{"main_event", Value::bytes("\xff\xff")}}, "main_event_params",
                                                    "event_id", Value(5), nullptr));
  EXPECT_FALSE(database_->mainEventAndChildCountPairWithEventID(5, &error));
  EXPECT_EQ(error.localizedDescription(), "Main event blob is nil in database");
  ASSERT_TRUE(database_->deleteComplexEventForAudienceEvaluationWithEventID(5, nullptr));
  EXPECT_EQ(Count("main_event_params"), 0);
}

}  // namespace
