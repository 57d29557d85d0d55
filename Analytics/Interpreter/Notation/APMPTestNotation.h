// The JSON notation of programs and events used by tests and apm-interp.
//
// Program entities: a JSON string, number or boolean is a literal (1 and 1.0
// are both numbers); an array ["op", args...] is a statement; objects are
// {"number": "NaN" | "Infinity" | "-Infinity" | n}, {"var": "name"} (a
// variable read), or {"entity": {"type", "name", "args", "string", "bool",
// "number"}} with any field left out. A program file is an array of
// instructions or {"instructions": [...], "activities": [{"name", "data"}]}.
//
// Events: [{"name": "...", "timestamp": n, "params": {...}}]; parameter
// integers stay integers, 1.0 is a floating-point number, arrays and
// dictionaries nest.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "Analytics/Interpreter/APMPEntity.h"
#include "Analytics/Interpreter/APMPEvent.h"

class APMPTestNotation {
 public:
  static bool parseEntity(const nlohmann::json& json, APMPEntity* out, std::string* error);
  static bool parseProgram(const nlohmann::json& json, APMPProgram* out, std::string* error);
  static bool parseProgramText(const std::string& text, APMPProgram* out, std::string* error);
  static bool parseEvents(const nlohmann::json& json, std::vector<APMPEvent>* out, std::string* error);
  static bool parseEventsText(const std::string& text, std::vector<APMPEvent>* out, std::string* error);

  static APMPPlatformObject objectFromJson(const nlohmann::json& json);
  static nlohmann::json jsonFromObject(const APMPPlatformObject& object);
  static nlohmann::json jsonFromEvent(const APMPEvent& event);
};
