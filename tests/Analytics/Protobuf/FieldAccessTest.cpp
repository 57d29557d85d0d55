// Accessor behaviour: values, presence, copies, and the one log line of each
// kind of misuse.
#include <gtest/gtest.h>

#include <functional>

#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Platform/Foundation/Log.h"
#include "tests/Analytics/Protobuf/ProtobufTestUtil.h"

namespace {

// Bundle indexes used below: 0 int32, 1 repeated Event, 3 int64, 8 string,
// 21 bool, 37 repeated uint32, 44 repeated string, 41 enum.
struct Misuse {
  const char* what;
  std::function<void(NANOMessageBase*)> call;
  const char* line;
};

TEST(FieldAccess, MisuseLogsOneLineAndChangesNothing) {
  const std::vector<Misuse> cases = {
      {"GetInt32 on int64", [](NANOMessageBase* m) { EXPECT_EQ(APMPBGetInt32(m, 3), 0); },
       "<Nano/Failure> Field type isn't a scalar INT32. Message: MeasurementBundle, field ID: 3"},
      {"SetInt32 on string", [](NANOMessageBase* m) { APMPBSetInt32(m, 8, 1); },
       "<Nano/Failure> Field type isn't a scalar INT32. Message: MeasurementBundle, field ID: 8"},
      {"GetBool on repeated", [](NANOMessageBase* m) { EXPECT_FALSE(APMPBGetBool(m, 37)); },
       "<Nano/Failure> Field type isn't a scalar BOOL. Message: MeasurementBundle, field ID: 37"},
      {"SetBool on int32", [](NANOMessageBase* m) { APMPBSetBool(m, 0, true); },
       "<Nano/Failure> Field type isn't a scalar BOOL. Message: MeasurementBundle, field ID: 0"},
      {"GetInt64 on int32", [](NANOMessageBase* m) { EXPECT_EQ(APMPBGetInt64(m, 0), 0); },
       "<Nano/Failure> Field type isn't a scalar INT64. Message: MeasurementBundle, field ID: 0"},
      {"SetInt64 on repeated uint32", [](NANOMessageBase* m) { APMPBSetInt64(m, 37, 1); },
       "<Nano/Failure> Field type isn't a scalar INT64. Message: MeasurementBundle, field ID: 37"},
      {"GetDouble on int64", [](NANOMessageBase* m) { EXPECT_EQ(APMPBGetDouble(m, 3), 0.0); },
       "<Nano/Failure> Field type isn't a scalar DOUBLE. Message: MeasurementBundle, field ID: 3"},
      {"SetDouble on bool", [](NANOMessageBase* m) { APMPBSetDouble(m, 21, 1.0); },
       "<Nano/Failure> Field type isn't a scalar DOUBLE. Message: MeasurementBundle, field ID: 21"},
      {"GetString on repeated string", [](NANOMessageBase* m) { EXPECT_FALSE(APMPBGetString(m, 44)); },
       "<Nano/Failure> Field type isn't a scalar STRING. Message: MeasurementBundle, field ID: 44"},
      {"SetString on int32", [](NANOMessageBase* m) { APMPBSetString(m, 0, "x"); },
       "<Nano/Failure> Field type isn't a scalar STRING. Message: MeasurementBundle, field ID: 0"},
      {"GetMessage on repeated message",
       [](NANOMessageBase* m) { EXPECT_EQ(APMPBGetMessage<APMPBEvent>(m, 1), nullptr); },
       "<Nano/Failure> Field type isn't a scalar MESSAGE. Message: MeasurementBundle, field ID: 1"},
      {"SetMessage on string",
       [](NANOMessageBase* m) {
         APMPBEvent event;
         APMPBSetMessage(m, 8, &event);
       },
       "<Nano/Failure> Field type isn't a scalar MESSAGE. Message: MeasurementBundle, field ID: 8"},
      {"GetArray on singular", [](NANOMessageBase* m) { EXPECT_FALSE(APMPBGetArray(m, 8, nullptr)); },
       "<Nano/Failure> Field type isn't REPEATED. Message: MeasurementBundle, field ID: 8"},
      {"SetArray on singular",
       [](NANOMessageBase* m) {
         std::vector<APMPBObject> values{"x"};
         APMPBSetArray(m, 8, &values);
       },
       "<Nano/Failure> Field type isn't REPEATED. Message: MeasurementBundle, field ID: 8"},
      {"index -1", [](NANOMessageBase* m) { EXPECT_FALSE(APMPBHasField(m, -1)); },
       "<Nano/Failure> Field index out of range. Message: MeasurementBundle, field ID: -1"},
      {"index 51 getter", [](NANOMessageBase* m) { EXPECT_EQ(APMPBGetInt64(m, 51), 0); },
       "<Nano/Failure> Field index out of range. Message: MeasurementBundle, field ID: 51"},
      {"index 51 clear", [](NANOMessageBase* m) { APMPBClearField(m, 51); },
       "<Nano/Failure> Field index out of range. Message: MeasurementBundle, field ID: 51"},
      {"index 99 set array", [](NANOMessageBase* m) { APMPBSetArray(m, 99, nullptr); },
       "<Nano/Failure> Field index out of range. Message: MeasurementBundle, field ID: 99"},
      {"SetMessage nil on int32",
       [](NANOMessageBase* m) {
         APMPBSetMessage(m, 0, nullptr);  // logs the MESSAGE line too; checked below
       },
       "<Nano/Failure> Field type isn't a scalar MESSAGE. Message: MeasurementBundle, field ID: 0"},
  };
  for (const Misuse& c : cases) {
    APMPBMeasurementBundle bundle;
    APMPBSetInt64(&bundle, 3, 42);
    APMPBSetString(&bundle, 8, "ios");
    const auto before = *bundle.protoBuffer();
    platform::LogCapture capture;
    c.call(&bundle);
    EXPECT_EQ(capture.lines(), std::vector<std::string>{c.line}) << c.what;
    EXPECT_EQ(*bundle.protoBuffer(), before) << c.what;
  }
}

TEST(FieldAccess, UninitialisedMessageLines) {
  const std::vector<std::pair<std::function<void()>, std::string>> cases = {
      {[] { EXPECT_FALSE(APMPBHasField(nullptr, 0)); },
       "ProtocolBuffer message hasn't been initialized. HasField operation can't be performed. Message name (null)"},
      {[] { APMPBClearField(nullptr, 0); }, "ProtocolBuffer message hasn't been initialized. ClearField can't be performed"},
      {[] { APMPBGetBool(nullptr, 0); }, "ProtocolBuffer message hasn't been initialized. GetBool can't be performed"},
      {[] { APMPBSetBool(nullptr, 0, true); }, "ProtocolBuffer message hasn't been initialized. SetBool can't be performed"},
      {[] { APMPBGetInt32(nullptr, 0); }, "ProtocolBuffer message hasn't been initialized. GetInt32 can't be performed"},
      {[] { APMPBSetInt32(nullptr, 0, 1); }, "ProtocolBuffer message hasn't been initialized. SetInt32 can't be performed"},
      {[] { APMPBGetInt64(nullptr, 0); }, "ProtocolBuffer message hasn't been initialized. GetInt64 can't be performed"},
      {[] { APMPBSetInt64(nullptr, 0, 1); }, "ProtocolBuffer message hasn't been initialized. SetInt64 can't be performed"},
      {[] { APMPBGetDouble(nullptr, 0); }, "ProtocolBuffer message hasn't been initialized. GetDouble can't be performed"},
      {[] { APMPBSetDouble(nullptr, 0, 1); }, "ProtocolBuffer message hasn't been initialized. SetDouble can't be performed"},
      {[] { APMPBGetString(nullptr, 0); }, "ProtocolBuffer message hasn't been initialized. GetString can't be performed"},
      {[] { APMPBSetString(nullptr, 0, "x"); }, "ProtocolBuffer message hasn't been initialized. SetString can't be performed"},
      {[] { APMPBGetMessage<APMPBFlag>(nullptr, 0); }, "ProtocolBuffer message hasn't been initialized. GetMessage can't be performed"},
      {[] { APMPBSetMessage(nullptr, 0, nullptr); }, "ProtocolBuffer message hasn't been initialized. SetMessage can't be performed"},
      {[] { APMPBGetArray(nullptr, 0, nullptr); }, "ProtocolBuffer message hasn't been initialized. GetArray can't be performed"},
      {[] { APMPBSetArray(nullptr, 0, nullptr); }, "ProtocolBuffer message hasn't been initialized. SetArray can't be performed"},
  };
  for (const auto& [call, line] : cases) {
    platform::LogCapture capture;
    call();
    EXPECT_EQ(capture.lines(), std::vector<std::string>{line});
  }
}

TEST(FieldAccess, ScalarsPresenceAndClearing) {
  APMPBMeasurementBundle bundle;
  EXPECT_FALSE(APMPBHasField(&bundle, 0));
  APMPBSetInt32(&bundle, 0, -7);
  EXPECT_TRUE(APMPBHasField(&bundle, 0));
  EXPECT_EQ(APMPBGetInt32(&bundle, 0), -7);
  APMPBSetInt32(&bundle, 41, 3);  // enum field reads through the 32-bit accessors
  EXPECT_EQ(APMPBGetInt32(&bundle, 41), 3);
  APMPBSetInt64(&bundle, 3, INT64_MIN);
  EXPECT_EQ(APMPBGetInt64(&bundle, 3), INT64_MIN);
  APMPBSetBool(&bundle, 21, true);
  EXPECT_TRUE(APMPBGetBool(&bundle, 21));
  APMPBClearField(&bundle, 0);
  EXPECT_FALSE(APMPBHasField(&bundle, 0));
  EXPECT_EQ(APMPBGetInt32(&bundle, 0), 0);
  EXPECT_TRUE(APMPBHasField(&bundle, 37));  // repeated: always present
  APMPBSetBool(&bundle, 21, false);
  EXPECT_TRUE(APMPBHasField(&bundle, 21));  // present and false

  APMPBResultData result;  // repeated uint64 reads as unsigned 64-bit numbers
  std::vector<APMPBObject> words{APMPBNumber::numberWithUnsignedLongLong(UINT64_MAX)};
  APMPBSetArray(&result, 0, &words);
  EXPECT_EQ((*APMPBGetArray(&result, 0, nullptr))[0].number()->unsignedLongLongValue(), UINT64_MAX);
}

TEST(FieldAccess, StringsNilEmptyAndReplace) {
  APMPBSetting setting;
  APMPBSetString(&setting, 0, "first");
  APMPBSetString(&setting, 0, "second");
  EXPECT_EQ(APMPBGetString(&setting, 0), std::optional<std::string>("second"));
  APMPBSetString(&setting, 0, std::nullopt);
  EXPECT_FALSE(APMPBHasField(&setting, 0));
  EXPECT_EQ(APMPBGetString(&setting, 0), std::nullopt);
  APMPBSetString(&setting, 0, "");
  EXPECT_TRUE(APMPBHasField(&setting, 0));
  EXPECT_EQ(APMPBGetString(&setting, 0), std::optional<std::string>(""));
  EXPECT_EQ(ToHex(*setting.protoBuffer()), "0a 00");
}

TEST(FieldAccess, NestedMessagesAreIndependentCopies) {
  APMPBMeasurementConfig config;
  APMPBPsmSetting psm;
  APMPBSetInt32(&psm, 0, 14);
  APMPBSetMessage(&config, 15, &psm);
  APMPBSetInt32(&psm, 0, 99);  // the stored copy does not follow
  auto read = APMPBGetMessage<APMPBPsmSetting>(&config, 15);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(APMPBGetInt32(read.get(), 0), 14);
  APMPBSetInt32(read.get(), 0, 20);  // nor does the parent follow its getter's result
  EXPECT_EQ(APMPBGetInt32(APMPBGetMessage<APMPBPsmSetting>(&config, 15).get(), 0), 14);
  APMPBSetMessage(&config, 15, read.get());
  EXPECT_EQ(APMPBGetInt32(APMPBGetMessage<APMPBPsmSetting>(&config, 15).get(), 0), 20);

  // A class of another message type gives nothing; a class that cannot be
  // made from a record logs.
  EXPECT_EQ(APMPBGetMessage<APMPBFlag>(&config, 15), nullptr);
  platform::LogCapture capture;
  const APMPBMessageClass broken{"Broken", &kAPMPBPsmSettingDescriptor, nullptr};
  EXPECT_EQ(APMPBGetMessage(&config, 15, &broken), nullptr);
  EXPECT_EQ(capture.lines(), std::vector<std::string>{
                                 "<ERROR> Provided class doesn't implement initWithMessageInfo: method. Class: Broken"});
}

TEST(FieldAccess, SetMessageWithNothingOrAnotherType) {
  APMPBMeasurementConfig config;
  APMPBPsmSetting psm;
  APMPBSetMessage(&config, 15, &psm);
  APMPBSetMessage(&config, 15, nullptr);
  EXPECT_FALSE(APMPBHasField(&config, 15));

  APMPBSetMessage(&config, 15, &psm);
  APMPBFlag flag;
  platform::LogCapture capture;
  APMPBSetMessage(&config, 15, &flag);
  EXPECT_EQ(capture.lines(), std::vector<std::string>{
                                 "<Nano/Failure> Field type isn't a scalar MESSAGE. Message: MeasurementConfig, field ID: 15"});
  EXPECT_FALSE(APMPBHasField(&config, 15));  // old value released
}

TEST(FieldAccess, ArraysAllOrNothing) {
  APMPBStringFilter filter;
  auto empty = APMPBGetArray(&filter, 3, nullptr);
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->empty());

  std::vector<APMPBObject> good{"a", "", "c"};
  APMPBSetArray(&filter, 3, &good);
  auto read = APMPBGetArray(&filter, 3, nullptr);
  ASSERT_EQ(read->size(), 3u);
  EXPECT_EQ(*(*read)[1].string(), "");

  std::vector<APMPBObject> bad{"a", "b", APMPBNumber::numberWithInt(3)};
  platform::LogCapture capture;
  APMPBSetArray(&filter, 3, &bad);
  EXPECT_EQ(capture.lines(), std::vector<std::string>{
                                 "<ERROR> Invalid object type. String fields expect NSString. Type: NSNumber"});
  EXPECT_TRUE(APMPBGetArray(&filter, 3, nullptr)->empty());

  APMPBSetArray(&filter, 3, &good);
  APMPBSetArray(&filter, 3, nullptr);
  EXPECT_TRUE(APMPBGetArray(&filter, 3, nullptr)->empty());
  APMPBSetArray(&filter, 3, &good);
  APMPBClearField(&filter, 3);
  EXPECT_TRUE(APMPBGetArray(&filter, 3, nullptr)->empty());
  EXPECT_TRUE(APMPBHasField(&filter, 3));
}

TEST(FieldAccess, ArrayElementRefusals) {
  struct Case {
    int32_t index;
    APMPBObject element;
    const char* line;
  };
  const std::vector<Case> cases = {
      {37, "1", "<ERROR> Invalid object type. Int32 fields expect NSNumber. Type: NSString"},
      {44, APMPBData{1}, "<ERROR> Invalid object type. String fields expect NSString. Type: NSData"},
      {1, APMPBObject::foreign("NSDate"), "<ERROR> Invalid object type. Message fields expect NANOMessageBase. Type: NSDate"},
      {1, APMPBObject(std::shared_ptr<NANOMessageBase>(std::make_shared<APMPBFlag>())),
       "<ERROR> Invalid object type. Message fields expect NANOMessageBase. Type: APMPBFlag"},
      {1, APMPBObject(), "<ERROR> Invalid object type. Message fields expect NANOMessageBase. Type: (null)"},
  };
  for (const Case& c : cases) {
    APMPBMeasurementBundle bundle;
    std::vector<APMPBObject> values{c.element};
    platform::LogCapture capture;
    APMPBSetArray(&bundle, c.index, &values);
    EXPECT_EQ(capture.lines(), std::vector<std::string>{c.line});
    EXPECT_TRUE(APMPBGetArray(&bundle, c.index, &APMPBEvent::klass())->empty());
  }
  APMPBSequenceFilterResultTimestamp timestamps;
  std::vector<APMPBObject> values{APMPBNumber::numberWithLongLong(-5), APMPBNumber::numberWithDouble(7.9)};
  APMPBSetArray(&timestamps, 1, &values);
  auto read = APMPBGetArray(&timestamps, 1, nullptr);
  ASSERT_EQ(read->size(), 2u);
  EXPECT_EQ((*read)[0].number()->longLongValue(), -5);
  EXPECT_EQ((*read)[1].number()->longLongValue(), 7);
}

TEST(FieldAccess, ArrayOfMessagesWithForeignClassSkipsElements) {
  APMPBExperiment experiment;
  auto flag = std::make_shared<APMPBFlag>();
  APMPBSetMessageArray<APMPBFlag>(&experiment, 1, {flag, flag});
  EXPECT_EQ(APMPBGetArray(&experiment, 1, &APMPBFlag::klass())->size(), 2u);
  EXPECT_TRUE(APMPBGetArray(&experiment, 1, &APMPBSnapshot::klass())->empty());
}

TEST(FieldAccess, FailedRepeatedCopyKeepsWhatWasCopied) {
  // A record whose second element was never initialised cannot be copied past it.
  APMPBMessageInfo source;
  APMPBInitMessageInfo(&source, kAPMPBExperimentDescriptor);
  APMPBArrayRecord& flags = APMPBEnsureArray(source.values[1]);
  APMPBInitMessageInfo(&flags.messages.emplace_back(), kAPMPBFlagDescriptor);
  flags.messages.emplace_back();  // uninitialised
  APMPBInitMessageInfo(&flags.messages.emplace_back(), kAPMPBFlagDescriptor);
  std::unique_ptr<APMPBMessageInfo> copy;
  EXPECT_FALSE(APMPBCopyMessageInfo(&copy, &source));
  ASSERT_NE(copy, nullptr);
  const APMPBArrayRecord* copied = APMPBArrayOf(copy->values[1]);
  ASSERT_NE(copied, nullptr);
  EXPECT_EQ(copied->messages.size(), 1u);
  EXPECT_TRUE(copied->messages[0].initialized());
  EXPECT_EQ(APMPBExperiment::initWithMessageInfo(&source), nullptr);
}

TEST(FieldAccess, InitWithMessageInfo) {
  APMPBFlag flag;
  APMPBSetString(&flag, 0, "n");
  auto copy = APMPBFlag::initWithMessageInfo(flag.messageInfo());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(APMPBGetString(copy.get(), 0), std::optional<std::string>("n"));
  EXPECT_EQ(APMPBSnapshot::initWithMessageInfo(flag.messageInfo()), nullptr);
  auto empty = APMPBFlag::initWithMessageInfo(nullptr);
  ASSERT_NE(empty, nullptr);
  EXPECT_FALSE(APMPBHasField(empty.get(), 0));
  EXPECT_STREQ(empty->messageID(), "Flag");
  EXPECT_EQ(APMPBMessageClassNamed("Flag"), &APMPBFlag::klass());
  APMPBMessageInfo raw;
  EXPECT_TRUE(empty->initMessageInfoFn()(&raw));
  EXPECT_EQ(raw.descriptor, &kAPMPBFlagDescriptor);
}

TEST(FieldAccess, TakeEachMessageMovesElementsOutInOrder) {
  // Experiment index 1: repeated Flag; Flag index 0: string.
  auto experimentWith = [](const std::vector<std::string>& names) {
    auto experiment = std::make_shared<APMPBExperiment>();
    std::vector<std::shared_ptr<APMPBFlag>> flags;
    for (const std::string& name : names) {
      flags.push_back(std::make_shared<APMPBFlag>());
      APMPBSetString(flags.back().get(), 0, name);
    }
    APMPBSetMessageArray<APMPBFlag>(experiment.get(), 1, flags);
    return experiment;
  };
  auto experiment = experimentWith({"a", "b", "c"});
  APMPBFlag element;
  std::vector<std::string> seen;
  APMPBTakeEachMessage(experiment.get(), 1, &element, [&] {
    seen.push_back(APMPBTakeString(&element, 0).value_or("?"));
    EXPECT_FALSE(APMPBHasField(&element, 0));
    return true;
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_TRUE(APMPBGetArray(experiment.get(), 1, &APMPBFlag::klass())->empty());

  // Stopping early still empties the field.
  experiment = experimentWith({"a", "b", "c"});
  int visits = 0;
  APMPBTakeEachMessage(experiment.get(), 1, &element, [&] { return ++visits < 2; });
  EXPECT_EQ(visits, 2);
  EXPECT_TRUE(APMPBGetArray(experiment.get(), 1, &APMPBFlag::klass())->empty());

  // An element of another class is refused with one line; the field stays.
  experiment = experimentWith({"a"});
  APMPBSnapshot wrong;
  platform::LogCapture capture;
  APMPBTakeEachMessage(experiment.get(), 1, &wrong, [&] {
    ADD_FAILURE() << "visited";
    return true;
  });
  EXPECT_EQ(capture.lines().size(), 1u);
  EXPECT_EQ(APMPBGetArray(experiment.get(), 1, &APMPBFlag::klass())->size(), 1u);
}

TEST(FieldAccess, TakeStringLeavesInvalidTextInPlace) {
  APMPBFlag flag;
  APMPBSetString(&flag, 0, "name");
  EXPECT_EQ(APMPBTakeString(&flag, 0), std::optional<std::string>("name"));
  EXPECT_FALSE(APMPBHasField(&flag, 0));
  EXPECT_EQ(APMPBTakeString(&flag, 0), std::nullopt);
  APMPBSetString(&flag, 0, std::string_view("\xff\xfe", 2));
  EXPECT_EQ(APMPBTakeString(&flag, 0), std::nullopt);
  EXPECT_TRUE(APMPBHasField(&flag, 0));
}

TEST(FieldAccess, ManyRepeatedElementsDecodeInOrderWithTheirOwnArrays) {
  // Elements are appended while the bytes are read: the array grows under
  // elements that hold arrays of their own (Experiment index 1: Flag).
  APMPBSnapshot snapshot;  // index 1: repeated Experiment
  std::vector<std::shared_ptr<APMPBExperiment>> experiments;
  for (int i = 0; i < 100; ++i) {
    auto experiment = std::make_shared<APMPBExperiment>();
    std::vector<std::shared_ptr<APMPBFlag>> flags;
    for (int k = 0; k <= i % 4; ++k) {
      flags.push_back(std::make_shared<APMPBFlag>());
      APMPBSetString(flags.back().get(), 0, std::to_string(i) + "." + std::to_string(k));
    }
    APMPBSetMessageArray<APMPBFlag>(experiment.get(), 1, flags);
    experiments.push_back(std::move(experiment));
  }
  APMPBSetMessageArray<APMPBExperiment>(&snapshot, 1, experiments);
  auto bytes = snapshot.protoBuffer();
  ASSERT_TRUE(bytes);
  auto decoded = APMPBSnapshot::initWithBuffer(*bytes);
  ASSERT_NE(decoded, nullptr);
  auto read = APMPBGetMessageArray<APMPBExperiment>(decoded.get(), 1);
  ASSERT_EQ(read.size(), 100u);
  for (int i = 0; i < 100; ++i) {
    auto flags = APMPBGetMessageArray<APMPBFlag>(read[static_cast<size_t>(i)].get(), 1);
    ASSERT_EQ(flags.size(), static_cast<size_t>(i % 4 + 1)) << i;
    EXPECT_EQ(APMPBGetString(flags.back().get(), 0), std::to_string(i) + "." + std::to_string(i % 4)) << i;
  }
  EXPECT_EQ(decoded->protoBuffer(), bytes);
}

}  // namespace
