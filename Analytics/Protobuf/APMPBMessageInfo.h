// The in-memory record of one message: one slot per field index. A slot is
// empty (absent), a scalar cell, owned bytes, a nested record or a repeated
// array. Zero-length strings and empty nested messages are present values.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Analytics/Protobuf/APMPBDescriptor.h"

struct APMPBMessageInfo;
struct APMPBArrayRecord;

// A scalar cell holds bool, enum, int32 and uint32 zero-extended to 64 bits,
// int64 and uint64 as they are, double by bit pattern and float by its 32-bit
// pattern in the low word.
using APMPBSlot = std::variant<std::monostate, uint64_t, std::string,
                               std::unique_ptr<APMPBMessageInfo>,
                               std::unique_ptr<APMPBArrayRecord>>;

struct APMPBMessageInfo {
  // Empty until initialised; then one slot per field index.
  std::vector<APMPBSlot> values;
  const APMPBMessageDescriptor* descriptor = nullptr;
  // Encoded size cached during one encode, so nested messages are sized once.
  mutable uint64_t sizeEpoch = 0;
  mutable uint32_t cachedSize = 0;

  bool initialized() const { return descriptor != nullptr && !values.empty(); }
  const char* name() const { return descriptor != nullptr ? descriptor->name : "(null)"; }
  uint32_t flags(size_t index) const { return descriptor->fields[index].flags; }
};

// The elements of a repeated field; only the vector matching the field's
// element type is used. The field's array is created lazily: an absent array
// reads as a present, empty field.
struct APMPBArrayRecord {
  std::vector<uint64_t> cells;
  std::vector<std::string> strings;
  std::vector<APMPBMessageInfo> messages;

  size_t count(uint32_t flags) const;
};

// Initialises an empty record of the given type (every field absent).
bool APMPBInitMessageInfo(APMPBMessageInfo* info, const APMPBMessageDescriptor& descriptor);
// Releases one field; an index outside the message logs and returns false.
bool APMPBDeallocMessageField(APMPBMessageInfo* info, int32_t index);
// Releases every field and leaves the record uninitialised.
bool APMPBDeallocMessageInfo(APMPBMessageInfo* info);
// Replaces *destination with a deep copy of source. A failing element ends the
// copy with false; the elements copied before it stay.
bool APMPBCopyMessageInfo(std::unique_ptr<APMPBMessageInfo>* destination,
                          const APMPBMessageInfo* source);
// Deep copy into an existing record (same contract as above).
bool APMPBCopyMessageInfoInto(APMPBMessageInfo* destination, const APMPBMessageInfo* source);

// Cell routines. A null slot logs its line and does nothing.
void APMPBSetBoolCell(APMPBSlot* slot, bool value);
void APMPBSetUInt32Cell(APMPBSlot* slot, uint32_t value);
void APMPBSetUInt64Cell(APMPBSlot* slot, uint64_t value);
void APMPBSetFloatCell(APMPBSlot* slot, float value);
void APMPBSetDoubleCell(APMPBSlot* slot, double value);
void APMPBSetStringBytes(APMPBSlot* slot, const void* bytes, size_t length);
void APMPBResetArray(APMPBArrayRecord* array);

// Reading cells back.
float APMPBCellFloat(uint64_t cell);
double APMPBCellDouble(uint64_t cell);
uint64_t APMPBFloatCell(float value);
uint64_t APMPBDoubleCell(double value);

// The array record of a repeated slot, created when absent.
APMPBArrayRecord& APMPBEnsureArray(APMPBSlot& slot);
// The array record of a repeated slot, or nullptr when it holds nothing yet.
const APMPBArrayRecord* APMPBArrayOf(const APMPBSlot& slot);
