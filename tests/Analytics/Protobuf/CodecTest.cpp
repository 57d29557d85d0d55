// Wire behaviour of the codec: round trips of every message, input quirks
// (repeats, packed varints, unknown and unbound fields), limits and failures.
#include <gtest/gtest.h>

#include <random>

#include "Analytics/Protobuf/APMPBCodec.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Platform/Foundation/Log.h"
#include "tests/Analytics/Protobuf/ProtobufTestUtil.h"

namespace {

bool RecordsEqual(const APMPBMessageInfo& a, const APMPBMessageInfo& b);

bool ArraysEqual(const APMPBArrayRecord* a, const APMPBArrayRecord* b) {
  static const APMPBArrayRecord kEmpty;
  if (!a) a = &kEmpty;
  if (!b) b = &kEmpty;
  if (a->cells != b->cells || a->strings != b->strings || a->messages.size() != b->messages.size()) return false;
  for (size_t i = 0; i < a->messages.size(); ++i) {
    if (!RecordsEqual(a->messages[i], b->messages[i])) return false;
  }
  return true;
}

bool RecordsEqual(const APMPBMessageInfo& a, const APMPBMessageInfo& b) {
  if (a.descriptor != b.descriptor || a.values.size() != b.values.size()) return false;
  for (size_t i = 0; i < a.values.size(); ++i) {
    const APMPBSlot& x = a.values[i];
    const APMPBSlot& y = b.values[i];
    if (APMPBIsRepeated(a.flags(i))) {
      if (!ArraysEqual(APMPBArrayOf(x), APMPBArrayOf(y))) return false;
      continue;
    }
    if (x.index() != y.index()) return false;
    if (auto* cx = std::get_if<uint64_t>(&x); cx && *cx != std::get<uint64_t>(y)) return false;
    if (auto* sx = std::get_if<std::string>(&x); sx && *sx != std::get<std::string>(y)) return false;
    if (auto* mx = std::get_if<std::unique_ptr<APMPBMessageInfo>>(&x)) {
      if (!RecordsEqual(**mx, *std::get<std::unique_ptr<APMPBMessageInfo>>(y))) return false;
    }
  }
  return true;
}

// Fills a record with random present values, nested messages a few levels deep.
void Fill(APMPBMessageInfo* info, std::mt19937_64& random, int depth) {
  const APMPBMessageDescriptor& d = *info->descriptor;
  auto text = [&] {
    std::string s(random() % 12, 'a');
    for (char& c : s) c = static_cast<char>('a' + random() % 26);
    return s;
  };
  for (uint32_t i = 0; i < d.fieldCount; ++i) {
    const APMPBFieldDescriptor& f = d.fields[i];
    if (random() % 4 == 0) continue;  // leave some fields absent
    APMPBSlot* slot = &info->values[i];
    if (APMPBIsRepeated(f.flags)) {
      const size_t n = random() % 4;
      if (n == 0) continue;
      APMPBArrayRecord& array = APMPBEnsureArray(*slot);
      for (size_t k = 0; k < n; ++k) {
        if (f.flags & kAPMPBTypeMessage) {
          if (depth > 3) break;
          APMPBMessageInfo& element = array.messages.emplace_back();
          APMPBInitMessageInfo(&element, *f.element);
          Fill(&element, random, depth + 1);
        } else if (f.flags & kAPMPBTypeString) {
          array.strings.push_back(text());
        } else if (f.flags & kAPMPBTypeUInt32) {
          array.cells.push_back(static_cast<uint32_t>(random()));
        } else {
          array.cells.push_back(random());
        }
      }
    } else if (f.flags & kAPMPBTypeMessage) {
      if (depth > 3) continue;
      auto child = std::make_unique<APMPBMessageInfo>();
      APMPBInitMessageInfo(child.get(), *f.element);
      Fill(child.get(), random, depth + 1);
      *slot = std::move(child);
    } else if (f.flags & kAPMPBTypeString) {
      *slot = text();
    } else if (f.flags & kAPMPBTypeBool) {
      APMPBSetBoolCell(slot, random() % 2);
    } else if (f.flags & kAPMPBFamily32) {
      APMPBSetUInt32Cell(slot, static_cast<uint32_t>(random()));
    } else if (f.flags & kAPMPBFamily64) {
      APMPBSetUInt64Cell(slot, random());
    } else if (f.flags & kAPMPBTypeFloat) {
      APMPBSetFloatCell(slot, static_cast<float>(random() % 100000) / 7.0f);
    } else if (f.flags & kAPMPBTypeDouble) {
      APMPBSetDoubleCell(slot, static_cast<double>(random()) / 3.0);
    }
  }
}

TEST(Codec, RandomRoundTripOfEveryMessage) {
  std::mt19937_64 random(20261210);
  const APMPBMessageDescriptor* const* all = APMPBAllMessageDescriptors();
  for (size_t m = 0; m < kAPMPBMessageCount; ++m) {
    for (int round = 0; round < 20; ++round) {
      APMPBMessageInfo original;
      APMPBInitMessageInfo(&original, *all[m]);
      Fill(&original, random, 0);
      std::vector<uint8_t> bytes;
      ASSERT_GE(APMPBEncode(&original, &bytes), 0) << all[m]->name;
      APMPBMessageInfo decoded;
      APMPBInitMessageInfo(&decoded, *all[m]);
      ASSERT_TRUE(APMPBDecode(bytes.data(), bytes.size(), &decoded)) << all[m]->name;
      EXPECT_TRUE(RecordsEqual(original, decoded)) << all[m]->name << " round " << round;
      std::vector<uint8_t> again;
      APMPBEncode(&decoded, &again);
      EXPECT_EQ(bytes, again) << all[m]->name;

      std::unique_ptr<APMPBMessageInfo> copy;
      ASSERT_TRUE(APMPBCopyMessageInfo(&copy, &original));
      EXPECT_TRUE(RecordsEqual(original, *copy)) << all[m]->name;
    }
  }
}

TEST(Codec, DirectWriterMatchesNanopbEncoding) {
  std::mt19937_64 random(99);
  const APMPBMessageDescriptor* const* all = APMPBAllMessageDescriptors();
  for (size_t m = 0; m < kAPMPBMessageCount; ++m) {
    for (int round = 0; round < 20; ++round) {
      APMPBMessageInfo info;
      APMPBInitMessageInfo(&info, *all[m]);
      Fill(&info, random, 0);
      std::vector<uint8_t> direct, layered;
      ASSERT_GE(APMPBEncode(&info, &direct), 0);
      APMPBSetDirectWriterEnabled(false);
      const int32_t length = APMPBEncode(&info, &layered);
      APMPBSetDirectWriterEnabled(true);
      ASSERT_GE(length, 0);
      EXPECT_EQ(direct, layered) << all[m]->name;
    }
  }
}

TEST(Codec, EmptyInputAndEmptyMessage) {
  auto bundle = APMPBMeasurementBundle::initWithBuffer(nullptr, 0);
  ASSERT_NE(bundle, nullptr);
  for (int32_t i = 0; i < 51; ++i) {
    const bool repeated = i == 1 || i == 2 || i == 28 || i == 37 || i == 44;
    EXPECT_EQ(APMPBHasField(bundle.get(), i), repeated) << i;
  }
  auto bytes = bundle->protoBuffer();
  ASSERT_TRUE(bytes.has_value());
  EXPECT_TRUE(bytes->empty());
}

TEST(Codec, OnlyFieldTwentySixForPreviousStart) {
  APMPBMeasurementBundle bundle;
  APMPBSetInt64(&bundle, 6, 1);
  EXPECT_EQ(ToHex(*bundle.protoBuffer()), "d0 01 01");
  APMPBMeasurementBundle vendor;
  APMPBSetString(&vendor, 20, "v");
  EXPECT_EQ(ToHex(*vendor.protoBuffer()), "da 01 01 76");
  APMPBMeasurementBatch batch;
  APMPBSetString(&batch, 1, "x");
  EXPECT_EQ(ToHex(*batch.protoBuffer()), "3a 01 78");
}

TEST(Codec, FirstOccurrenceOfSingularStringWins) {
  // Event name (field 2) twice, with a parameter between to force two passes.
  auto event = APMPBEvent::initWithBuffer(Hex("12 01 61 0a 02 0a 00 12 01 62"));
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(APMPBGetString(event.get(), 1), std::optional<std::string>("a"));
  auto flag = APMPBFlag::initWithBuffer(Hex("0a 03 6f 6e 65 0a 03 74 77 6f"));
  ASSERT_NE(flag, nullptr);
  EXPECT_EQ(APMPBGetString(flag.get(), 0), std::optional<std::string>("one"));
}

TEST(Codec, PackedRepeatedVarintsAreAccepted) {
  // experiment_ids packed: field 45, wire type 2, three values.
  auto bundle = APMPBMeasurementBundle::initWithBuffer(Hex("ea 02 03 01 02 03 e8 02 04"));
  ASSERT_NE(bundle, nullptr);
  auto ids = APMPBGetArray(bundle.get(), 37, nullptr);
  ASSERT_TRUE(ids);
  ASSERT_EQ(ids->size(), 4u);
  EXPECT_EQ((*ids)[0].number()->unsignedIntValue(), 1u);
  EXPECT_EQ((*ids)[3].number()->unsignedIntValue(), 4u);
  // Written back unpacked.
  EXPECT_EQ(ToHex(*bundle->protoBuffer()), "e8 02 01 e8 02 02 e8 02 03 e8 02 04");
}

TEST(Codec, UnknownFieldsAreSkipped) {
  // Setting with unknown varint 9, unknown string 10, unknown fixed64 11.
  auto setting = APMPBSetting::initWithBuffer(Hex("48 07 52 02 7a 7a 0a 01 6b 59 01 02 03 04 05 06 07 08 12 01 76"));
  ASSERT_NE(setting, nullptr);
  EXPECT_EQ(APMPBGetString(setting.get(), 0), std::optional<std::string>("k"));
  EXPECT_EQ(APMPBGetString(setting.get(), 1), std::optional<std::string>("v"));
  EXPECT_EQ(ToHex(*setting->protoBuffer()), "0a 01 6b 12 01 76");
}

TEST(Codec, ConsentFieldFiveIsSkippedAndNeverWritten) {
  auto consent = APMPBConsentConfig::initWithBuffer(Hex("2a 04 08 01 10 02 0a 04 08 02 10 01 20 01"));
  ASSERT_NE(consent, nullptr);
  auto defaults = APMPBGetMessageArray<APMPBConsentDefaultEntry>(consent.get(), 0);
  ASSERT_EQ(defaults.size(), 1u);
  EXPECT_EQ(APMPBGetInt32(defaults[0].get(), 0), 2);
  EXPECT_TRUE(APMPBGetBool(consent.get(), 3));
  EXPECT_EQ(ToHex(*consent->protoBuffer()), "0a 04 08 02 10 01 20 01");
}

TEST(Codec, AbsentSubMessageStaysAbsentAndSchemaDefaultsAreNotApplied) {
  auto config = APMPBMeasurementConfig::initWithBuffer(Hex("08 07"));
  ASSERT_NE(config, nullptr);
  EXPECT_EQ(APMPBGetInt64(config.get(), 0), 7);
  EXPECT_FALSE(APMPBHasField(config.get(), 14));
  EXPECT_FALSE(APMPBHasField(config.get(), 15));
  auto psm = APMPBPsmSetting::initWithBuffer(Hex("10 0b"));
  ASSERT_NE(psm, nullptr);
  EXPECT_FALSE(APMPBHasField(psm.get(), 0));
  EXPECT_EQ(APMPBGetInt32(psm.get(), 1), 11);
  EXPECT_FALSE(APMPBHasField(psm.get(), 2));
}

TEST(Codec, NegativeAndWideValuesUseStandardVarints) {
  APMPBEvent event;
  APMPBSetInt32(&event, 4, -1);
  EXPECT_EQ(ToHex(*event.protoBuffer()), "28 ff ff ff ff ff ff ff ff ff 01");
  auto back = APMPBEvent::initWithBuffer(*event.protoBuffer());
  EXPECT_EQ(APMPBGetInt32(back.get(), 4), -1);
  APMPBRuntimeEntity entity;
  APMPBSetDouble(&entity, 5, 1.5);
  APMPBSetBool(&entity, 4, true);
  EXPECT_EQ(ToHex(*entity.protoBuffer()), "28 01 31 00 00 00 00 00 00 f8 3f");
}

TEST(Codec, StringLengthLimit) {
  auto encodedFlagName = [](size_t length) {
    std::vector<uint8_t> bytes{0x0a};
    size_t v = length;
    while (v >= 0x80) {
      bytes.push_back(static_cast<uint8_t>(v | 0x80));
      v >>= 7;
    }
    bytes.push_back(static_cast<uint8_t>(v));
    bytes.resize(bytes.size() + length, 'x');
    return bytes;
  };
  platform::LogCapture capture;
  auto ok = APMPBFlag::initWithBuffer(encodedFlagName(kAPMPBMaxFieldBytes));
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(APMPBGetString(ok.get(), 0)->size(), kAPMPBMaxFieldBytes);
  EXPECT_EQ(APMPBFlag::initWithBuffer(encodedFlagName(kAPMPBMaxFieldBytes + 1)), nullptr);
  EXPECT_TRUE(capture.contains("Unable to process proto stream. Buffer is too big. 1048577 > 1048576"));
}

std::vector<uint8_t> NestedEntity(int levels) {
  // RuntimeEntity { type: 1, value: [ ...levels - 1 more... ] }
  std::vector<uint8_t> bytes{0x08, 0x01};
  for (int i = 1; i < levels; ++i) {
    std::vector<uint8_t> outer{0x08, 0x01, 0x12};
    size_t v = bytes.size();
    while (v >= 0x80) {
      outer.push_back(static_cast<uint8_t>(v | 0x80));
      v >>= 7;
    }
    outer.push_back(static_cast<uint8_t>(v));
    outer.insert(outer.end(), bytes.begin(), bytes.end());
    bytes.swap(outer);
  }
  return bytes;
}

TEST(Codec, NestingIsLimitedTo512Levels) {
  auto deepest = APMPBRuntimeEntity::initWithBuffer(NestedEntity(512));
  ASSERT_NE(deepest, nullptr);
  platform::LogCapture capture;
  EXPECT_EQ(APMPBRuntimeEntity::initWithBuffer(NestedEntity(513)), nullptr);
  EXPECT_TRUE(capture.contains("<ERROR> RuntimeEntity decoder failed: Unable to decode repeated RuntimeEntity"));
  // Re-encoding the deepest accepted tree gives the same bytes.
  EXPECT_EQ(*deepest->protoBuffer(), NestedEntity(512));
}

TEST(Codec, BrokenElementFailsTheWholeDecode) {
  platform::LogCapture capture;
  // Event with a parameter whose name claims 5 bytes but has 1.
  EXPECT_EQ(APMPBEvent::initWithBuffer(Hex("0a 03 0a 05 61")), nullptr);
  EXPECT_TRUE(capture.contains("<ERROR> EventParam decoder failed: Unable to decode repeated EventParam"));
  EXPECT_TRUE(capture.contains("<ERROR> Event decoder failed:"));
  // Truncated input and a wrong wire type on a scalar.
  EXPECT_EQ(APMPBSetting::initWithBuffer(Hex("0a 05 61")), nullptr);
  EXPECT_EQ(APMPBEventConfig::initWithBuffer(Hex("25 00 00 00 00")), nullptr);
}

TEST(Codec, InvalidUtf8ReadsAsNoString) {
  auto setting = APMPBSetting::initWithBuffer(Hex("0a 02 c3 28"));
  ASSERT_NE(setting, nullptr);
  EXPECT_TRUE(APMPBHasField(setting.get(), 0));
  EXPECT_EQ(APMPBGetString(setting.get(), 0), std::nullopt);
  EXPECT_EQ(ToHex(*setting->protoBuffer()), "0a 02 c3 28");  // bytes kept as they are
}

TEST(Codec, DeallocOfUnknownFieldIndex) {
  platform::LogCapture capture;
  APMPBFlag flag;
  EXPECT_FALSE(flag.deallocMessageFieldFn()(flag.messageInfo(), 5));
  EXPECT_TRUE(capture.contains("<ERROR> Flag: Cannot deallocate field 5: Unknown field"));
}

TEST(Codec, NestedRepeatedMessagesKeepOrderAndCounts) {
  // Batch of two bundles, each with events and params, encoded and decoded.
  APMPBMeasurementBatch batch;
  std::vector<std::shared_ptr<APMPBMeasurementBundle>> bundles;
  for (int b = 0; b < 2; ++b) {
    auto bundle = std::make_shared<APMPBMeasurementBundle>();
    std::vector<std::shared_ptr<APMPBEvent>> events;
    for (int e = 0; e < 3; ++e) {
      auto event = std::make_shared<APMPBEvent>();
      APMPBSetString(event.get(), 1, "event" + std::to_string(b * 10 + e));
      auto param = std::make_shared<APMPBEventParam>();
      APMPBSetString(param.get(), 0, "p");
      APMPBSetInt64(param.get(), 2, e);
      APMPBSetMessageArray<APMPBEventParam>(event.get(), 0, {param, param});
      events.push_back(event);
    }
    APMPBSetMessageArray(bundle.get(), 1, events);
    bundles.push_back(bundle);
  }
  APMPBSetMessageArray(&batch, 0, bundles);
  auto back = APMPBMeasurementBatch::initWithBuffer(*batch.protoBuffer());
  ASSERT_NE(back, nullptr);
  auto decoded = APMPBGetMessageArray<APMPBMeasurementBundle>(back.get(), 0);
  ASSERT_EQ(decoded.size(), 2u);
  auto events = APMPBGetMessageArray<APMPBEvent>(decoded[1].get(), 1);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(APMPBGetString(events[2].get(), 1), std::optional<std::string>("event12"));
  EXPECT_EQ(APMPBGetMessageArray<APMPBEventParam>(events[2].get(), 0).size(), 2u);
  EXPECT_EQ(*back->protoBuffer(), *batch.protoBuffer());
}

}  // namespace

#include "Analytics/Protobuf/APMPBTextFormat.h"

namespace {

TEST(TextFormat, ShowsIndexNameNumberAndValues) {
  auto event = APMPBEvent::initWithBuffer(Hex("0a 0c 0a 01 6b 29 00 00 00 00 00 00 f8 3f 12 03 61 22 0a 18 05"));
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(APMPBTextFormat(*event->messageInfo()),
            "Event {\n"
            "  0 params #1: [\n"
            "    EventParam {\n"
            "      0 name #1: \"k\"\n"
            "      4 double_value #5: 1.5\n"
            "    }\n"
            "  ]\n"
            "  1 name #2: \"a\\\"\\x0a\"\n"
            "  2 timestamp_millis #3: 5\n"
            "}\n");
}

}  // namespace

namespace {

TEST(Codec, EmptyElementsAndEmptyBytesArePresentValues) {
  APMPBExperiment experiment;
  auto empty = std::make_shared<APMPBFlag>();
  APMPBSetMessageArray<APMPBFlag>(&experiment, 1, {empty, empty});
  EXPECT_EQ(ToHex(*experiment.protoBuffer()), "12 00 12 00");
  auto back = APMPBExperiment::initWithBuffer(*experiment.protoBuffer());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(APMPBGetMessageArray<APMPBFlag>(back.get(), 1).size(), 2u);

  APMPBStringFilter filter;
  std::vector<APMPBObject> list{"", ""};
  APMPBSetArray(&filter, 3, &list);
  EXPECT_EQ(ToHex(*filter.protoBuffer()), "22 00 22 00");
  auto decoded = APMPBStringFilter::initWithBuffer(*filter.protoBuffer());
  EXPECT_EQ(APMPBGetArray(decoded.get(), 3, nullptr)->size(), 2u);
}

}  // namespace
