// Untrusted text and bytes through the platform's parsers: URL text, Base64,
// gzip and padded AES. None may crash, and what parses must be consistent.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>
#include <vector>

#include "Platform/CommonCrypto/AES.h"
#include "Platform/CommonCrypto/Base64.h"
#include "Platform/CommonCrypto/Gzip.h"
#include "Platform/Foundation/URL.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::span<const std::uint8_t> bytes(data, size);

  if (auto url = platform::URL::fromString(text)) {
    Check(url->absoluteString() == text);
    (void)url->path();
    (void)url->lastPathComponent();
    auto appended = url->appendingPathComponent(text);
    Check(platform::URL::fromString(appended.absoluteString()).has_value());
  }
  (void)platform::URL::removingPercentEncoding(text);

  if (auto decoded = platform::Base64::decode(text); decoded.ok()) {
    auto again = platform::Base64::decode(platform::Base64::encode(*decoded));
    Check(again.ok() && *again == *decoded);
  }

  constexpr std::size_t kCap = 1 << 20;
  if (auto inflated = platform::Gzip::inflate(bytes, kCap); inflated.ok()) Check(inflated->size() <= kCap);
  if (size < 4096) {
    auto packed = platform::Gzip::compress(bytes);
    Check(packed.ok());
    auto back = platform::Gzip::inflate(*packed, size);
    Check(back.ok() && std::equal(back->begin(), back->end(), bytes.begin(), bytes.end()));
  }

  static const std::vector<std::uint8_t> kKey(16, 0x2b), kIV(16, 0);
  if (auto plain = platform::AES::decryptCBC(kKey, kIV, bytes, platform::AES::Padding::kPKCS7); plain.ok()) {
    Check(plain->size() < size);
  }
  return 0;
}
