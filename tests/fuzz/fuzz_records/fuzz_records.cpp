// Fuzzes the generic record decoder over every decodable record. The first
// byte picks the record, the rest is the reply. Beyond not crashing, a reply
// that decodes must decode again, to the same record, from its own wire form.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "Facility/Models/RecordEncoder.h"
#include "Facility/Models/RecordRegistry.h"

namespace {

void stripLocals(nlohmann::ordered_json& v) {
  if (v.is_object()) {
    v.erase(wire::RecordEncoder::kLocalKey);
    for (auto& [key, child] : v.items()) stripLocals(child);
  } else if (v.is_array()) {
    for (auto& child : v) stripLocals(child);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const auto& records = wire::RecordRegistry::decodable();
  const wire::RecordEntry& entry = records[data[0] % records.size()];
  const std::string_view reply(reinterpret_cast<const char*>(data + 1), size - 1);

  auto first = entry.decodeDescribed(reply);
  if (!first.ok()) {
    if (first.status().message().empty()) std::abort();  // failures always say why
    return 0;
  }
  nlohmann::ordered_json wireForm = *first;
  stripLocals(wireForm);
  const std::string encoded = wireForm.dump();
  auto second = entry.decodeDescribed(encoded);
  if (!second.ok() || *second != *first) {
    std::fprintf(stderr, "%.*s: wire form does not decode back\n%s\n",
                 static_cast<int>(entry.name.size()), entry.name.data(), encoded.c_str());
    std::abort();
  }
  return 0;
}
