#include "Platform/CoreBluetooth/Simulation/ReaderEmulator.h"

#include <algorithm>

#include "Platform/CommonCrypto/AES.h"
#include "Platform/CommonCrypto/Base64.h"
#include "Platform/CommonCrypto/Hex.h"

namespace corebluetooth {
namespace {

// The first 32 digits are the AES-128 key; anything after them is unused.
std::optional<platform::Bytes> KeyBytes(const std::string& hex) {
  if (hex.size() < 32) return std::nullopt;
  return platform::Hex::decode(std::string_view(hex).substr(0, 32));
}

}  // namespace

ReaderEmulator::ReaderEmulator(std::string keyHex, std::uint8_t iv0, std::uint8_t iv1, bool expectFraming)
    : keyHex_(std::move(keyHex)), iv0_(iv0), iv1_(iv1), expectFraming_(expectFraming) {}

int ReaderEmulator::acceptedCount() const {
  int n = 0;
  for (auto& v : received_) n += v.accepted ? 1 : 0;
  return n;
}

ReaderEmulator::Verdict ReaderEmulator::receive(const platform::Bytes& written) {
  Verdict v;
  auto refuse = [&](std::string why) {
    v.reason = std::move(why);
    received_.push_back(v);
    return v;
  };
  std::string text(written.begin(), written.end());
  v.framed = text.size() >= 4 && text.compare(0, 2, "\r\n") == 0 && text.compare(text.size() - 2, 2, "\r\n") == 0;
  if (v.framed) text = text.substr(2, text.size() - 4);
  if (v.framed != expectFraming_) return refuse(expectFraming_ ? "missing CR/LF framing" : "unexpected framing");
  auto cipher = platform::Base64::decode(text);
  if (!cipher.ok()) return refuse("not Base64");
  if (cipher->size() != 32) return refuse("ciphertext is not 32 bytes");
  auto key = KeyBytes(keyHex_);
  if (!key) return refuse("reader key unusable");
  std::uint8_t iv[16] = {iv0_, iv1_};
  auto plain = platform::AES::decryptCBC(*key, iv, *cipher, platform::AES::Padding::kNone);
  if (!plain.ok()) return refuse("decryption failed");
  const platform::Bytes& f = *plain;
  v.plain = f;
  const std::uint8_t head[] = {0xAA, 0x13, 0x00, 0x01, 0x01, 0x01, 0xB0, 0x01, 0x07, 0x00};
  for (int i = 0; i < 10; ++i)
    if (f[i] != head[i]) return refuse("bad header");
  if (f[18] != 0xBB) return refuse("bad end byte");
  for (int i = 19; i < 32; ++i)
    if (f[i] != 0) return refuse("bad padding");
  std::uint8_t lrc = 0;
  for (int i = 0; i < 17; ++i) lrc ^= f[i];
  if (lrc != f[17]) return refuse("bad LRC");
  v.punch.tag = static_cast<std::int32_t>(static_cast<std::uint32_t>(f[10]) | (static_cast<std::uint32_t>(f[11]) << 8) |
                                          (static_cast<std::uint32_t>(f[12]) << 16) |
                                          (static_cast<std::uint32_t>(f[13]) << 24));
  v.punch.destination = f[14];
  v.punch.boarding = f[15];
  v.punch.selected = f[16];
  v.decoded = true;
  if (allowed_ && std::find(allowed_->begin(), allowed_->end(), v.punch.tag) == allowed_->end())
    return refuse("tag not on the access list");
  if (expected_) {
    if (v.punch.tag != expected_->tag) return refuse("wrong tag");
    if (v.punch.destination != expected_->destination || v.punch.boarding != expected_->boarding ||
        v.punch.selected != expected_->selected)
      return refuse("wrong floors");
  }
  v.accepted = true;
  received_.push_back(v);
  return v;
}

std::function<CBErrorOpt(const std::string&, const platform::Bytes&)> ReaderEmulator::writeHandler() {
  return [this](const std::string&, const platform::Bytes& value) -> CBErrorOpt {
    receive(value);
    return std::nullopt;
  };
}

}  // namespace corebluetooth
