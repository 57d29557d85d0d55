#include "tools/demo/DemoAir.h"

namespace demo {

nlohmann::json DemoAir::scenario(const std::string& engineKey, const std::vector<std::string>& tags,
                                 const std::string& verdictFile) {
  // Manufacturer data: company 4c00, IV bytes 2-3 (non-zero, so the engine
  // key is used), byte 5 the reader family, high nibble of byte 6 the flag.
  auto reader = [&](const char* id, const char* name, const char* data, int rssi) {
    return nlohmann::json{{"id", id},          {"localName", name}, {"manufacturerData", data},
                          {"key", engineKey},  {"access", tags},    {"rssi", rssi},
                          {"from", 0.0},       {"every", 1.0},      {"until", static_cast<double>(kAdvertSeconds)}};
  };
  return nlohmann::json{{"verdictFile", verdictFile},
                        {"readers",
                         {reader("MAIN-ENTRANCE", "Main Entrance", "4c00 5a3c 0007 10", -52),
                          reader("LIFT-LOBBY", "Lift Lobby", "4c00 6b4d 0001 10", -63)}}};
}

}  // namespace demo
