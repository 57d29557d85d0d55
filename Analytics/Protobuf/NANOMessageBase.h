// Base of every message object: owns one record and turns it into bytes.
// Objects are shared (std::shared_ptr) like the reference-counted objects of
// the engine; fields are reached only through the accessors of
// APMPBFieldAccess.h. A message and everything it owns belong to one thread
// at a time; even protoBuffer() updates the records' size cache.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "Analytics/Protobuf/APMPBMessageInfo.h"

class NANOMessageBase;

using APMPBInitMessageInfoFn = bool (*)(APMPBMessageInfo*);
using APMPBDeallocMessageFieldFn = bool (*)(APMPBMessageInfo*, int32_t);
using APMPBCopyMessageInfoFn = bool (*)(std::unique_ptr<APMPBMessageInfo>*, const APMPBMessageInfo*);

// A message class as a value, for the getters that make objects of a class.
struct APMPBMessageClass {
  const char* className;
  const APMPBMessageDescriptor* descriptor;
  // nullptr for a class that cannot be made from a record.
  std::shared_ptr<NANOMessageBase> (*initWithMessageInfo)(const APMPBMessageInfo*);
};

class NANOMessageBase {
 public:
  virtual ~NANOMessageBase();
  NANOMessageBase(const NANOMessageBase&) = delete;
  NANOMessageBase& operator=(const NANOMessageBase&) = delete;

  // The message name, e.g. "AppProperty".
  const char* messageID() const;
  // The record; stays owned by the object.
  APMPBMessageInfo* messageInfo() { return info_.get(); }
  const APMPBMessageInfo* messageInfo() const { return info_.get(); }
  // The wire encoding; empty for an empty message, nullopt when encoding fails.
  std::optional<std::vector<uint8_t>> protoBuffer() const;
  // The length of protoBuffer(), sized without writing; nullopt when encoding fails.
  std::optional<size_t> protoBufferSize() const;

  virtual const APMPBMessageClass& messageClass() const = 0;
  virtual APMPBInitMessageInfoFn initMessageInfoFn() const = 0;
  APMPBDeallocMessageFieldFn deallocMessageFieldFn() const { return &APMPBDeallocMessageField; }
  APMPBCopyMessageInfoFn copyMessageInfoFn() const { return &APMPBCopyMessageInfo; }

 protected:
  explicit NANOMessageBase(const APMPBMessageDescriptor& descriptor);  // empty message
  explicit NANOMessageBase(std::unique_ptr<APMPBMessageInfo> info);

  // A deep copy of info when it is a record of this descriptor's type, else nullptr.
  static std::unique_ptr<APMPBMessageInfo> CopyRecord(const APMPBMessageInfo* info,
                                                      const APMPBMessageDescriptor& descriptor);
  // The decoded record, or nullptr when the bytes do not decode. No bytes
  // decode as an empty message.
  static std::unique_ptr<APMPBMessageInfo> DecodeRecord(const uint8_t* bytes, size_t length,
                                                        const APMPBMessageDescriptor& descriptor);

 private:
  std::unique_ptr<APMPBMessageInfo> info_;
};
