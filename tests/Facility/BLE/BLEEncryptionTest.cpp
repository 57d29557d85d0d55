#include "Facility/BLE+MainMethods/BLEEncryption.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "Platform/CommonCrypto/Base64.h"
#include "Platform/Foundation/Log.h"

namespace {

using platform::Bytes;

void Load(const std::string& tag, const std::string& dest, const std::string& board, const std::string& sel,
          std::optional<std::string> type, std::optional<Bytes> data, std::optional<std::string> key = std::nullopt) {
  BLEEncryption::setTagId(tag);
  BLEEncryption::setDestinationFloor(dest);
  BLEEncryption::setBoardingFloor(board);
  BLEEncryption::setSelectedFloor(sel);
  BLEEncryption::setDeviceType(std::move(type));
  BLEEncryption::setDeviceData(std::move(data));
  BLEEncryption::setEncryptionKey(std::move(key));
}

const Bytes kBuiltInData = {0x4C, 0x00, 0x00, 0x00, 0x00, 0x07, 0x1F};

TEST(BLEEncryptionTest, FrameVectors) {
  Load("123456", "5", "1", "5", "07", kBuiltInData);
  Bytes expected = {0xaa, 0x13, 0x00, 0x01, 0x01, 0x01, 0xb0, 0x01, 0x07, 0x00,
                    0x40, 0xe2, 0x01, 0x00, 0x05, 0x01, 0x05, 0xac, 0xbb};
  expected.resize(32, 0);
  EXPECT_EQ(BLEEncryption::punchFrame(), expected);

  Load("0", "0", "0", "0", "07", kBuiltInData);
  EXPECT_EQ(BLEEncryption::punchFrame()[17], 0x0E);
}

TEST(BLEEncryptionTest, BuiltInKeyCiphertextAndFraming) {
  Load("123456", "5", "1", "5", "02", kBuiltInData);
  EXPECT_EQ(BLEEncryption::punchCommand(), "BTuwdNyyHDstXisZT9F1QJZVHg+6tjERl10OmqMbQ4A=");
  BLEEncryption::setDeviceType("01");
  auto framed = BLEEncryption::punchCommand();
  ASSERT_TRUE(framed);
  EXPECT_EQ(framed->size(), 48u);
  EXPECT_EQ(*framed, "\r\nBTuwdNyyHDstXisZT9F1QJZVHg+6tjERl10OmqMbQ4A=\r\n");
}

TEST(BLEEncryptionTest, FramingTable) {
  struct Case {
    std::optional<std::string> type;
    bool framed;
  };
  for (const Case& c : std::vector<Case>{{"01", true},
                                         {"07", true},
                                         {"1", true},
                                         {"7", true},
                                         {"007", false},
                                         {"02", false},
                                         {"1 ", false},
                                         {"", false},
                                         {std::nullopt, false}}) {
    Load("1", "1", "1", "1", c.type, kBuiltInData);
    auto text = BLEEncryption::punchCommand();
    ASSERT_TRUE(text);
    EXPECT_EQ(text->size(), c.framed ? 48u : 44u) << c.type.value_or("(none)");
  }
}

TEST(BLEEncryptionTest, ServerKeyAndIvFromManufacturerBytes) {
  const std::string key = "00112233445566778899aabbccddeeff";
  Load("42", "3", "2", "1", "02", Bytes{0x4C, 0x00, 0x00, 0x05, 0x00, 0x02}, key);
  auto cipher = BLEEncryption::AES128Encrypt(BLEEncryption::punchFrame());
  ASSERT_TRUE(cipher);
  // The decrypt counterpart (server key, same IV) gives the frame back.
  EXPECT_EQ(BLEEncryption::AES128Decrypt(*cipher), BLEEncryption::punchFrame());
  // With bytes 2-3 zero the built-in key is used instead.
  BLEEncryption::setDeviceData(kBuiltInData);
  EXPECT_NE(BLEEncryption::AES128Encrypt(BLEEncryption::punchFrame()), cipher);
}

TEST(BLEEncryptionTest, HexToBytes) {
  EXPECT_EQ(BLEEncryption::hexToBytes("abc"), Bytes{0xAB});
  EXPECT_EQ(BLEEncryption::hexToBytes("a"), Bytes{});
  EXPECT_EQ(BLEEncryption::hexToBytes(""), Bytes{});
  EXPECT_EQ(BLEEncryption::hexToBytes("00FFa0"), (Bytes{0x00, 0xFF, 0xA0}));
  EXPECT_EQ(BLEEncryption::hexToBytes("zz"), std::nullopt);
  EXPECT_EQ(BLEEncryption::hexToBytes("0g"), std::nullopt);
  EXPECT_EQ(BLEEncryption::hexRepresentationWithSpaces_AS({0x4C, 0x00, 0x0A}), "4c000a");
  EXPECT_EQ(BLEEncryption::hexRepresentationWithSpaces_AS({}), "");
}

TEST(BLEEncryptionTest, NumberConversionSaturatesAndFloorsTruncate) {
  EXPECT_EQ(BLEEncryption::intValue(std::string("  -12abc")), -12);
  EXPECT_EQ(BLEEncryption::intValue(std::string("abc")), 0);
  EXPECT_EQ(BLEEncryption::intValue(std::nullopt), 0);
  EXPECT_EQ(BLEEncryption::intValue(std::string("99999999999")), INT_MAX);
  EXPECT_EQ(BLEEncryption::intValue(std::string("-99999999999")), INT_MIN);
  EXPECT_EQ(BLEEncryption::intValue(std::string("+7")), 7);

  Load("99999999999", "300", "-1", "256", "02", kBuiltInData);
  Bytes f = BLEEncryption::punchFrame();
  EXPECT_EQ((Bytes{f[10], f[11], f[12], f[13]}), (Bytes{0xFF, 0xFF, 0xFF, 0x7F}));
  EXPECT_EQ(f[14], 0x2C);
  EXPECT_EQ(f[15], 0xFF);
  EXPECT_EQ(f[16], 0x00);
}

TEST(BLEEncryptionTest, LrcUsesAFullWidthIndex) {
  EXPECT_EQ(BLEEncryption::calculateLRC(nullptr, 0), 0);
  std::vector<std::uint8_t> bytes(300);
  std::uint8_t expected = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
    expected ^= bytes[i];
  }
  // An 8-bit index would never reach 300 and loop for ever.
  EXPECT_EQ(BLEEncryption::calculateLRC(bytes.data(), 300), expected);
}

TEST(BLEEncryptionTest, EncryptionRefusesWhatItCannotReadSafely) {
  // Manufacturer data shorter than 4 bytes.
  Load("1", "1", "1", "1", "02", Bytes{0x4C, 0x00, 0x01}, "00112233445566778899aabbccddeeff");
  EXPECT_EQ(BLEEncryption::punchCommand(), std::nullopt);
  // No manufacturer data at all (cleared, not left over).
  BLEEncryption::setDeviceData(std::nullopt);
  EXPECT_EQ(BLEEncryption::punchCommand(), std::nullopt);
  // Server key too short, or not hexadecimal.
  Load("1", "1", "1", "1", "02", Bytes{0x4C, 0x00, 0x00, 0x05, 0, 2}, "0011223344");
  EXPECT_EQ(BLEEncryption::punchCommand(), std::nullopt);
  BLEEncryption::setEncryptionKey("zz112233445566778899aabbccddeeff");
  EXPECT_EQ(BLEEncryption::punchCommand(), std::nullopt);
  // A longer key uses its first 16 bytes.
  BLEEncryption::setEncryptionKey("00112233445566778899aabbccddeeff0011");
  auto longer = BLEEncryption::punchCommand();
  BLEEncryption::setEncryptionKey("00112233445566778899aabbccddeeff");
  EXPECT_EQ(longer, BLEEncryption::punchCommand());
  EXPECT_TRUE(longer.has_value());
  EXPECT_FALSE(BLEEncryption::isUsableKey("00112233445566778899aabbccddee"));
  EXPECT_TRUE(BLEEncryption::isUsableKey("00112233445566778899aabbccddeeff"));
}

TEST(BLEEncryptionTest, PunchTextIsLoggedOnlyAtDebugLevel) {
  platform::LogCapture capture;
  Load("1", "1", "1", "1", "02", kBuiltInData);
  auto previous = platform::MinimumLogLevel();
  platform::SetMinimumLogLevel(platform::LogLevel::kDebug);
  BLEEncryption::punchCommand();
  platform::SetMinimumLogLevel(previous);
  bool seen = false;
  for (auto& e : capture.entries()) {
    if (e.text.find("Result String is: ") != std::string::npos) {
      seen = true;
      EXPECT_EQ(e.level, platform::LogLevel::kDebug);
    }
  }
  EXPECT_TRUE(seen);
}

}  // namespace
