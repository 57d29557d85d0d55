// Writes store receipts as DER bytes for the purchase tests: in-app purchase
// records (attribute 17, a SET of attributes in an OCTET STRING), the
// original application version (attribute 19), wrapped as the payload of a
// receipt. Lengths use the long DER form where needed, as a real receipt
// does for its outer containers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/Value.h"

namespace receipttest {

using Bytes = platform::Bytes;

inline void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

inline Bytes Der(uint8_t tag, const Bytes& content) {
  Bytes out{tag};
  const size_t length = content.size();
  if (length < 128) {
    out.push_back(static_cast<uint8_t>(length));
  } else {
    Bytes digits;
    for (size_t rest = length; rest != 0; rest >>= 8) digits.insert(digits.begin(), static_cast<uint8_t>(rest & 0xFF));
    out.push_back(static_cast<uint8_t>(0x80 | digits.size()));
    Append(out, digits);
  }
  Append(out, content);
  return out;
}

// Minimal two's-complement INTEGER of a non-negative value (a leading 00 when
// the top bit is set).
inline Bytes Integer(uint64_t value) {
  Bytes digits;
  do {
    digits.insert(digits.begin(), static_cast<uint8_t>(value & 0xFF));
    value >>= 8;
  } while (value != 0);
  if (digits.front() & 0x80) digits.insert(digits.begin(), 0x00);
  return Der(0x02, digits);
}

inline Bytes Utf8(const std::string& text) { return Der(0x0C, Bytes(text.begin(), text.end())); }
inline Bytes Ia5(const std::string& text) { return Der(0x16, Bytes(text.begin(), text.end())); }

// SEQUENCE { INTEGER type, INTEGER version, OCTET STRING { value } }.
inline Bytes Attribute(uint64_t type, const Bytes& value, uint64_t version = 1) {
  Bytes body = Integer(type);
  Append(body, Integer(version));
  Append(body, Der(0x04, value));
  return Der(0x30, body);
}

struct Purchase {
  std::optional<std::string> productID;
  std::optional<std::string> transactionID;
  std::optional<std::string> originalTransactionID;
  std::optional<std::string> purchaseDate;  // "2026-03-01T12:00:00Z"
  std::optional<std::string> originalPurchaseDate;
  std::optional<std::string> expirationDate;
  std::optional<std::string> cancellationDate;
  std::optional<uint64_t> type;  // 0 non-consumable, 1 consumable, 2 non-renewing, 3 auto-renewable
  std::optional<uint64_t> freeTrial;
  std::optional<uint64_t> introductoryOffer;
  std::optional<uint64_t> webOrderLineItemID;
  // Attributes written after the known ones (repeats, odd values).
  std::vector<Bytes> extra;
};

inline Bytes PurchaseAttributes(const Purchase& p) {
  Bytes set;
  if (p.type) Append(set, Attribute(1707, Integer(*p.type)));
  if (p.freeTrial) Append(set, Attribute(1713, Integer(*p.freeTrial)));
  if (p.introductoryOffer) Append(set, Attribute(1719, Integer(*p.introductoryOffer)));
  if (p.productID) Append(set, Attribute(1702, Utf8(*p.productID)));
  if (p.transactionID) Append(set, Attribute(1703, Utf8(*p.transactionID)));
  if (p.originalTransactionID) Append(set, Attribute(1705, Utf8(*p.originalTransactionID)));
  if (p.purchaseDate) Append(set, Attribute(1704, Ia5(*p.purchaseDate)));
  if (p.originalPurchaseDate) Append(set, Attribute(1706, Ia5(*p.originalPurchaseDate)));
  if (p.expirationDate) Append(set, Attribute(1708, Ia5(*p.expirationDate)));
  if (p.cancellationDate) Append(set, Attribute(1712, Ia5(*p.cancellationDate)));
  if (p.webOrderLineItemID) Append(set, Attribute(1711, Integer(*p.webOrderLineItemID)));
  for (const Bytes& extra : p.extra) Append(set, extra);
  return Der(0x31, set);
}

// A receipt payload: bundle ID (2), application version (3), the original
// application version (19) when given, then one record per purchase.
inline Bytes Receipt(const std::vector<Purchase>& purchases,
                     const std::optional<std::string>& originalVersion = std::nullopt) {
  Bytes set;
  Append(set, Attribute(2, Utf8("com.example.facility")));
  Append(set, Attribute(3, Utf8("1.0")));
  if (originalVersion) Append(set, Attribute(19, Utf8(*originalVersion)));
  for (const Purchase& p : purchases) Append(set, Attribute(17, PurchaseAttributes(p)));
  // The payload sits inside the signed container's content: an OCTET STRING
  // in a SEQUENCE, as far as the scanner cares.
  return Der(0x30, Der(0x04, Der(0x31, set)));
}

}  // namespace receipttest
