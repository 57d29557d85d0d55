// Conversion between message records and the wire form through nanopb's
// generated field tables. Decoding hostile input fails cleanly; encoding sizes
// every nested message once and writes every byte once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <pb_decode.h>
#include <pb_encode.h>
#include <pb_common.h>

#include "Analytics/Protobuf/APMPBMessageInfo.h"

// Longest string or bytes field accepted on input.
inline constexpr size_t kAPMPBMaxFieldBytes = 1048576;
// Deepest nesting of messages accepted on input, counting the outermost.
inline constexpr uint32_t kAPMPBMaxDecodeDepth = 512;

// Decodes bytes into an initialised, empty record of the descriptor's type.
// On failure the record keeps what was stored so far; callers discard it.
bool APMPBDecode(const uint8_t* bytes, size_t length, APMPBMessageInfo* info);

// Encodes the record into *out (resized to the exact length). Returns the
// byte count, or -1.
int32_t APMPBEncode(const APMPBMessageInfo* info, std::vector<uint8_t>* out);

// The byte count APMPBEncode would return, without writing the bytes.
int32_t APMPBEncodedSize(const APMPBMessageInfo* info);

// Encodes a filled working structure: a sizing pass, one buffer of exactly
// that size, a writing pass. Returns the length, or -1 with *out emptied.
int32_t APMPBEncodeToBuffer(const pb_msgdesc_t* fields, const void* structure,
                            std::vector<uint8_t>* out);

// Nested message bodies are written by a table-driven writer straight into
// the output buffer; switched off (for tests), every level goes through
// pb_encode. The bytes are the same either way.
void APMPBSetDirectWriterEnabled(bool enabled);

// nanopb callbacks; the argument points to the field's slot.
bool APMPBDecodeString(pb_istream_t* stream, const pb_field_t* field, void** arg);
bool APMPBEncodeString(pb_ostream_t* stream, const pb_field_t* field, void* const* arg);
bool APMPBEncodeRepeatedString(pb_ostream_t* stream, const pb_field_t* field, void* const* arg);
bool APMPBEncodeRepeatedVarint(pb_ostream_t* stream, const pb_field_t* field, void* const* arg);

// Layout of one descriptor's generated working structure, as nanopb's own
// field iterator reports it; used by tests to check the schemas agree.
struct APMPBFieldLayout {
  bool bound;            // the generated table has this field number
  pb_type_t type;        // nanopb type byte
  uint16_t dataOffset;
  uint16_t presenceOffset;  // has_ flag, or 0xffff
  uint16_t dataSize;
};
const APMPBFieldLayout& APMPBLayoutOf(const APMPBMessageDescriptor& descriptor, uint32_t index);
