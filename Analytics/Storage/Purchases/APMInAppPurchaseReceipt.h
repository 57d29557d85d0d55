// Reading the app's store receipt: its DER bytes are scanned for fixed
// attribute patterns (no ASN.1 decoder, no signature check), giving the
// in-app purchase records and the version the user first obtained. Bad bytes
// give fewer or emptier records, never a failure. Runs on the caller's
// thread; only the original-version answer is shared (computed once).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Analytics/Storage/Purchases/APMInAppPurchaseItem.h"
#include "Platform/Foundation/Value.h"

// Pattern bytes; this value matches any byte and is collected.
inline constexpr uint8_t kAPMReceiptPatternWildcard = 255;

// The L bytes that follow the pattern at offset, where L is the last byte
// collected under a wildcard. None when the offset is negative, the data or
// the pattern is empty, the pattern does not fit below the data's end, a
// fixed byte differs, there is no wildcard, L is 0 or the L bytes run past
// the end. L of 128 or more is taken as it is (logged 39027): long DER
// lengths are not decoded.
std::optional<platform::Bytes> APMReceiptPatternMatch(std::span<const uint8_t> pattern,
                                                      std::span<const uint8_t> data, int64_t offset);

// The purchase records of a receipt in receipt order; none for no data. A
// record without a product ID is left out unless it is the last one.
std::optional<std::vector<APMInAppPurchaseItem>> APMPurchaseItemsOfReceipt(
    const std::optional<platform::Bytes>& receipt);

// The receipt's purchase date of an item ("yyyy-MM-dd'T'HH:mm:ssZZZZZ" read
// in GMT), seconds since 1970; none when absent or unreadable.
std::optional<double> APMReceiptItemPurchaseDate(const APMInAppPurchaseItem& item);

// The items of the product and/or bought at the date, earliest purchase
// first. Receipt dates carry whole seconds, so the date is compared
// truncated to whole seconds. None when there are no items or neither a
// non-empty product ID nor a date is given.
std::optional<std::vector<APMInAppPurchaseItem>> APMFilteredReceiptItems(
    const std::vector<APMInAppPurchaseItem>& items, const std::optional<std::string>& productID,
    std::optional<double> purchaseDate);

// The bytes of the file at the engine's receipt URL; none without a URL, an
// unreadable file or an empty one.
std::optional<platform::Bytes> APMAppStoreReceiptData();

// Whether the running build (CFBundleVersion) is the one the user first
// obtained, as the receipt tells it. Always YES on a simulator or with a
// sandbox receipt; NO when the receipt cannot tell. Computed on first use
// and kept for the process.
bool APMIsAppVersionSameAsOriginalVersion();
// Tests: a fixed answer, or none to forget the kept one (the next call reads
// the receipt again).
void APMSetOriginalVersionAnswerForTesting(std::optional<bool> answer);
