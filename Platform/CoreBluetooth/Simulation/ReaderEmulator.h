// The reader's side of a punch: takes the value written to it, strips the
// CR/LF framing, Base64-decodes, AES-128-CBC decrypts with the key and IV the
// reader holds, and checks the frame's layout, LRC, tag and floors.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Platform/CoreBluetooth/CBTypes.h"
#include "Platform/Foundation/Value.h"

namespace corebluetooth {

class ReaderEmulator {
 public:
  struct Punch {
    std::int32_t tag = 0;
    std::uint8_t destination = 0;
    std::uint8_t boarding = 0;
    std::uint8_t selected = 0;
  };
  struct Verdict {
    bool accepted = false;
    std::string reason;  // why it was refused
    bool framed = false;
    bool decoded = false;  // the frame's layout held, so punch is read
    Punch punch;
    platform::Bytes plain;
  };

  // keyHex: the 32 hex digits the reader decrypts with; ivBytes: manufacturer
  // bytes 2 and 3 of its own advertisement.
  ReaderEmulator(std::string keyHex, std::uint8_t iv0, std::uint8_t iv1, bool expectFraming);

  // Optional expectations checked on every frame.
  void expect(Punch punch) { expected_ = punch; }
  // Tags this reader opens for; any other tag is refused. Without a list
  // every tag is let in.
  void allowTags(std::vector<std::int64_t> tags) { allowed_ = std::move(tags); }
  // The key later frames are decrypted with (a reader that follows the
  // engine's key as it changes).
  void setKeyHex(std::string keyHex) { keyHex_ = std::move(keyHex); }

  Verdict receive(const platform::Bytes& written);
  const std::vector<Verdict>& received() const { return received_; }
  int acceptedCount() const;

  // Hooks the emulator into a radio script: refuses nothing at the link
  // level, records verdicts.
  std::function<CBErrorOpt(const std::string&, const platform::Bytes&)> writeHandler();

 private:
  std::string keyHex_;
  std::uint8_t iv0_, iv1_;
  bool expectFraming_;
  std::optional<Punch> expected_;
  std::optional<std::vector<std::int64_t>> allowed_;
  std::vector<Verdict> received_;
};

}  // namespace corebluetooth
