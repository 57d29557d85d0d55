// Reading the store receipt: the pattern scanner's bounds, the purchase
// records it yields, the items filter and the original-version answer.
#include "Analytics/Storage/Purchases/APMInAppPurchaseReceipt.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "Analytics/Engine/Interface/APMAEU.h"
#include "tests/Analytics/Storage/PurchaseFixture.h"
#include "tests/Analytics/Storage/ReceiptWriter.h"

namespace {

using platform::Bytes;
using receipttest::Attribute;
using receipttest::Integer;
using receipttest::Purchase;
using receipttest::Receipt;
using receipttest::Utf8;

constexpr uint8_t X = kAPMReceiptPatternWildcard;

class PurchaseReceiptTest : public PurchaseFixture {};

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

TEST_F(PurchaseReceiptTest, PatternMatchStaysInsideTheData) {
  struct Case {
    const char* name;
    std::vector<uint8_t> pattern;
    Bytes data;
    int64_t offset;
    std::optional<Bytes> expected;
  };
  Bytes long128 = {0x02, 0x80};
  long128.resize(2 + 128, 'x');
  const Case cases[] = {
      {"value", {0x02, X}, {0x02, 0x03, 'a', 'b', 'c'}, 0, Text("abc")},
      {"value ending at the last byte", {0x02, X}, {0x02, 0x02, 'a', 'b'}, 0, Text("ab")},
      {"at an offset", {0x02, X}, {9, 9, 0x02, 0x01, 'z'}, 2, Text("z")},
      {"negative offset", {0x02, X}, {0x02, 0x01, 'a'}, -1, std::nullopt},
      {"offset past the end", {0x02, X}, {0x02, 0x01, 'a'}, 7, std::nullopt},
      {"empty data", {0x02, X}, {}, 0, std::nullopt},
      {"empty pattern", {}, {0x02, 0x01, 'a'}, 0, std::nullopt},
      {"pattern reaching the end", {0x02, X}, {0x02, 0x01}, 0, std::nullopt},
      {"length past the end", {0x02, X}, {0x02, 0x05, 'a'}, 0, std::nullopt},
      {"length zero", {0x02, X}, {0x02, 0x00, 'a'}, 0, std::nullopt},
      {"no wildcard", {0x02, 0x01}, {0x02, 0x01, 'a'}, 0, std::nullopt},
      {"fixed byte differs", {0x03, X}, {0x02, 0x01, 'a'}, 0, std::nullopt},
      {"length of 255 past the end", {0x02, X}, {0x02, 0xFF, 'a'}, 0, std::nullopt},
      {"length of 128 taken as one byte", {0x02, X}, long128, 0, Bytes(128, 'x')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(APMReceiptPatternMatch(c.pattern, c.data, c.offset), c.expected);
  }
}

TEST_F(PurchaseReceiptTest, LengthOf128OrMoreIsLogged) {
  Bytes data = {0x02, 0x81};
  data.resize(2 + 0x81, 'x');
  ASSERT_TRUE(APMReceiptPatternMatch(std::vector<uint8_t>{0x02, X}, data, 0));
  EXPECT_TRUE(Monitored("Data is longer than 127"));
  ASSERT_TRUE(APMReceiptPatternMatch(std::vector<uint8_t>{0x02, X}, Bytes{0x02, 0x01, 'a'}, 0));
  EXPECT_FALSE(Monitored("Data is longer than 127"));
}

TEST_F(PurchaseReceiptTest, ReadsEveryAttributeOfARecord) {
  Purchase p;
  p.productID = "sub.monthly";
  p.transactionID = "1000000123456790";
  p.originalTransactionID = "1000000123456789";
  p.purchaseDate = "2026-03-01T12:00:00Z";
  p.originalPurchaseDate = "2026-02-01T12:00:00Z";
  p.expirationDate = "2026-04-01T12:00:00Z";
  p.cancellationDate = "2026-03-02T08:00:00Z";
  p.type = 3;
  p.freeTrial = 1;
  p.introductoryOffer = 0;
  p.webOrderLineItemID = 1000000055555555;
  auto items = APMPurchaseItemsOfReceipt(Receipt({p}, "1.0"));
  ASSERT_TRUE(items);
  ASSERT_EQ(items->size(), 1u);
  const APMInAppPurchaseItem& item = items->front();
  EXPECT_EQ(item.productID, "sub.monthly");
  EXPECT_EQ(item.transactionID, "1000000123456790");
  EXPECT_EQ(item.originalTransactionID, "1000000123456789");
  EXPECT_EQ(item.purchaseDateIA5String, "2026-03-01T12:00:00Z");
  EXPECT_EQ(item.originalPurchaseDateIA5String, "2026-02-01T12:00:00Z");
  EXPECT_EQ(item.subscriptionExpirationDateIA5String, "2026-04-01T12:00:00Z");
  EXPECT_EQ(item.cancellationDateIA5String, "2026-03-02T08:00:00Z");
  EXPECT_EQ(item.purchaseType, 3);
  EXPECT_TRUE(item.isFreeTrial());
  EXPECT_FALSE(item.isIntroductoryOffer());
  EXPECT_EQ(item.webOrderLineItemID, 1000000055555555u);
}

TEST_F(PurchaseReceiptTest, RecordsWithoutProductAndRepeatedAttributes) {
  Purchase noProduct;
  noProduct.transactionID = "1";
  Purchase repeated;
  repeated.productID = "coins.100";
  repeated.transactionID = "2";
  repeated.extra = {Attribute(1702, Utf8("coins.500")), Attribute(1703, Utf8("3"))};
  Purchase lastWithoutProduct;
  lastWithoutProduct.transactionID = "4";

  auto items = APMPurchaseItemsOfReceipt(Receipt({noProduct, repeated}));
  ASSERT_TRUE(items);
  ASSERT_EQ(items->size(), 1u) << "a record without a product ID is left out";
  EXPECT_EQ(items->front().productID, "coins.100") << "the first occurrence counts";
  EXPECT_EQ(items->front().transactionID, "2");

  // The record still open at the end is kept even without a product.
  items = APMPurchaseItemsOfReceipt(Receipt({repeated, lastWithoutProduct}));
  ASSERT_TRUE(items);
  ASSERT_EQ(items->size(), 2u);
  EXPECT_EQ(items->back().transactionID, "4");
  EXPECT_FALSE(items->back().productID);

  EXPECT_FALSE(APMPurchaseItemsOfReceipt(std::nullopt));
  EXPECT_EQ(APMPurchaseItemsOfReceipt(Bytes{}), std::vector<APMInAppPurchaseItem>{});
  EXPECT_EQ(APMPurchaseItemsOfReceipt(Receipt({})), std::vector<APMInAppPurchaseItem>{});
}

TEST_F(PurchaseReceiptTest, OneByteFlagsAndNumbers) {
  struct Case {
    const char* name;
    std::vector<Bytes> attributes;
    bool freeTrial;
    bool introductoryOffer;
    std::optional<uint8_t> type;
    std::optional<uint64_t> lineItem;
    const char* monitored;  // the health record's line after parsing, if any
  };
  const Case cases[] = {
      {"flags set", {Attribute(1713, Integer(1)), Attribute(1719, Integer(1))}, true, true, std::nullopt,
       std::nullopt, nullptr},
      {"free trial of 2", {Attribute(1713, Integer(2))}, false, false, std::nullopt, std::nullopt,
       "Subdata FT unexpected value"},
      {"introductory offer of 3", {Attribute(1719, Integer(3))}, false, false, std::nullopt, std::nullopt,
       "Subdata IO unexpected value"},
      {"two-byte flag does not count", {Attribute(1713, Integer(0x0101))}, false, false, std::nullopt, std::nullopt,
       nullptr},
      {"purchase type", {Attribute(1707, Integer(2))}, false, false, 2, std::nullopt, nullptr},
      {"two-byte purchase type does not count", {Attribute(1707, Integer(300))}, false, false, std::nullopt,
       std::nullopt, nullptr},
      {"line item", {Attribute(1711, Integer(1000000055555555))}, false, false, std::nullopt, 1000000055555555u,
       nullptr},
      // A top bit set takes a leading 00: nine bytes, of which the last eight count.
      {"line item of nine bytes", {Attribute(1711, Integer(0x8000000000000001))}, false, false, std::nullopt,
       0x8000000000000001u, nullptr},
      {"line item longer than eight bytes",
       {Attribute(1711, Bytes{0x02, 0x0A, 0x7F, 0x7F, 0, 0, 0, 0, 0, 0, 0x01, 0x02})}, false, false, std::nullopt,
       0x0102u, nullptr},
      {"line item 0 stays unset", {Attribute(1711, Integer(0))}, false, false, std::nullopt, std::nullopt, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Purchase p;
    p.productID = "p";
    p.extra = c.attributes;
    ForgetLog();
    auto items = APMPurchaseItemsOfReceipt(Receipt({p}));
    ASSERT_TRUE(items);
    ASSERT_EQ(items->size(), 1u);
    EXPECT_EQ(items->front().isFreeTrial(), c.freeTrial);
    EXPECT_EQ(items->front().isIntroductoryOffer(), c.introductoryOffer);
    EXPECT_EQ(items->front().purchaseType, c.type);
    EXPECT_EQ(items->front().webOrderLineItemID, c.lineItem);
    if (c.monitored) {
      EXPECT_TRUE(Monitored(c.monitored));
    }
  }
}

TEST_F(PurchaseReceiptTest, BadBytesGiveFewerItemsNeverACrash) {
  Purchase a;
  a.productID = "coins.100";
  a.transactionID = "1000000123456789";
  a.originalTransactionID = "1000000123456789";
  a.purchaseDate = "2026-03-01T12:00:00Z";
  a.type = 1;
  Purchase b = a;
  b.productID = "sub.monthly";
  b.webOrderLineItemID = 77;
  const Bytes receipt = Receipt({a, b}, "1.0");
  // Every cut of the receipt.
  for (size_t length = 0; length <= receipt.size(); ++length) {
    auto items = APMPurchaseItemsOfReceipt(Bytes(receipt.begin(), receipt.begin() + static_cast<long>(length)));
    ASSERT_TRUE(items);
    ASSERT_LE(items->size(), 2u) << "cut at " << length;
  }
  // Random damage, and bytes that look like attribute starts with lengths
  // that point past the end.
  std::mt19937 random(7);
  for (int round = 0; round < 500; ++round) {
    Bytes damaged = receipt;
    for (int flips = 0; flips < 8; ++flips) damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
    auto items = APMPurchaseItemsOfReceipt(damaged);
    ASSERT_TRUE(items);
    for (const APMInAppPurchaseItem& item : *items) {
      APMReceiptItemPurchaseDate(item);  // any text, parsed or refused
    }
  }
  const Bytes tail = {0x02, 0x01, 0x11, 0x02, 0x01, 0xFF, 0x04, 0x02, 0x02, 0x06, 0xA6, 0x02, 0x01, 0x01, 0x04, 0xFF};
  auto items = APMPurchaseItemsOfReceipt(tail);
  ASSERT_TRUE(items);
  EXPECT_TRUE(items->empty());
  // A product ID that is no UTF-8 is left unset.
  Purchase bad;
  bad.extra = {Attribute(1702, receipttest::Der(0x0C, Bytes{0xC3, 0x28}))};
  items = APMPurchaseItemsOfReceipt(Receipt({bad}));
  ASSERT_TRUE(items);
  ASSERT_EQ(items->size(), 1u);
  EXPECT_FALSE(items->front().productID);
}

APMInAppPurchaseItem Item(const std::string& product, const std::string& transaction, const std::string& date) {
  APMInAppPurchaseItem item;
  item.productID = product;
  item.transactionID = transaction;
  item.purchaseDateIA5String = date;
  return item;
}

std::vector<std::string> Transactions(const std::optional<std::vector<APMInAppPurchaseItem>>& items) {
  std::vector<std::string> ids;
  if (items) {
    for (const auto& item : *items) ids.push_back(item.transactionID.value_or("?"));
  }
  return ids;
}

TEST_F(PurchaseReceiptTest, FilterByProductAndWholeSecondOfTheDate) {
  const double noon = 1772366400;  // 2026-03-01T12:00:00Z
  const std::vector<APMInAppPurchaseItem> items = {
      Item("sub", "3", "2026-03-03T12:00:00Z"),   Item("sub", "1", "2026-03-01T12:00:00Z"),
      Item("coins", "c", "2026-03-01T12:00:00Z"), Item("sub", "2", "2026-03-01T13:00:00+01:00"),
      Item("sub", "bad", "1 March 2026"),
  };
  struct Case {
    const char* name;
    std::optional<std::string> product;
    std::optional<double> date;
    std::optional<std::vector<std::string>> expected;
  };
  const Case cases[] = {
      {"product, earliest first (unreadable date first)", "sub", std::nullopt,
       std::vector<std::string>{"bad", "1", "2", "3"}},
      {"product and date", "sub", noon, std::vector<std::string>{"1", "2"}},
      {"a fraction of a second still matches", "sub", noon + 0.5, std::vector<std::string>{"1", "2"}},
      {"date only", std::nullopt, noon, std::vector<std::string>{"1", "c", "2"}},
      {"empty product counts as none", "", noon, std::vector<std::string>{"1", "c", "2"}},
      {"next second", "sub", noon + 1, std::vector<std::string>{}},
      {"unknown product", "gems", std::nullopt, std::vector<std::string>{}},
      {"no criterion", std::nullopt, std::nullopt, std::nullopt},
      {"empty product, no date", "", std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto filtered = APMFilteredReceiptItems(items, c.product, c.date);
    ASSERT_EQ(filtered.has_value(), c.expected.has_value());
    if (c.expected) {
      EXPECT_EQ(Transactions(filtered), *c.expected);
    }
  }
  EXPECT_FALSE(APMFilteredReceiptItems({}, "sub", noon));
}

TEST_F(PurchaseReceiptTest, OriginalVersion) {
  struct Case {
    const char* name;
    const char* model;
    std::optional<Bytes> receipt;
    const char* fileName;
    std::optional<std::string> bundleVersion;
    bool receiptCheckOff;
    bool expected;
    const char* monitored;
  };
  // Attribute 19 whose OCTET STRING holds only 0C 00.
  const Bytes shortVersion = receipttest::Der(
      0x30, receipttest::Der(0x04, receipttest::Der(0x31, Attribute(19, receipttest::Der(0x0C, Bytes{})))));
  const Case cases[] = {
      {"same build", "iPhone", Receipt({}, "42"), "receipt", "42", false, true, nullptr},
      {"other build", "iPhone", Receipt({}, "41"), "receipt", "42", false, false, nullptr},
      {"no bundle version", "iPhone", Receipt({}, "42"), "receipt", std::nullopt, false, false, nullptr},
      {"no receipt file", "iPhone", std::nullopt, "receipt", "42", false, false, "Version data is nil"},
      {"receipt check switched off", "iPhone", Receipt({}, "42"), "receipt", "42", true, false, "Version data is nil"},
      {"empty receipt", "iPhone", Bytes{}, "receipt", "42", false, false, "Version data is empty"},
      {"no version attribute", "iPhone", Receipt({}), "receipt", "42", false, false, "V data is too short"},
      {"empty version", "iPhone", shortVersion, "receipt", "", false, false, "V data is too short"},
      {"garbage", "iPhone", Bytes(64, 0xFF), "receipt", "42", false, false, "V data is too short"},
      {"simulator reads nothing", "x86_64", std::nullopt, "receipt", "42", false, true, nullptr},
      {"sandbox receipt", "iPhone", Receipt({}, "41"), "sandboxReceipt", "42", false, true, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    uikit::DeviceProfile profile = uikit::DeviceProfile::phone390x844();
    profile.model = c.model;
    uikit::Device::setCurrent(profile);
    platform::Value::Dictionary info;
    if (c.bundleVersion) info["CFBundleVersion"] = platform::Value(*c.bundleVersion);
    if (c.receiptCheckOff) info["QuorvaneAppStoreReceiptURLCheckEnabled"] = platform::Value(false);
    platform::Bundle::main().setInfoDictionaryOverride(info);
    if (c.receipt) {
      InstallReceipt(*c.receipt, c.fileName);
    } else {
      storekit::AppStoreReceipt::setURL(root_.path() + "/missing/" + c.fileName);
    }
    APMSetOriginalVersionAnswerForTesting(std::nullopt);
    ForgetLog();
    EXPECT_EQ(APMIsAppVersionSameAsOriginalVersion(), c.expected);
    if (c.monitored) {
      EXPECT_TRUE(Monitored(c.monitored));
    } else {
      EXPECT_FALSE(Monitored("Version data")) << "the receipt was read";
    }
  }
}

TEST_F(PurchaseReceiptTest, OriginalVersionIsKeptForTheProcess) {
  platform::Bundle::main().setInfoDictionaryOverride(platform::Value::Dictionary{{"CFBundleVersion", platform::Value("42")}});
  InstallReceipt(Receipt({}, "42"));
  EXPECT_TRUE(APMIsAppVersionSameAsOriginalVersion());
  InstallReceipt(Receipt({}, "41"));
  EXPECT_TRUE(APMIsAppVersionSameAsOriginalVersion()) << "read again";
  APMSetOriginalVersionAnswerForTesting(false);
  EXPECT_FALSE(APMIsAppVersionSameAsOriginalVersion());
  APMSetOriginalVersionAnswerForTesting(std::nullopt);
  EXPECT_FALSE(APMIsAppVersionSameAsOriginalVersion());
}

TEST_F(PurchaseReceiptTest, SandboxReceiptByItsFileName) {
  InstallReceipt(Receipt({}), "sandboxReceipt");
  EXPECT_TRUE(APMAEU::isASRS());
  InstallReceipt(Receipt({}), "receipt");
  EXPECT_FALSE(APMAEU::isASRS());
  // The receipt check switched off: no URL, no sandbox.
  InstallReceipt(Receipt({}), "sandboxReceipt");
  platform::Bundle::main().setInfoDictionaryOverride(
      platform::Value::Dictionary{{"QuorvaneAppStoreReceiptURLCheckEnabled", platform::Value(false)}});
  EXPECT_FALSE(APMAEU::isASRS());
  EXPECT_FALSE(APMAppStoreReceiptData());
}

TEST_F(PurchaseReceiptTest, ReceiptDataNeedsANonEmptyFile) {
  EXPECT_FALSE(APMAppStoreReceiptData()) << "no file at the default URL";
  InstallReceipt(Bytes{});
  EXPECT_FALSE(APMAppStoreReceiptData());
  InstallReceipt(Bytes{1, 2, 3});
  EXPECT_EQ(APMAppStoreReceiptData(), (Bytes{1, 2, 3}));
}

}  // namespace
