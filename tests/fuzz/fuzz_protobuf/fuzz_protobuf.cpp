// Decodes arbitrary bytes as a measurement message; the first byte picks which
// of the 40 types. Whatever decodes must re-encode, decode again and
// re-encode to the same bytes, and copy cleanly.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Analytics/Protobuf/APMPBCodec.h"
#include "Platform/Foundation/Log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::LogCapture quiet;  // decode failures are expected; keep them off the console
  if (size == 0) return 0;
  const APMPBMessageDescriptor* const* all = APMPBAllMessageDescriptors();
  const size_t m = data[0] % kAPMPBMessageCount;
  ++data;
  --size;
  {
    APMPBMessageInfo info;
    APMPBInitMessageInfo(&info, *all[m]);
    if (!APMPBDecode(data, size, &info)) return 0;
    std::vector<uint8_t> first;
    if (APMPBEncode(&info, &first) < 0) __builtin_trap();
    std::unique_ptr<APMPBMessageInfo> copy;
    if (!APMPBCopyMessageInfo(&copy, &info)) __builtin_trap();
    APMPBMessageInfo again;
    APMPBInitMessageInfo(&again, *all[m]);
    if (!APMPBDecode(first.data(), first.size(), &again)) __builtin_trap();
    std::vector<uint8_t> second;
    if (APMPBEncode(&again, &second) < 0 || second != first) __builtin_trap();
    std::vector<uint8_t> copied;
    if (APMPBEncode(copy.get(), &copied) < 0 || copied != first) __builtin_trap();
  }
  return 0;
}
