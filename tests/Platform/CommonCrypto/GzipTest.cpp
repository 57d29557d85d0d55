#include "Platform/CommonCrypto/Gzip.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>

#include "tests/Platform/CommonCrypto/CryptoTestUtil.h"

namespace {

using platform::Gzip;

std::vector<std::uint8_t> Sample(std::size_t n) {
  std::vector<std::uint8_t> out(n);
  std::uint32_t x = 12345;
  for (auto& b : out) {
    x = x * 1103515245 + 12345;
    b = static_cast<std::uint8_t>((x >> 16) % 7);  // compressible but not trivial
  }
  return out;
}

TEST(GzipTest, RoundTripsVariousSizes) {
  for (std::size_t n : {0u, 1u, 100u, 65536u, 65537u, 300000u}) {
    const auto data = Sample(n);
    auto packed = Gzip::compress(data);
    ASSERT_TRUE(packed.ok()) << n;
    ASSERT_GE(packed->size(), 18u);
    EXPECT_EQ((*packed)[0], 0x1f);
    EXPECT_EQ((*packed)[1], 0x8b);
    auto back = Gzip::inflate(*packed, n);
    ASSERT_TRUE(back.ok()) << n << " " << back.status().ToString();
    EXPECT_EQ(*back, data) << n;
  }
}

TEST(GzipTest, InflatesOutputOfTheStandardTool) {
  // "hello\n" compressed by gzip -n.
  const auto packed = cryptotest::FromHex("1f8b0800000000000003cb48cdc9c9e7020020303a3606000000");
  auto r = Gzip::inflate(packed, 1024);
  ASSERT_TRUE(r.ok()) << r.status().ToString();
  EXPECT_EQ(std::string(r->begin(), r->end()), "hello\n");
}

TEST(GzipTest, OutputCapIsEnforcedExactly) {
  const auto data = Sample(200000);
  auto packed = Gzip::compress(data);
  ASSERT_TRUE(packed.ok());
  EXPECT_TRUE(Gzip::inflate(*packed, data.size()).ok());
  EXPECT_TRUE(Gzip::inflate(*packed, SIZE_MAX).ok());  // no cap
  for (std::size_t cap : {data.size() - 1, std::size_t{1000}, std::size_t{0}}) {
    auto r = Gzip::inflate(*packed, cap);
    EXPECT_FALSE(r.ok()) << cap;
    EXPECT_TRUE(r.status().IsInvalidArgument()) << cap;
  }
  // A bomb: 16 MB of zeros is refused under a 1 MB cap.
  auto bomb = Gzip::compress(std::vector<std::uint8_t>(16u << 20, 0));
  ASSERT_TRUE(bomb.ok());
  EXPECT_LT(bomb->size(), 100000u);
  EXPECT_FALSE(Gzip::inflate(*bomb, 1u << 20).ok());
}

TEST(GzipTest, MalformedInputIsCorruption) {
  auto packed = Gzip::compress(Sample(5000));
  ASSERT_TRUE(packed.ok());
  auto truncated = *packed;
  truncated.resize(truncated.size() / 2);
  auto badCrc = *packed;
  badCrc.at(badCrc.size() - 6) ^= 0xFF;  // inside the CRC-32 trailer
  auto trailing = *packed;
  trailing.push_back(0);
  const std::vector<std::vector<std::uint8_t>> cases = {
      {}, cryptotest::FromText("not gzip at all"), truncated, badCrc, trailing,
      cryptotest::FromHex("789c4b4c4a0600024d0127"),  // zlib wrapper, not gzip
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    auto r = Gzip::inflate(cases[i], 1u << 20);
    EXPECT_FALSE(r.ok()) << i;
    EXPECT_TRUE(r.status().IsCorruption()) << i << ": " << r.status().ToString();
  }
}

// zlib allocations granted before the hook starts refusing them.
std::atomic<int> gAllocationsLeft{0};
bool RefuseWhenSpent() { return gAllocationsLeft.fetch_sub(1) <= 0; }

class RefusedAllocations {
 public:
  explicit RefusedAllocations(int granted) {
    gAllocationsLeft = granted;
    Gzip::setRefuseAllocationHookForTesting(RefuseWhenSpent);
  }
  ~RefusedAllocations() { Gzip::setRefuseAllocationHookForTesting(nullptr); }
  RefusedAllocations(const RefusedAllocations&) = delete;
  RefusedAllocations& operator=(const RefusedAllocations&) = delete;
};

TEST(GzipTest, MemoryShortageIsResourceExhaustedNotCorruption) {
  // Larger than one output chunk, so that inflate must keep its window.
  const auto data = Sample(300000);
  auto packed = Gzip::compress(data);
  ASSERT_TRUE(packed.ok());
  // 0: the stream state cannot be made; 1: the window, inside inflate itself.
  for (int granted : {0, 1}) {
    RefusedAllocations refused(granted);
    auto r = Gzip::inflate(*packed, 1u << 20);
    ASSERT_FALSE(r.ok()) << granted;
    EXPECT_EQ(r.status().code(), platform::Status::Code::kResourceExhausted)
        << granted << ": " << r.status().ToString();
  }
  {
    RefusedAllocations refused(0);
    auto r = Gzip::compress(Sample(10));
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.status().code(), platform::Status::Code::kResourceExhausted) << r.status().ToString();
  }
  // With memory back, the same input inflates.
  auto again = Gzip::inflate(*packed, 1u << 20);
  ASSERT_TRUE(again.ok()) << again.status().ToString();
  EXPECT_EQ(*again, data);
}

}  // namespace
