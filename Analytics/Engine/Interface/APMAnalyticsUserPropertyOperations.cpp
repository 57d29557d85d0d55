// The facade's user-property operations: public and internal properties,
// the user ID, the personalised-ads switch and the property queries.
#include <cctype>

#include "Analytics/Engine/APMDataTypeValidator.h"
#include "Analytics/Engine/APMEventUtilities.h"
#include "Analytics/Engine/APMMeasurement.h"
#include "Analytics/Engine/Interface/APMAnalytics.h"
#include "Analytics/Engine/Interface/APMAnalyticsState.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Analytics/Storage/APMUserAttribute.h"
#include "Analytics/Storage/APMValue.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Runtime/CharacterSet.h"

namespace {

using platform::Value;

bool IsNil(const std::optional<Value>& value) { return !value || value->isNull(); }

// The text's truth as a property list reads it: "YES", "true" or a number
// other than zero, after white space and a sign.
bool TextBoolValue(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) != 0) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  while (i < text.size() && text[i] == '0') ++i;
  if (i >= text.size()) return false;
  char c = text[i];
  return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

bool BoolValue(const Value& value) {
  if (const std::string* text = value.getString()) return TextBoolValue(*text);
  return value.numberAsInt64().value_or(0) != 0;
}

// Checks a public property name; a failing name is reported as an error event.
bool PassesPublicNameCheck(const std::string& name) {
  int64_t failureCode = 0;
  if (APMDataTypeValidator::isValidPublicUserAttributeName(name, &failureCode)) return true;
  APMLogErrorEventWithNameAndValue(failureCode == 4 ? 15 : 6, name, 24, APMValue(name));
  return false;
}

void SetPersonalizedAdsOnSerialQueue(const std::optional<Value>& value) {
  bool enabled = APMAnalytics::isAnalyticsEnabled();
  if (!enabled) {
    APMMeasurementMonitor().logWithLevel(7, 25033, "Personalized Ads property changed while Analytics is disabled");
  }
  APMPersistedConfig::sharedInstance()->setAllowPersonalizedAds(IsNil(value) ? Value() : Value(BoolValue(*value)));
  if (IsNil(value) && APMMeasurement::remoteConfig()->DMAConsentEnabled() &&
      APMConsentSettingsUtil::adPersonalization()) {
    APMConsentSettingsUtil::unsetAdPersonalization();
  }
  if (!enabled) return;
  std::shared_ptr<APMMeasurement> engine = APMMeasurement::sharedInstance();
  if (!engine) return;
  std::optional<bool> npa = engine->shouldDisableAdPersonalization();
  std::optional<APMUserAttribute> attribute = APMUserAttribute::initWithOrigin(
      "auto", "_npa", APMValue(static_cast<int64_t>(npa.value_or(false) ? 1 : 0)), platform::Clock::nowSeconds());
  if (npa) {
    engine->setUserAttribute(attribute);
  } else {
    engine->removeUserAttribute(attribute);
  }
}

}  // namespace

void APMAnalytics::setUserPropertyString(const std::optional<Value>& value, const std::string& name) {
  if (name == kAllowPersonalizedAdsProperty) {
    queueOperationWithBlock([value] { SetPersonalizedAdsOnSerialQueue(value); });
    return;
  }
  if (IsNil(value)) {
    removeUserAttributeForName(name);
    return;
  }
  if (!PassesPublicNameCheck(name)) return;
  const std::string* text = value->getString();
  if (text == nullptr) {
    APMMeasurementMonitor().logWithLevel(0, 25003, "User property must be NSString. Value",
                                         APMLogContext(value->description()));
    return;
  }
  APMValue typed(*text);
  int64_t failureCode = 0;
  if (!APMDataTypeValidator::isValidPublicUserAttributeValue(&typed, &failureCode)) {
    if (failureCode == 2) APMLogErrorEventWithNameAndValue(7, name, 24, typed);
    return;
  }
  sharedInstance()->setInternalUserProperty(value, name, "app");
}

void APMAnalytics::setUserID(const std::optional<Value>& userID) {
  if (IsNil(userID)) {
    removeInternalUserAttributeForName("_id");
    removeInternalUserAttributeForName("_lair");
    return;
  }
  if (!userID->isString()) {
    APMMeasurementMonitor().logWithLevel(0, 25004, "User ID must be NSString. User ID",
                                         APMLogContext(userID->description()));
    return;
  }
  sharedInstance()->setInternalUserProperty(userID, "_id", "app");
}

void APMAnalytics::removeUserAttributeForName(const std::string& name) {
  int64_t failureCode = 0;
  if (!APMDataTypeValidator::isValidPublicUserAttributeName(name, &failureCode)) return;
  removeInternalUserAttributeForName(name);
}

void APMAnalytics::setUserAttributeNumber(const Value& number, const std::string& name) {
  if (!PassesPublicNameCheck(name)) return;
  if (!number.isNumber()) return;
  Value plain = number.isDouble() ? Value(*number.getDouble()) : Value(number.numberAsInt64().value_or(0));
  sharedInstance()->setInternalUserProperty(plain, name, "auto");
}

void APMAnalytics::removeInternalUserAttributeForName(const std::string& name) {
  std::optional<APMUserAttribute> attribute =
      APMUserAttribute::initWithOrigin("", name, APMValue(0.0), platform::Clock::nowSeconds());
  queueOperationWithBlock([attribute] {
    if (std::shared_ptr<APMMeasurement> engine = APMMeasurement::sharedInstance()) {
      engine->removeUserAttribute(attribute);
    }
  });
}

void APMAnalytics::setInternalUserProperty(const std::optional<Value>& value, const std::string& name,
                                           const std::string& origin) {
  int64_t failureCode = 0;
  if (!APMDataTypeValidator::isValidInternalUserAttributeName(name, &failureCode)) {
    APMLogErrorEventWithNameAndValue(6, name, 24, APMValue(name));
    return;
  }
  size_t originLength = platform::CharacterSet::codePointCount(origin);
  if (originLength < 1 || originLength > 32) {
    APMMeasurementMonitor().logWithLevel(2, 25005, "Unable to set user property. Origin is invalid. Origin, name",
                                         APMLogContext(origin), APMLogContext(name));
    return;
  }
  if (IsNil(value)) {
    removeInternalUserAttributeForName(name);
    return;
  }
  std::optional<APMValue> typed = APMValue::valueFromObject(*value);
  if (!typed) return;
  if (!APMDataTypeValidator::isValidInternalUserAttributeValue(&*typed, name, &failureCode)) {
    if (failureCode == 2) APMLogErrorEventWithNameAndValue(7, name, 24, APMValue(typed->description()));
    return;
  }
  std::optional<APMUserAttribute> attribute =
      APMUserAttribute::initWithOrigin(origin, name, *typed, platform::Clock::nowSeconds());
  if (!attribute) return;
  queueOperationWithBlock([attribute] {
    if (std::shared_ptr<APMMeasurement> engine = APMMeasurement::sharedInstance()) {
      engine->setUserAttribute(attribute);
    }
  });
}

void APMAnalytics::userPropertiesIncludingInternal(bool includeInternal, const platform::DispatchQueuePtr& queue,
                                                   UserPropertiesCallback callback) {
  queueOperationWithBlock([includeInternal, queue, callback = std::move(callback)] {
    APMMonitor& monitor = APMMeasurementMonitor();
    if (!callback) {
      monitor.logWithLevel(2, 25006, "Analytics userProperties callback cannot be nil");
      return;
    }
    if (!queue) {
      monitor.logWithLevel(2, 25007, "Cannot query for Analytics user properties. Queue cannot be nil");
      platform::DispatchQueue::main()->async([callback] { callback({}); });
      return;
    }
    if (!isAnalyticsEnabled()) {
      monitor.logWithLevel(5, 25008, "Cannot query for public user properties when Analytics is disabled");
      queue->async([callback] { callback({}); });
      return;
    }
    std::shared_ptr<APMMeasurement> engine = APMMeasurement::sharedInstance();
    if (!engine) return;
    engine->userPropertiesIncludingInternal(includeInternal, [queue, callback](const Value::Dictionary& properties) {
      queue->async([callback, properties] { callback(properties); });
    });
  });
}

void APMAnalytics::maxUserPropertiesForOrigin(const std::string& origin, const platform::DispatchQueuePtr& queue,
                                              MaxUserPropertiesCallback callback) {
  APMMonitor& monitor = APMMeasurementMonitor();
  if (origin.empty()) {
    monitor.logWithLevel(2, 25009, "Cannot query Analytics for max user properties. Origin must be a non-empty string");
    return;
  }
  if (!queue) {
    monitor.logWithLevel(2, 25010, "Cannot query Analytics for max user properties. Queue cannot be nil. Origin",
                         APMLogContext(origin));
    return;
  }
  if (!callback) {
    monitor.logWithLevel(2, 25011,
                         "Cannot query Analytics for max user properties. MaxUserProperties callback cannot be nil. "
                         "Origin",
                         APMLogContext(origin));
    return;
  }
  queueOperationWithBlock([origin, queue, callback = std::move(callback)] {
    std::shared_ptr<APMMeasurement> engine = APMMeasurement::sharedInstance();
    if (!engine) return;
    engine->maxUserPropertiesForOrigin(origin, [queue, callback](int32_t maximum) {
      queue->async([callback, maximum] { callback(maximum); });
    });
  });
}
