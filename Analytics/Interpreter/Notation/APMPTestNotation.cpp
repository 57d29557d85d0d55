#include "Analytics/Interpreter/Notation/APMPTestNotation.h"

#include <cmath>
#include <limits>

#include "Platform/Foundation/JsonText.h"

namespace {

constexpr int kMaxNesting = 512;

bool parse(const nlohmann::json& j, APMPEntity* out, std::string* error, int depth);

bool numberFrom(const nlohmann::json& j, double* out) {
  if (j.is_number()) {
    *out = j.get<double>();
    return true;
  }
  if (j.is_string()) {
    const std::string& s = j.get_ref<const std::string&>();
    if (s == "NaN") *out = std::numeric_limits<double>::quiet_NaN();
    else if (s == "Infinity") *out = std::numeric_limits<double>::infinity();
    else if (s == "-Infinity") *out = -std::numeric_limits<double>::infinity();
    else return false;
    return true;
  }
  return false;
}

bool fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}

bool parseRaw(const nlohmann::json& j, APMPEntity* out, std::string* error, int depth) {
  if (!j.is_object()) return fail(error, "\"entity\" must be an object");
  if (j.contains("type")) {
    if (!j["type"].is_number_integer()) return fail(error, "entity type must be an integer");
    out->type = j["type"].get<int>();
  }
  if (j.contains("name")) {
    if (!j["name"].is_string()) return fail(error, "entity name must be a string");
    out->functionName = j["name"].get<std::string>();
  }
  if (j.contains("string")) {
    if (!j["string"].is_string()) return fail(error, "entity string must be a string");
    out->stringValue = j["string"].get<std::string>();
  }
  if (j.contains("bool")) {
    if (!j["bool"].is_boolean()) return fail(error, "entity bool must be a boolean");
    out->booleanValue = j["bool"].get<bool>();
  }
  if (j.contains("number")) {
    double d;
    if (!numberFrom(j["number"], &d)) return fail(error, "entity number must be a number");
    out->numberValue = d;
  }
  if (j.contains("args")) {
    if (!j["args"].is_array()) return fail(error, "entity args must be an array");
    for (const auto& a : j["args"]) {
      APMPEntity e;
      if (!parse(a, &e, error, depth + 1)) return false;
      out->arguments.push_back(std::move(e));
    }
  }
  return true;
}

bool parse(const nlohmann::json& j, APMPEntity* out, std::string* error, int depth) {
  if (depth > kMaxNesting) return fail(error, "program nested too deeply");
  if (j.is_string()) {
    *out = APMPEntity::string(j.get<std::string>());
    return true;
  }
  if (j.is_boolean()) {
    *out = APMPEntity::boolean(j.get<bool>());
    return true;
  }
  if (j.is_number()) {
    *out = APMPEntity::number(j.get<double>());
    return true;
  }
  if (j.is_array()) {
    if (j.empty() || !j[0].is_string()) return fail(error, "a statement is [\"name\", arguments...]");
    std::vector<APMPEntity> args;
    for (size_t i = 1; i < j.size(); ++i) {
      APMPEntity e;
      if (!parse(j[i], &e, error, depth + 1)) return false;
      args.push_back(std::move(e));
    }
    *out = APMPEntity::statement(j[0].get<std::string>(), std::move(args));
    return true;
  }
  if (j.is_object()) {
    if (j.size() == 1 && j.contains("number")) {
      double d;
      if (!numberFrom(j["number"], &d)) return fail(error, "bad \"number\"");
      *out = APMPEntity::number(d);
      return true;
    }
    if (j.size() == 1 && j.contains("var") && j["var"].is_string()) {
      *out = APMPEntity::statement("15", {APMPEntity::string(j["var"].get<std::string>())});
      return true;
    }
    if (j.size() == 1 && j.contains("entity")) {
      *out = APMPEntity();
      return parseRaw(j["entity"], out, error, depth);
    }
  }
  return fail(error, "unknown program notation: " + platform::JsonText::dump(j));
}

bool parseList(const nlohmann::json& j, std::vector<APMPEntity>* out, std::string* error) {
  if (!j.is_array()) return fail(error, "a statement list must be an array");
  for (const auto& s : j) {
    APMPEntity e;
    if (!parse(s, &e, error, 0)) return false;
    out->push_back(std::move(e));
  }
  return true;
}

}  // namespace

bool APMPTestNotation::parseEntity(const nlohmann::json& json, APMPEntity* out, std::string* error) {
  return parse(json, out, error, 0);
}

bool APMPTestNotation::parseProgram(const nlohmann::json& json, APMPProgram* out, std::string* error) {
  *out = APMPProgram();
  if (json.is_array()) return parseList(json, &out->instructions, error);
  if (!json.is_object()) return fail(error, "a program is an array or an object");
  if (json.contains("instructions") && !parseList(json["instructions"], &out->instructions, error)) return false;
  if (json.contains("activities")) {
    if (!json["activities"].is_array()) return fail(error, "\"activities\" must be an array");
    out->activities.emplace();
    for (const auto& a : json["activities"]) {
      if (!a.is_object()) return fail(error, "an activity is an object");
      APMPActivity activity;
      if (a.contains("name")) {
        if (!a["name"].is_string()) return fail(error, "activity name must be a string");
        activity.name = a["name"].get<std::string>();
      }
      if (a.contains("data") && !parseList(a["data"], &activity.data, error)) return false;
      out->activities->push_back(std::move(activity));
    }
  }
  return true;
}

bool APMPTestNotation::parseProgramText(const std::string& text, APMPProgram* out, std::string* error) {
  nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
  if (j.is_discarded()) return fail(error, "program is not valid JSON");
  return parseProgram(j, out, error);
}

APMPPlatformObject APMPTestNotation::objectFromJson(const nlohmann::json& j) {
  switch (j.type()) {
    case nlohmann::json::value_t::boolean: return APMPPlatformObject::boolean(j.get<bool>());
    case nlohmann::json::value_t::number_integer: return APMPPlatformObject::integer(j.get<int64_t>());
    case nlohmann::json::value_t::number_unsigned: {
      uint64_t u = j.get<uint64_t>();
      if (u > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
        return APMPPlatformObject::number(static_cast<double>(u));
      return APMPPlatformObject::integer(static_cast<int64_t>(u));
    }
    case nlohmann::json::value_t::number_float: return APMPPlatformObject::number(j.get<double>());
    case nlohmann::json::value_t::string: return APMPPlatformObject::string(j.get<std::string>());
    case nlohmann::json::value_t::array: {
      APMPPlatformObject::Array a;
      for (const auto& e : j) a.push_back(objectFromJson(e));
      return APMPPlatformObject::array(std::move(a));
    }
    case nlohmann::json::value_t::object: {
      APMPPlatformObject::Dictionary d;
      for (auto it = j.begin(); it != j.end(); ++it) {
        APMPPlatformObject o = objectFromJson(it.value());
        if (!o.isNil()) d[it.key()] = std::move(o);
      }
      return APMPPlatformObject::dictionary(std::move(d));
    }
    default: return APMPPlatformObject();
  }
}

nlohmann::json APMPTestNotation::jsonFromObject(const APMPPlatformObject& o) {
  switch (o.type()) {
    case APMPPlatformObject::Type::kNil: return nullptr;
    case APMPPlatformObject::Type::kBoolean: return o.boolValue();
    case APMPPlatformObject::Type::kInteger: return o.integerValue();
    case APMPPlatformObject::Type::kDouble: {
      double d = o.doubleValue();
      if (std::isnan(d)) return "NaN";
      if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
      return d;
    }
    case APMPPlatformObject::Type::kString: return o.stringValue();
    case APMPPlatformObject::Type::kArray: {
      nlohmann::json a = nlohmann::json::array();
      for (const auto& e : o.arrayValue()) a.push_back(jsonFromObject(e));
      return a;
    }
    case APMPPlatformObject::Type::kDictionary: {
      nlohmann::json d = nlohmann::json::object();
      for (const auto& [k, v] : o.dictionaryValue()) d[k] = jsonFromObject(v);
      return d;
    }
  }
  return nullptr;
}

nlohmann::json APMPTestNotation::jsonFromEvent(const APMPEvent& e) {
  nlohmann::json params = nlohmann::json::object();
  for (const auto& [k, v] : e.parameters()) params[k] = jsonFromObject(v);
  return {{"name", e.name()}, {"timestamp", e.timestamp()}, {"params", params}};
}

bool APMPTestNotation::parseEvents(const nlohmann::json& json, std::vector<APMPEvent>* out, std::string* error) {
  if (!json.is_array()) return fail(error, "events must be an array");
  for (const auto& e : json) {
    if (!e.is_object() || !e.contains("name") || !e["name"].is_string())
      return fail(error, "an event is {\"name\", \"timestamp\", \"params\"}");
    double timestamp = 0;
    if (e.contains("timestamp") && !numberFrom(e["timestamp"], &timestamp))
      return fail(error, "event timestamp must be a number");
    APMPPlatformObject::Dictionary params;
    if (e.contains("params")) {
      if (!e["params"].is_object()) return fail(error, "event params must be an object");
      params = objectFromJson(e["params"]).dictionaryValue();
    }
    out->emplace_back(e["name"].get<std::string>(), timestamp, std::move(params));
  }
  return true;
}

bool APMPTestNotation::parseEventsText(const std::string& text, std::vector<APMPEvent>* out, std::string* error) {
  nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
  if (j.is_discarded()) return fail(error, "events are not valid JSON");
  return parseEvents(j, out, error);
}
