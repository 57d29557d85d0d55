#include "tests/support/MeasurementBatchReader.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <cstring>
#include <map>
#include <sstream>

namespace testsupport {

namespace {

enum class Kind { kVarint, kFixed64, kFixed32, kBytes };

struct FieldShape {
  Kind kind;
  bool repeated;
};

using Schema = std::map<std::uint32_t, FieldShape>;

constexpr FieldShape V{Kind::kVarint, false};
constexpr FieldShape VR{Kind::kVarint, true};
constexpr FieldShape S{Kind::kBytes, false};  // string or singular message
constexpr FieldShape SR{Kind::kBytes, true};
constexpr FieldShape F32{Kind::kFixed32, false};
constexpr FieldShape F64{Kind::kFixed64, false};

const Schema kBatch = {{1, SR}, {7, S}};
const Schema kBundle = {
    {1, V},   {2, SR},  {3, SR},  {4, V},   {5, V},   {6, V},   {26, V},  {7, V},   {8, S},   {9, S},   {10, S},
    {11, S},  {12, V},  {13, S},  {14, S},  {15, V},  {16, S},  {17, V},  {18, V},  {19, S},  {27, S},  {20, V},
    {21, S},  {22, V},  {23, V},  {24, S},  {25, S},  {28, V},  {29, SR}, {30, S},  {31, V},  {32, V},  {33, V},
    {34, S},  {35, V},  {39, V},  {41, S},  {45, VR}, {47, V},  {50, S},  {52, S},  {53, V},  {55, V},  {63, S},
    {64, SR}, {65, S},  {67, V},  {71, S},  {72, V},  {73, S},  {75, S}};
const Schema kEvent = {{1, SR}, {2, S}, {3, V}, {4, V}, {5, V}};
const Schema kEventParam = {{1, S}, {2, S}, {3, V}, {4, F32}, {5, F64}, {6, SR}};
const Schema kUserAttribute = {{1, V}, {2, S}, {3, S}, {4, V}, {5, F32}, {6, F64}};
const Schema kAudienceResult = {{1, V}, {2, S}, {3, S}, {4, V}};
const Schema kResultData = {{1, VR}, {2, VR}, {3, SR}, {4, SR}};
const Schema kDynamicTimestamp = {{1, V}, {2, V}};
const Schema kSequenceTimestamp = {{1, V}, {2, VR}};

int WireTypeOf(Kind kind) {
  switch (kind) {
    case Kind::kVarint:
      return 0;
    case Kind::kFixed64:
      return 1;
    case Kind::kBytes:
      return 2;
    case Kind::kFixed32:
      return 5;
  }
  return -1;
}

bool ReadVarint(const std::string& data, std::size_t& at, std::uint64_t& out) {
  out = 0;
  for (int shift = 0; shift < 64; shift += 7) {
    if (at >= data.size()) return false;
    const auto byte = static_cast<unsigned char>(data[at++]);
    out |= static_cast<std::uint64_t>(byte & 0x7f) << shift;
    if ((byte & 0x80) == 0) return true;
  }
  return false;  // more than ten bytes
}

std::optional<WireMessage> Parse(const std::string& data, const Schema& schema, const char* what,
                                 std::string* error) {
  auto fail = [&](const std::string& why) -> std::optional<WireMessage> {
    if (error) *error = std::string(what) + ": " + why;
    return std::nullopt;
  };
  WireMessage message;
  message.encoding = data;
  std::size_t at = 0;
  while (at < data.size()) {
    WireMessage::Field field;
    field.begin = at;
    std::uint64_t tag = 0;
    if (!ReadVarint(data, at, tag)) return fail("truncated tag at byte " + std::to_string(field.begin));
    field.number = static_cast<std::uint32_t>(tag >> 3);
    field.wireType = static_cast<int>(tag & 7);
    auto shape = schema.find(field.number);
    if (shape == schema.end()) return fail("unknown field number " + std::to_string(field.number));
    if (field.wireType != WireTypeOf(shape->second.kind)) {
      return fail("field " + std::to_string(field.number) + " has wire type " + std::to_string(field.wireType));
    }
    if (!shape->second.repeated && message.has(field.number)) {
      return fail("singular field " + std::to_string(field.number) + " occurs twice");
    }
    switch (field.wireType) {
      case 0:
        if (!ReadVarint(data, at, field.value)) return fail("truncated varint");
        break;
      case 1:
      case 5: {
        const std::size_t width = field.wireType == 1 ? 8 : 4;
        if (data.size() - at < width) return fail("truncated fixed value");
        for (std::size_t i = 0; i < width; ++i) {
          field.value |= static_cast<std::uint64_t>(static_cast<unsigned char>(data[at + i])) << (8 * i);
        }
        at += width;
        break;
      }
      default: {
        std::uint64_t length = 0;
        if (!ReadVarint(data, at, length) || length > data.size() - at) return fail("truncated length-delimited field");
        field.bytes = data.substr(at, static_cast<std::size_t>(length));
        at += static_cast<std::size_t>(length);
        break;
      }
    }
    field.end = at;
    message.fields.push_back(std::move(field));
  }
  return message;
}

std::optional<DecodedEventParam> ReadParam(const std::string& data, std::string* error, int depth) {
  if (depth > 8) {
    if (error) *error = "EventParam: nested too deeply";
    return std::nullopt;
  }
  auto wire = Parse(data, kEventParam, "EventParam", error);
  if (!wire) return std::nullopt;
  DecodedEventParam param;
  param.name = wire->string(1).value_or("");
  param.stringValue = wire->string(2);
  param.intValue = wire->int64(3);
  param.doubleValue = wire->float64(5);
  for (const auto& item : wire->strings(6)) {
    auto nested = ReadParam(item, error, depth + 1);
    if (!nested) return std::nullopt;
    param.nested.push_back(std::move(*nested));
  }
  param.wire = std::move(*wire);
  return param;
}

std::optional<DecodedResultData> ReadResultData(const std::string& data, std::string* error) {
  auto wire = Parse(data, kResultData, "ResultData", error);
  if (!wire) return std::nullopt;
  DecodedResultData out;
  out.hasResultWords = wire->varints(1);
  out.trueWords = wire->varints(2);
  for (const auto& item : wire->strings(3)) {
    auto entry = Parse(item, kDynamicTimestamp, "DynamicFilterResultTimestamp", error);
    if (!entry) return std::nullopt;
    out.dynamicTimestamps.emplace_back(static_cast<std::int32_t>(entry->int64(1).value_or(0)),
                                       entry->int64(2).value_or(0));
  }
  for (const auto& item : wire->strings(4)) {
    auto entry = Parse(item, kSequenceTimestamp, "SequenceFilterResultTimestamp", error);
    if (!entry) return std::nullopt;
    std::vector<std::int64_t> times;
    for (auto value : entry->varints(2)) times.push_back(static_cast<std::int64_t>(value));
    out.sequenceTimestamps.emplace_back(static_cast<std::int32_t>(entry->int64(1).value_or(0)), std::move(times));
  }
  return out;
}

std::optional<DecodedBundle> ReadBundle(const std::string& data, std::string* error) {
  auto wire = Parse(data, kBundle, "MeasurementBundle", error);
  if (!wire) return std::nullopt;
  DecodedBundle bundle;
  for (const auto& item : wire->strings(bundlefield::kEvents)) {
    auto eventWire = Parse(item, kEvent, "Event", error);
    if (!eventWire) return std::nullopt;
    DecodedEvent event;
    event.name = eventWire->string(2).value_or("");
    event.timestampMillis = eventWire->int64(3);
    event.previousTimestampMillis = eventWire->int64(4);
    for (const auto& paramData : eventWire->strings(1)) {
      auto param = ReadParam(paramData, error, 0);
      if (!param) return std::nullopt;
      event.params.push_back(std::move(*param));
    }
    event.wire = std::move(*eventWire);
    bundle.events.push_back(std::move(event));
  }
  for (const auto& item : wire->strings(bundlefield::kUserAttributes)) {
    auto attributeWire = Parse(item, kUserAttribute, "UserAttribute", error);
    if (!attributeWire) return std::nullopt;
    DecodedUserAttribute attribute;
    attribute.setTimestampMillis = attributeWire->int64(1);
    attribute.name = attributeWire->string(2).value_or("");
    attribute.stringValue = attributeWire->string(3);
    attribute.intValue = attributeWire->int64(4);
    attribute.doubleValue = attributeWire->float64(6);
    attribute.wire = std::move(*attributeWire);
    bundle.userAttributes.push_back(std::move(attribute));
  }
  for (const auto& item : wire->strings(bundlefield::kAudienceResults)) {
    auto resultWire = Parse(item, kAudienceResult, "AudienceLeafFilterResult", error);
    if (!resultWire) return std::nullopt;
    DecodedAudienceResult result;
    result.audienceId = static_cast<std::int32_t>(resultWire->int64(1).value_or(0));
    result.isNew = resultWire->boolean(4);
    for (std::uint32_t number : {2u, 3u}) {
      auto data = resultWire->string(number);
      if (!data) continue;
      auto decoded = ReadResultData(*data, error);
      if (!decoded) return std::nullopt;
      (number == 2 ? result.current : result.previous) = std::move(*decoded);
    }
    bundle.audienceResults.push_back(std::move(result));
  }
  bundle.wire = std::move(*wire);
  return bundle;
}

const WireMessage::Field* Last(const WireMessage& message, std::uint32_t number) {
  const WireMessage::Field* found = nullptr;
  for (const auto& field : message.fields) {
    if (field.number == number) found = &field;
  }
  return found;
}

}  // namespace

bool WireMessage::has(std::uint32_t number) const { return Last(*this, number) != nullptr; }

std::optional<std::int64_t> WireMessage::int64(std::uint32_t number) const {
  const Field* field = Last(*this, number);
  if (!field || field->wireType != 0) return std::nullopt;
  return static_cast<std::int64_t>(field->value);
}

std::optional<bool> WireMessage::boolean(std::uint32_t number) const {
  auto value = int64(number);
  if (!value) return std::nullopt;
  return *value != 0;
}

std::optional<std::string> WireMessage::string(std::uint32_t number) const {
  const Field* field = Last(*this, number);
  if (!field || field->wireType != 2) return std::nullopt;
  return field->bytes;
}

std::optional<double> WireMessage::float64(std::uint32_t number) const {
  const Field* field = Last(*this, number);
  if (!field || field->wireType != 1) return std::nullopt;
  double out = 0;
  std::memcpy(&out, &field->value, sizeof out);
  return out;
}

std::optional<float> WireMessage::float32(std::uint32_t number) const {
  const Field* field = Last(*this, number);
  if (!field || field->wireType != 5) return std::nullopt;
  const auto bits = static_cast<std::uint32_t>(field->value);
  float out = 0;
  std::memcpy(&out, &bits, sizeof out);
  return out;
}

std::vector<std::uint64_t> WireMessage::varints(std::uint32_t number) const {
  std::vector<std::uint64_t> out;
  for (const auto& field : fields) {
    if (field.number == number && field.wireType == 0) out.push_back(field.value);
  }
  return out;
}

std::vector<std::string> WireMessage::strings(std::uint32_t number) const {
  std::vector<std::string> out;
  for (const auto& field : fields) {
    if (field.number == number && field.wireType == 2) out.push_back(field.bytes);
  }
  return out;
}

std::string WireMessage::encodingWithout(std::uint32_t number) const {
  std::string out;
  std::size_t at = 0;
  for (const auto& field : fields) {
    if (field.number != number) continue;
    out.append(encoding, at, field.begin - at);
    at = field.end;
  }
  out.append(encoding, at, std::string::npos);
  return out;
}

const DecodedEventParam* DecodedEvent::param(const std::string& wanted) const {
  for (const auto& p : params) {
    if (p.name == wanted) return &p;
  }
  return nullptr;
}

std::int64_t DecodedBundle::recomputedChecksum() const {
  const std::string data = wire.encodingWithout(bundlefield::kChecksum);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(data.data(), data.size(), digest, &length, EVP_md5(), nullptr) != 1 || length != 16) return 0;
  std::uint64_t value = 0;
  for (unsigned int i = 8; i < 16; ++i) value = (value << 8) | digest[i];
  return static_cast<std::int64_t>(value);
}

std::optional<DecodedBatch> MeasurementBatchReader::read(const std::string& body, std::string* error) {
  std::string plain = body;
  // A batch never starts with 0x1f (field 3 with wire type 7), so the gzip
  // magic tells a compressed body apart.
  if (body.size() >= 2 && static_cast<unsigned char>(body[0]) == 0x1f && static_cast<unsigned char>(body[1]) == 0x8b) {
    auto inflated = gunzip(body);
    if (!inflated) {
      if (error) *error = "the gzip body does not inflate";
      return std::nullopt;
    }
    plain = std::move(*inflated);
  }
  auto wire = Parse(plain, kBatch, "MeasurementBatch", error);
  if (!wire) return std::nullopt;
  DecodedBatch batch;
  for (const auto& item : wire->strings(1)) {
    auto bundle = ReadBundle(item, error);
    if (!bundle) return std::nullopt;
    batch.bundles.push_back(std::move(*bundle));
  }
  return batch;
}

std::optional<std::string> MeasurementBatchReader::gunzip(const std::string& data) {
  z_stream stream{};
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return std::nullopt;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  std::string out;
  char buffer[65536];
  int result = Z_OK;
  while (result == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof buffer;
    result = inflate(&stream, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - stream.avail_out);
    if (result == Z_OK && stream.avail_in == 0 && stream.avail_out != 0) break;  // truncated input
  }
  inflateEnd(&stream);
  if (result != Z_STREAM_END) return std::nullopt;
  return out;
}

namespace {

void DescribeParams(std::ostringstream& out, const std::vector<DecodedEventParam>& params, const std::string& indent) {
  for (const auto& p : params) {
    out << indent << p.name << " = ";
    if (p.stringValue) out << '"' << *p.stringValue << '"';
    if (p.intValue) out << *p.intValue;
    if (p.doubleValue) out << *p.doubleValue;
    if (!p.nested.empty()) out << "[" << p.nested.size() << " items]";
    out << "\n";
    for (const auto& item : p.nested) DescribeParams(out, item.nested, indent + "  ");
  }
}

}  // namespace

std::string MeasurementBatchReader::describe(const DecodedBatch& batch) {
  std::ostringstream out;
  for (std::size_t b = 0; b < batch.bundles.size(); ++b) {
    const DecodedBundle& bundle = batch.bundles[b];
    out << "bundle " << b << "\n";
    for (const auto& field : bundle.wire.fields) {
      if (field.number == bundlefield::kEvents || field.number == bundlefield::kUserAttributes ||
          field.number == bundlefield::kAudienceResults) {
        continue;
      }
      out << "  field " << field.number << ": ";
      if (field.wireType == 2) {
        out << '"' << field.bytes << '"';
      } else {
        out << static_cast<std::int64_t>(field.value);
      }
      out << "\n";
    }
    for (const auto& attribute : bundle.userAttributes) {
      out << "  user attribute " << attribute.name << " = ";
      if (attribute.stringValue) out << '"' << *attribute.stringValue << '"';
      if (attribute.intValue) out << *attribute.intValue;
      if (attribute.doubleValue) out << *attribute.doubleValue;
      out << "\n";
    }
    for (const auto& result : bundle.audienceResults) out << "  audience " << result.audienceId << "\n";
    for (const auto& event : bundle.events) {
      out << "  event " << event.name << " at " << event.timestampMillis.value_or(0) << "\n";
      DescribeParams(out, event.params, "    ");
    }
  }
  return out.str();
}

}  // namespace testsupport
