#include "Analytics/Protobuf/APMPBFieldAccess.h"

#include "Analytics/Protobuf/APMPBLog.h"

namespace {

const char* const kUninitialized = "ProtocolBuffer message hasn't been initialized. %s can't be performed";
const char* const kOutOfRange = "<Nano/Failure> Field index out of range. Message: %s, field ID: %d";

// The record when the message is initialised and the index names one of its
// fields; otherwise logs and gives nullptr.
APMPBMessageInfo* Record(const NANOMessageBase* message, int32_t index, const char* operation) {
  const APMPBMessageInfo* info = message != nullptr ? message->messageInfo() : nullptr;
  if (info == nullptr || !info->initialized()) {
    APMPBPrint(kUninitialized, operation);
    return nullptr;
  }
  if (index < 0 || static_cast<uint32_t>(index) >= info->descriptor->fieldCount) {
    APMPBPrint(kOutOfRange, info->name(), index);
    return nullptr;
  }
  return const_cast<APMPBMessageInfo*>(info);
}

// Record() plus the field-type test; wrongType is logged when it fails.
APMPBMessageInfo* TypedRecord(const NANOMessageBase* message, int32_t index, const char* operation,
                              bool (*accepts)(uint32_t), const char* wrongType) {
  APMPBMessageInfo* info = Record(message, index, operation);
  if (info == nullptr) return nullptr;
  if (!accepts(info->flags(index))) {
    APMPBPrint(wrongType, info->name(), index);
    return nullptr;
  }
  return info;
}

bool IsBool(uint32_t f) { return (f & 0x28) == kAPMPBTypeBool; }
bool IsInt32(uint32_t f) { return (f & kAPMPBFamily32) != 0 && (f & kAPMPBLabelRepeated) == 0; }
bool IsInt64(uint32_t f) { return (f & kAPMPBFamily64) != 0 && (f & kAPMPBLabelRepeated) == 0; }
bool IsDouble(uint32_t f) { return (f & 0x1008) == kAPMPBTypeDouble; }
bool IsString(uint32_t f) { return (f & 0x2008) == kAPMPBTypeString; }
bool IsMessage(uint32_t f) { return (f & 0x4008) == kAPMPBTypeMessage; }
bool IsRepeated(uint32_t f) { return (f & kAPMPBLabelRepeated) != 0; }

const char* const kNotBool = "<Nano/Failure> Field type isn't a scalar BOOL. Message: %s, field ID: %d";
const char* const kNotInt32 = "<Nano/Failure> Field type isn't a scalar INT32. Message: %s, field ID: %d";
const char* const kNotInt64 = "<Nano/Failure> Field type isn't a scalar INT64. Message: %s, field ID: %d";
const char* const kNotDouble = "<Nano/Failure> Field type isn't a scalar DOUBLE. Message: %s, field ID: %d";
const char* const kNotString = "<Nano/Failure> Field type isn't a scalar STRING. Message: %s, field ID: %d";
const char* const kNotMessage = "<Nano/Failure> Field type isn't a scalar MESSAGE. Message: %s, field ID: %d";
const char* const kNotRepeated = "<Nano/Failure> Field type isn't REPEATED. Message: %s, field ID: %d";

const uint64_t* Cell(const APMPBMessageInfo* info, int32_t index) {
  return info != nullptr ? std::get_if<uint64_t>(&info->values[index]) : nullptr;
}

const char* ClassName(const APMPBMessageClass* messageClass) {
  return messageClass != nullptr && messageClass->className != nullptr ? messageClass->className : "(null)";
}

}  // namespace

bool APMPBIsValidUTF8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    size_t extra;
    uint32_t code;
    if ((c & 0xe0) == 0xc0) {
      extra = 1;
      code = c & 0x1f;
    } else if ((c & 0xf0) == 0xe0) {
      extra = 2;
      code = c & 0x0f;
    } else if ((c & 0xf8) == 0xf0) {
      extra = 3;
      code = c & 0x07;
    } else {
      return false;
    }
    if (static_cast<size_t>(end - p) <= extra) return false;
    for (size_t k = 1; k <= extra; ++k) {
      if ((p[k] & 0xc0) != 0x80) return false;
      code = (code << 6) | (p[k] & 0x3f);
    }
    static const uint32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (code < kMinimum[extra] || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) return false;
    p += extra + 1;
  }
  return true;
}

bool APMPBHasField(const NANOMessageBase* message, int32_t index) {
  const APMPBMessageInfo* info = message != nullptr ? message->messageInfo() : nullptr;
  if (info == nullptr || !info->initialized()) {
    APMPBPrint("ProtocolBuffer message hasn't been initialized. HasField operation can't be performed. "
               "Message name %s",
               message != nullptr ? message->messageID() : "(null)");
    return false;
  }
  if (index < 0 || static_cast<uint32_t>(index) >= info->descriptor->fieldCount) {
    APMPBPrint(kOutOfRange, info->name(), index);
    return false;
  }
  if (IsRepeated(info->flags(index))) return true;
  return !std::holds_alternative<std::monostate>(info->values[index]);
}

void APMPBClearField(NANOMessageBase* message, int32_t index) {
  APMPBMessageInfo* info = message != nullptr ? message->messageInfo() : nullptr;
  if (info == nullptr || !info->initialized()) {
    APMPBPrint("ProtocolBuffer message hasn't been initialized. ClearField can't be performed");
    return;
  }
  if (index < 0 || static_cast<uint32_t>(index) >= info->descriptor->fieldCount) {
    APMPBPrint(kOutOfRange, info->name(), index);
    return;
  }
  message->deallocMessageFieldFn()(info, index);
}

bool APMPBGetBool(const NANOMessageBase* message, int32_t index) {
  const uint64_t* cell = Cell(TypedRecord(message, index, "GetBool", IsBool, kNotBool), index);
  return cell != nullptr && (*cell & 0xff) != 0;
}

void APMPBSetBool(NANOMessageBase* message, int32_t index, bool value) {
  if (APMPBMessageInfo* info = TypedRecord(message, index, "SetBool", IsBool, kNotBool)) {
    APMPBSetBoolCell(&info->values[index], value);
  }
}

int32_t APMPBGetInt32(const NANOMessageBase* message, int32_t index) {
  const uint64_t* cell = Cell(TypedRecord(message, index, "GetInt32", IsInt32, kNotInt32), index);
  return cell != nullptr ? static_cast<int32_t>(static_cast<uint32_t>(*cell)) : 0;
}

void APMPBSetInt32(NANOMessageBase* message, int32_t index, int32_t value) {
  if (APMPBMessageInfo* info = TypedRecord(message, index, "SetInt32", IsInt32, kNotInt32)) {
    APMPBSetUInt32Cell(&info->values[index], static_cast<uint32_t>(value));
  }
}

int64_t APMPBGetInt64(const NANOMessageBase* message, int32_t index) {
  const uint64_t* cell = Cell(TypedRecord(message, index, "GetInt64", IsInt64, kNotInt64), index);
  return cell != nullptr ? static_cast<int64_t>(*cell) : 0;
}

void APMPBSetInt64(NANOMessageBase* message, int32_t index, int64_t value) {
  if (APMPBMessageInfo* info = TypedRecord(message, index, "SetInt64", IsInt64, kNotInt64)) {
    APMPBSetUInt64Cell(&info->values[index], static_cast<uint64_t>(value));
  }
}

double APMPBGetDouble(const NANOMessageBase* message, int32_t index) {
  const uint64_t* cell = Cell(TypedRecord(message, index, "GetDouble", IsDouble, kNotDouble), index);
  return cell != nullptr ? APMPBCellDouble(*cell) : 0.0;
}

void APMPBSetDouble(NANOMessageBase* message, int32_t index, double value) {
  if (APMPBMessageInfo* info = TypedRecord(message, index, "SetDouble", IsDouble, kNotDouble)) {
    APMPBSetDoubleCell(&info->values[index], value);
  }
}

std::optional<std::string> APMPBGetString(const NANOMessageBase* message, int32_t index) {
  const APMPBMessageInfo* info = TypedRecord(message, index, "GetString", IsString, kNotString);
  if (info == nullptr) return std::nullopt;
  const auto* bytes = std::get_if<std::string>(&info->values[index]);
  if (bytes == nullptr || !APMPBIsValidUTF8(*bytes)) return std::nullopt;
  return *bytes;
}

std::optional<std::string> APMPBTakeString(NANOMessageBase* message, int32_t index) {
  APMPBMessageInfo* info = TypedRecord(message, index, "GetString", IsString, kNotString);
  if (info == nullptr) return std::nullopt;
  auto* bytes = std::get_if<std::string>(&info->values[index]);
  if (bytes == nullptr || !APMPBIsValidUTF8(*bytes)) return std::nullopt;
  std::string text = std::move(*bytes);
  info->values[index] = std::monostate();
  return text;
}

void APMPBTakeEachMessage(NANOMessageBase* message, int32_t index, NANOMessageBase* element,
                          const std::function<bool()>& visit) {
  APMPBMessageInfo* info = TypedRecord(message, index, "GetArray", IsRepeated, kNotRepeated);
  if (info == nullptr) return;
  APMPBMessageInfo* target = element != nullptr ? element->messageInfo() : nullptr;
  if ((info->flags(index) & kAPMPBTypeMessage) == 0 || target == nullptr ||
      target->descriptor != info->descriptor->fields[index].element) {
    APMPBPrint(kNotMessage, info->name(), index);
    return;
  }
  auto* array = std::get_if<std::unique_ptr<APMPBArrayRecord>>(&info->values[index]);
  if (array == nullptr || !*array) return;
  std::vector<APMPBMessageInfo> records = std::move((*array)->messages);
  (*array)->messages.clear();
  for (APMPBMessageInfo& record : records) {
    std::swap(*target, record);
    if (!visit()) break;
  }
}

void APMPBMoveMessagesIntoArray(NANOMessageBase* message, int32_t index,
                                const std::vector<NANOMessageBase*>& elements) {
  APMPBMessageInfo* info = TypedRecord(message, index, "SetArray", IsRepeated, kNotRepeated);
  if (info == nullptr) return;
  message->deallocMessageFieldFn()(info, index);
  if (elements.empty()) return;
  const APMPBFieldDescriptor& field = info->descriptor->fields[index];
  for (const NANOMessageBase* element : elements) {
    const APMPBMessageInfo* source = element != nullptr ? element->messageInfo() : nullptr;
    if ((field.flags & kAPMPBTypeMessage) == 0 || source == nullptr || !source->initialized() ||
        source->descriptor != field.element) {
      APMPBPrint("<ERROR> Invalid object type. Message fields expect NANOMessageBase. Type: %s",
                 element != nullptr ? element->messageID() : "(null)");
      return;  // field stays empty
    }
  }
  auto record = std::make_unique<APMPBArrayRecord>();
  record->messages.reserve(elements.size());
  for (NANOMessageBase* element : elements) {
    APMPBMessageInfo* source = element->messageInfo();
    APMPBMessageInfo& moved = record->messages.emplace_back();
    APMPBInitMessageInfo(&moved, *field.element);
    std::swap(moved, *source);
  }
  info->values[index] = std::move(record);
}

void APMPBSetString(NANOMessageBase* message, int32_t index, std::optional<std::string_view> value) {
  APMPBMessageInfo* info = TypedRecord(message, index, "SetString", IsString, kNotString);
  if (info == nullptr) return;
  if (!value) {
    message->deallocMessageFieldFn()(info, index);
    return;
  }
  APMPBSetStringBytes(&info->values[index], value->data(), value->size());
}

std::shared_ptr<NANOMessageBase> APMPBGetMessage(const NANOMessageBase* message, int32_t index,
                                                 const APMPBMessageClass* messageClass) {
  const APMPBMessageInfo* info = TypedRecord(message, index, "GetMessage", IsMessage, kNotMessage);
  if (info == nullptr) return nullptr;
  const auto* child = std::get_if<std::unique_ptr<APMPBMessageInfo>>(&info->values[index]);
  if (child == nullptr || !*child) return nullptr;
  if (messageClass == nullptr || messageClass->initWithMessageInfo == nullptr) {
    APMPBPrint("<ERROR> Provided class doesn't implement initWithMessageInfo: method. Class: %s",
               ClassName(messageClass));
    return nullptr;
  }
  return messageClass->initWithMessageInfo(child->get());
}

void APMPBSetMessage(NANOMessageBase* message, int32_t index, const NANOMessageBase* value) {
  APMPBMessageInfo* info = TypedRecord(message, index, "SetMessage", IsMessage, kNotMessage);
  if (info == nullptr) return;
  message->deallocMessageFieldFn()(info, index);
  if (value == nullptr) return;
  const APMPBMessageInfo* source = value->messageInfo();
  if (source == nullptr || !source->initialized() ||
      source->descriptor != info->descriptor->fields[index].element) {
    APMPBPrint(kNotMessage, info->name(), index);
    return;
  }
  std::unique_ptr<APMPBMessageInfo> copy;
  if (value->copyMessageInfoFn()(&copy, source)) info->values[index] = std::move(copy);
}

std::optional<std::vector<APMPBObject>> APMPBGetArray(const NANOMessageBase* message, int32_t index,
                                                      const APMPBMessageClass* elementClass) {
  const APMPBMessageInfo* info = TypedRecord(message, index, "GetArray", IsRepeated, kNotRepeated);
  if (info == nullptr) return std::nullopt;
  std::vector<APMPBObject> result;
  const APMPBArrayRecord* array = APMPBArrayOf(info->values[index]);
  if (array == nullptr) return result;
  const uint32_t flags = info->flags(index);
  if (flags & kAPMPBTypeMessage) {
    result.reserve(array->messages.size());
    for (const APMPBMessageInfo& element : array->messages) {
      if (elementClass == nullptr || elementClass->initWithMessageInfo == nullptr) {
        APMPBPrint("<ERROR> Provided class doesn't implement initWithMessageInfo: method. Class: %s",
                   ClassName(elementClass));
        continue;
      }
      if (auto object = elementClass->initWithMessageInfo(&element)) result.emplace_back(std::move(object));
    }
    return result;
  }
  if (flags & (kAPMPBTypeString | kAPMPBTypeBytes)) {
    result.reserve(array->strings.size());
    for (const std::string& element : array->strings) {
      if (flags & kAPMPBTypeString) {
        if (APMPBIsValidUTF8(element)) result.emplace_back(element);
      } else {
        result.emplace_back(APMPBData(element.begin(), element.end()));
      }
    }
    return result;
  }
  result.reserve(array->cells.size());
  for (uint64_t cell : array->cells) {
    if (flags & kAPMPBTypeBool) {
      result.emplace_back(APMPBNumber::numberWithBool((cell & 0xff) != 0));
    } else if (flags & kAPMPBTypeInt32) {
      result.emplace_back(APMPBNumber::numberWithInt(static_cast<int32_t>(cell)));
    } else if (flags & kAPMPBTypeUInt32) {
      result.emplace_back(APMPBNumber::numberWithUnsignedInt(static_cast<uint32_t>(cell)));
    } else if (flags & kAPMPBTypeInt64) {
      result.emplace_back(APMPBNumber::numberWithLongLong(static_cast<int64_t>(cell)));
    } else if (flags & kAPMPBTypeUInt64) {
      result.emplace_back(APMPBNumber::numberWithUnsignedLongLong(cell));
    } else if (flags & kAPMPBTypeFloat) {
      result.emplace_back(APMPBNumber::numberWithFloat(APMPBCellFloat(cell)));
    } else if (flags & kAPMPBTypeDouble) {
      result.emplace_back(APMPBNumber::numberWithDouble(APMPBCellDouble(cell)));
    } else if (flags & kAPMPBTypeEnum) {
      result.emplace_back(APMPBNumber::numberWithInt(static_cast<int32_t>(cell)));
    } else {
      APMPBPrint("<ERROR> Unable to convert byte data to an ObjC object. Unknown type. %d",
                 static_cast<int>(flags));
    }
  }
  return result;
}

namespace {

// Converts one element into the array record; false (after logging) when the
// element does not fit the field.
bool AppendElement(const APMPBObject& element, uint32_t flags, const APMPBMessageDescriptor* type,
                   APMPBArrayRecord* array) {
  const APMPBNumber* number = element.number();
  auto refuse = [&](const char* line) {
    APMPBPrint(line, element.className().c_str());
    return false;
  };
  if (flags & kAPMPBTypeBool) {
    if (!number) return refuse("<ERROR> Invalid object type. Boolean fields expect NSNumber. Type: %s");
    array->cells.push_back(number->boolValue() ? 1 : 0);
  } else if (flags & (kAPMPBTypeInt32 | kAPMPBTypeUInt32)) {
    if (!number) return refuse("<ERROR> Invalid object type. Int32 fields expect NSNumber. Type: %s");
    array->cells.push_back(number->unsignedIntValue());
  } else if (flags & kAPMPBFamily64) {
    if (!number) return refuse("<ERROR> Invalid object type. Int64 fields expect NSNumber. Type: %s");
    array->cells.push_back(static_cast<uint64_t>(number->longLongValue()));
  } else if (flags & kAPMPBTypeFloat) {
    if (!number) return refuse("<ERROR> Invalid object type. Float fields expect NSNumber. Type: %s");
    array->cells.push_back(APMPBFloatCell(number->floatValue()));
  } else if (flags & kAPMPBTypeDouble) {
    if (!number) return refuse("<ERROR> Invalid object type. Double fields expect NSNumber. Type: %s");
    array->cells.push_back(APMPBDoubleCell(number->doubleValue()));
  } else if (flags & kAPMPBTypeEnum) {
    if (!number) return refuse("<ERROR> Invalid object type. Enum fields expect NSNumber. Type: %s");
    array->cells.push_back(number->unsignedIntValue());
  } else if (flags & kAPMPBTypeString) {
    if (!element.isString()) return refuse("<ERROR> Invalid object type. String fields expect NSString. Type: %s");
    array->strings.push_back(*element.string());
  } else if (flags & kAPMPBTypeBytes) {
    if (!element.isData()) return refuse("<ERROR> Invalid object type. Bytes fields expect NSData. Type: %s");
    array->strings.emplace_back(element.data()->begin(), element.data()->end());
  } else if (flags & kAPMPBTypeMessage) {
    // An element of another message type would be written under this field's
    // number as foreign bytes; refuse it like any other wrong object.
    const NANOMessageBase* value = element.isMessage() ? element.message().get() : nullptr;
    const APMPBMessageInfo* source = value != nullptr ? value->messageInfo() : nullptr;
    if (source == nullptr || !source->initialized() || source->descriptor != type) {
      return refuse("<ERROR> Invalid object type. Message fields expect NANOMessageBase. Type: %s");
    }
    APMPBMessageInfo& copy = array->messages.emplace_back();
    if (!APMPBCopyMessageInfoInto(&copy, source)) {
      array->messages.pop_back();
      return false;
    }
  } else {
    APMPBPrint("<ERROR> Unable to convert ObjC object to byte data. Unknown type. %d", static_cast<int>(flags));
    return false;
  }
  return true;
}

}  // namespace

void APMPBSetArray(NANOMessageBase* message, int32_t index, const std::vector<APMPBObject>* array) {
  APMPBMessageInfo* info = TypedRecord(message, index, "SetArray", IsRepeated, kNotRepeated);
  if (info == nullptr) return;
  message->deallocMessageFieldFn()(info, index);
  if (array == nullptr || array->empty()) return;
  const APMPBFieldDescriptor& field = info->descriptor->fields[index];
  auto record = std::make_unique<APMPBArrayRecord>();
  if (field.flags & kAPMPBTypeMessage) {
    record->messages.reserve(array->size());
  } else if (field.flags & (kAPMPBTypeString | kAPMPBTypeBytes)) {
    record->strings.reserve(array->size());
  } else {
    record->cells.reserve(array->size());
  }
  for (const APMPBObject& element : *array) {
    if (!AppendElement(element, field.flags, field.element, record.get())) return;  // field stays empty
  }
  info->values[index] = std::move(record);
}
