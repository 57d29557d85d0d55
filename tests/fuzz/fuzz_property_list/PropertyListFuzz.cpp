// Untrusted bytes through the property-list and JSON readers. Nothing may
// crash; whatever reads must write again, and writing is stable.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "Platform/Foundation/PropertyList.h"
#include "Platform/Foundation/Value.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  if (auto value = platform::PropertyList::read(text); value.ok()) {
    auto xml = platform::PropertyList::writeXml(*value);
    if (xml.ok()) {
      auto again = platform::PropertyList::read(*xml);
      Check(again.ok());
      auto xml2 = platform::PropertyList::writeXml(*again);
      Check(xml2.ok() && *xml2 == *xml);
    }
    (void)value->description();
  }

  if (auto value = platform::Value::parseJson(text); value.ok()) {
    if (auto json = value->toJsonString(); json.ok()) {
      auto again = platform::Value::parseJson(*json);
      Check(again.ok() && *again == *value);
    }
  }
  return 0;
}
