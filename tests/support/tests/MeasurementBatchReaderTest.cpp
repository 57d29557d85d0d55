#include "tests/support/MeasurementBatchReader.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

namespace testsupport {
namespace {

// A few protobuf wire writers, enough to spell bodies out by hand.
std::string Varint(std::uint64_t value) {
  std::string out;
  do {
    out.push_back(static_cast<char>((value & 0x7f) | (value > 0x7f ? 0x80 : 0)));
    value >>= 7;
  } while (value != 0);
  return out;
}
std::string Tag(std::uint32_t number, int wireType) { return Varint((std::uint64_t{number} << 3) | wireType); }
std::string VarintField(std::uint32_t number, std::int64_t value) {
  return Tag(number, 0) + Varint(static_cast<std::uint64_t>(value));
}
std::string Bytes(std::uint32_t number, const std::string& payload) {
  return Tag(number, 2) + Varint(payload.size()) + payload;
}
std::string Double(std::uint32_t number, double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  std::string out = Tag(number, 1);
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((bits >> (8 * i)) & 0xff));
  return out;
}
std::string Fixed32(std::uint32_t number, std::uint32_t bits) {
  std::string out = Tag(number, 5);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((bits >> (8 * i)) & 0xff));
  return out;
}
std::string Batch(const std::vector<std::string>& bundles) {
  std::string out;
  for (const auto& bundle : bundles) out += Bytes(1, bundle);
  return out;
}

std::string Gzip(const std::string& data) {
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&stream, data.size()) + 32, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

std::string SampleBundle() {
  const std::string item = Bytes(6, Bytes(1, "x") + VarintField(3, 1));  // one item: {x: 1}
  const std::string firstEvent = Bytes(1, Bytes(1, "s") + Bytes(2, "v")) + Bytes(1, Bytes(1, "i") + VarintField(3, -5)) +
                                 Bytes(1, Bytes(1, "d") + Double(5, 2.5)) + Bytes(1, Bytes(1, "items") + item) +
                                 Bytes(2, "first") + VarintField(3, 1000) + VarintField(4, 500);
  const std::string secondEvent = Bytes(2, "second") + VarintField(3, 2000);
  const std::string attribute = VarintField(1, 10) + Bytes(2, "_fot") + VarintField(4, 7) + Fixed32(5, 0x3fc00000);
  const std::string resultData = VarintField(1, 0) + VarintField(1, 64) + VarintField(2, 64) +
                                 Bytes(3, VarintField(1, 70) + VarintField(2, 123)) +
                                 Bytes(4, VarintField(1, 71) + VarintField(2, 1) + VarintField(2, 2));
  const std::string audience = VarintField(1, 5) + Bytes(2, resultData) + VarintField(4, 1);
  return VarintField(1, 1) + Bytes(2, firstEvent) + Bytes(2, secondEvent) + Bytes(3, attribute) +
         VarintField(4, 1700000000000) + VarintField(7, 41) + Bytes(8, "ios") + VarintField(12, -300) +
         Bytes(14, "com.example.app") + VarintField(18, 130000) + VarintField(20, 0) + VarintField(26, 42) +
         Bytes(27, "vendor") + Bytes(29, audience) + VarintField(45, 3) + VarintField(45, 9) + Bytes(52, "G1") +
         Bytes(64, "a") + Bytes(64, "b");
}

TEST(MeasurementBatchReaderTest, ReadsEveryMessageByItsWireNumber) {
  std::string error;
  auto batch = MeasurementBatchReader::read(Batch({SampleBundle(), VarintField(26, 7)}), &error);
  ASSERT_TRUE(batch) << error;
  ASSERT_EQ(batch->bundles.size(), 2u);
  const DecodedBundle& bundle = batch->bundles[0];
  EXPECT_EQ(bundle.wire.int64(bundlefield::kUploadTimestamp), 1700000000000);
  EXPECT_EQ(bundle.wire.int64(bundlefield::kPreviousStartTimestamp), 42);
  EXPECT_EQ(bundle.wire.int64(bundlefield::kPreviousEndTimestamp), 41);
  EXPECT_EQ(bundle.wire.int64(bundlefield::kTimeZoneOffsetMinutes), -300);
  EXPECT_EQ(bundle.wire.string(bundlefield::kVendorIdentifier), "vendor");
  EXPECT_EQ(bundle.wire.string(bundlefield::kPlatform), "ios");
  EXPECT_EQ(bundle.wire.string(bundlefield::kConsentSignals), "G1");
  EXPECT_EQ(bundle.wire.int64(bundlefield::kLibraryVersion), 130000);
  EXPECT_EQ(bundle.wire.boolean(bundlefield::kLimitAdTracking), false);
  EXPECT_FALSE(bundle.wire.has(bundlefield::kRetryCount));
  EXPECT_EQ(bundle.wire.varints(bundlefield::kExperimentIds), (std::vector<std::uint64_t>{3, 9}));
  EXPECT_EQ(bundle.wire.strings(bundlefield::kDataControls), (std::vector<std::string>{"a", "b"}));

  ASSERT_EQ(bundle.events.size(), 2u);
  const DecodedEvent& first = bundle.events[0];
  EXPECT_EQ(first.name, "first");
  EXPECT_EQ(first.timestampMillis, 1000);
  EXPECT_EQ(first.previousTimestampMillis, 500);
  ASSERT_EQ(first.params.size(), 4u);
  EXPECT_EQ(first.param("s")->stringValue, "v");
  EXPECT_EQ(first.param("i")->intValue, -5);
  EXPECT_EQ(first.param("d")->doubleValue, 2.5);
  ASSERT_EQ(first.param("items")->nested.size(), 1u);
  EXPECT_EQ(first.param("items")->nested[0].name, "x");
  EXPECT_EQ(first.param("items")->nested[0].intValue, 1);
  EXPECT_EQ(first.param("absent"), nullptr);
  EXPECT_EQ(bundle.events[1].name, "second");
  EXPECT_FALSE(bundle.events[1].previousTimestampMillis);

  ASSERT_EQ(bundle.userAttributes.size(), 1u);
  EXPECT_EQ(bundle.userAttributes[0].name, "_fot");
  EXPECT_EQ(bundle.userAttributes[0].intValue, 7);
  EXPECT_EQ(bundle.userAttributes[0].setTimestampMillis, 10);
  EXPECT_EQ(bundle.userAttributes[0].wire.float32(5), 1.5f);

  ASSERT_EQ(bundle.audienceResults.size(), 1u);
  const DecodedAudienceResult& audience = bundle.audienceResults[0];
  EXPECT_EQ(audience.audienceId, 5);
  EXPECT_EQ(audience.isNew, true);
  EXPECT_FALSE(audience.previous);
  ASSERT_TRUE(audience.current);
  EXPECT_EQ(audience.current->hasResultWords, (std::vector<std::uint64_t>{0, 64}));  // filter 70: bit 6 of word 1
  EXPECT_EQ(audience.current->dynamicTimestamps, (std::vector<std::pair<std::int32_t, std::int64_t>>{{70, 123}}));
  ASSERT_EQ(audience.current->sequenceTimestamps.size(), 1u);
  EXPECT_EQ(audience.current->sequenceTimestamps[0].second, (std::vector<std::int64_t>{1, 2}));

  // Only the previous start timestamp: wire number 26, not index 6's neighbour 6.
  EXPECT_EQ(batch->bundles[1].wire.int64(bundlefield::kPreviousStartTimestamp), 7);
  EXPECT_FALSE(batch->bundles[1].wire.has(bundlefield::kEndTimestamp));

  auto empty = MeasurementBatchReader::read("");
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->bundles.empty());
}

TEST(MeasurementBatchReaderTest, GzipBodyReadsLikeThePlainOne) {
  const std::string plain = Batch({SampleBundle()});
  std::string error;
  auto packed = MeasurementBatchReader::read(Gzip(plain), &error);
  ASSERT_TRUE(packed) << error;
  ASSERT_EQ(packed->bundles.size(), 1u);
  EXPECT_EQ(packed->bundles[0].wire.encoding, MeasurementBatchReader::read(plain)->bundles[0].wire.encoding);
  std::string truncated = Gzip(plain);
  truncated.resize(truncated.size() / 2);
  EXPECT_FALSE(MeasurementBatchReader::read(truncated, &error));
  EXPECT_NE(error.find("gzip"), std::string::npos);
}

TEST(MeasurementBatchReaderTest, MisEncodedBodiesDoNotRead) {
  struct Case {
    const char* what;
    std::string body;
    const char* error;
  };
  const std::vector<Case> cases = {
      {"upload time as text", Batch({Bytes(4, "1700")}), "field 4 has wire type 2"},
      {"packed experiment IDs", Batch({Bytes(45, Varint(3) + Varint(9))}), "field 45 has wire type 2"},
      {"singular field twice", Batch({VarintField(39, 1) + VarintField(39, 2)}), "singular field 39 occurs twice"},
      {"number outside the schema", Batch({VarintField(36, 1)}), "unknown field number 36"},
      {"float parameter as varint", Batch({Bytes(2, Bytes(1, VarintField(4, 1)))}), "EventParam: field 4"},
      {"truncated bundle", Batch({Bytes(14, "app")}).substr(0, 5), "truncated"},
      {"unknown result-data field", Batch({Bytes(29, Bytes(2, VarintField(5, 1)))}), "ResultData: unknown"},
      {"batch field 2", VarintField(2, 1), "MeasurementBatch: unknown field number 2"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(MeasurementBatchReader::read(c.body, &error)) << c.what;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.what << ": " << error;
  }
}

TEST(MeasurementBatchReaderTest, ChecksumIsRecomputedWithoutItsOwnField) {
  const std::string before = VarintField(4, 1700000000000) + Bytes(14, "com.example.app");
  const std::string after = Bytes(52, "G1") + Bytes(73, "-");
  auto batch = MeasurementBatchReader::read(Batch({before + VarintField(47, -12345) + after}));
  ASSERT_TRUE(batch);
  const std::string covered = before + after;
  unsigned char digest[16];
  unsigned int length = 0;
  ASSERT_EQ(EVP_Digest(covered.data(), covered.size(), digest, &length, EVP_md5(), nullptr), 1);
  std::uint64_t expected = 0;
  for (int i = 8; i < 16; ++i) expected = (expected << 8) | digest[i];
  EXPECT_EQ(batch->bundles[0].recomputedChecksum(), static_cast<std::int64_t>(expected));
  EXPECT_EQ(batch->bundles[0].wire.int64(bundlefield::kChecksum), -12345);
}

}  // namespace
}  // namespace testsupport
