#include <gtest/gtest.h>

#include <set>
#include <string>

#include "Platform/CommonCrypto/Base64.h"
#include "Platform/CommonCrypto/Digest.h"
#include "Platform/CommonCrypto/Hex.h"
#include "Platform/CommonCrypto/SecureRandom.h"
#include "tests/Platform/CommonCrypto/CryptoTestUtil.h"

namespace {

using platform::Base64;
using platform::Digest;
using platform::Hex;
using cryptotest::FromText;

TEST(DigestTest, PublishedVectors) {
  struct Case {
    std::string input;
    const char* sha256;
    const char* md5;
  };
  const Case cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
       "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f7846f55cf23e14eebeab5b4e1550cad5b509e3348fbc4efa3a1413d393cb650",
       "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1", "8215ef0796a20bcaaae116d3876c664a"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Hex::encode(Digest::sha256(c.input)), c.sha256) << c.input;
    EXPECT_EQ(Hex::encode(Digest::md5(c.input)), c.md5) << c.input;
    // The byte and text overloads agree.
    EXPECT_EQ(Digest::sha256(FromText(c.input)), Digest::sha256(c.input));
    EXPECT_EQ(Digest::md5(FromText(c.input)), Digest::md5(c.input));
  }
  EXPECT_EQ(Digest::sha256("abc").size(), 32u);
  EXPECT_EQ(Digest::md5("abc").size(), 16u);
}

TEST(HexTest, LowercaseTwoDigitsPerByte) {
  EXPECT_EQ(Hex::encode(FromText("abc")), "616263");
  EXPECT_EQ(Hex::encode(std::vector<std::uint8_t>{0x4C, 0x00, 0x0A, 0xFF}), "4c000aff");
  EXPECT_EQ(Hex::encode(std::vector<std::uint8_t>{}), "");
}

TEST(HexTest, DecodeReadsEitherCaseAndRefusesAnythingElse) {
  using B = std::vector<std::uint8_t>;
  EXPECT_EQ(Hex::decode(""), B{});
  EXPECT_EQ(Hex::decode("4c000aff"), (B{0x4C, 0x00, 0x0A, 0xFF}));
  EXPECT_EQ(Hex::decode("4C000AfF"), (B{0x4C, 0x00, 0x0A, 0xFF}));
  for (const char* bad : {"4", "4c0", "4g", "g4", " 4c", "4c ", "0x4c", "4c:00", "-1"}) {
    EXPECT_FALSE(Hex::decode(bad).has_value()) << bad;
  }
  EXPECT_FALSE(Hex::decode(std::string_view("4\0", 2)).has_value());
  EXPECT_EQ(Hex::decode(Hex::encode(FromText("round trip"))), FromText("round trip"));
}

TEST(Base64Test, RFC4648VectorsRoundTrip) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
      {std::string("\xfb\xff\xbf", 3), "+/+/"},
  };
  for (const auto& [plain, encoded] : cases) {
    EXPECT_EQ(Base64::encode(plain), encoded);
    auto decoded = Base64::decode(encoded);
    ASSERT_TRUE(decoded.ok()) << encoded;
    EXPECT_EQ(std::string(decoded->begin(), decoded->end()), plain);
  }
  auto loose = Base64::decode("QR==");  // unused bits are ignored
  ASSERT_TRUE(loose.ok());
  EXPECT_EQ(std::string(loose->begin(), loose->end()), "A");
  // 32 bytes give 44 characters.
  EXPECT_EQ(Base64::encode(std::vector<std::uint8_t>(32, 7)).size(), 44u);
}

TEST(Base64Test, StrictDecodingRejects) {
  const char* bad[] = {
      "Zg",         // missing padding
      "Zg=",        // short padding
      "Zm9v\n",     // line break
      "Zm 9v",      // blank
      " Zm9v",      // leading blank
      "Zm9v====",   // a block of padding only
      "Z===",       // three pads
      "Zg==Zm9v",   // padding before the end
      "Z=g=",       // padding inside a block
      "Zm9-",       // URL-safe alphabet
      "Zm9_",
      "Zm9v\x80YmFy",  // non-ASCII
      "invalid base64!",
  };
  for (const char* text : bad) {
    auto r = Base64::decode(text);
    EXPECT_FALSE(r.ok()) << text;
    EXPECT_TRUE(r.status().IsInvalidArgument()) << text;
  }
}

TEST(SecureRandomTest, GivesRequestedCountAndVaries) {
  auto empty = platform::SecureRandom::bytes(0);
  ASSERT_TRUE(empty.ok());
  EXPECT_TRUE(empty->empty());
  std::set<std::string> seen;
  for (int i = 0; i < 8; ++i) {
    auto r = platform::SecureRandom::bytes(16);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r->size(), 16u);
    seen.emplace(r->begin(), r->end());
  }
  EXPECT_EQ(seen.size(), 8u);
}

}  // namespace
