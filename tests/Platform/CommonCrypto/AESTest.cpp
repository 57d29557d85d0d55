#include "Platform/CommonCrypto/AES.h"

#include <gtest/gtest.h>

#include "Platform/CommonCrypto/Hex.h"
#include "tests/Platform/CommonCrypto/CryptoTestUtil.h"

namespace {

using platform::AES;
using platform::Hex;
using cryptotest::FromHex;

// NIST SP 800-38A, F.2.1 / F.2.5 (CBC-AES128 and CBC-AES256).
const auto kIV = FromHex("000102030405060708090a0b0c0d0e0f");
const auto kKey128 = FromHex("2b7e151628aed2a6abf7158809cf4f3c");
const auto kKey256 = FromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
const char* kPlain =
    "6bc1bee22e409f96e93d7e117393172a ae2d8a571e03ac9c9eb76fac45af8e51 "
    "30c81c46a35ce411e5fbc1191a0a52ef f69f2445df4f9b17ad2b417be66c3710";

struct Vector {
  const char* name;
  std::vector<std::uint8_t> key;
  const char* plain;
  const char* cipher;
};

const Vector kVectors[] = {
    {"aes128 one block", kKey128, "6bc1bee22e409f96e93d7e117393172a", "7649abac8119b246cee98e9b12e9197d"},
    {"aes128 32 bytes", kKey128, "6bc1bee22e409f96e93d7e117393172a ae2d8a571e03ac9c9eb76fac45af8e51",
     "7649abac8119b246cee98e9b12e9197d 5086cb9b507219ee95db113a917678b2"},
    {"aes128 64 bytes", kKey128, kPlain,
     "7649abac8119b246cee98e9b12e9197d 5086cb9b507219ee95db113a917678b2 "
     "73bed6b8e3c1743b7116e69e22229516 3ff1caa1681fac09120eca307586e1a7"},
    {"aes256 32 bytes", kKey256, "6bc1bee22e409f96e93d7e117393172a ae2d8a571e03ac9c9eb76fac45af8e51",
     "f58c4c04d6e5f1ba779eabfb5f7bfbd6 9cfc4e967edb808d679f777bc6702c7d"},
    {"aes256 64 bytes", kKey256, kPlain,
     "f58c4c04d6e5f1ba779eabfb5f7bfbd6 9cfc4e967edb808d679f777bc6702c7d "
     "39f23369a9d9bacfa530e26304231461 b2eb05e2c39be9fcda6c19078c6a9d1b"},
};

TEST(AESTest, PublishedVectorsWithoutPadding) {
  for (const auto& v : kVectors) {
    const auto plain = FromHex(v.plain);
    const auto cipher = FromHex(v.cipher);
    auto enc = AES::encryptCBC(v.key, kIV, plain, AES::Padding::kNone);
    ASSERT_TRUE(enc.ok()) << v.name << enc.status().ToString();
    EXPECT_EQ(Hex::encode(*enc), Hex::encode(cipher)) << v.name;
    auto dec = AES::decryptCBC(v.key, kIV, cipher, AES::Padding::kNone);
    ASSERT_TRUE(dec.ok()) << v.name;
    EXPECT_EQ(*dec, plain) << v.name;
  }
}

TEST(AESTest, PKCS7AddsAFullBlockToAlignedInputAndChainsIt) {
  const auto plain = FromHex(kPlain);
  for (const auto& key : {kKey128, kKey256}) {
    auto padded = AES::encryptCBC(key, kIV, plain, AES::Padding::kPKCS7);
    ASSERT_TRUE(padded.ok());
    ASSERT_EQ(padded->size(), 80u);
    auto unpadded = AES::encryptCBC(key, kIV, plain, AES::Padding::kNone);
    ASSERT_TRUE(unpadded.ok());
    // The first 64 bytes are the unpadded ciphertext; the last block is
    // sixteen 0x10 bytes chained on the previous ciphertext block.
    EXPECT_TRUE(std::equal(unpadded->begin(), unpadded->end(), padded->begin()));
    const std::vector<std::uint8_t> prev(padded->begin() + 48, padded->begin() + 64);
    auto last = AES::encryptCBC(key, prev, std::vector<std::uint8_t>(16, 0x10), AES::Padding::kNone);
    ASSERT_TRUE(last.ok());
    EXPECT_TRUE(std::equal(last->begin(), last->end(), padded->begin() + 64));

    auto back = AES::decryptCBC(key, kIV, *padded, AES::Padding::kPKCS7);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(*back, plain);
  }
}

TEST(AESTest, PKCS7RoundTripsEveryShortLength) {
  for (std::size_t n = 0; n <= 33; ++n) {
    std::vector<std::uint8_t> plain(n);
    for (std::size_t i = 0; i < n; ++i) plain[i] = static_cast<std::uint8_t>(i * 7 + 1);
    auto enc = AES::encryptCBC(kKey256, kIV, plain, AES::Padding::kPKCS7);
    ASSERT_TRUE(enc.ok()) << n;
    EXPECT_EQ(enc->size(), (n / 16 + 1) * 16) << n;
    auto dec = AES::decryptCBC(kKey256, kIV, *enc, AES::Padding::kPKCS7);
    ASSERT_TRUE(dec.ok()) << n;
    EXPECT_EQ(*dec, plain) << n;
  }
}

TEST(AESTest, BadPaddingIsAnError) {
  // Plaintext blocks whose tail is not valid PKCS#7, encrypted raw.
  const char* tails[] = {
      "00000000000000000000000000000000",  // pad byte 0
      "00000000000000000000000000000011",  // pad byte 17 > block
      "00000000000000000000000000000102",  // says 2, previous byte differs
      "0f0f0f0f0f0f0f0f0f0f0f0f0f0f0f10",  // says 16, first byte differs
  };
  for (const char* tail : tails) {
    auto enc = AES::encryptCBC(kKey128, kIV, FromHex(tail), AES::Padding::kNone);
    ASSERT_TRUE(enc.ok());
    auto dec = AES::decryptCBC(kKey128, kIV, *enc, AES::Padding::kPKCS7);
    EXPECT_FALSE(dec.ok()) << tail;
    EXPECT_TRUE(dec.status().IsCorruption()) << tail;
  }
}

TEST(AESTest, WrongLengthsAreErrorsNotOverreads) {
  const std::vector<std::uint8_t> block(16, 0xAB);
  struct Case {
    const char* name;
    std::vector<std::uint8_t> key, iv, input;
    AES::Padding padding;
    bool decrypt;
  };
  const Case cases[] = {
      {"short key", std::vector<std::uint8_t>(15), kIV, block, AES::Padding::kNone, false},
      {"24-byte key", std::vector<std::uint8_t>(24), kIV, block, AES::Padding::kNone, false},
      {"empty key", {}, kIV, block, AES::Padding::kPKCS7, true},
      {"long key", std::vector<std::uint8_t>(33), kIV, block, AES::Padding::kNone, true},
      {"short iv", kKey128, std::vector<std::uint8_t>(8), block, AES::Padding::kNone, false},
      {"empty iv", kKey128, {}, block, AES::Padding::kPKCS7, true},
      {"long iv", kKey128, std::vector<std::uint8_t>(17), block, AES::Padding::kNone, false},
      {"unaligned raw encrypt", kKey128, kIV, std::vector<std::uint8_t>(31), AES::Padding::kNone, false},
      {"unaligned raw decrypt", kKey128, kIV, std::vector<std::uint8_t>(17), AES::Padding::kNone, true},
      {"unaligned padded decrypt", kKey128, kIV, std::vector<std::uint8_t>(20), AES::Padding::kPKCS7, true},
      {"empty padded decrypt", kKey128, kIV, {}, AES::Padding::kPKCS7, true},
  };
  for (const auto& c : cases) {
    auto r = c.decrypt ? AES::decryptCBC(c.key, c.iv, c.input, c.padding)
                       : AES::encryptCBC(c.key, c.iv, c.input, c.padding);
    EXPECT_FALSE(r.ok()) << c.name;
    EXPECT_TRUE(r.status().IsInvalidArgument()) << c.name << ": " << r.status().ToString();
  }
}

TEST(AESTest, EmptyRawInputGivesEmptyOutput) {
  auto r = AES::encryptCBC(kKey128, kIV, {}, AES::Padding::kNone);
  ASSERT_TRUE(r.ok());
  EXPECT_TRUE(r->empty());
}

}  // namespace
