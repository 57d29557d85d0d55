#include "Analytics/Protobuf/APMPBMessageInfo.h"

#include <cstring>

#include "Analytics/Protobuf/APMPBLog.h"

size_t APMPBArrayRecord::count(uint32_t flags) const {
  if (flags & kAPMPBTypeMessage) return messages.size();
  if (flags & (kAPMPBTypeString | kAPMPBTypeBytes)) return strings.size();
  return cells.size();
}

bool APMPBInitMessageInfo(APMPBMessageInfo* info, const APMPBMessageDescriptor& descriptor) {
  if (info == nullptr) return false;
  info->descriptor = &descriptor;
  info->values.clear();
  info->values.resize(descriptor.fieldCount);
  info->sizeEpoch = 0;
  info->cachedSize = 0;
  return true;
}

bool APMPBDeallocMessageField(APMPBMessageInfo* info, int32_t index) {
  if (info == nullptr || !info->initialized()) return false;
  if (index < 0 || static_cast<uint32_t>(index) >= info->descriptor->fieldCount) {
    APMPBPrint("<ERROR> %s: Cannot deallocate field %d: Unknown field", info->name(), index);
    return false;
  }
  APMPBSlot& slot = info->values[index];
  if (APMPBIsRepeated(info->flags(index))) {
    if (auto* array = std::get_if<std::unique_ptr<APMPBArrayRecord>>(&slot); array && *array) {
      APMPBResetArray(array->get());
    }
    return true;
  }
  slot = std::monostate{};
  return true;
}

bool APMPBDeallocMessageInfo(APMPBMessageInfo* info) {
  if (info == nullptr) return false;
  info->values.clear();
  info->values.shrink_to_fit();
  info->descriptor = nullptr;
  return true;
}

namespace {

bool CopyArray(const APMPBArrayRecord& source, uint32_t flags, APMPBArrayRecord* destination) {
  if (flags & kAPMPBTypeMessage) {
    destination->messages.reserve(source.messages.size());
    for (const APMPBMessageInfo& element : source.messages) {
      if (!element.initialized()) return false;  // what was copied so far stays
      APMPBMessageInfo& copy = destination->messages.emplace_back();
      if (!APMPBCopyMessageInfoInto(&copy, &element)) {
        destination->messages.pop_back();
        return false;
      }
    }
    return true;
  }
  if (flags & (kAPMPBTypeString | kAPMPBTypeBytes)) {
    destination->strings = source.strings;
    return true;
  }
  destination->cells = source.cells;
  return true;
}

}  // namespace

bool APMPBCopyMessageInfoInto(APMPBMessageInfo* destination, const APMPBMessageInfo* source) {
  if (destination == nullptr || source == nullptr || !source->initialized()) return false;
  APMPBInitMessageInfo(destination, *source->descriptor);
  const uint32_t count = source->descriptor->fieldCount;
  for (uint32_t i = 0; i < count; ++i) {
    const APMPBSlot& from = source->values[i];
    APMPBSlot& to = destination->values[i];
    if (auto* cell = std::get_if<uint64_t>(&from)) {
      to = *cell;
    } else if (auto* bytes = std::get_if<std::string>(&from)) {
      to = *bytes;
    } else if (auto* child = std::get_if<std::unique_ptr<APMPBMessageInfo>>(&from)) {
      if (*child) {
        auto copy = std::make_unique<APMPBMessageInfo>();
        if (!APMPBCopyMessageInfoInto(copy.get(), child->get())) return false;
        to = std::move(copy);
      }
    } else if (auto* array = std::get_if<std::unique_ptr<APMPBArrayRecord>>(&from)) {
      if (*array && (*array)->count(source->flags(i)) > 0) {
        auto& copy = std::get<std::unique_ptr<APMPBArrayRecord>>(to = std::make_unique<APMPBArrayRecord>());
        if (!CopyArray(**array, source->flags(i), copy.get())) return false;
      }
    }
  }
  return true;
}

bool APMPBCopyMessageInfo(std::unique_ptr<APMPBMessageInfo>* destination,
                          const APMPBMessageInfo* source) {
  if (destination == nullptr || source == nullptr) return false;
  *destination = std::make_unique<APMPBMessageInfo>();
  return APMPBCopyMessageInfoInto(destination->get(), source);
}

void APMPBSetBoolCell(APMPBSlot* slot, bool value) {
  if (slot == nullptr) {
    APMPBPrint("<ERROR> Unable to set bool. Destination pointer is NULL");
    return;
  }
  *slot = static_cast<uint64_t>(value ? 1 : 0);
}

void APMPBSetUInt32Cell(APMPBSlot* slot, uint32_t value) {
  if (slot == nullptr) {
    APMPBPrint("<ERROR> Unable to set uint32. Destination pointer is NULL");
    return;
  }
  *slot = static_cast<uint64_t>(value);
}

void APMPBSetUInt64Cell(APMPBSlot* slot, uint64_t value) {
  if (slot == nullptr) {
    APMPBPrint("<ERROR> Unable to set uint64. Destination pointer is NULL");
    return;
  }
  *slot = value;
}

void APMPBSetFloatCell(APMPBSlot* slot, float value) {
  if (slot == nullptr) {
    APMPBPrint("<ERROR> Unable to set float. Destination pointer is NULL");
    return;
  }
  *slot = APMPBFloatCell(value);
}

void APMPBSetDoubleCell(APMPBSlot* slot, double value) {
  if (slot == nullptr) {
    APMPBPrint("<ERROR> Unable to set double. Destination pointer is NULL");
    return;
  }
  *slot = APMPBDoubleCell(value);
}

void APMPBSetStringBytes(APMPBSlot* slot, const void* bytes, size_t length) {
  if (slot == nullptr) {
    APMPBPrint("<ERROR> Unable to set string. Destination array is NULL");
    return;
  }
  if (length == 0 || bytes == nullptr) {
    *slot = std::string();
    return;
  }
  *slot = std::string(static_cast<const char*>(bytes), length);
}

void APMPBResetArray(APMPBArrayRecord* array) {
  if (array == nullptr) {
    APMPBPrint("<ERROR> Unable to initialize the array. Array pointer is NULL");
    return;
  }
  array->cells.clear();
  array->strings.clear();
  array->messages.clear();
}

float APMPBCellFloat(uint64_t cell) {
  uint32_t bits = static_cast<uint32_t>(cell);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

double APMPBCellDouble(uint64_t cell) {
  double value;
  std::memcpy(&value, &cell, sizeof value);
  return value;
}

uint64_t APMPBFloatCell(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

uint64_t APMPBDoubleCell(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

APMPBArrayRecord& APMPBEnsureArray(APMPBSlot& slot) {
  auto* array = std::get_if<std::unique_ptr<APMPBArrayRecord>>(&slot);
  if (array == nullptr || !*array) {
    slot = std::make_unique<APMPBArrayRecord>();
    array = std::get_if<std::unique_ptr<APMPBArrayRecord>>(&slot);
  }
  return **array;
}

const APMPBArrayRecord* APMPBArrayOf(const APMPBSlot& slot) {
  auto* array = std::get_if<std::unique_ptr<APMPBArrayRecord>>(&slot);
  return array != nullptr ? array->get() : nullptr;
}
