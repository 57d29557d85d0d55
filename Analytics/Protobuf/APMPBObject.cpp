#include "Analytics/Protobuf/APMPBObject.h"

#include "Analytics/Protobuf/NANOMessageBase.h"

APMPBObject::APMPBObject(std::shared_ptr<NANOMessageBase> message) {
  if (message) value_ = std::move(message);
}

bool APMPBObject::isMessage() const {
  auto* message = std::get_if<std::shared_ptr<NANOMessageBase>>(&value_);
  return message != nullptr && *message != nullptr;
}

const std::shared_ptr<NANOMessageBase>& APMPBObject::message() const {
  static const std::shared_ptr<NANOMessageBase> kNone;
  auto* message = std::get_if<std::shared_ptr<NANOMessageBase>>(&value_);
  return message != nullptr ? *message : kNone;
}

std::string APMPBObject::className() const {
  struct Namer {
    std::string operator()(std::monostate) const { return "(null)"; }
    std::string operator()(const APMPBNumber&) const { return "NSNumber"; }
    std::string operator()(const std::string&) const { return "NSString"; }
    std::string operator()(const APMPBData&) const { return "NSData"; }
    std::string operator()(const std::shared_ptr<NANOMessageBase>& m) const {
      return m ? m->messageClass().className : "(null)";
    }
    std::string operator()(const Foreign& f) const { return f.className; }
  };
  return std::visit(Namer{}, value_);
}
