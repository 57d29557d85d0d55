#include "Analytics/Engine/APMEventUtilities.h"

#include <algorithm>
#include <type_traits>
#include <vector>

#include "Analytics/Engine/APMDataTypeValidator.h"
#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMEngineLog.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Runtime/CharacterSet.h"

namespace {

using NameSet = std::set<std::string, std::less<>>;

int64_t LengthOf(const APMValue& value) {
  if (const std::string* text = value.stringPointer()) {
    return static_cast<int64_t>(platform::CharacterSet::codePointCount(*text));
  }
  if (const auto* array = value.arrayPointer()) return static_cast<int64_t>(array->size());
  return 0;
}

std::optional<APMValue> SanitizeArray(const platform::Value::Array& array, const std::string& paramName,
                                      const std::optional<std::string>& eventName, APMEvent::Parameters& replacements,
                                      bool nested, bool isPublic, int64_t* failureCode) {
  platform::Value::Array items = array;
  if (!APMDataTypeValidator::isValidArrayParamForEvent(eventName.value_or(""), paramName,
                                                       static_cast<int64_t>(items.size()), nested, failureCode)) {
    if (*failureCode != 12) return std::nullopt;
    items.resize(200);
  }
  platform::Value::Array sanitized;
  for (size_t index = 0; index < items.size(); ++index) {
    int64_t itemCode = 0;
    if (!APMDataTypeValidator::isValidArrayParamItem(items[index], &itemCode)) {
      APMSetErrorParametersIfAbsent(replacements, 4, paramName + "[" + std::to_string(index) + "]", 40, std::nullopt);
      continue;
    }
    APMParameterObjects item;
    for (const auto& [key, value] : *items[index].getDictionary()) item.emplace(key, value);
    auto result = APMSanitizeEventParameters(item, eventName, isPublic, true);
    if (!result) continue;
    platform::Value::Dictionary plain;
    for (const auto& [key, value] : *result) plain[key] = value.plainValue();
    sanitized.push_back(platform::Value(std::move(plain)));
  }
  return APMValue(std::move(sanitized));
}

}  // namespace

const APMNameTable& APMPublicToInternalEventNames() {
  static const auto* table = new APMNameTable{
      {"adunit_exposure", "_xu"}, {"ad_activeview", "_aa"}, {"ad_click", "_ac"}, {"ad_exposure", "_xa"},
      {"ad_impression", "_ai"}, {"ad_query", "_aq"}, {"ad_reward", "_ar"}, {"app_clear_data", "_cd"},
      {"app_exception", "_ae"}, {"app_remove", "_ui"}, {"app_store_refund", "_asr"},
      {"app_store_subscription_cancel", "_asse"}, {"app_store_subscription_convert", "_assc"},
      {"app_store_subscription_renew", "_assr"}, {"app_update", "_au"}, {"app_upgrade", "_ug"},
      {"error", "_err"}, {"quorvane_campaign", "_cmp"}, {"first_open", "_f"}, {"first_visit", "_v"},
      {"tq_campaign", "_cmp"}, {"tq_extra_parameter", "_ep"}, {"in_app_purchase", "_iap"},
      {"notification_dismiss", "_nd"}, {"notification_foreground", "_nf"}, {"notification_open", "_no"},
      {"notification_receive", "_nr"}, {"os_update", "_ou"}, {"screen_view", "_vs"}, {"session_start", "_s"},
      {"session_start_with_rollout", "_ssr"}, {"user_engagement", "_e"},
  };
  return *table;
}

const APMNameTable& APMInternalToPublicEventNames() {
  static const auto* table = [] {
    auto* inverse = new APMNameTable;
    // "_cmp" maps back to its "tq_" spelling, the one the public interface documents.
    for (const auto& [publicName, internalName] : APMPublicToInternalEventNames()) {
      if (internalName == "_cmp" && publicName != "tq_campaign") continue;
      (*inverse)[internalName] = publicName;
    }
    return inverse;
  }();
  return *table;
}

const APMNameTable& APMAllowedPublicEventNames() {
  static const auto* table = new APMNameTable{{"ad_impression", "_ai"}};
  return *table;
}

const std::map<int64_t, std::string>& APMErrorCodeNames() {
  static const auto* table = new std::map<int64_t, std::string>{
      {0, "NoError"}, {1, "InvalidKVLAppID"}, {2, "InvalidEventName"}, {3, "InvalidParameterName"},
      {4, "InvalidParameterValue"}, {5, "ParameterLimitReached"}, {6, "InvalidUserPropertyName"},
      {7, "UserPropertyValueTooLong"}, {8, "EventLimitReached"}, {9, "UserPropertyLimitReached"},
      {10, "ConversionEventLimitReached"}, {11, "EventIsBlocked"}, {12, "UserPropertyIsBlocked"},
      {13, "EventNameIsReserved"}, {14, "ParameterNameIsReserved"}, {15, "UserPropertyNameIsReserved"},
      {16, "PublicEventLimitReached"}, {17, "TooManyExtraParamEvents"}, {18, "ValueIsNotNumeric"},
      {19, "CurrencyCodeIsMissingOrInvalid"}, {20, "InvalidArrayParamName"}, {21, "InvalidArrayParamEventName"},
      {22, "InvalidArrayParamNesting"}, {23, "CustomParamsInArrayElement"},
      {28, "ItemScopedCustomParameterLimitReached"},
  };
  return *table;
}

void APMLogErrorEvent(int64_t code) {
  if (code == 0) return;
  APMEngineHooks::logInternalEvent("auto", "_err", {{"_err", APMValue(code)}});
}

void APMLogErrorEventWithNameAndValue(int64_t code, std::string_view name, int64_t maxLength,
                                      const std::optional<APMValue>& value) {
  if (code == 0) return;
  APMEvent::Parameters parameters{{"_err", APMValue(code)}};
  std::optional<APMValue> passed;
  if (value && (LengthOf(*value) > maxLength || code == 7 || code == 4)) passed = value;
  APMSetErrorNameAndValue(parameters, name, maxLength, passed);
  APMEngineHooks::logInternalEvent("auto", "_err", parameters);
}

std::string APMTrimmedName(std::string_view name, int64_t maxLength) {
  if (maxLength < 0) maxLength = 0;
  if (static_cast<int64_t>(platform::CharacterSet::codePointCount(name)) <= maxLength) return std::string(name);
  return platform::CharacterSet::prefix(name, static_cast<size_t>(maxLength)) + "...";
}

void APMSetErrorNameAndValue(APMEvent::Parameters& parameters, std::string_view name, int64_t maxLength,
                             const std::optional<APMValue>& value) {
  if (parameters.count("_ev") != 0 || parameters.count("_el") != 0) return;
  parameters.insert_or_assign("_ev", APMValue(APMTrimmedName(name, maxLength)));
  if (value) parameters.insert_or_assign("_el", APMValue(LengthOf(*value)));
}

void APMSetErrorCodeIfAbsent(APMEvent::Parameters& parameters, int64_t code) {
  if (parameters.count("_err") == 0) parameters.insert_or_assign("_err", APMValue(code));
}

void APMSetErrorParametersIfAbsent(APMEvent::Parameters& parameters, int64_t code, std::string_view name,
                                   int64_t maxLength, const std::optional<APMValue>& value) {
  if (parameters.count("_ev") != 0 || parameters.count("_el") != 0 || parameters.count("_err") != 0) return;
  parameters.insert_or_assign("_err", APMValue(code));
  APMSetErrorNameAndValue(parameters, name, maxLength, value);
}

void APMRecordArrayParamError(APMEvent::Parameters& parameters, int64_t failureCode, std::string_view paramName,
                              std::string_view eventName) {
  int64_t code = 0;
  std::string_view name;
  switch (failureCode) {
    case 10: code = 21; name = eventName; break;
    case 11: code = 20; name = paramName; break;
    case 12: code = 17; name = paramName; break;
    case 13: code = 22; name = paramName; break;
    default: return;
  }
  APMSetErrorParametersIfAbsent(parameters, code, name, 40, std::nullopt);
}

bool APMIsPublicName(std::string_view name) {
  if (name.empty()) {
    Monitor().logWithLevel(2, 18003, "Cannot check the name. Name is empty");
    return false;
  }
  return name[0] != '_';
}

bool APMIsErrorEvent(const APMEvent& event) {
  if (event.name().empty()) {
    Monitor().logWithLevel(2, 18004, "Cannot check the event name. Name is empty");
    return false;
  }
  return event.name() == "_err";
}

bool APMIsNotErrorEventName(std::string_view name) { return name != "_err"; }

bool APMIsSubscriptionEvent(const APMEvent& event) {
  if (event.name() == "_assc" || event.name() == "_assr") return true;
  if (event.name() != "_iap") return false;
  const APMValue* subscription = event.parameter("subscription");
  return subscription != nullptr && subscription->isInt64() && subscription->int64Value() == 1;
}

bool APMIsEcommerceEvent(std::string_view name) {
  static const auto* names = new NameSet{
      "add_payment_info", "add_shipping_info", "add_to_cart", "add_to_wishlist", "begin_checkout",
      "purchase", "refund", "remove_from_cart", "select_item", "select_promotion", "view_cart", "view_item",
      "view_item_list", "view_promotion", "ecommerce_purchase", "checkout_progress", "purchase_refund",
      "select_content", "set_checkout_option", "view_search_results"};
  return names->count(name) != 0;
}

bool APMIsItemParameterName(std::string_view name) {
  static const auto* names = new NameSet{
      "affiliation", "coupon", "creative_name", "creative_slot", "currency", "discount", "index", "item_id",
      "item_brand", "item_category", "item_category2", "item_category3", "item_category4", "item_category5",
      "item_list_name", "item_list_id", "item_name", "item_variant", "location_id", "payment_type", "price",
      "promotion_id", "promotion_name", "quantity", "shipping", "shipping_tier", "tax", "transaction_id", "value",
      "checkout_step", "checkout_option", "item_list", "item_location_id"};
  return names->count(name) != 0;
}

bool APMIsPurchaseEvent(std::string_view name) {
  static const auto* names = new NameSet{"ecommerce_purchase", "_f", "_iap", "purchase", "refund"};
  return names->count(name) != 0;
}

void APMTrimCustomParameters(APMEvent::Parameters& parameters, int limit, bool itemScope) {
  int count = APMCountCustomParameters(parameters, itemScope);
  if (count <= limit) return;
  std::vector<std::string> keys;
  for (const auto& entry : parameters) keys.push_back(entry.first);
  std::sort(keys.begin(), keys.end());
  for (auto it = keys.rbegin(); it != keys.rend() && count > limit; ++it) {
    const std::string& key = *it;
    if (key.empty() || key[0] == '_') continue;
    if (itemScope && APMIsItemParameterName(key)) continue;
    parameters.erase(key);
    --count;
  }
}

void APMTrimDefaultEventParameters(APMEvent::Parameters& parameters, int limit) {
  APMTrimCustomParameters(parameters, limit, false);
}

namespace {

// Objects: APMParameterObjects, const (values copied into the result) or not
// (values moved).
template <class Objects>
std::optional<APMEvent::Parameters> SanitizeEventParameters(Objects& parameters,
                                                            const std::optional<std::string>& eventName,
                                                            bool isPublic, bool isItem) {
  if (parameters.empty()) return std::nullopt;
  bool isInternalEvent = eventName && (APMPublicToInternalEventNames().count(*eventName) != 0 ||
                                       (!eventName->empty() && (*eventName)[0] == '_'));
  NameSet removed;
  APMEvent::Parameters replacements;
  for (const auto& [key, object] : parameters) {
    int64_t nameCode = 0;
    bool nameValid = isPublic ? (APMDataTypeValidator::isValidPublicEventParameterName(key, &nameCode) &&
                                 APMDataTypeValidator::isValidInternalEventParameterName(key, &nameCode))
                              : APMDataTypeValidator::isValidInternalEventParameterName(key, &nameCode);
    if (!nameValid) {
      removed.insert(key);
      if (nameCode != 0 && replacements.count("_err") == 0) {
        std::optional<APMValue> tooLong;
        if (platform::CharacterSet::codePointCount(key) >= 41) tooLong = APMValue(key);
        APMSetErrorParametersIfAbsent(replacements, nameCode == 4 ? 14 : 3, key, 40, tooLong);
      }
      continue;
    }
    // A typed value is only looked at here; a plain one is converted.
    const APMValue* value = std::get_if<APMValue>(&object);
    std::optional<APMValue> converted;
    if (value == nullptr) {
      converted = APMValue::valueFromObject(object, true);
      if (!converted) {
        removed.insert(key);
        const auto& plain = std::get<platform::Value>(object);
        Monitor().logWithLevel(3, 18015, "Event parameter value must be of type NSString, NSNumber or NSArray. Type",
                               APMLogContext::className(platform::Value::typeName(plain.type())));
        continue;
      }
      value = &*converted;
    }
    bool inputIsTyped = std::holds_alternative<APMValue>(object);
    int64_t failure = 0;
    bool keep = true;
    bool replaced = false;
    if (isPublic && !APMDataTypeValidator::isValidPublicEventParameterValue(value, &failure)) keep = false;
    if (key == "_ev") {
      const std::string* text = value->stringPointer();
      if (keep && text != nullptr) {
        int64_t length = static_cast<int64_t>(platform::CharacterSet::codePointCount(*text));
        bool alreadyCut = length == 259 && text->size() >= 3 && text->compare(text->size() - 3, 3, "...") == 0;
        if (length > 256 && !alreadyCut && replacements.count("_ev") == 0 && replacements.count("_el") == 0) {
          replacements.insert_or_assign("_ev", APMValue(APMTrimmedName(*text, 256)));
          replacements.insert_or_assign("_el", APMValue(length));
          replaced = true;
        }
      }
    } else if (keep && isInternalEvent &&
               !APMDataTypeValidator::isValidInternalEventParameterValue(value, &failure)) {
      keep = false;
    }
    int64_t arrayCode = 0;
    if (keep && value->isArray() && !inputIsTyped) {
      auto sanitized = SanitizeArray(*value->arrayPointer(), key, eventName, replacements, isItem, isPublic, &arrayCode);
      if (!sanitized) {
        keep = false;
      } else {
        replacements.insert_or_assign(key, *sanitized);
        replaced = true;
      }
    }
    if (!keep) removed.insert(key);
    if (failure == 2 && replacements.count("_err") == 0) {
      APMSetErrorParametersIfAbsent(replacements, 4, key, 40,
                                    value->isString() ? std::optional<APMValue>(*value) : std::nullopt);
    }
    if (value->isArray() && arrayCode != 0) APMRecordArrayParamError(replacements, arrayCode, key, eventName.value_or(""));
    if (keep && !inputIsTyped && !replaced) replacements.insert_or_assign(key, *value);
  }

  APMEvent::Parameters result;
  if (removed.size() == parameters.size()) {
    return replacements;
  }
  for (auto& [key, object] : parameters) {
    if (removed.count(key) != 0) continue;
    if (auto* typed = std::get_if<APMValue>(&object)) {
      if constexpr (std::is_const_v<Objects>) {
        result.insert_or_assign(key, *typed);
      } else {
        result.insert_or_assign(key, std::move(*typed));
      }
    }
  }
  for (const auto& [key, value] : replacements) result.insert_or_assign(key, value);

  auto config = APMEngineHooks::remoteConfig();
  if (isItem) {
    int limit = config->itemScopedCustomParameterEnabled() ? config->maxItemScopedCustomParameters() : 0;
    if (APMCountCustomParameters(result, true) > limit) {
      APMTrimCustomParameters(result, limit, true);
      if (result.count("_err") == 0) result.insert_or_assign("_err", APMValue(int64_t{limit != 0 ? 28 : 23}));
      Monitor().logWithLevel(0, 18016, "Item cannot contain custom parameters");
    }
  } else {
    int limit = config->maxPublicEventParams();
    if (APMCountCustomParameters(result, false) > limit) {
      APMTrimCustomParameters(result, limit, false);
      if (result.count("_err") == 0) result.insert_or_assign("_err", APMValue(int64_t{5}));
      Monitor().logWithLevel(1, 18017, "Event cannot contain more than " + std::to_string(limit) + " parameters");
    }
  }
  return result;
}

}  // namespace

std::optional<APMEvent::Parameters> APMSanitizeEventParameters(const APMParameterObjects& parameters,
                                                               const std::optional<std::string>& eventName,
                                                               bool isPublic, bool isItem) {
  return SanitizeEventParameters(parameters, eventName, isPublic, isItem);
}

std::optional<APMEvent::Parameters> APMSanitizeEventParameters(APMParameterObjects&& parameters,
                                                               const std::optional<std::string>& eventName,
                                                               bool isPublic, bool isItem) {
  return SanitizeEventParameters(parameters, eventName, isPublic, isItem);
}

namespace {

// Whether sanitising typed parameters of an internal read would keep each
// one as it is; decided without a log line, so that a "no" can go through
// the full path, which logs what it finds.
bool KeepsEveryTypedParameter(const APMEvent::Parameters& parameters, const std::optional<std::string>& eventName) {
  const bool isInternalEvent = eventName && (APMPublicToInternalEventNames().count(*eventName) != 0 ||
                                             (!eventName->empty() && (*eventName)[0] == '_'));
  for (const auto& [key, value] : parameters) {
    if (!APMDataTypeValidator::isPlainInternalName(key, 40)) return false;
    const std::string* text = value.stringPointer();
    if (text == nullptr) continue;
    if ((key == "_ev" || isInternalEvent) && platform::CharacterSet::codePointCount(*text) > 256) return false;
  }
  return true;
}

}  // namespace

std::optional<APMEvent::Parameters> APMSanitizeTypedEventParameters(APMEvent::Parameters&& parameters,
                                                                    const std::optional<std::string>& eventName,
                                                                    bool isPublic, bool isItem) {
  if (parameters.empty()) return std::nullopt;
  if (!isPublic && !isItem && KeepsEveryTypedParameter(parameters, eventName) &&
      APMCountCustomParameters(parameters, false) <= APMEngineHooks::remoteConfig()->maxPublicEventParams()) {
    return std::move(parameters);
  }
  APMParameterObjects objects;
  for (auto& [key, value] : parameters) objects.emplace(key, std::move(value));
  return SanitizeEventParameters(objects, eventName, isPublic, isItem);
}

std::optional<APMEvent::Parameters> APMSanitizeParameters(const APMParameterObjects& parameters, bool isPublic) {
  return APMSanitizeEventParameters(parameters, std::nullopt, isPublic, false);
}

bool APMValidateValueAndCurrency(APMEvent::Parameters& parameters) {
  auto value = parameters.find("value");
  if (value == parameters.end()) return true;
  int64_t code = 0;
  if (!APMDataTypeValidator::isValidNumericValue(&value->second, &code)) {
    parameters.erase(value);
    APMSetErrorParametersIfAbsent(parameters, 18, "value", 256, std::nullopt);
    return false;
  }
  auto currency = parameters.find("currency");
  const APMValue* currencyValue = currency == parameters.end() ? nullptr : &currency->second;
  if (!APMDataTypeValidator::isValidCurrencyCode(currencyValue, &code)) {
    Monitor().logWithLevel(3, 18014,
                           "Value parameter discarded. You must also supply a 3-letter ISO_4217 currency code in the "
                           "currency parameter.");
    parameters.erase("value");
    APMSetErrorParametersIfAbsent(parameters, 19, "currency", 256, std::nullopt);
    return false;
  }
  return true;
}

int64_t APMTotalArrayItemCount(const APMEvent& event) {
  int64_t total = 0;
  for (const auto& [key, value] : event.parameters()) {
    if (const auto* array = value.arrayPointer()) total += static_cast<int64_t>(array->size());
  }
  return total;
}

bool APMHasScreenParameters(const APMEvent::Parameters& parameters) {
  return parameters.count("_si") != 0 || parameters.count("_sc") != 0 || parameters.count("_sn") != 0;
}

APMEvent::Parameters APMScreenParameters(const APMEvent::Parameters& parameters) {
  APMEvent::Parameters out;
  for (const char* key : {"_sn", "_sc", "_si"}) {
    auto it = parameters.find(key);
    if (it != parameters.end()) out.insert_or_assign(key, it->second);
  }
  return out;
}

bool APMExcludeFileFromBackup(const std::string& path, APMError* error) {
  platform::Status status = platform::FileManager::defaultManager().setExcludedFromBackup(path, true);
  if (!status.ok()) {
    if (error != nullptr) *error = APMError("platform.FileManager", static_cast<int64_t>(status.code()), status.message());
    return false;
  }
  return true;
}
