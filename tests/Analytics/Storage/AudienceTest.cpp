#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Protobuf/APMPBTextFormat.h"
#include "Analytics/Storage/Audience/APMAudience.h"
#include "tests/Analytics/Storage/MeasurementDatabaseFixture.h"

namespace {

// Field indexes of the messages built here.
namespace audience_field {
constexpr int32_t kID = 0, kPropertyFilters = 1, kEventFilters = 2;
}
namespace event_field {
constexpr int32_t kID = 0, kName = 1, kParameters = 2, kCount = 4, kDynamic = 5, kSequence = 6, kSession = 7;
}
namespace property_field {
constexpr int32_t kID = 0, kName = 1, kFilter = 2, kDynamic = 3, kSequence = 4, kSession = 5;
}
namespace result_field {
constexpr int32_t kResults = 0, kStatus = 1, kDynamic = 2, kSequence = 3;
}

struct Flags {
  bool dynamic = false;
  bool sequence = false;
  bool session = false;
};

std::shared_ptr<APMPBNumberFilter> Number(std::optional<int32_t> type, std::optional<std::string> value,
                                          bool asFloat = false) {
  auto filter = std::make_shared<APMPBNumberFilter>();
  if (type) APMPBSetInt32(filter.get(), 0, *type);
  if (asFloat) APMPBSetBool(filter.get(), 1, true);
  if (value) APMPBSetString(filter.get(), 2, *value);
  return filter;
}
std::shared_ptr<APMPBStringFilter> String(std::optional<int32_t> type, std::optional<std::string> expression) {
  auto filter = std::make_shared<APMPBStringFilter>();
  if (type) APMPBSetInt32(filter.get(), 0, *type);
  if (expression) APMPBSetString(filter.get(), 1, *expression);
  return filter;
}
std::shared_ptr<APMPBFilter> Generic(std::optional<std::string> name, std::shared_ptr<APMPBStringFilter> string,
                                     std::shared_ptr<APMPBNumberFilter> number = nullptr) {
  auto filter = std::make_shared<APMPBFilter>();
  if (string) APMPBSetMessage(filter.get(), 0, string.get());
  if (number) APMPBSetMessage(filter.get(), 1, number.get());
  if (name) APMPBSetString(filter.get(), 3, *name);
  return filter;
}
std::shared_ptr<APMPBEventFilter> EventFilter(std::optional<int32_t> id, std::optional<std::string> name,
                                              std::vector<std::shared_ptr<APMPBFilter>> parameters = {},
                                              Flags flags = {}, std::shared_ptr<APMPBNumberFilter> count = nullptr) {
  auto filter = std::make_shared<APMPBEventFilter>();
  if (id) APMPBSetInt32(filter.get(), event_field::kID, *id);
  if (name) APMPBSetString(filter.get(), event_field::kName, *name);
  APMPBSetMessageArray(filter.get(), event_field::kParameters, parameters);
  if (count) APMPBSetMessage(filter.get(), event_field::kCount, count.get());
  if (flags.dynamic) APMPBSetBool(filter.get(), event_field::kDynamic, true);
  if (flags.sequence) APMPBSetBool(filter.get(), event_field::kSequence, true);
  if (flags.session) APMPBSetBool(filter.get(), event_field::kSession, true);
  return filter;
}
std::shared_ptr<APMPBPropertyFilter> PropertyFilter(std::optional<int32_t> id, std::optional<std::string> name,
                                                    std::shared_ptr<APMPBFilter> generic, Flags flags = {}) {
  auto filter = std::make_shared<APMPBPropertyFilter>();
  if (id) APMPBSetInt32(filter.get(), property_field::kID, *id);
  if (name) APMPBSetString(filter.get(), property_field::kName, *name);
  if (generic) APMPBSetMessage(filter.get(), property_field::kFilter, generic.get());
  if (flags.dynamic) APMPBSetBool(filter.get(), property_field::kDynamic, true);
  if (flags.sequence) APMPBSetBool(filter.get(), property_field::kSequence, true);
  if (flags.session) APMPBSetBool(filter.get(), property_field::kSession, true);
  return filter;
}
std::shared_ptr<APMPBAudience> Audience(std::optional<int32_t> id,
                                        std::vector<std::shared_ptr<APMPBEventFilter>> events,
                                        std::vector<std::shared_ptr<APMPBPropertyFilter>> properties = {}) {
  auto audience = std::make_shared<APMPBAudience>();
  if (id) APMPBSetInt32(audience.get(), audience_field::kID, *id);
  APMPBSetMessageArray(audience.get(), audience_field::kEventFilters, events);
  APMPBSetMessageArray(audience.get(), audience_field::kPropertyFilters, properties);
  return audience;
}
// An event filter "contains <text>" on the parameter "p".
std::shared_ptr<APMPBEventFilter> ContainsFilter(int32_t id, const std::string& event, const std::string& text,
                                                 Flags flags = {}) {
  return EventFilter(id, event, {Generic("p", String(4, text))}, flags);
}
std::shared_ptr<APMPBPropertyFilter> PropertyContains(int32_t id, const std::string& name, const std::string& text,
                                                      Flags flags = {}) {
  return PropertyFilter(id, name, Generic(std::nullopt, String(4, text)), flags);
}

APMEvent::Parameters Params(const std::string& value) { return {{"p", APMValue(value)}}; }

std::vector<uint64_t> Words(const APMPBResultData& data, int32_t field) {
  std::vector<uint64_t> words;
  for (const auto& element : APMPBGetArray(&data, field, nullptr).value_or(std::vector<APMPBObject>{})) {
    words.push_back(element.number()->unsignedLongLongValue());
  }
  return words;
}
std::vector<int64_t> DynamicTimes(const APMPBResultData& data) {
  std::vector<int64_t> times;
  for (const auto& entry : APMPBGetMessageArray<APMPBDynamicFilterResultTimestamp>(&data, result_field::kDynamic)) {
    times.push_back(APMPBGetInt64(entry.get(), 1));
  }
  return times;
}

class AudienceTest : public MeasurementDatabaseFixture {
 protected:
  void SetUp() override {
    MeasurementDatabaseFixture::SetUp();
    // Moves from a unique or a shared owner alike.
    db_ = std::move(database_);
    audience_ = std::make_unique<APMAudience>(db_);
  }
  void TearDown() override {
    audience_.reset();
    db_.reset();
    MeasurementDatabaseFixture::TearDown();
  }

  std::optional<APMFilterResult> Stored(int32_t audienceID) { return db_->filterResultForAudienceID(audienceID, nullptr); }
  std::shared_ptr<APMPBResultData> Current(int32_t audienceID) {
    auto stored = Stored(audienceID);
    return stored ? APMPBResultData::initWithBuffer(stored->currentResults()) : nullptr;
  }
  bool IsTrue(int32_t audienceID, int32_t filterID) {
    auto stored = Stored(audienceID);
    return APMAudience::isFilterResultTrue(stored ? &*stored : nullptr, filterID);
  }
  bool Event(const std::string& name, const std::string& value, double time = kFixtureNow) {
    return audience_->evaluateFiltersForEventName(name, Params(value), nullptr, time, nullptr);
  }
  bool Property(const std::string& name, APMValue value, double time = kFixtureNow) {
    auto property = APMUserAttribute::initWithOrigin("app", name, std::move(value), time);
    EXPECT_TRUE(property);
    return property && audience_->evaluateFiltersForUserProperty(*property, nullptr, time);
  }
  size_t CountLines(const std::string& fragment) {
    APMMeasurementMonitor().waitForPendingWork();
    auto lines = capture_.lines();
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
      return line.find(fragment) != std::string::npos;
    }));
  }

  std::shared_ptr<APMDatabase> db_;
  std::unique_ptr<APMAudience> audience_;
};

TEST_F(AudienceTest, ValidationNamesEachFaultWithItsCode) {
  struct Case {
    std::string what;
    std::shared_ptr<APMPBAudience> audience;
    int64_t code;
    std::string text;
  };
  auto good = [] { return ContainsFilter(0, "e", "x"); };
  auto goodProperty = [] { return PropertyContains(0, "u", "x"); };
  std::vector<std::shared_ptr<APMPBFilter>> tooManyParameters(26, Generic("p", String(4, "x")));
  const std::vector<Case> cases = {
      {"no ID", Audience(std::nullopt, {good()}), 9, "Missing audience ID"},
      {"negative ID", Audience(-1, {good()}), 9, "Audience ID is negative"},
      {"duplicate ID", Audience(7, {good()}), 9, "Duplicate audience ID"},
      {"no filters", Audience(1, {}), 9, "Audience filter count out of range"},
      {"eleven filters", Audience(1, {good(), ContainsFilter(1, "e", "x"), ContainsFilter(2, "e", "x"),
                                      ContainsFilter(3, "e", "x"), ContainsFilter(4, "e", "x"),
                                      ContainsFilter(5, "e", "x")},
                                  {PropertyContains(0, "u", "x"), PropertyContains(1, "u", "x"),
                                   PropertyContains(2, "u", "x"), PropertyContains(3, "u", "x"),
                                   PropertyContains(4, "u", "x")}),
       9, "Audience filter count out of range"},
      {"event name missing", Audience(1, {EventFilter(0, std::nullopt)}), 10, "Event filter missing event name"},
      {"event name empty", Audience(1, {EventFilter(0, "")}), 10, "Event filter missing event name"},
      {"event ID missing", Audience(1, {EventFilter(std::nullopt, "e")}), 10, "Missing event filter ID"},
      {"event ID negative", Audience(1, {EventFilter(-1, "e")}), 10, "Event filter ID is out of range"},
      {"event ID at limit", Audience(1, {EventFilter(10, "e")}), 10, "Event filter ID is out of range"},
      {"event ID repeated", Audience(1, {good(), good()}), 10, "Duplicate event filter ID"},
      {"float count", Audience(1, {EventFilter(0, "e", {}, {}, Number(2, "1", true))}), 10,
       "Event filter has float event count filter"},
      {"bad count", Audience(1, {EventFilter(0, "e", {}, {}, Number(2, "x"))}), 10,
       "Event filter has invalid event count filter"},
      {"26 parameters", Audience(1, {EventFilter(0, "e", tooManyParameters)}), 10,
       "Event filter parameters filters count out of range"},
      {"parameter name", Audience(1, {EventFilter(0, "e", {Generic("", String(4, "x"))})}), 10,
       "Event filter missing parameter name"},
      {"both parts", Audience(1, {EventFilter(0, "e", {Generic("p", String(4, "x"), Number(2, "1"))})}), 10,
       "Event filter must have exactly one of number or string filter"},
      {"neither part", Audience(1, {EventFilter(0, "e", {Generic("p", nullptr)})}), 10,
       "Event filter must have exactly one of number or string filter"},
      {"bad number", Audience(1, {EventFilter(0, "e", {Generic("p", nullptr, Number(0, "1"))})}), 10,
       "Event filter has invalid number filter"},
      {"bad string", Audience(1, {EventFilter(0, "e", {Generic("p", String(1, "("))})}), 10,
       "Event filter has invalid string filter"},
      {"property name", Audience(1, {}, {PropertyContains(0, "", "x")}), 11, "Property filter missing property name"},
      {"property ID missing", Audience(1, {}, {PropertyFilter(std::nullopt, "u", Generic(std::nullopt, String(4, "x")))}),
       11, "Missing property filter ID"},
      {"property ID range", Audience(1, {}, {PropertyContains(10, "u", "x")}), 11, "Property filter ID is out of range"},
      {"property ID repeated", Audience(1, {}, {goodProperty(), goodProperty()}), 11, "Duplicate property filter ID"},
      {"no filter", Audience(1, {}, {PropertyFilter(0, "u", nullptr)}), 11, "Property filter has no filter"},
      {"property both", Audience(1, {}, {PropertyFilter(0, "u", Generic(std::nullopt, String(4, "x"), Number(2, "1")))}),
       11, "Property filter must have exactly one of number or string filter"},
      {"property bad number", Audience(1, {}, {PropertyFilter(0, "u", Generic(std::nullopt, nullptr, Number(3, "")))}),
       11, "Property filter has invalid number filter"},
      {"property bad string", Audience(1, {}, {PropertyFilter(0, "u", Generic(std::nullopt, String(6, "x")))}), 11,
       "Property filter has invalid string filter"},
  };
  for (const Case& c : cases) {
    APMError error;
    EXPECT_FALSE(APMAudience::isValidAudience(*c.audience, {7}, &error)) << c.what;
    EXPECT_EQ(error.code(), c.code) << c.what;
    EXPECT_EQ(error.localizedDescription(), c.text) << c.what;
  }
  // Event and property filters may share an ID; the limit counts both lists.
  APMError error;
  EXPECT_TRUE(APMAudience::isValidAudience(*Audience(1, {good()}, {goodProperty()}), {7}, &error))
      << error.localizedDescription();
  // A lower limit moves the range of IDs with it.
  config_->setConfiguredSettings({{"measurement.audience.filter_max_count_per_audience", "2"}});
  EXPECT_FALSE(APMAudience::isValidAudience(*Audience(1, {ContainsFilter(2, "e", "x")}), {}, &error));
  EXPECT_EQ(error.localizedDescription(), "Event filter ID is out of range");
}

TEST_F(AudienceTest, StoresValidAudiencesWithInternalNamesAndSkipsInvalidOnes) {
  auto purchase = EventFilter(3, "in_app_purchase", {Generic("ad_unit_id", String(4, "x")), Generic("mine", String(4, "y"))},
                              {.dynamic = true, .session = true});
  auto property = PropertyContains(4, "first_open_time", "1", {.sequence = true});
  ASSERT_TRUE(audience_->updateAudiences({Audience(1, {purchase}, {property}), Audience(-2, {ContainsFilter(0, "e", "x")}),
                                          Audience(1, {ContainsFilter(0, "e", "x")})}));
  EXPECT_TRUE(Logged("Audience definition is invalid. Audience will not be saved"));

  auto events = db_->eventFiltersForEventName("_iap", nullptr);
  ASSERT_TRUE(events);
  ASSERT_EQ(events->size(), 1u);
  const APMEventFilter& row = events->front();
  EXPECT_EQ(row.audienceID(), 1);
  EXPECT_EQ(row.filterID(), 3);
  EXPECT_TRUE(row.isDynamic());
  EXPECT_TRUE(row.isSessionScoped());
  EXPECT_FALSE(row.isSequence());
  auto stored = APMPBEventFilter::initWithBuffer(row.data());
  ASSERT_TRUE(stored);
  EXPECT_EQ(APMPBGetString(stored.get(), event_field::kName), "_iap");
  auto parameters = APMPBGetMessageArray<APMPBFilter>(stored.get(), event_field::kParameters);
  ASSERT_EQ(parameters.size(), 2u);
  EXPECT_EQ(APMPBGetString(parameters[0].get(), 3), "_ai");
  EXPECT_EQ(APMPBGetString(parameters[1].get(), 3), "mine");
  EXPECT_TRUE(db_->eventFiltersForEventName("in_app_purchase", nullptr)->empty());

  auto properties = db_->propertyFiltersForPropertyName("_fot", nullptr);
  ASSERT_TRUE(properties);
  ASSERT_EQ(properties->size(), 1u);
  EXPECT_TRUE(properties->front().isSequence());
  EXPECT_EQ(APMPBGetString(APMPBPropertyFilter::initWithBuffer(properties->front().data()).get(), property_field::kName),
            "_fot");
  // The event evaluates under its internal name.
  EXPECT_TRUE(audience_->evaluateFiltersForEventName("_iap", {{"_ai", APMValue("x")}, {"mine", APMValue("y")}}, nullptr,
                                                      kFixtureNow, nullptr));
  EXPECT_TRUE(IsTrue(1, 3));

  // A new configuration replaces every row.
  ASSERT_TRUE(audience_->updateAudiences({Audience(2, {ContainsFilter(0, "e", "x")})}));
  EXPECT_TRUE(db_->eventFiltersForEventName("_iap", nullptr)->empty());
  EXPECT_TRUE(db_->propertyFiltersForPropertyName("_fot", nullptr)->empty());
  EXPECT_EQ(db_->allAudienceIDs(nullptr), std::vector<int32_t>{2});
}

TEST_F(AudienceTest, TooManyAudiencesChangeNothing) {
  ASSERT_TRUE(audience_->updateAudiences({Audience(500, {ContainsFilter(0, "e", "x")})}));
  std::vector<std::shared_ptr<APMPBAudience>> many;
  for (int32_t id = 0; id < 101; ++id) many.push_back(Audience(id, {ContainsFilter(0, "e", "x")}));
  EXPECT_TRUE(audience_->updateAudiences(many));
  EXPECT_TRUE(Logged("Configuration contains too many audiences. Audiences will not be saved"));
  EXPECT_EQ(db_->allAudienceIDs(nullptr), std::vector<int32_t>{500});
  many.pop_back();
  EXPECT_TRUE(audience_->updateAudiences(many));
  EXPECT_EQ(db_->allAudienceIDs(nullptr)->size(), 100u);
}

TEST_F(AudienceTest, EventFiltersKeepTheirTruthByKind) {
  // Filter IDs up to 99 with the highest limit.
  config_->setConfiguredSettings({{"measurement.audience.filter_max_count_per_audience", "100"}});
  ASSERT_TRUE(audience_->updateAudiences({
      Audience(1, {ContainsFilter(0, "e", "a")}),                     // plain
      Audience(2, {ContainsFilter(0, "e", "a", {.dynamic = true})}),  // dynamic
      Audience(3, {ContainsFilter(70, "e", "a")}),                    // beyond the first word
  }));
  ASSERT_TRUE(Event("e", "a", 100));
  for (int32_t audience : {1, 2}) EXPECT_TRUE(IsTrue(audience, 0)) << audience;
  auto wide = Current(3);
  ASSERT_TRUE(wide);
  EXPECT_EQ(Words(*wide, result_field::kStatus), (std::vector<uint64_t>{0, uint64_t{1} << 6}));
  EXPECT_EQ(Words(*wide, result_field::kResults), (std::vector<uint64_t>{0, uint64_t{1} << 6}));
  EXPECT_EQ(DynamicTimes(*Current(2)), std::vector<int64_t>{100});
  const auto plainBefore = Stored(1)->currentResults();

  // A non-matching event: the plain filter is not even looked at again, the
  // dynamic one stays true without a new time.
  ASSERT_TRUE(Event("e", "b", 200));
  EXPECT_EQ(Stored(1)->currentResults(), plainBefore);
  EXPECT_TRUE(IsTrue(2, 0));
  EXPECT_EQ(DynamicTimes(*Current(2)), std::vector<int64_t>{100});
  ASSERT_TRUE(Event("e", "a", 300));
  EXPECT_EQ(DynamicTimes(*Current(2)), std::vector<int64_t>{300});
  // No answer (the parameter is missing) leaves the audience alone.
  const auto dynamicBefore = Stored(2)->currentResults();
  ASSERT_TRUE(audience_->evaluateFiltersForEventName("e", {}, nullptr, 400, nullptr));
  EXPECT_EQ(Stored(2)->currentResults(), dynamicBefore);
}

TEST_F(AudienceTest, PropertyFiltersFollowTheirDynamicAndSessionRules) {
  ASSERT_TRUE(audience_->updateAudiences({
      Audience(1, {}, {PropertyContains(0, "u", "a")}),
      Audience(2, {}, {PropertyContains(0, "u", "a", {.dynamic = true})}),
      Audience(3, {}, {PropertyContains(0, "u", "a", {.dynamic = true, .session = true})}),
  }));
  ASSERT_TRUE(Property("u", APMValue("a"), 100));
  for (int32_t audience : {1, 2, 3}) EXPECT_TRUE(IsTrue(audience, 0)) << audience;
  ASSERT_TRUE(Property("u", APMValue("b"), 200));
  EXPECT_TRUE(IsTrue(1, 0));
  EXPECT_FALSE(IsTrue(2, 0));
  EXPECT_TRUE(IsTrue(3, 0));
  // The dynamic filter's false is an evaluation: its status bit stays set.
  EXPECT_EQ(Words(*Current(2), result_field::kStatus), std::vector<uint64_t>{1});
  EXPECT_EQ(Words(*Current(2), result_field::kResults), std::vector<uint64_t>{0});
}

TEST_F(AudienceTest, NanoPropertiesConvertOrFail) {
  ASSERT_TRUE(audience_->updateAudiences(
      {Audience(1, {}, {PropertyFilter(0, "u", Generic(std::nullopt, nullptr, Number(2, "10")), {.dynamic = true})})}));
  APMPBUserAttribute empty;
  APMPBSetString(&empty, 1, "u");
  EXPECT_FALSE(audience_->evaluateFiltersForNanoUserProperty(empty, nullptr, std::nullopt));
  EXPECT_TRUE(Logged("Could not convert user property from nano format."));
  EXPECT_FALSE(Stored(1));

  APMPBUserAttribute number;
  APMPBSetString(&number, 1, "u");
  APMPBSetInt64(&number, 0, 5'000'500);
  APMPBSetInt64(&number, 3, 11);
  // Without a time the property is evaluated at its set time (whole seconds stored).
  ASSERT_TRUE(audience_->evaluateFiltersForNanoUserProperty(number, nullptr, std::nullopt));
  EXPECT_EQ(DynamicTimes(*Current(1)), std::vector<int64_t>{5000});
  ASSERT_TRUE(audience_->evaluateFiltersForNanoUserProperty(number, nullptr, 6000.0));
  EXPECT_EQ(DynamicTimes(*Current(1)), std::vector<int64_t>{6000});
  // A numeric string meets the number filter as a number; a double too.
  APMPBUserAttribute text;
  APMPBSetString(&text, 1, "u");
  APMPBSetString(&text, 2, "9");
  ASSERT_TRUE(audience_->evaluateFiltersForNanoUserProperty(text, nullptr, 7000.0));
  EXPECT_FALSE(IsTrue(1, 0));
  APMPBUserAttribute real;
  APMPBSetString(&real, 1, "u");
  APMPBSetDouble(&real, 5, 10.5);
  ASSERT_TRUE(audience_->evaluateFiltersForNanoUserProperty(real, nullptr, 8000.0));
  EXPECT_TRUE(IsTrue(1, 0));
}

TEST_F(AudienceTest, HostileRegexIsTriedOncePerConfiguration) {
  auto hostile = [] {
    return Audience(1, {EventFilter(0, "e", {Generic("p", String(1, "(a|a)*b"))}), ContainsFilter(1, "e", "a")});
  };
  ASSERT_TRUE(audience_->updateAudiences({hostile()}));
  const std::string subject(100, 'a');
  const std::string limitLine = "Regular expression evaluation exceeded its limit";
  ASSERT_TRUE(Event("e", subject, 100));
  EXPECT_EQ(CountLines(limitLine), 1u);
  const auto afterFirst = Current(1);
  ASSERT_TRUE(afterFirst);
  // The other filter of the audience still counts; the hostile one has no status.
  EXPECT_EQ(Words(*afterFirst, result_field::kStatus), std::vector<uint64_t>{0b10});

  ASSERT_TRUE(Event("e", subject, 200));
  ASSERT_TRUE(Event("e", subject + "b", 300));
  EXPECT_EQ(CountLines(limitLine), 1u);
  EXPECT_EQ(Words(*Current(1), result_field::kStatus), std::vector<uint64_t>{0b10});

  // A new configuration (or launch) gives the filter one more try.
  ASSERT_TRUE(audience_->updateAudiences({hostile()}));
  ASSERT_TRUE(Event("e", subject, 400));
  EXPECT_EQ(CountLines(limitLine), 2u);
  APMAudience relaunched(db_);
  ASSERT_TRUE(relaunched.evaluateFiltersForEventName("e", Params(subject), nullptr, 500, nullptr));
  EXPECT_EQ(CountLines(limitLine), 3u);
  // A pattern that needs few steps answers and is stored.
  ASSERT_TRUE(audience_->updateAudiences({Audience(1, {EventFilter(0, "e", {Generic("p", String(1, "b+"))})})}));
  ASSERT_TRUE(Event("e", "abbc", 600));
  EXPECT_TRUE(IsTrue(1, 0));
}

TEST_F(AudienceTest, BundlingMovesCurrentToPreviousAndCutsRepeatedSequences) {
  ASSERT_TRUE(audience_->updateAudiences({Audience(1, {ContainsFilter(0, "e", "a", {.sequence = true})}),
                                          Audience(2, {ContainsFilter(0, "f", "a")})}));
  APMAudienceTimestampsCache batch;
  ASSERT_TRUE(audience_->evaluateFiltersForEventName("e", Params("a"), nullptr, 100, &batch));
  ASSERT_TRUE(audience_->evaluateFiltersForEventName("e", Params("a"), nullptr, 200, &batch));
  const auto firstCurrent = Stored(1)->currentResults();

  std::optional<APMAudience::LeafResults> leaves;
  ASSERT_TRUE(audience_->resultsForBundling(&leaves));
  ASSERT_TRUE(leaves);
  ASSERT_EQ(leaves->size(), 1u);  // audience 2 has no result
  const auto& first = leaves->front();
  EXPECT_EQ(APMPBGetInt32(first.get(), 0), 1);
  EXPECT_TRUE(APMPBGetBool(first.get(), 3));
  EXPECT_FALSE(APMPBHasField(first.get(), 2));
  EXPECT_EQ(Stored(1)->previousResults(), firstCurrent);

  ASSERT_TRUE(audience_->resultsForBundling(&leaves));
  ASSERT_EQ(leaves->size(), 1u);
  const auto& second = leaves->front();
  EXPECT_TRUE(APMPBHasField(second.get(), 3));
  EXPECT_FALSE(APMPBGetBool(second.get(), 3));
  EXPECT_FALSE(APMPBHasField(second.get(), 2));
  auto current = APMPBGetMessage<APMPBResultData>(second.get(), 1);
  auto sequences = APMPBGetMessageArray<APMPBSequenceFilterResultTimestamp>(current.get(), result_field::kSequence);
  ASSERT_EQ(sequences.size(), 1u);
  auto times = APMPBGetArray(sequences.front().get(), 1, nullptr);
  ASSERT_TRUE(times);
  ASSERT_EQ(times->size(), 1u);
  EXPECT_EQ(times->front().number()->longLongValue(), 200);
  // The stored result is the cut one, with the uncut one as previous.
  EXPECT_EQ(Stored(1)->previousResults(), firstCurrent);
  EXPECT_EQ(Stored(1)->currentResults(), current->protoBuffer());

  // What the dump tool prints for the bundle shows each result.
  APMPBMeasurementBundle bundle;
  APMPBSetMessageArray(&bundle, 28, *leaves);
  const std::string dump = APMPBTextFormat(*bundle.messageInfo());
  EXPECT_NE(dump.find("audience_evaluation_results"), std::string::npos) << dump;
  EXPECT_NE(dump.find("sequence_filter_timestamps"), std::string::npos) << dump;

  // A new evaluation after bundling attaches the previous data.
  ASSERT_TRUE(Event("e", "a", 300));
  ASSERT_TRUE(audience_->resultsForBundling(&leaves));
  ASSERT_EQ(leaves->size(), 1u);
  EXPECT_TRUE(APMPBHasField(leaves->front().get(), 2));
}

TEST_F(AudienceTest, SessionStartClearsSessionScopedFilters) {
  ASSERT_TRUE(audience_->updateAudiences({
      Audience(1, {ContainsFilter(0, "e", "a", {.session = true})}),
      Audience(2, {ContainsFilter(0, "e", "a", {.session = true}), ContainsFilter(1, "e", "a")}),
  }));
  ASSERT_TRUE(Event("e", "a", 100));
  const auto before = Stored(2)->currentResults();
  EXPECT_EQ(DynamicTimes(*Current(2)), std::vector<int64_t>{100});
  ASSERT_TRUE(audience_->clearEvaluationResultsForSessionScopedFilters());
  EXPECT_FALSE(Stored(1));
  auto cleared = Current(2);
  ASSERT_TRUE(cleared);
  EXPECT_EQ(Words(*cleared, result_field::kStatus), std::vector<uint64_t>{0b10});
  EXPECT_EQ(Words(*cleared, result_field::kResults), std::vector<uint64_t>{0b10});
  EXPECT_TRUE(DynamicTimes(*cleared).empty());
  EXPECT_EQ(Stored(2)->previousResults(), before);
}

TEST_F(AudienceTest, StaleResultsGoOnlyPastTheLimit) {
  ASSERT_TRUE(audience_->updateAudiences({Audience(1, {ContainsFilter(0, "e", "a")}),
                                          Audience(2, {ContainsFilter(0, "e", "a")}),
                                          Audience(3, {ContainsFilter(0, "e", "a")})}));
  ASSERT_TRUE(Event("e", "a"));
  // Under the limit nothing is deleted, even for a removed audience.
  ASSERT_TRUE(audience_->updateAudiences({Audience(1, {ContainsFilter(0, "e", "a")})}));
  EXPECT_TRUE(Stored(2));
  config_->setConfiguredSettings({{"measurement.audience.filter_result_max_count", "2"}});
  // Over it, results of audiences neither stored nor new go; stored ones stay.
  ASSERT_TRUE(audience_->maybeDeleteStaleFilterResults({3}));
  EXPECT_TRUE(Logged("Too many Audience filter results"));
  EXPECT_TRUE(Stored(1));
  EXPECT_FALSE(Stored(2));
  EXPECT_TRUE(Stored(3));
}

TEST_F(AudienceTest, DamagedRowsAndDatabaseFailuresAreReported) {
  ASSERT_TRUE(audience_->updateAudiences({Audience(1, {ContainsFilter(0, "e", "a", {.session = true})})}));
  // Rows only a damaged file holds: an ID past every limit, and bytes that do not decode.
  ASSERT_TRUE(db_->updateEventFilters({APMEventFilter(2, 5000, "e", *ContainsFilter(0, "e", "a")->protoBuffer(), true,
                                                      false, false),
                                       APMEventFilter(3, 0, "e", platform::Bytes{0xff, 0xff}, false, false, false)},
                                      nullptr));
  ASSERT_TRUE(Event("e", "a"));
  EXPECT_EQ(CountLines("Event filter contains no data or corrupt data"), 2u);
  EXPECT_TRUE(IsTrue(1, 0));
  EXPECT_FALSE(Stored(2));
  EXPECT_FALSE(Stored(3));
  ASSERT_TRUE(audience_->clearEvaluationResultsForSessionScopedFilters());
  EXPECT_FALSE(Stored(1));

  // A failed read or write is a failure, never a success with nothing done.
  ASSERT_TRUE(Event("e", "a"));
  ASSERT_TRUE(db_->sqliteStore().executeSQL("DROP TABLE audience_filter_values", nullptr));
  EXPECT_FALSE(Event("e", "a"));
  EXPECT_TRUE(Logged("Unable to query filter result for audience. Event will not be evaluated"));
  std::optional<APMAudience::LeafResults> leaves = APMAudience::LeafResults{};
  EXPECT_FALSE(audience_->resultsForBundling(&leaves));
  EXPECT_FALSE(leaves);
  EXPECT_FALSE(audience_->clearEvaluationResultsForSessionScopedFilters());
  ASSERT_TRUE(db_->sqliteStore().executeSQL("DROP TABLE event_filters", nullptr));
  EXPECT_FALSE(Event("e", "a"));
  EXPECT_TRUE(Logged("Unable to query event filters for event. Event will not be evaluated"));
}

}  // namespace
