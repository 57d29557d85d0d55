#include "Facility/Widgets/AssociatedObjects.h"

std::map<const void*, AssociatedObjects::Entry>& AssociatedObjects::table() {
  static auto* t = new std::map<const void*, Entry>();
  return *t;
}

AssociatedObjects::Entry* AssociatedObjects::entry(const std::shared_ptr<const void>& object, bool create) {
  if (!object) return nullptr;
  auto& t = table();
  for (auto it = t.begin(); it != t.end();) {
    it = it->second.owner.expired() ? t.erase(it) : std::next(it);
  }
  auto it = t.find(object.get());
  if (it == t.end()) {
    if (!create) return nullptr;
    it = t.emplace(object.get(), Entry{object, {}}).first;
  }
  return &it->second;
}

void AssociatedObjects::set(const std::shared_ptr<const void>& object, const std::string& key, std::any value) {
  if (Entry* e = entry(object, true)) e->values[key] = std::move(value);
}

void AssociatedObjects::remove(const std::shared_ptr<const void>& object, const std::string& key) {
  if (Entry* e = entry(object, false)) e->values.erase(key);
}

const std::any* AssociatedObjects::get(const std::shared_ptr<const void>& object, const std::string& key) {
  Entry* e = entry(object, false);
  if (!e) return nullptr;
  auto it = e->values.find(key);
  return it == e->values.end() ? nullptr : &it->second;
}
