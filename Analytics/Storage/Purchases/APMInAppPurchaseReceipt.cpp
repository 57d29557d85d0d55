#include "Analytics/Storage/Purchases/APMInAppPurchaseReceipt.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>

#include "Analytics/Engine/APMEngineLog.h"
#include "Analytics/Engine/Interface/APMAEU.h"
#include "Analytics/Engine/Monitor/APMMainBundle.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Engine/APMDataAdditions.h"
#include "Platform/Foundation/DateFormatter.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Utf8.h"

namespace {

constexpr uint8_t X = kAPMReceiptPatternWildcard;

constexpr uint8_t kInteger = 0x02;
constexpr uint8_t kUTF8String = 0x0C;
constexpr uint8_t kIA5String = 0x16;

// An in-app attribute: INTEGER type, INTEGER version, OCTET STRING holding
// one DER value whose tag is the tenth byte.
constexpr std::array<uint8_t, 11> Attribute(uint8_t typeLow, uint8_t innerTag) {
  return {kInteger, 0x02, 0x06, typeLow, kInteger, 0x01, X, 0x04, X, innerTag, X};
}

constexpr std::array<uint8_t, 7> kRecordStart = {kInteger, 0x01, 0x11, kInteger, 0x01, X, 0x04};
constexpr std::array<uint8_t, 10> kOriginalVersion = {0x30, X, 0x02, 0x01, 0x13, 0x02, 0x01, X, 0x04, X};

enum class Field {
  kProductID,
  kTransactionID,
  kOriginalTransactionID,
  kExpirationDate,
  kFreeTrial,
  kIntroductoryOffer,
  kPurchaseType,
  kWebOrderLineItemID,
  kPurchaseDate,
  kOriginalPurchaseDate,
  kCancellationDate,
};

struct AttributePattern {
  Field field;
  std::array<uint8_t, 11> bytes;
};

// In the order a record's attributes are tried.
constexpr std::array<AttributePattern, 11> kAttributes = {{
    {Field::kProductID, Attribute(0xA6, kUTF8String)},
    {Field::kTransactionID, Attribute(0xA7, kUTF8String)},
    {Field::kOriginalTransactionID, Attribute(0xA9, kUTF8String)},
    {Field::kExpirationDate, Attribute(0xAC, kIA5String)},
    {Field::kFreeTrial, Attribute(0xB1, kInteger)},
    {Field::kIntroductoryOffer, Attribute(0xB7, kInteger)},
    {Field::kPurchaseType, Attribute(0xAB, kInteger)},
    {Field::kWebOrderLineItemID, Attribute(0xAF, kInteger)},
    {Field::kPurchaseDate, Attribute(0xA8, kIA5String)},
    {Field::kOriginalPurchaseDate, Attribute(0xAA, kIA5String)},
    {Field::kCancellationDate, Attribute(0xB0, kIA5String)},
}};

std::optional<std::string> Utf8Text(const platform::Bytes& bytes) {
  std::string text(bytes.begin(), bytes.end());
  if (!platform::Utf8::isValid(text)) return std::nullopt;
  return text;
}

std::optional<std::string> AsciiText(const platform::Bytes& bytes) {
  if (std::any_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b > 0x7F; })) return std::nullopt;
  return std::string(bytes.begin(), bytes.end());
}

// A one-byte flag: 0 NO, 1 YES, other values NO (logged); longer values do
// not count.
void SetReceiptFlag(bool* flag, const platform::Bytes& value, int64_t code, const char* message) {
  if (value.size() != 1) return;
  if (value[0] > 1) Log().logWithLevel(5, code, message, static_cast<int64_t>(value[0]));
  *flag = value[0] == 1;
}

void SetField(APMInAppPurchaseItem& item, Field field, const platform::Bytes& value) {
  switch (field) {
    case Field::kProductID:
      item.productID = Utf8Text(value);
      break;
    case Field::kTransactionID:
      item.transactionID = Utf8Text(value);
      break;
    case Field::kOriginalTransactionID:
      item.originalTransactionID = Utf8Text(value);
      break;
    case Field::kExpirationDate:
      item.subscriptionExpirationDateIA5String = AsciiText(value);
      break;
    case Field::kFreeTrial:
      SetReceiptFlag(&item.freeTrial, value, 39025, "Subdata FT unexpected value");
      break;
    case Field::kIntroductoryOffer:
      SetReceiptFlag(&item.introductoryOffer, value, 39028, "Subdata IO unexpected value");
      break;
    case Field::kPurchaseType:
      if (value.size() == 1) item.purchaseType = value[0];
      break;
    case Field::kWebOrderLineItemID: {
      const uint64_t id = static_cast<uint64_t>(apm_64LeastSignificantBits(value));
      if (id != 0) item.webOrderLineItemID = id;
      break;
    }
    case Field::kPurchaseDate:
      item.purchaseDateIA5String = AsciiText(value);
      break;
    case Field::kOriginalPurchaseDate:
      item.originalPurchaseDateIA5String = AsciiText(value);
      break;
    case Field::kCancellationDate:
      item.cancellationDateIA5String = AsciiText(value);
      break;
  }
}

struct OriginalVersionState {
  std::mutex mu;
  std::optional<bool> answer;
};

OriginalVersionState& StoredOriginalVersion() {
  static OriginalVersionState* state = new OriginalVersionState;
  return *state;
}

bool ComputeIsOriginalVersion() {
  if (APMAEU::isNOD() || APMAEU::isASRS()) return true;
  std::optional<platform::Bytes> data;
  if (auto url = APMAEU::appStoreRURL()) {
    auto contents = platform::FileManager::defaultManager().contentsAtPath(*url);
    if (contents.ok()) data = std::move(contents).value();
  }
  if (!data) {
    Log().logWithLevel(5, 39002, "Version data is nil");
    return false;
  }
  if (data->empty()) {
    Log().logWithLevel(5, 39004, "Version data is empty");
    return false;
  }
  std::optional<platform::Bytes> version;
  const std::span<const uint8_t> bytes(*data);
  for (size_t offset = 0; offset < bytes.size() && !version; ++offset) {
    version = APMReceiptPatternMatch(kOriginalVersion, bytes, static_cast<int64_t>(offset));
  }
  const size_t length = version ? version->size() : 0;
  if (length <= 2) {
    Log().logWithLevel(5, 39006, "V data is too short. Length", static_cast<int64_t>(length));
    return false;
  }
  if ((*version)[0] != kUTF8String) {
    Log().logWithLevel(5, 39007, "V data byte 0 is wrong. Value", static_cast<int64_t>((*version)[0]));
  }
  if ((*version)[1] != length - 2) {
    Log().logWithLevel(5, 39008, "V data byte 1 is wrong. Value, expected", static_cast<int64_t>((*version)[1]),
                       static_cast<int64_t>(length - 2));
  }
  const std::string original(version->begin() + 2, version->end());
  auto bundleVersion = APMMainBundle::infoValue("CFBundleVersion");
  const std::string* running = bundleVersion ? bundleVersion->getString() : nullptr;
  return running != nullptr && platform::Utf8::isValid(original) && original == *running;
}

}  // namespace

std::optional<platform::Bytes> APMReceiptPatternMatch(std::span<const uint8_t> pattern,
                                                      std::span<const uint8_t> data, int64_t offset) {
  if (offset < 0 || data.empty() || pattern.empty()) return std::nullopt;
  const size_t start = static_cast<size_t>(offset);
  if (start >= data.size() || pattern.size() >= data.size() - start) return std::nullopt;
  std::optional<uint8_t> length;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const uint8_t byte = data[start + i];
    if (pattern[i] == kAPMReceiptPatternWildcard) {
      length = byte;
    } else if (pattern[i] != byte) {
      return std::nullopt;
    }
  }
  if (!length || *length == 0) return std::nullopt;
  const size_t valueStart = start + pattern.size();
  if (*length > data.size() - valueStart) return std::nullopt;
  if (*length >= 128) Log().logWithLevel(5, 39027, "Data is longer than 127", static_cast<int64_t>(*length));
  return platform::Bytes(data.begin() + static_cast<std::ptrdiff_t>(valueStart),
                         data.begin() + static_cast<std::ptrdiff_t>(valueStart + *length));
}

std::optional<std::vector<APMInAppPurchaseItem>> APMPurchaseItemsOfReceipt(
    const std::optional<platform::Bytes>& receipt) {
  if (!receipt) return std::nullopt;
  const std::span<const uint8_t> data(*receipt);
  std::vector<APMInAppPurchaseItem> items;
  std::optional<APMInAppPurchaseItem> current;
  std::array<bool, kAttributes.size()> found{};
  size_t i = 0;
  while (i + 1 < data.size()) {
    // Every pattern of the walk starts with an INTEGER tag: other offsets
    // (most of a receipt: certificates, signature) are passed at once.
    if (data[i] != kInteger) {
      ++i;
      continue;
    }
    const int64_t offset = static_cast<int64_t>(i);
    if (auto version = APMReceiptPatternMatch(kRecordStart, data, offset)) {
      if (current && current->productID) items.push_back(std::move(*current));
      current.emplace();
      found.fill(false);
      i += kRecordStart.size() + version->size();
      continue;
    }
    bool matched = false;
    if (current) {
      for (size_t a = 0; a < kAttributes.size() && !matched; ++a) {
        if (found[a]) continue;
        auto value = APMReceiptPatternMatch(kAttributes[a].bytes, data, offset);
        if (!value) continue;
        SetField(*current, kAttributes[a].field, *value);
        found[a] = true;
        matched = true;
        i += kAttributes[a].bytes.size() + value->size();
      }
    }
    if (!matched) ++i;
  }
  if (current) items.push_back(std::move(*current));
  return items;
}

std::optional<double> APMReceiptItemPurchaseDate(const APMInAppPurchaseItem& item) {
  if (!item.purchaseDateIA5String) return std::nullopt;
  platform::DateFormatter formatter("yyyy-MM-dd'T'HH:mm:ssZZZZZ");
  formatter.setLocale(platform::Locale("en_US_POSIX"));
  formatter.setTimeZone(platform::TimeZone::gmt());
  auto date = formatter.dateFromString(*item.purchaseDateIA5String);
  if (!date) return std::nullopt;
  return date->secondsSince1970;
}

std::optional<std::vector<APMInAppPurchaseItem>> APMFilteredReceiptItems(
    const std::vector<APMInAppPurchaseItem>& items, const std::optional<std::string>& productID,
    std::optional<double> purchaseDate) {
  const bool byProduct = productID && !productID->empty();
  if (items.empty() || (!byProduct && !purchaseDate)) return std::nullopt;
  const std::optional<double> wholeSeconds =
      purchaseDate ? std::optional<double>(std::trunc(*purchaseDate)) : std::nullopt;
  struct Kept {
    std::optional<double> date;
    const APMInAppPurchaseItem* item;
  };
  std::vector<Kept> kept;
  for (const APMInAppPurchaseItem& item : items) {
    if (byProduct && item.productID != productID) continue;
    std::optional<double> date = APMReceiptItemPurchaseDate(item);
    if (wholeSeconds && date != wholeSeconds) continue;
    kept.push_back({date, &item});
  }
  // Undated items sort first; equal dates keep receipt order.
  std::stable_sort(kept.begin(), kept.end(), [](const Kept& a, const Kept& b) { return a.date < b.date; });
  std::vector<APMInAppPurchaseItem> result;
  result.reserve(kept.size());
  for (const Kept& k : kept) result.push_back(*k.item);
  return result;
}

std::optional<platform::Bytes> APMAppStoreReceiptData() {
  auto url = APMAEU::appStoreRURL();
  if (!url) return std::nullopt;
  auto contents = platform::FileManager::defaultManager().contentsAtPath(*url);
  if (!contents.ok() || contents->empty()) return std::nullopt;
  return std::move(contents).value();
}

bool APMIsAppVersionSameAsOriginalVersion() {
  OriginalVersionState& state = StoredOriginalVersion();
  std::lock_guard<std::mutex> lock(state.mu);
  if (!state.answer) state.answer = ComputeIsOriginalVersion();
  return *state.answer;
}

void APMSetOriginalVersionAnswerForTesting(std::optional<bool> answer) {
  OriginalVersionState& state = StoredOriginalVersion();
  std::lock_guard<std::mutex> lock(state.mu);
  state.answer = answer;
}
