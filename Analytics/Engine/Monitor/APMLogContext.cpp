#include "Analytics/Engine/Monitor/APMLogContext.h"

#include "Platform/Foundation/SaturatingCast.h"
#include "Platform/Foundation/Value.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

APMLogContext::APMLogContext(const char* text) {
  if (text != nullptr) {
    kind_ = Kind::kString;
    text_ = text;
  }
}

APMLogContext::APMLogContext(std::string text) : kind_(Kind::kString), text_(std::move(text)) {}

APMLogContext::APMLogContext(std::string_view text) : kind_(Kind::kString), text_(text) {}

APMLogContext::APMLogContext(bool value)
    : kind_(Kind::kNumber), numberKind_(NumberKind::kBool), integer_(value ? 1 : 0) {}

APMLogContext::APMLogContext(const APMError& error) : kind_(Kind::kError), error_(error) {}

APMLogContext APMLogContext::className(std::string name) {
  APMLogContext context;
  context.kind_ = Kind::kClass;
  context.text_ = std::move(name);
  return context;
}

APMLogContext APMLogContext::exception(std::string name, std::string reason,
                                       std::vector<std::string> callStackSymbols) {
  APMLogContext context;
  context.kind_ = Kind::kException;
  context.text_ = std::move(name);
  context.detail_ = std::move(reason);
  context.symbols_ = std::move(callStackSymbols);
  return context;
}

APMLogContext APMLogContext::object(std::string className, std::string description,
                                    const void* address) {
  APMLogContext context;
  context.kind_ = Kind::kObject;
  context.text_ = std::move(className);
  context.detail_ = std::move(description);
  context.address_ = address;
  return context;
}

int64_t APMLogContext::longLongValue() const {
  if (kind_ != Kind::kNumber) return 0;
  if (numberKind_ != NumberKind::kDouble) return integer_;
  return platform::SaturatingCast::toInt64(double_);
}

std::string APMLogContext::description() const {
  switch (kind_) {
    case Kind::kNil:
      return "(null)";
    case Kind::kString:
    case Kind::kClass:
      return text_;
    case Kind::kNumber: {
      switch (numberKind_) {
        case NumberKind::kSigned:
        case NumberKind::kBool:
          return std::to_string(integer_);
        case NumberKind::kUnsigned:
          return std::to_string(static_cast<uint64_t>(integer_));
        case NumberKind::kDouble:
          return platform::FormatDouble(double_);
      }
      return {};
    }
    case Kind::kError:
      return error_.description();
    case Kind::kException:
      return detail_;
    case Kind::kObject: {
      if (!detail_.empty()) return detail_;
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "%p", address_);
      return "<" + text_ + " " + buffer + ">";
    }
  }
  return {};
}
