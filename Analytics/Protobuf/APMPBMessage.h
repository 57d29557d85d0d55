// The 40 message classes: one class template over the message descriptors,
// with an alias per message (APMPBAppProperty ... APMPBUserAttribute).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "Analytics/Protobuf/NANOMessageBase.h"

template <class Tag>
class APMPBMessage final : public NANOMessageBase {
 public:
  // An empty message.
  APMPBMessage() : NANOMessageBase(Tag::descriptor()) {}

  // A deep copy of the record; an empty message for nullptr; nullptr for a
  // record of another message type. The caller keeps its record.
  static std::shared_ptr<APMPBMessage> initWithMessageInfo(const APMPBMessageInfo* info) {
    if (info == nullptr) return std::make_shared<APMPBMessage>();
    auto copy = CopyRecord(info, Tag::descriptor());
    if (copy == nullptr) return nullptr;
    return std::shared_ptr<APMPBMessage>(new APMPBMessage(std::move(copy)));
  }

  // The message decoded from the bytes, or nullptr when they do not decode.
  // No data (nullptr) gives an empty message.
  static std::shared_ptr<APMPBMessage> initWithBuffer(const uint8_t* bytes, size_t length) {
    auto info = DecodeRecord(bytes, length, Tag::descriptor());
    if (info == nullptr) return nullptr;
    return std::shared_ptr<APMPBMessage>(new APMPBMessage(std::move(info)));
  }
  static std::shared_ptr<APMPBMessage> initWithBuffer(const std::vector<uint8_t>* data) {
    return data == nullptr ? initWithBuffer(nullptr, 0) : initWithBuffer(data->data(), data->size());
  }
  static std::shared_ptr<APMPBMessage> initWithBuffer(const std::vector<uint8_t>& data) {
    return initWithBuffer(data.data(), data.size());
  }

  static const APMPBMessageClass& klass() {
    static const APMPBMessageClass kClass{Tag::kClassName, &Tag::descriptor(), &MakeErased};
    return kClass;
  }
  static const APMPBMessageDescriptor& descriptor() { return Tag::descriptor(); }

  const APMPBMessageClass& messageClass() const override { return klass(); }
  APMPBInitMessageInfoFn initMessageInfoFn() const override { return &InitRecord; }

  // A deep copy of this message.
  std::shared_ptr<APMPBMessage> copy() const { return initWithMessageInfo(messageInfo()); }

 private:
  explicit APMPBMessage(std::unique_ptr<APMPBMessageInfo> info) : NANOMessageBase(std::move(info)) {}
  static bool InitRecord(APMPBMessageInfo* info) { return APMPBInitMessageInfo(info, Tag::descriptor()); }
  static std::shared_ptr<NANOMessageBase> MakeErased(const APMPBMessageInfo* info) {
    return initWithMessageInfo(info);
  }
};

#define APMPB_DEFINE_MESSAGE_CLASS(N)                                                      \
  struct APMPB##N##Tag {                                                                   \
    static constexpr const char* kClassName = "APMPB" #N;                                  \
    static const APMPBMessageDescriptor& descriptor() { return kAPMPB##N##Descriptor; }    \
  };                                                                                       \
  using APMPB##N = APMPBMessage<APMPB##N##Tag>;
APMPB_MESSAGE_LIST(APMPB_DEFINE_MESSAGE_CLASS)
#undef APMPB_DEFINE_MESSAGE_CLASS

// The class of a message by its message ID ("Flag"), or nullptr.
const APMPBMessageClass* APMPBMessageClassNamed(const char* messageID);
