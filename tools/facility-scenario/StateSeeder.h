// Seeds the current data root from a scenario's state.json:
//
//   {"defaults": {"<key>": value, …},   stored with the value's JSON type
//                                       (text, integer, number, true/false,
//                                       list, object)
//    "logins":   [{"<attribute>": value, …}, …]   LoginEntity records
//    "keychain": {"<key>": "<text>", …}}
//
// Every part is optional; an unknown part, attribute or a value of the wrong
// type is refused with the reason before anything is stored.
#pragma once

#include <nlohmann/json.hpp>

#include "Platform/Foundation/Status.h"

class StateSeeder {
 public:
  static platform::Status seed(const nlohmann::json& state);

 private:
  static platform::Status check(const nlohmann::json& state);
};
