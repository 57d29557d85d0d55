#include "Analytics/Engine/Monitor/APMKeyValueStore.h"

int64_t APMKeyValueStore::integerForKey(std::string_view key) const {
  auto value = objectForKey(key);
  return value ? value->numberAsInt64().value_or(0) : 0;
}

float APMKeyValueStore::floatForKey(std::string_view key) const {
  return static_cast<float>(doubleForKey(key));
}

double APMKeyValueStore::doubleForKey(std::string_view key) const {
  auto value = objectForKey(key);
  return value ? value->numberAsDouble().value_or(0.0) : 0.0;
}

bool APMKeyValueStore::boolForKey(std::string_view key) const {
  auto value = objectForKey(key);
  if (!value) return false;
  auto number = value->numberAsDouble();
  return number && *number != 0.0;
}

std::optional<std::string> APMKeyValueStore::stringForKey(std::string_view key) const {
  auto value = objectForKey(key);
  if (!value || !value->isString()) return std::nullopt;
  return *value->getString();
}

std::optional<platform::Value::Array> APMKeyValueStore::arrayForKey(std::string_view key) const {
  auto value = objectForKey(key);
  if (!value || !value->isArray()) return std::nullopt;
  return *value->getArray();
}

std::optional<platform::Value::Dictionary> APMKeyValueStore::dictionaryForKey(
    std::string_view key) const {
  auto value = objectForKey(key);
  if (!value || !value->isDictionary()) return std::nullopt;
  return *value->getDictionary();
}
