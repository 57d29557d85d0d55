#include "Platform/Foundation/JsonText.h"

#include <utility>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/Utf8.h"

namespace platform {

namespace {

template <class Json>
bool isWellFormed(const Json& j) {
  if (j.is_string()) return Utf8::isValid(j.template get_ref<const std::string&>());
  if (j.is_array()) {
    for (const auto& e : j) {
      if (!isWellFormed(e)) return false;
    }
  } else if (j.is_object()) {
    for (auto it = j.begin(); it != j.end(); ++it) {
      if (!Utf8::isValid(it.key()) || !isWellFormed(it.value())) return false;
    }
  }
  return true;
}

template <class Json>
Json repaired(const Json& j) {
  if (j.is_string()) return Json(Utf8::sanitize(j.template get_ref<const std::string&>()));
  if (j.is_array()) {
    Json out = Json::array();
    for (const auto& e : j) out.push_back(repaired(e));
    return out;
  }
  if (j.is_object()) {
    Json out = Json::object();
    for (auto it = j.begin(); it != j.end(); ++it) out[Utf8::sanitize(it.key())] = repaired(it.value());
    return out;
  }
  return j;
}

template <class Json>
std::string dumpRepaired(const Json& value, int indent) {
  // The common case is well-formed: check first, copy only when needed.
  if (isWellFormed(value)) return value.dump(indent);
  return repaired(value).dump(indent);
}

}  // namespace

std::string JsonText::dump(const nlohmann::json& value, int indent) { return dumpRepaired(value, indent); }

std::string JsonText::dump(const nlohmann::ordered_json& value, int indent) { return dumpRepaired(value, indent); }

}  // namespace platform
