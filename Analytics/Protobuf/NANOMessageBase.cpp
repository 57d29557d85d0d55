#include "Analytics/Protobuf/NANOMessageBase.h"

#include <cstring>

#include "Analytics/Protobuf/APMPBCodec.h"

NANOMessageBase::NANOMessageBase(const APMPBMessageDescriptor& descriptor)
    : info_(std::make_unique<APMPBMessageInfo>()) {
  APMPBInitMessageInfo(info_.get(), descriptor);
}

NANOMessageBase::NANOMessageBase(std::unique_ptr<APMPBMessageInfo> info) : info_(std::move(info)) {}

NANOMessageBase::~NANOMessageBase() {
  APMPBDeallocMessageInfo(info_.get());
  info_.reset();
}

const char* NANOMessageBase::messageID() const { return messageClass().descriptor->name; }

std::optional<std::vector<uint8_t>> NANOMessageBase::protoBuffer() const {
  if (info_ == nullptr || !info_->initialized()) return std::nullopt;
  std::vector<uint8_t> bytes;
  if (APMPBEncode(info_.get(), &bytes) < 0) return std::nullopt;
  return bytes;
}

std::optional<size_t> NANOMessageBase::protoBufferSize() const {
  if (info_ == nullptr || !info_->initialized()) return std::nullopt;
  const int32_t size = APMPBEncodedSize(info_.get());
  if (size < 0) return std::nullopt;
  return static_cast<size_t>(size);
}

std::unique_ptr<APMPBMessageInfo> NANOMessageBase::CopyRecord(const APMPBMessageInfo* info,
                                                              const APMPBMessageDescriptor& descriptor) {
  if (info == nullptr || !info->initialized()) return nullptr;
  if (std::strcmp(info->descriptor->name, descriptor.name) != 0) return nullptr;
  std::unique_ptr<APMPBMessageInfo> copy;
  if (!APMPBCopyMessageInfo(&copy, info)) return nullptr;
  return copy;
}

std::unique_ptr<APMPBMessageInfo> NANOMessageBase::DecodeRecord(const uint8_t* bytes, size_t length,
                                                                const APMPBMessageDescriptor& descriptor) {
  auto info = std::make_unique<APMPBMessageInfo>();
  APMPBInitMessageInfo(info.get(), descriptor);
  if (!APMPBDecode(bytes, length, info.get())) return nullptr;
  return info;
}
