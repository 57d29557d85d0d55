#include "Analytics/Protobuf/APMPBCodec.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <limits>

#include "Analytics/Protobuf/APMPBLog.h"

namespace {

constexpr uint16_t kNoPresence = 0xffff;

// How the direct writer puts a field on the wire.
enum class WireKind : uint8_t {
  kBool, kSigned32, kUnsigned32, kVarint64, kFixed32, kFixed64, kBytes, kMessage,
  kRepeatedVarint, kRepeatedBytes, kRepeatedMessage,
};

struct WireField {
  uint32_t index;
  uint8_t tag[2];
  uint8_t tagLength;
  WireKind kind;
};

WireKind WireKindOf(uint32_t flags) {
  const bool bytes = (flags & (kAPMPBTypeString | kAPMPBTypeBytes)) != 0;
  if (APMPBIsRepeated(flags)) {
    if (flags & kAPMPBTypeMessage) return WireKind::kRepeatedMessage;
    return bytes ? WireKind::kRepeatedBytes : WireKind::kRepeatedVarint;
  }
  if (flags & kAPMPBTypeMessage) return WireKind::kMessage;
  if (bytes) return WireKind::kBytes;
  if (flags & kAPMPBTypeBool) return WireKind::kBool;
  if (flags & (kAPMPBTypeInt32 | kAPMPBTypeEnum)) return WireKind::kSigned32;
  if (flags & kAPMPBTypeUInt32) return WireKind::kUnsigned32;
  if (flags & kAPMPBTypeFloat) return WireKind::kFixed32;
  if (flags & kAPMPBTypeDouble) return WireKind::kFixed64;
  return WireKind::kVarint64;
}

struct MessageLayout {
  std::vector<APMPBFieldLayout> fields;  // by index
  std::vector<WireField> wireOrder;      // bound fields by wire number, with their tags
  uint32_t callbackCount = 0;            // repeated callbacks, embedded children included
};

uint32_t ComputeCallbackCount(const APMPBMessageDescriptor& d) {
  uint32_t count = 0;
  for (uint32_t i = 0; i < d.fieldCount; ++i) {
    const APMPBFieldDescriptor& f = d.fields[i];
    if (APMPBIsRepeated(f.flags)) {
      ++count;
    } else if (f.flags & kAPMPBTypeMessage) {
      count += ComputeCallbackCount(*f.element);
    }
  }
  return count;
}

MessageLayout BuildLayout(const APMPBMessageDescriptor& d) {
  MessageLayout layout;
  layout.fields.assign(d.fieldCount, APMPBFieldLayout{false, 0, 0, kNoPresence, 0});
  std::vector<std::max_align_t> storage(d.structSize / sizeof(std::max_align_t) + 1);
  auto* base = reinterpret_cast<unsigned char*>(storage.data());
  pb_field_iter_t it;
  if (pb_field_iter_begin(&it, d.nanopb, base)) {
    do {
      for (uint32_t i = 0; i < d.fieldCount; ++i) {
        if (d.fields[i].number != it.tag) continue;
        APMPBFieldLayout& f = layout.fields[i];
        f.bound = true;
        f.type = it.type;
        f.dataOffset = static_cast<uint16_t>(static_cast<unsigned char*>(it.pData) - base);
        if (it.pSize != nullptr && PB_HTYPE(it.type) == PB_HTYPE_OPTIONAL) {
          f.presenceOffset = static_cast<uint16_t>(static_cast<unsigned char*>(it.pSize) - base);
        }
        f.dataSize = static_cast<uint16_t>(it.data_size);
      }
    } while (pb_field_iter_next(&it));
  }
  for (uint32_t i = 0; i < d.fieldCount; ++i) {
    if (!layout.fields[i].bound) continue;
    const uint32_t flags = d.fields[i].flags;
    uint32_t wireType = 0;  // varint
    if (APMPBIsRepeated(flags) ? (flags & (kAPMPBTypeString | kAPMPBTypeBytes | kAPMPBTypeMessage)) != 0
                               : (flags & (kAPMPBTypeString | kAPMPBTypeBytes | kAPMPBTypeMessage)) != 0) {
      wireType = 2;
    } else if (flags & kAPMPBTypeDouble) {
      wireType = 1;
    } else if (flags & kAPMPBTypeFloat) {
      wireType = 5;
    }
    const uint32_t key = (d.fields[i].number << 3) | wireType;
    WireField w{i, {0, 0}, 0, WireKindOf(flags)};
    if (key < 0x80) {
      w.tag[0] = static_cast<uint8_t>(key);
      w.tagLength = 1;
    } else {
      w.tag[0] = static_cast<uint8_t>(key | 0x80);
      w.tag[1] = static_cast<uint8_t>(key >> 7);
      w.tagLength = 2;
    }
    layout.wireOrder.push_back(w);
  }
  std::sort(layout.wireOrder.begin(), layout.wireOrder.end(), [&](const WireField& a, const WireField& b) {
    return d.fields[a.index].number < d.fields[b.index].number;
  });
  layout.callbackCount = ComputeCallbackCount(d);
  return layout;
}

const MessageLayout& LayoutFor(const APMPBMessageDescriptor& d) {
  static const std::vector<MessageLayout> layouts = [] {
    std::vector<MessageLayout> all;
    const APMPBMessageDescriptor* const* descriptors = APMPBAllMessageDescriptors();
    for (size_t i = 0; i < kAPMPBMessageCount; ++i) all.push_back(BuildLayout(*descriptors[i]));
    return all;
  }();
  return layouts[d.id];
}

// Work areas are stack arrays sized by tier so deep recursion of small
// messages stays cheap.
constexpr size_t kSmallStruct = 256;
constexpr size_t kLargeStruct = 2048;
constexpr uint32_t kSmallContexts = 8;
constexpr uint32_t kLargeContexts = 32;

// ---------------------------------------------------------------- decoding

// Repeated elements are appended as they are read, in one pass over the
// bytes (a second nanopb pass to size the arrays cost more than it saved).
// A field's array is sized when its first element arrives, by a plain walk
// over the bytes of the message that holds it.
struct RepeatedContext {
  APMPBSlot* slot;
  const APMPBMessageDescriptor* element;
  uint32_t flags;
  uint32_t depth;  // depth of the message that holds the field
  uint32_t number;  // wire field number
  const uint8_t* messageBytes;  // the holding message; nullptr inside an embedded child
  size_t messageLength;
};

struct DecodeFrame {
  RepeatedContext* contexts;
  uint32_t used;
  uint32_t capacity;
  uint32_t depth;
};

using BufferReader = bool (*)(pb_istream_t*, pb_byte_t*, size_t);

// Bytes of a buffer-backed stream can be read in place instead of copied.
const uint8_t* InPlaceBytes(const pb_istream_t* stream) {
  static const BufferReader kBufferReader = pb_istream_from_buffer(nullptr, 0).callback;
  if (stream->callback != kBufferReader) return nullptr;
  return static_cast<const uint8_t*>(stream->state);
}

bool DecodeAt(const uint8_t* bytes, size_t length, APMPBMessageInfo* info, uint32_t depth);

bool ReadBytes(pb_istream_t* stream, std::string* out) {
  const size_t length = stream->bytes_left;
  if (length > kAPMPBMaxFieldBytes) {
    APMPBPrint("Unable to process proto stream. Buffer is too big. %zu > %d", length,
               static_cast<int>(kAPMPBMaxFieldBytes));
    return false;
  }
  if (const uint8_t* in_place = InPlaceBytes(stream)) {
    out->assign(reinterpret_cast<const char*>(in_place), length);
    return pb_read(stream, nullptr, length);
  }
  out->resize(length);
  if (!pb_read(stream, reinterpret_cast<pb_byte_t*>(out->data()), length)) {
    out->clear();
    return false;
  }
  return true;
}

bool SkipElement(pb_istream_t* stream) { return pb_read(stream, nullptr, stream->bytes_left); }

bool ReadVarint(const uint8_t*& p, const uint8_t* end, uint64_t* value) {
  *value = 0;
  for (int shift = 0; shift < 64 && p < end; shift += 7) {
    const uint8_t byte = *p++;
    *value |= static_cast<uint64_t>(byte & 0x7f) << shift;
    if ((byte & 0x80) == 0) return true;
  }
  return false;
}

// How many length-delimited occurrences of the field the message's bytes
// hold at the top level. Stops at anything it does not expect: the count
// only sizes an array, and nanopb reports what is wrong with the bytes.
size_t CountOccurrences(const RepeatedContext& context) {
  size_t count = 0;
  const uint8_t* p = context.messageBytes;
  const uint8_t* end = p + context.messageLength;
  uint64_t key = 0;
  while (p < end && ReadVarint(p, end, &key)) {
    uint64_t skip = 0;
    switch (key & 7) {
      case 0:
        if (!ReadVarint(p, end, &skip)) return count;
        skip = 0;
        break;
      case 1: skip = 8; break;
      case 2:
        if (!ReadVarint(p, end, &skip)) return count;
        if ((key >> 3) == context.number) ++count;
        break;
      case 5: skip = 4; break;
      default: return count;
    }
    if (skip > static_cast<uint64_t>(end - p)) return count;
    p += skip;
  }
  return count;
}

// Sizes the array for all of the field's elements on the first one.
template <class T>
void ReserveOnFirst(std::vector<T>& elements, const RepeatedContext& context) {
  if (!elements.empty() || context.messageBytes == nullptr) return;
  elements.reserve(std::max<size_t>(CountOccurrences(context), 1));
}

bool DecodeRepeatedVarint(pb_istream_t* stream, const pb_field_t*, void** arg) {
  auto* context = arg != nullptr ? static_cast<RepeatedContext*>(*arg) : nullptr;
  if (context == nullptr) return false;
  uint64_t value = 0;
  if (!pb_decode_varint(stream, &value)) return false;
  APMPBEnsureArray(*context->slot).cells.push_back(value);
  return true;
}

bool DecodeRepeatedString(pb_istream_t* stream, const pb_field_t*, void** arg) {
  auto* context = arg != nullptr ? static_cast<RepeatedContext*>(*arg) : nullptr;
  if (context == nullptr) return false;
  APMPBArrayRecord& array = APMPBEnsureArray(*context->slot);
  ReserveOnFirst(array.strings, *context);
  std::string value;
  if (!ReadBytes(stream, &value)) return false;
  array.strings.push_back(std::move(value));
  return true;
}

bool DecodeRepeatedMessage(pb_istream_t* stream, const pb_field_t*, void** arg) {
  auto* context = arg != nullptr ? static_cast<RepeatedContext*>(*arg) : nullptr;
  if (context == nullptr) {
    APMPBPrint("<ERROR> %s decoder failed: Invalid arg parameter", "(null)");
    return false;
  }
  const char* name = context->element->name;
  if (context->depth + 1 > kAPMPBMaxDecodeDepth) {
    APMPBPrint("<ERROR> %s decoder failed: Unable to decode repeated %s", name, name);
    return false;
  }
  APMPBArrayRecord& array = APMPBEnsureArray(*context->slot);
  ReserveOnFirst(array.messages, *context);
  const size_t length = stream->bytes_left;
  std::vector<uint8_t> copied;
  const uint8_t* bytes = InPlaceBytes(stream);
  if (bytes == nullptr) {
    copied.resize(length);
    if (!pb_read(stream, copied.data(), length)) {
      APMPBPrint("<ERROR> %s decoder failed: Unable to extract buffer from stream", name);
      return false;
    }
    bytes = copied.data();
  }
  APMPBMessageInfo& element = array.messages.emplace_back();
  APMPBInitMessageInfo(&element, *context->element);
  if (!DecodeAt(bytes, length, &element, context->depth + 1)) {
    APMPBPrint("<ERROR> %s decoder failed: Unable to decode repeated %s", name, name);
    return false;
  }
  return copied.empty() && length > 0 ? pb_read(stream, nullptr, length) : true;
}

bool SetDecoders(const APMPBMessageDescriptor& d, APMPBMessageInfo* info, unsigned char* base,
                 DecodeFrame& frame, const uint8_t* bytes, size_t length) {
  const MessageLayout& layout = LayoutFor(d);
  for (uint32_t i = 0; i < d.fieldCount; ++i) {
    const APMPBFieldDescriptor& f = d.fields[i];
    const APMPBFieldLayout& l = layout.fields[i];
    if (!l.bound) continue;
    auto* callback = reinterpret_cast<pb_callback_t*>(base + l.dataOffset);
    if (APMPBIsRepeated(f.flags)) {
      if (frame.used >= frame.capacity) return false;
      APMPBDeallocMessageField(info, static_cast<int32_t>(i));
      RepeatedContext& context = frame.contexts[frame.used++];
      context = RepeatedContext{&info->values[i], f.element, f.flags, frame.depth, f.number, bytes, length};
      if (f.flags & kAPMPBTypeMessage) {
        callback->funcs.decode = DecodeRepeatedMessage;
      } else if (f.flags & (kAPMPBTypeString | kAPMPBTypeBytes)) {
        callback->funcs.decode = DecodeRepeatedString;
      } else {
        callback->funcs.decode = DecodeRepeatedVarint;
      }
      callback->arg = &context;
    } else if (f.flags & (kAPMPBTypeString | kAPMPBTypeBytes)) {
      callback->funcs.decode = APMPBDecodeString;
      callback->arg = &info->values[i];
    } else if (f.flags & kAPMPBTypeMessage) {
      auto child = std::make_unique<APMPBMessageInfo>();
      APMPBInitMessageInfo(child.get(), *f.element);
      if (!SetDecoders(*f.element, child.get(), base + l.dataOffset, frame, nullptr, 0)) return false;
      info->values[i] = std::move(child);
    }
  }
  return true;
}

void FillFromDecoded(const APMPBMessageDescriptor& d, const unsigned char* base,
                     APMPBMessageInfo* info) {
  const MessageLayout& layout = LayoutFor(d);
  for (uint32_t i = 0; i < d.fieldCount; ++i) {
    const APMPBFieldDescriptor& f = d.fields[i];
    const APMPBFieldLayout& l = layout.fields[i];
    if (!l.bound || APMPBIsRepeated(f.flags) || (f.flags & (kAPMPBTypeString | kAPMPBTypeBytes))) {
      continue;
    }
    const bool present = l.presenceOffset != kNoPresence && base[l.presenceOffset] != 0;
    APMPBSlot* slot = &info->values[i];
    const unsigned char* data = base + l.dataOffset;
    if (f.flags & kAPMPBTypeMessage) {
      auto* child = std::get_if<std::unique_ptr<APMPBMessageInfo>>(slot);
      if (present && child != nullptr && *child) {
        FillFromDecoded(*f.element, data, child->get());
      } else {
        *slot = std::monostate{};
      }
      continue;
    }
    if (!present) continue;
    if (f.flags & kAPMPBTypeBool) {
      APMPBSetBoolCell(slot, data[0] != 0);
    } else if (f.flags & kAPMPBFamily32) {
      uint32_t value;
      std::memcpy(&value, data, sizeof value);
      APMPBSetUInt32Cell(slot, value);
    } else if (f.flags & kAPMPBFamily64) {
      uint64_t value;
      std::memcpy(&value, data, sizeof value);
      APMPBSetUInt64Cell(slot, value);
    } else if (f.flags & kAPMPBTypeFloat) {
      float value;
      std::memcpy(&value, data, sizeof value);
      APMPBSetFloatCell(slot, value);
    } else if (f.flags & kAPMPBTypeDouble) {
      double value;
      std::memcpy(&value, data, sizeof value);
      APMPBSetDoubleCell(slot, value);
    }
  }
}

template <size_t kStructSize, uint32_t kContexts>
bool DecodeWith(const APMPBMessageDescriptor& d, const uint8_t* bytes, size_t length,
                APMPBMessageInfo* info, uint32_t depth) {
  alignas(std::max_align_t) unsigned char work[kStructSize];
  std::memset(work, 0, d.structSize);
  RepeatedContext contexts[kContexts];
  DecodeFrame frame{contexts, 0, kContexts, depth};
  if (!SetDecoders(d, info, work, frame, bytes, length)) {
    APMPBPrint("<ERROR> %s decoder failed: Unable to set decoders", d.name);
    return false;
  }
  // The working structure starts zeroed and the schemas declare no defaults,
  // so nanopb need not initialise it again.
  pb_istream_t stream = pb_istream_from_buffer(bytes, length);
  if (!pb_decode_ex(&stream, d.nanopb, work, PB_DECODE_NOINIT)) {
    APMPBPrint("<ERROR> %s decoder failed: %s", d.name, PB_GET_ERROR(&stream));
    return false;
  }
  FillFromDecoded(d, work, info);
  return true;
}

bool DecodeAt(const uint8_t* bytes, size_t length, APMPBMessageInfo* info, uint32_t depth) {
  if (info == nullptr || !info->initialized()) {
    APMPBPrint("<ERROR> %s decoder failed: message_info is NULL", info ? info->name() : "(null)");
    return false;
  }
  const APMPBMessageDescriptor& d = *info->descriptor;
  const MessageLayout& layout = LayoutFor(d);
  if (bytes == nullptr) {
    static const uint8_t kNothing = 0;
    bytes = &kNothing;
    length = 0;
  }
  if (d.structSize <= kSmallStruct && layout.callbackCount <= kSmallContexts) {
    return DecodeWith<kSmallStruct, kSmallContexts>(d, bytes, length, info, depth);
  }
  if (d.structSize <= kLargeStruct && layout.callbackCount <= kLargeContexts) {
    return DecodeWith<kLargeStruct, kLargeContexts>(d, bytes, length, info, depth);
  }
  APMPBPrint("<ERROR> %s decoder failed: Unable to set decoders", d.name);
  return false;
}

// ---------------------------------------------------------------- encoding

// Every encode takes a fresh epoch; a record whose cached size carries the
// running epoch was sized during this encode and need not be sized again.
std::atomic<uint64_t> gEpochs{0};
thread_local uint64_t tEpoch = 0;

bool EncodeRepeatedMessage(pb_ostream_t* stream, const pb_field_t* field, void* const* arg);

void SetEncoders(const APMPBMessageDescriptor& d, const APMPBMessageInfo& info, unsigned char* base) {
  const MessageLayout& layout = LayoutFor(d);
  for (uint32_t i = 0; i < d.fieldCount; ++i) {
    const APMPBFieldDescriptor& f = d.fields[i];
    const APMPBFieldLayout& l = layout.fields[i];
    if (!l.bound) continue;
    const APMPBSlot& slot = info.values[i];
    unsigned char* data = base + l.dataOffset;
    if (APMPBIsRepeated(f.flags)) {
      const APMPBArrayRecord* array = APMPBArrayOf(slot);
      if (array == nullptr || array->count(f.flags) == 0) continue;
      auto* callback = reinterpret_cast<pb_callback_t*>(data);
      if (f.flags & kAPMPBTypeMessage) {
        callback->funcs.encode = EncodeRepeatedMessage;
      } else if (f.flags & (kAPMPBTypeString | kAPMPBTypeBytes)) {
        callback->funcs.encode = APMPBEncodeRepeatedString;
      } else {
        callback->funcs.encode = APMPBEncodeRepeatedVarint;
      }
      callback->arg = const_cast<APMPBSlot*>(&slot);
      continue;
    }
    if (f.flags & (kAPMPBTypeString | kAPMPBTypeBytes)) {
      if (!std::holds_alternative<std::string>(slot)) continue;
      auto* callback = reinterpret_cast<pb_callback_t*>(data);
      callback->funcs.encode = APMPBEncodeString;
      callback->arg = const_cast<APMPBSlot*>(&slot);
      continue;
    }
    if (l.presenceOffset == kNoPresence) continue;
    if (f.flags & kAPMPBTypeMessage) {
      auto* child = std::get_if<std::unique_ptr<APMPBMessageInfo>>(&slot);
      if (child == nullptr || !*child || !(*child)->initialized()) continue;
      base[l.presenceOffset] = 1;
      SetEncoders(*f.element, **child, data);
      continue;
    }
    const uint64_t* cell = std::get_if<uint64_t>(&slot);
    if (cell == nullptr) continue;
    base[l.presenceOffset] = 1;
    if (f.flags & kAPMPBTypeBool) {
      *reinterpret_cast<bool*>(data) = (*cell & 0xff) != 0;
    } else if (f.flags & kAPMPBFamily32) {
      const uint32_t value = static_cast<uint32_t>(*cell);
      std::memcpy(data, &value, sizeof value);
    } else if (f.flags & kAPMPBTypeFloat) {
      const uint32_t value = static_cast<uint32_t>(*cell);
      std::memcpy(data, &value, sizeof value);
    } else {
      std::memcpy(data, cell, sizeof *cell);
    }
  }
}

template <size_t kStructSize>
bool EncodeBodyWith(const APMPBMessageInfo& info, pb_ostream_t* stream) {
  const APMPBMessageDescriptor& d = *info.descriptor;
  alignas(std::max_align_t) unsigned char work[kStructSize];
  std::memset(work, 0, d.structSize);
  SetEncoders(d, info, work);
  return pb_encode(stream, d.nanopb, work);
}

// Writes the message's fields (no tag, no length) into the stream.
bool EncodeBody(const APMPBMessageInfo& info, pb_ostream_t* stream) {
  if (!info.initialized()) return false;
  const size_t size = info.descriptor->structSize;
  if (size <= kSmallStruct) return EncodeBodyWith<kSmallStruct>(info, stream);
  if (size <= kLargeStruct) return EncodeBodyWith<kLargeStruct>(info, stream);
  return false;
}

bool SizeOf(const APMPBMessageInfo& info, uint32_t* size) {
  if (info.sizeEpoch == tEpoch && tEpoch != 0) {
    *size = info.cachedSize;
    return true;
  }
  pb_ostream_t sizing = PB_OSTREAM_SIZING;
  if (!EncodeBody(info, &sizing)) return false;
  if (sizing.bytes_written > std::numeric_limits<uint32_t>::max()) return false;
  info.cachedSize = static_cast<uint32_t>(sizing.bytes_written);
  info.sizeEpoch = tEpoch;
  *size = info.cachedSize;
  return true;
}

// Table-driven writer for nested message bodies: sizes every record once
// (cached for the running encode) and writes every byte once, straight into
// the output buffer. Produces exactly what nanopb's pb_encode writes.
std::atomic<bool> gDirectWriter{true};

inline size_t VarintSize(uint64_t value) {
  return static_cast<size_t>((64 - __builtin_clzll(value | 1)) + 6) / 7;
}

inline uint8_t* WriteVarint(uint8_t* out, uint64_t value) {
  while (value >= 0x80) {
    *out++ = static_cast<uint8_t>(value | 0x80);
    value >>= 7;
  }
  *out++ = static_cast<uint8_t>(value);
  return out;
}

inline uint8_t* WriteTag(uint8_t* out, const WireField& w) {
  out[0] = w.tag[0];
  if (w.tagLength == 2) out[1] = w.tag[1];
  return out + w.tagLength;
}

size_t BodySize(const APMPBMessageInfo& info);

inline size_t CachedBodySize(const APMPBMessageInfo& info) {
  return info.sizeEpoch == tEpoch && tEpoch != 0 ? info.cachedSize : BodySize(info);
}

inline const APMPBArrayRecord* ArrayIn(const APMPBSlot& slot) {
  auto* array = std::get_if<std::unique_ptr<APMPBArrayRecord>>(&slot);
  return array != nullptr ? array->get() : nullptr;
}

inline uint64_t ScalarVarint(WireKind kind, uint64_t cell) {
  switch (kind) {
    case WireKind::kBool: return (cell & 0xff) != 0 ? 1 : 0;
    case WireKind::kSigned32:
      return static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(cell))));
    case WireKind::kUnsigned32: return static_cast<uint32_t>(cell);
    default: return cell;
  }
}

size_t BodySize(const APMPBMessageInfo& info) {
  const MessageLayout& layout = LayoutFor(*info.descriptor);
  const APMPBSlot* values = info.values.data();
  size_t size = 0;
  for (const WireField& w : layout.wireOrder) {
    const APMPBSlot& slot = values[w.index];
    switch (w.kind) {
      case WireKind::kRepeatedMessage:
        if (const APMPBArrayRecord* array = ArrayIn(slot)) {
          for (const APMPBMessageInfo& element : array->messages) {
            const size_t body = CachedBodySize(element);
            size += w.tagLength + VarintSize(body) + body;
          }
        }
        break;
      case WireKind::kRepeatedBytes:
        if (const APMPBArrayRecord* array = ArrayIn(slot)) {
          for (const std::string& element : array->strings) {
            size += w.tagLength + VarintSize(element.size()) + element.size();
          }
        }
        break;
      case WireKind::kRepeatedVarint:
        if (const APMPBArrayRecord* array = ArrayIn(slot)) {
          for (uint64_t cell : array->cells) size += w.tagLength + VarintSize(cell);
        }
        break;
      case WireKind::kBytes:
        if (const std::string* bytes = std::get_if<std::string>(&slot)) {
          size += w.tagLength + VarintSize(bytes->size()) + bytes->size();
        }
        break;
      case WireKind::kMessage:
        if (const auto* child = std::get_if<std::unique_ptr<APMPBMessageInfo>>(&slot);
            child != nullptr && *child && (*child)->initialized()) {
          const size_t body = CachedBodySize(**child);
          size += w.tagLength + VarintSize(body) + body;
        }
        break;
      case WireKind::kFixed32:
        if (std::holds_alternative<uint64_t>(slot)) size += w.tagLength + 4;
        break;
      case WireKind::kFixed64:
        if (std::holds_alternative<uint64_t>(slot)) size += w.tagLength + 8;
        break;
      default:
        if (const uint64_t* cell = std::get_if<uint64_t>(&slot)) {
          size += w.tagLength + VarintSize(ScalarVarint(w.kind, *cell));
        }
        break;
    }
  }
  info.cachedSize = static_cast<uint32_t>(std::min<size_t>(size, std::numeric_limits<uint32_t>::max()));
  info.sizeEpoch = tEpoch;
  return size;
}

uint8_t* WriteBody(const APMPBMessageInfo& info, uint8_t* out) {
  const MessageLayout& layout = LayoutFor(*info.descriptor);
  const APMPBSlot* values = info.values.data();
  for (const WireField& w : layout.wireOrder) {
    const APMPBSlot& slot = values[w.index];
    switch (w.kind) {
      case WireKind::kRepeatedMessage:
        if (const APMPBArrayRecord* array = ArrayIn(slot)) {
          for (const APMPBMessageInfo& element : array->messages) {
            out = WriteVarint(WriteTag(out, w), CachedBodySize(element));
            out = WriteBody(element, out);
          }
        }
        break;
      case WireKind::kRepeatedBytes:
        if (const APMPBArrayRecord* array = ArrayIn(slot)) {
          for (const std::string& element : array->strings) {
            out = WriteVarint(WriteTag(out, w), element.size());
            std::memcpy(out, element.data(), element.size());
            out += element.size();
          }
        }
        break;
      case WireKind::kRepeatedVarint:
        if (const APMPBArrayRecord* array = ArrayIn(slot)) {
          for (uint64_t cell : array->cells) out = WriteVarint(WriteTag(out, w), cell);
        }
        break;
      case WireKind::kBytes:
        if (const std::string* bytes = std::get_if<std::string>(&slot)) {
          out = WriteVarint(WriteTag(out, w), bytes->size());
          std::memcpy(out, bytes->data(), bytes->size());
          out += bytes->size();
        }
        break;
      case WireKind::kMessage:
        if (const auto* child = std::get_if<std::unique_ptr<APMPBMessageInfo>>(&slot);
            child != nullptr && *child && (*child)->initialized()) {
          out = WriteVarint(WriteTag(out, w), CachedBodySize(**child));
          out = WriteBody(**child, out);
        }
        break;
      case WireKind::kFixed32:
        if (const uint64_t* cell = std::get_if<uint64_t>(&slot)) {
          out = WriteTag(out, w);
          for (int k = 0; k < 4; ++k) *out++ = static_cast<uint8_t>(*cell >> (8 * k));
        }
        break;
      case WireKind::kFixed64:
        if (const uint64_t* cell = std::get_if<uint64_t>(&slot)) {
          out = WriteTag(out, w);
          for (int k = 0; k < 8; ++k) *out++ = static_cast<uint8_t>(*cell >> (8 * k));
        }
        break;
      default:
        if (const uint64_t* cell = std::get_if<uint64_t>(&slot)) {
          out = WriteVarint(WriteTag(out, w), ScalarVarint(w.kind, *cell));
        }
        break;
    }
  }
  return out;
}

using BufferWriter = bool (*)(pb_ostream_t*, const pb_byte_t*, size_t);

// Room to write count bytes straight into a buffer-backed stream, or nullptr.
uint8_t* DirectRoom(pb_ostream_t* stream, size_t count) {
  static const BufferWriter kBufferWriter = pb_ostream_from_buffer(nullptr, 0).callback;
  if (!gDirectWriter.load(std::memory_order_relaxed) || stream->callback != kBufferWriter) return nullptr;
  if (stream->max_size - stream->bytes_written < count) return nullptr;
  return static_cast<uint8_t*>(stream->state);
}

bool EncodeRepeatedMessage(pb_ostream_t* stream, const pb_field_t* field, void* const* arg) {
  const auto* slot = arg != nullptr ? static_cast<const APMPBSlot*>(*arg) : nullptr;
  const APMPBArrayRecord* array = slot != nullptr ? APMPBArrayOf(*slot) : nullptr;
  if (array == nullptr) return false;
  const bool direct = gDirectWriter.load(std::memory_order_relaxed);
  for (const APMPBMessageInfo& element : array->messages) {
    if (!element.initialized()) return false;
    uint32_t size = 0;
    if (direct) {
      const size_t body = CachedBodySize(element);
      if (body > std::numeric_limits<uint32_t>::max()) return false;
      size = static_cast<uint32_t>(body);
    } else if (!SizeOf(element, &size)) {
      return false;
    }
    if (!pb_encode_tag_for_field(stream, field)) return false;
    if (!pb_encode_varint(stream, size)) return false;
    if (stream->callback == nullptr) {
      // Sizing pass: the element's size is known, nothing to write.
      if (!pb_write(stream, nullptr, size)) return false;
      continue;
    }
    if (uint8_t* room = DirectRoom(stream, size)) {
      uint8_t* end = WriteBody(element, room);
      if (static_cast<size_t>(end - room) != size) PB_RETURN_ERROR(stream, "submsg size changed");
      stream->state = end;
      stream->bytes_written += size;
      continue;
    }
    const size_t before = stream->bytes_written;
    if (!EncodeBody(element, stream)) return false;
    if (stream->bytes_written - before != size) {
      PB_RETURN_ERROR(stream, "submsg size changed");
    }
  }
  return true;
}

}  // namespace

bool APMPBDecodeString(pb_istream_t* stream, const pb_field_t*, void** arg) {
  auto* slot = arg != nullptr ? static_cast<APMPBSlot*>(*arg) : nullptr;
  if (slot == nullptr) return false;
  // The first occurrence of a singular string stays; the second decoding pass
  // leaves what the first one stored.
  if (std::holds_alternative<std::string>(*slot)) return SkipElement(stream);
  std::string value;
  if (!ReadBytes(stream, &value)) return false;
  *slot = std::move(value);
  return true;
}

bool APMPBEncodeString(pb_ostream_t* stream, const pb_field_t* field, void* const* arg) {
  const auto* slot = arg != nullptr ? static_cast<const APMPBSlot*>(*arg) : nullptr;
  const std::string* bytes = slot != nullptr ? std::get_if<std::string>(slot) : nullptr;
  if (bytes == nullptr) return false;
  return pb_encode_tag_for_field(stream, field) &&
         pb_encode_string(stream, reinterpret_cast<const pb_byte_t*>(bytes->data()), bytes->size());
}

bool APMPBEncodeRepeatedString(pb_ostream_t* stream, const pb_field_t* field, void* const* arg) {
  const auto* slot = arg != nullptr ? static_cast<const APMPBSlot*>(*arg) : nullptr;
  const APMPBArrayRecord* array = slot != nullptr ? APMPBArrayOf(*slot) : nullptr;
  if (array == nullptr) return false;
  for (const std::string& value : array->strings) {
    if (!pb_encode_tag_for_field(stream, field) ||
        !pb_encode_string(stream, reinterpret_cast<const pb_byte_t*>(value.data()), value.size())) {
      return false;
    }
  }
  return true;
}

bool APMPBEncodeRepeatedVarint(pb_ostream_t* stream, const pb_field_t* field, void* const* arg) {
  const auto* slot = arg != nullptr ? static_cast<const APMPBSlot*>(*arg) : nullptr;
  const APMPBArrayRecord* array = slot != nullptr ? APMPBArrayOf(*slot) : nullptr;
  if (array == nullptr) return false;
  // Unpacked: one tag per element.
  for (uint64_t cell : array->cells) {
    if (!pb_encode_tag_for_field(stream, field) || !pb_encode_varint(stream, cell)) return false;
  }
  return true;
}

namespace {

// A library built with another field-size layout links fine and then decodes
// wrongly; check once with known bytes before trusting any input.
bool LibraryDecodesCorrectly() {
  static const bool ok = [] {
    const uint8_t bytes[] = {0x08, 0x96, 0x01, 0x10, 0x05, 0x7a, 0x00};  // 1: 150, 2: 5, unknown 15
    APMPBMessageInfo probe;
    APMPBInitMessageInfo(&probe, kAPMPBDynamicFilterResultTimestampDescriptor);
    const bool decoded = DecodeAt(bytes, sizeof bytes, &probe, 1);
    const uint64_t* first = std::get_if<uint64_t>(&probe.values[0]);
    const uint64_t* second = std::get_if<uint64_t>(&probe.values[1]);
    const bool good = decoded && first && *first == 150 && second && *second == 5;
    if (!good) APMPBPrint("<ERROR> nanopb self-test failed: the library's field layout does not match");
    return good;
  }();
  return ok;
}

}  // namespace

bool APMPBDecode(const uint8_t* bytes, size_t length, APMPBMessageInfo* info) {
  if (!LibraryDecodesCorrectly()) return false;
  return DecodeAt(bytes, length, info, 1);
}

int32_t APMPBEncodeToBuffer(const pb_msgdesc_t* fields, const void* structure,
                            std::vector<uint8_t>* out) {
  if (out == nullptr || fields == nullptr || structure == nullptr) return -1;
  pb_ostream_t sizing = PB_OSTREAM_SIZING;
  (void)pb_encode(&sizing, fields, structure);
  if (sizing.bytes_written > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return -1;
  out->assign(sizing.bytes_written, 0);
  pb_ostream_t stream = pb_ostream_from_buffer(out->data(), out->size());
  if (!pb_encode(&stream, fields, structure)) {
    out->clear();
    return -1;
  }
  return static_cast<int32_t>(stream.bytes_written);
}

namespace {

template <size_t kStructSize>
int32_t EncodeWith(const APMPBMessageInfo& info, std::vector<uint8_t>* out) {
  const APMPBMessageDescriptor& d = *info.descriptor;
  alignas(std::max_align_t) unsigned char work[kStructSize];
  std::memset(work, 0, d.structSize);
  SetEncoders(d, info, work);
  return APMPBEncodeToBuffer(d.nanopb, work, out);
}

}  // namespace

int32_t APMPBEncode(const APMPBMessageInfo* info, std::vector<uint8_t>* out) {
  if (info == nullptr || out == nullptr || !info->initialized()) return -1;
  const uint64_t saved = tEpoch;
  tEpoch = gEpochs.fetch_add(1, std::memory_order_relaxed) + 1;
  int32_t result = -1;
  const size_t size = info->descriptor->structSize;
  if (size <= kSmallStruct) {
    result = EncodeWith<kSmallStruct>(*info, out);
  } else if (size <= kLargeStruct) {
    result = EncodeWith<kLargeStruct>(*info, out);
  }
  tEpoch = saved;
  return result;
}

int32_t APMPBEncodedSize(const APMPBMessageInfo* info) {
  if (info == nullptr || !info->initialized()) return -1;
  const size_t structSize = info->descriptor->structSize;
  if (structSize > kLargeStruct) return -1;
  const uint64_t saved = tEpoch;
  tEpoch = gEpochs.fetch_add(1, std::memory_order_relaxed) + 1;
  const size_t size = BodySize(*info);
  tEpoch = saved;
  return size > static_cast<size_t>(std::numeric_limits<int32_t>::max()) ? -1 : static_cast<int32_t>(size);
}

void APMPBSetDirectWriterEnabled(bool enabled) { gDirectWriter.store(enabled); }

const APMPBFieldLayout& APMPBLayoutOf(const APMPBMessageDescriptor& descriptor, uint32_t index) {
  return LayoutFor(descriptor).fields.at(index);
}
