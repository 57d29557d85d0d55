// Arbitrary Program bytes after a fixed prelude, then arbitrary events:
// nothing may crash, hang past the budget or trip a sanitizer.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "Analytics/Interpreter/APMPEventEditing.h"
#include "Analytics/Interpreter/Messages/APMPProgramMessageConverter.h"
#include "Analytics/Interpreter/Notation/APMPTestNotation.h"

namespace {

// Binds the natives and registers callbacks that call the global functions
// "edit" and "create" when the fuzzed program defines them.
const char* kPrelude = R"([
  ["41", "reg", "log", "edit", "create"],
  ["3", "reg", ["require", "internal.registerCallback"]],
  ["3", "log", ["require", "internal.eventLogger"]],
  ["reg", 0, ["51", "e", ["7", "ev"], ["36", ["39", {"var": "edit"}, ["edit", {"var": "ev"}], 0]]], ["8", "type", "edit"]],
  ["reg", 0, ["51", "c", ["7", "ev"], ["36", ["39", {"var": "create"}, ["create", {"var": "ev"}], 0]]], ["8", "type", "create"]]
])";

APMPPlatformObject parameterValue(FuzzedDataProvider& fdp, int depth) {
  switch (fdp.ConsumeIntegralInRange<int>(0, depth > 2 ? 3 : 5)) {
    case 0: return APMPPlatformObject::integer(fdp.ConsumeIntegral<int64_t>());
    case 1: return APMPPlatformObject::number(fdp.ConsumeFloatingPoint<double>());
    case 2: return APMPPlatformObject::string(fdp.ConsumeRandomLengthString(64));
    case 3: return APMPPlatformObject::boolean(fdp.ConsumeBool());
    case 4: {
      APMPPlatformObject::Array a;
      for (int n = fdp.ConsumeIntegralInRange<int>(0, 3); n > 0; --n) a.push_back(parameterValue(fdp, depth + 1));
      return APMPPlatformObject::array(std::move(a));
    }
    default: {
      APMPPlatformObject::Dictionary d;
      for (int n = fdp.ConsumeIntegralInRange<int>(0, 3); n > 0; --n)
        d[fdp.ConsumeRandomLengthString(8)] = parameterValue(fdp, depth + 1);
      return APMPPlatformObject::dictionary(std::move(d));
    }
  }
}

}  // namespace

// Input: a two-byte little-endian length, that many bytes of a Program
// message, then the bytes that make the events.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t length = std::min<size_t>(data[0] | (data[1] << 8), size - 2);
  std::vector<uint8_t> programBytes(data + 2, data + 2 + length);
  FuzzedDataProvider fdp(data + 2 + length, size - 2 - length);
  auto message = APMPBProgram::initWithBuffer(programBytes);
  if (!message) return 0;
  APMPProgram fuzzed;
  APMPError error;
  if (!APMPProgramMessageConverter::programFromMessage(*message, &fuzzed, &error)) return 0;

  APMPProgram program;
  std::string parseError;
  if (!APMPTestNotation::parseProgramText(kPrelude, &program, &parseError)) __builtin_trap();
  program.instructions.insert(program.instructions.end(), fuzzed.instructions.begin(), fuzzed.instructions.end());
  program.activities = fuzzed.activities;

  APMPEventEditing editing;
  editing.loadProgram(program, &error);
  for (int i = fdp.ConsumeIntegralInRange<int>(1, 3); i > 0; --i) {
    APMPPlatformObject::Dictionary params;
    for (int n = fdp.ConsumeIntegralInRange<int>(0, 6); n > 0; --n)
      params[fdp.ConsumeRandomLengthString(12)] = parameterValue(fdp, 0);
    APMPEvent event(fdp.ConsumeRandomLengthString(16), fdp.ConsumeFloatingPoint<double>(), std::move(params));
    error = APMPError();
    editing.handleEvent(event, &error);
  }
  return 0;
}
