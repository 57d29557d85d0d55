#include "Facility/Network/HUJsonDecoder.h"

#include "Platform/Foundation/ISO8601DateFormatter.h"

HUJsonDecoder HUJsonDecoder::iso8601() {
  return HUJsonDecoder([](std::string_view text) { return platform::ISO8601DateFormatter::dateFromString(text); });
}
