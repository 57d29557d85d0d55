#include "StateSeeder.h"

#include "Facility/Storage/CoreDataManager.h"
#include "Facility/Storage/KeychainHelper.h"
#include "Facility/Storage/LoginEntity.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Foundation/Value.h"

using nlohmann::json;

platform::Status StateSeeder::check(const json& state) {
  if (!state.is_object()) return platform::Status::InvalidArgument("state must be an object");
  for (const auto& [part, value] : state.items()) {
    if (part != "defaults" && part != "logins" && part != "keychain")
      return platform::Status::InvalidArgument("unknown state part \"" + part + "\"");
  }
  if (state.contains("defaults") && !state["defaults"].is_object())
    return platform::Status::InvalidArgument("defaults must be an object");
  if (state.contains("keychain")) {
    if (!state["keychain"].is_object()) return platform::Status::InvalidArgument("keychain must be an object");
    for (const auto& [key, value] : state["keychain"].items()) {
      if (!value.is_string()) return platform::Status::InvalidArgument("keychain item " + key + " must be text");
    }
  }
  if (state.contains("logins")) {
    if (!state["logins"].is_array()) return platform::Status::InvalidArgument("logins must be a list");
    for (const json& login : state["logins"]) {
      if (!login.is_object()) return platform::Status::InvalidArgument("each login must be an object");
      LoginEntity probe;
      for (const auto& [name, value] : login.items()) {
        if (!probe.setValueForKey(name, platform::Value::fromJson(value)))
          return platform::Status::InvalidArgument("login attribute " + name + " is unknown or of the wrong type");
      }
    }
  }
  return platform::Status::OK();
}

platform::Status StateSeeder::seed(const json& state) {
  if (platform::Status checked = check(state); !checked.ok()) return checked;
  auto& defaults = platform::UserDefaults::standard();
  const json stored = state.value("defaults", json::object());
  for (const auto& [key, value] : stored.items()) {
    if (platform::Status stored = defaults.setObject(platform::Value::fromJson(value), key); !stored.ok())
      return stored;
  }
  const json keychain = state.value("keychain", json::object());
  for (const auto& [key, value] : keychain.items()) {
    KeychainHelper::shared().save(value.get<std::string>(), key);
  }
  const json logins = state.value("logins", json::array());
  if (!logins.empty()) {
    for (const json& login : logins) {
      LoginEntity::insertFromDictionary(*platform::Value::fromJson(login).getDictionary());
    }
    if (platform::Status saved = CoreDataManager::shared().mainManagedObjectContext().save(); !saved.ok())
      return saved;
  }
  return platform::Status::OK();
}
