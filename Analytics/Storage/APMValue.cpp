#include "Analytics/Storage/APMValue.h"

#include <functional>

#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"

namespace {

std::string KindName(const platform::Value& value) { return platform::Value::typeName(value.type()); }

}  // namespace

std::optional<APMValue> APMValue::valueFromObject(const std::optional<platform::Value>& object,
                                                  bool allowArray) {
  APMMonitor& monitor = APMMeasurementMonitor();
  if (!object) {
    monitor.logWithLevel(0, 35000, "Cannot create Value type with nil value");
    return std::nullopt;
  }
  switch (object->type()) {
    case platform::Value::Type::kString:
      return APMValue(*object->getString());
    case platform::Value::Type::kDouble:
      return APMValue(*object->getDouble());
    case platform::Value::Type::kInteger:
    case platform::Value::Type::kBool:
      return APMValue(*object->numberAsInt64());
    case platform::Value::Type::kArray:
      if (allowArray) return APMValue(*object->getArray());
      break;
    default:
      break;
  }
  monitor.logWithLevel(0, 35001,
                       "Cannot create Value type with unsupported value. The Value has to be NSNumber, "
                       "NSString or NSArray (if supported). Value",
                       APMLogContext::object(KindName(*object), object->description()));
  return std::nullopt;
}

std::optional<APMValue> APMValue::valueFromObject(const std::variant<platform::Value, APMValue>& object,
                                                  bool allowArray) {
  if (const auto* value = std::get_if<APMValue>(&object)) return *value;
  return valueFromObject(std::optional<platform::Value>(std::get<platform::Value>(object)), allowArray);
}

std::optional<APMValue> APMValue::initWithString(const std::optional<platform::Value>& object) {
  if (!object) {
    APMMeasurementMonitor().logWithLevel(0, 35002, "Cannot create String value with nil");
    return std::nullopt;
  }
  if (!object->isString()) {
    APMMeasurementMonitor().logWithLevel(0, 35003, "Cannot create String value with non-string value. Value",
                                         APMLogContext::object(KindName(*object), object->description()));
    return std::nullopt;
  }
  return APMValue(*object->getString());
}

std::optional<APMValue> APMValue::initWithArray(const std::optional<platform::Value>& object) {
  if (!object) {
    APMMeasurementMonitor().logWithLevel(0, 35004, "Cannot create Array value with nil");
    return std::nullopt;
  }
  if (!object->isArray()) {
    APMMeasurementMonitor().logWithLevel(0, 35005, "Cannot create Array value with non-array value. Value",
                                         APMLogContext::object(KindName(*object), object->description()));
    return std::nullopt;
  }
  return APMValue(*object->getArray());
}

double APMValue::doubleValue() const {
  const double* value = std::get_if<double>(&value_);
  return value ? *value : 0.0;
}

int64_t APMValue::int64Value() const {
  const int64_t* value = std::get_if<int64_t>(&value_);
  return value ? *value : 0;
}

std::optional<std::string> APMValue::stringValue() const {
  const std::string* value = std::get_if<std::string>(&value_);
  if (value == nullptr) return std::nullopt;
  return *value;
}

std::optional<platform::Value::Array> APMValue::arrayValue() const {
  const auto* value = std::get_if<platform::Value::Array>(&value_);
  if (value == nullptr) return std::nullopt;
  return *value;
}

platform::Value APMValue::plainValue() const {
  switch (valueType()) {
    case kDouble:
      return platform::Value(std::get<double>(value_));
    case kInt64:
      return platform::Value(std::get<int64_t>(value_));
    case kString:
      return platform::Value(std::get<std::string>(value_));
    case kArray:
      return platform::Value(std::get<platform::Value::Array>(value_));
  }
  return {};
}

std::string APMValue::description() const {
  if (const auto* text = stringPointer()) return *text;
  return plainValue().description();
}

size_t APMValue::hash() const {
  // Hashes the content in place, agreeing with operator== (0.0 and -0.0 are
  // equal, so they must hash alike; std::hash<double> sees to that).
  size_t content = 0;
  switch (valueType()) {
    case kDouble:
      content = std::hash<double>{}(std::get<double>(value_));
      break;
    case kInt64:
      content = std::hash<int64_t>{}(std::get<int64_t>(value_));
      break;
    case kString:
      content = std::hash<std::string>{}(std::get<std::string>(value_));
      break;
    case kArray:
      content = std::get<platform::Value::Array>(value_).size();
      for (const platform::Value& item : std::get<platform::Value::Array>(value_)) {
        size_t element = static_cast<size_t>(item.type());
        if (const std::string* text = item.getString()) {
          element ^= std::hash<std::string>{}(*text);
        } else if (item.type() == platform::Value::Type::kDouble) {
          element ^= std::hash<double>{}(*item.getDouble());
        } else if (auto number = item.getInt()) {
          element ^= std::hash<int64_t>{}(*number);
        }
        content = content * 31 + element;
      }
      break;
  }
  return content ^ static_cast<size_t>(valueType() * 31);
}
