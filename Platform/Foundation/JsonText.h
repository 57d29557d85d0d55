// JSON text of a nlohmann value that never throws. Texts and keys may hold
// raw bytes (stored records, logs, program data); the library's strict writer
// throws on bytes that are not UTF-8, and its lenient one folds a truncated
// sequence into one U+FFFD. Here, as everywhere else, each ill-formed byte
// becomes U+FFFD (Utf8::sanitize); well-formed text is written unchanged.
#pragma once

#include <string>

#include <nlohmann/json_fwd.hpp>

namespace platform {

class JsonText {
 public:
  // Compact when indent < 0, else pretty with that many spaces per level.
  static std::string dump(const nlohmann::json& value, int indent = -1);
  static std::string dump(const nlohmann::ordered_json& value, int indent = -1);
};

}  // namespace platform
