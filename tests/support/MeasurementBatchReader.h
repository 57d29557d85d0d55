// Reads upload request bodies of the measurement service for tests: a
// MeasurementBatch (gzip'd or not), decoded by a small protobuf wire reader
// over the field numbers written out below, independent of the app's codec.
// Every field must have its declared wire type, a singular field may come
// only once and an unknown field number is an error, so a body the codec
// mis-encodes fails to read instead of reading as something else.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// Wire numbers of MeasurementBundle fields that tests name.
namespace bundlefield {
inline constexpr std::uint32_t kEvents = 2;
inline constexpr std::uint32_t kUserAttributes = 3;
inline constexpr std::uint32_t kUploadTimestamp = 4;
inline constexpr std::uint32_t kStartTimestamp = 5;
inline constexpr std::uint32_t kEndTimestamp = 6;
inline constexpr std::uint32_t kPreviousEndTimestamp = 7;
inline constexpr std::uint32_t kPlatform = 8;
inline constexpr std::uint32_t kOsVersion = 9;
inline constexpr std::uint32_t kDeviceModel = 10;
inline constexpr std::uint32_t kTimeZoneOffsetMinutes = 12;
inline constexpr std::uint32_t kAppIdentifier = 14;
inline constexpr std::uint32_t kAppVersion = 16;
inline constexpr std::uint32_t kLibraryVersionAtCreation = 17;
inline constexpr std::uint32_t kLibraryVersion = 18;
inline constexpr std::uint32_t kAdvertisingIdentifier = 19;
inline constexpr std::uint32_t kLimitAdTracking = 20;
inline constexpr std::uint32_t kAppInstanceId = 21;
inline constexpr std::uint32_t kBundleIndex = 23;
inline constexpr std::uint32_t kAnalyticsAppId = 25;
inline constexpr std::uint32_t kPreviousStartTimestamp = 26;
inline constexpr std::uint32_t kVendorIdentifier = 27;
inline constexpr std::uint32_t kAudienceResults = 29;
inline constexpr std::uint32_t kConfigVersion = 35;
inline constexpr std::uint32_t kRetryCount = 39;
inline constexpr std::uint32_t kAdsAppId = 41;
inline constexpr std::uint32_t kExperimentIds = 45;
inline constexpr std::uint32_t kChecksum = 47;
inline constexpr std::uint32_t kConsentSignals = 52;
inline constexpr std::uint32_t kTrackingAuthorization = 53;
inline constexpr std::uint32_t kDataControls = 64;
inline constexpr std::uint32_t kConsentDiagnostics = 71;
}  // namespace bundlefield

// One message's fields as they came, in order, with typed reads by number.
struct WireMessage {
  struct Field {
    std::uint32_t number = 0;
    int wireType = 0;          // 0 varint, 1 fixed64, 2 length-delimited, 5 fixed32
    std::uint64_t value = 0;   // varint or fixed bits
    std::string bytes;         // length-delimited payload
    std::size_t begin = 0;     // the field's span (tag included) in encoding
    std::size_t end = 0;
  };
  std::string encoding;
  std::vector<Field> fields;

  bool has(std::uint32_t number) const;
  std::optional<std::int64_t> int64(std::uint32_t number) const;  // int32 and enum too
  std::optional<bool> boolean(std::uint32_t number) const;
  std::optional<std::string> string(std::uint32_t number) const;
  std::optional<double> float64(std::uint32_t number) const;
  std::optional<float> float32(std::uint32_t number) const;
  std::vector<std::uint64_t> varints(std::uint32_t number) const;  // repeated
  std::vector<std::string> strings(std::uint32_t number) const;    // repeated
  // The encoding with every occurrence of the field cut out.
  std::string encodingWithout(std::uint32_t number) const;
};

struct DecodedEventParam {
  WireMessage wire;
  std::string name;
  std::optional<std::string> stringValue;
  std::optional<std::int64_t> intValue;
  std::optional<double> doubleValue;
  std::vector<DecodedEventParam> nested;
};

struct DecodedEvent {
  WireMessage wire;
  std::string name;
  std::optional<std::int64_t> timestampMillis;
  std::optional<std::int64_t> previousTimestampMillis;
  std::vector<DecodedEventParam> params;
  // The parameter by name, none when absent.
  const DecodedEventParam* param(const std::string& name) const;
};

struct DecodedUserAttribute {
  WireMessage wire;
  std::string name;
  std::optional<std::int64_t> setTimestampMillis;
  std::optional<std::string> stringValue;
  std::optional<std::int64_t> intValue;
  std::optional<double> doubleValue;
};

struct DecodedResultData {
  std::vector<std::uint64_t> hasResultWords;
  std::vector<std::uint64_t> trueWords;
  std::vector<std::pair<std::int32_t, std::int64_t>> dynamicTimestamps;                // filter ID, time
  std::vector<std::pair<std::int32_t, std::vector<std::int64_t>>> sequenceTimestamps;  // filter ID, times
};

struct DecodedAudienceResult {
  std::int32_t audienceId = 0;
  std::optional<DecodedResultData> current;
  std::optional<DecodedResultData> previous;
  std::optional<bool> isNew;
};

struct DecodedBundle {
  WireMessage wire;  // every field, by wire number (see bundlefield)
  std::vector<DecodedEvent> events;
  std::vector<DecodedUserAttribute> userAttributes;
  std::vector<DecodedAudienceResult> audienceResults;
  // The last 8 bytes, big-endian, of the MD5 of the bundle's encoding
  // without its checksum field: what the checksum field should hold.
  std::int64_t recomputedChecksum() const;
};

struct DecodedBatch {
  std::vector<DecodedBundle> bundles;
};

class MeasurementBatchReader {
 public:
  // The batch, or none with the reason in *error.
  static std::optional<DecodedBatch> read(const std::string& body, std::string* error = nullptr);
  // gzip (RFC 1952) inflation; none when the data does not inflate.
  static std::optional<std::string> gunzip(const std::string& data);
  // A readable dump of the batch, one line per field (tools and failure messages).
  static std::string describe(const DecodedBatch& batch);
};

}  // namespace testsupport
