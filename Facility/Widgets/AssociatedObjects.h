// Values attached to an object under a key, living as long as the object.
// Entries of objects that are gone are dropped on the next access. Main
// thread only, like the views they decorate.
#pragma once

#include <any>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

class AssociatedObjects {
 public:
  static void set(const std::shared_ptr<const void>& object, const std::string& key, std::any value);
  static void remove(const std::shared_ptr<const void>& object, const std::string& key);
  static const std::any* get(const std::shared_ptr<const void>& object, const std::string& key);

  template <class T>
  static std::optional<T> value(const std::shared_ptr<const void>& object, const std::string& key) {
    const std::any* v = get(object, key);
    if (!v) return std::nullopt;
    if (const T* t = std::any_cast<T>(v)) return *t;
    return std::nullopt;
  }

 private:
  struct Entry {
    std::weak_ptr<const void> owner;
    std::map<std::string, std::any> values;
  };
  static std::map<const void*, Entry>& table();
  static Entry* entry(const std::shared_ptr<const void>& object, bool create);
};
