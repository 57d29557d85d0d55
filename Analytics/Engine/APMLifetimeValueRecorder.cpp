#include "Analytics/Engine/APMLifetimeValueRecorder.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMNamesForLogging.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Storage/APMDatabase.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/Clock.h"

namespace {

constexpr const char* kPrefix = "_ltv_";
// 2^63: doubles at or above it do not fit in a signed 64-bit integer.
constexpr double kTwoTo63 = 9223372036854775808.0;

size_t CodePointCount(const std::string& text) {
  size_t count = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++count;
  }
  return count;
}

// The double as int64 when it lies in the signed 64-bit range; none for NaN,
// infinities and values beyond it.
std::optional<int64_t> FittingInt64(double value) {
  if (!std::isfinite(value) || value < -kTwoTo63 || value >= kTwoTo63) return std::nullopt;
  return static_cast<int64_t>(value);
}

void LogOutOfBounds(const APMValue& value) {
  APMMeasurementMonitor().logWithLevel(1, 22002, "Cannot record transaction with value that is out of bounds",
                                       APMLogContext(value.description()));
}

}  // namespace

bool APMLifetimeValueRecorder::isEcommercePurchaseEvent(const APMEvent& event) {
  const std::string& name = event.name();
  return name == "ecommerce_purchase" || name == "purchase" || name == "refund";
}

bool APMLifetimeValueRecorder::isPurchaseEvent(const APMEvent& event) {
  return event.name() == "_iap" || isEcommercePurchaseEvent(event);
}

bool APMLifetimeValueRecorder::recordLifetimeValueToDatabase(APMDatabase* database, const APMEvent& event) {
  if (!isPurchaseEvent(event)) return true;
  APMMonitor& log = APMMeasurementMonitor();

  const APMValue* currency = event.parameter("currency");
  const std::string* code = currency != nullptr ? currency->stringPointer() : nullptr;
  if (code == nullptr || CodePointCount(*code) != 3) {
    log.logWithLevel(1, 22000, "Cannot record transaction with invalid currency code",
                     APMLogContext(currency != nullptr ? currency->description() : std::string()));
    return true;
  }
  const APMValue* value = event.parameter("value");
  if (value == nullptr || !(value->isDouble() || value->isInt64())) {
    log.logWithLevel(1, 22001, "Cannot record transaction with invalid transaction value",
                     APMLogContext(value != nullptr ? value->description() : std::string()));
    return true;
  }

  int64_t amount = 0;
  if (isEcommercePurchaseEvent(event)) {
    double units = value->isDouble() ? value->doubleValue() : static_cast<double>(value->int64Value());
    std::optional<int64_t> micros = FittingInt64(std::round(units * 1000000.0));
    if (!micros) {
      LogOutOfBounds(*value);
      return false;
    }
    amount = *micros;
    if (event.name() == "refund") {
      if (amount == std::numeric_limits<int64_t>::min()) {
        LogOutOfBounds(*value);
        return false;
      }
      amount = -amount;
    }
  } else if (value->isInt64()) {
    amount = value->int64Value();
  } else {
    std::optional<int64_t> truncated = FittingInt64(std::trunc(value->doubleValue()));
    if (!truncated) {
      LogOutOfBounds(*value);
      return false;
    }
    amount = *truncated;
  }

  std::string name = kPrefix;
  for (char c : *code) name.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);

  APMError error;
  std::optional<std::vector<APMUserAttribute>> existing = database->allLifetimeValueUserAttributes(&error);
  if (!existing) {
    log.logWithLevel(1, 22003, "Failed to query all Lifetime Value User properties. Error", APMLogContext(error));
    return false;
  }
  const APMUserAttribute* current = nullptr;
  for (const APMUserAttribute& attribute : *existing) {
    if (attribute.name() == name) {
      current = &attribute;
      break;
    }
  }

  int64_t total = amount;
  if (current != nullptr) {
    int64_t stored = current->value().int64Value();
    if (__builtin_add_overflow(stored, amount, &total)) {
      // The stored total stays; the purchase itself is still logged.
      LogOutOfBounds(*value);
      return true;
    }
  } else {
    int32_t maxTracked = APMEngineHooks::remoteConfig()->maxTrackedCurrencies();
    if (!existing->empty() && static_cast<int64_t>(existing->size()) >= maxTracked) {
      const std::string& oldest = existing->back().name();
      APMError deleteError;
      if (!database->deleteUserAttributeWithName(oldest, &deleteError)) {
        log.logWithLevel(1, 22004, "Unable to delete Lifetime Value User property. Name, error",
                         APMLogContext(APMUserPropertyNameForLogging(oldest)), APMLogContext(deleteError));
        return false;
      }
    }
  }

  std::optional<APMUserAttribute> updated =
      APMUserAttribute::initWithOrigin("auto", name, APMValue(total), platform::Clock::nowSeconds());
  APMError updateError;
  if (!updated || !database->updateUserAttribute(&*updated, &updateError)) {
    log.logWithLevel(1, 22005, "Unable to upsert Lifetime Value User Attribute in database. Name, error",
                     APMLogContext(APMUserPropertyNameForLogging(name)), APMLogContext(updateError));
    return false;
  }
  log.logWithLevel(7, 22006, "Lifetime value has been updated in database", APMLogContext(name));
  return true;
}

bool APMIsEventExcludedFromListeners(const APMEvent& event) {
  return event.origin() == "pl" || event.name() == "_xa" || event.name() == "_xu";
}
