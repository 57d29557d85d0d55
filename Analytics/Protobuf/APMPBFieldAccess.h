// Typed access to a message's fields by 0-based field index. Misuse (no
// message, index out of range, wrong field type) logs one line and leaves the
// message unchanged; getters then return their absent result (false, 0, 0.0,
// nullopt or nullptr).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Analytics/Protobuf/APMPBMessage.h"
#include "Analytics/Protobuf/APMPBObject.h"

// A repeated field is always present; a singular one once it holds a value.
bool APMPBHasField(const NANOMessageBase* message, int32_t index);
// Frees a singular value or empties a repeated field.
void APMPBClearField(NANOMessageBase* message, int32_t index);

bool APMPBGetBool(const NANOMessageBase* message, int32_t index);
void APMPBSetBool(NANOMessageBase* message, int32_t index, bool value);
// enum, int32 and uint32 fields.
int32_t APMPBGetInt32(const NANOMessageBase* message, int32_t index);
void APMPBSetInt32(NANOMessageBase* message, int32_t index, int32_t value);
// int64 and uint64 fields.
int64_t APMPBGetInt64(const NANOMessageBase* message, int32_t index);
void APMPBSetInt64(NANOMessageBase* message, int32_t index, int64_t value);
double APMPBGetDouble(const NANOMessageBase* message, int32_t index);
void APMPBSetDouble(NANOMessageBase* message, int32_t index, double value);

// The field's bytes as UTF-8 text; nullopt when absent or not valid UTF-8.
// A present empty string reads as "".
std::optional<std::string> APMPBGetString(const NANOMessageBase* message, int32_t index);
// nullopt clears the field; an empty string is a present value.
void APMPBSetString(NANOMessageBase* message, int32_t index, std::optional<std::string_view> value);

// A new object of the given class holding a copy of the nested message;
// nullptr when absent or when the class is of another message type.
std::shared_ptr<NANOMessageBase> APMPBGetMessage(const NANOMessageBase* message, int32_t index,
                                                 const APMPBMessageClass* messageClass);
// Stores a deep copy; nullptr clears the field. A message of another type
// releases the old value, logs, and leaves the field absent.
void APMPBSetMessage(NANOMessageBase* message, int32_t index, const NANOMessageBase* value);

// The elements of a repeated field in order: numbers for scalars, strings,
// bytes, or objects of the element class for messages. Elements that do not
// convert are left out.
std::optional<std::vector<APMPBObject>> APMPBGetArray(const NANOMessageBase* message, int32_t index,
                                                      const APMPBMessageClass* elementClass);
// Replaces the whole repeated field; nullptr empties it. All or nothing: a
// bad element logs and leaves the field empty.
void APMPBSetArray(NANOMessageBase* message, int32_t index, const std::vector<APMPBObject>* array);

// Moves the string out of the field, which is left absent: for a message
// about to be dropped. nullopt as APMPBGetString (the field then stays).
std::optional<std::string> APMPBTakeString(NANOMessageBase* message, int32_t index);

// Typed conveniences over the above.
template <class T>
std::shared_ptr<T> APMPBGetMessage(const NANOMessageBase* message, int32_t index) {
  return std::static_pointer_cast<T>(APMPBGetMessage(message, index, &T::klass()));
}
template <class T>
std::vector<std::shared_ptr<T>> APMPBGetMessageArray(const NANOMessageBase* message, int32_t index) {
  std::vector<std::shared_ptr<T>> result;
  auto elements = APMPBGetArray(message, index, &T::klass());
  if (!elements) return result;
  result.reserve(elements->size());
  for (const APMPBObject& element : *elements) {
    if (element.isMessage()) result.push_back(std::static_pointer_cast<T>(element.message()));
  }
  return result;
}
// Hands each element of a repeated message field in turn to visit, moved
// into the one object element (of the element class), with no copy and no
// allocation per element; visit answers false to stop. The field is left
// empty. For a message about to be dropped.
void APMPBTakeEachMessage(NANOMessageBase* message, int32_t index, NANOMessageBase* element,
                          const std::function<bool()>& visit);
template <class T>
void APMPBSetMessageArray(NANOMessageBase* message, int32_t index,
                          const std::vector<std::shared_ptr<T>>& elements) {
  std::vector<APMPBObject> array;
  array.reserve(elements.size());
  for (const auto& element : elements) array.emplace_back(std::shared_ptr<NANOMessageBase>(element));
  APMPBSetArray(message, index, &array);
}

// Sets the repeated message field from the elements' records, moved rather
// than copied: each element is left an empty message. For elements about to
// be dropped. An element of another type leaves the field empty.
void APMPBMoveMessagesIntoArray(NANOMessageBase* message, int32_t index,
                                const std::vector<NANOMessageBase*>& elements);
template <class T>
void APMPBMoveMessageArray(NANOMessageBase* message, int32_t index, const std::vector<std::shared_ptr<T>>& elements) {
  std::vector<NANOMessageBase*> records;
  records.reserve(elements.size());
  for (const auto& element : elements) records.push_back(element.get());
  APMPBMoveMessagesIntoArray(message, index, records);
}

// True when bytes are well-formed UTF-8.
bool APMPBIsValidUTF8(std::string_view bytes);
