#include "Platform/UIKit/Object.h"

#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <typeinfo>

namespace uikit {

std::string unqualifiedTypeName(const std::type_info& type) {
  int status = 0;
  char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
  std::string name = (status == 0 && demangled) ? demangled : type.name();
  std::free(demangled);
  // Drop template arguments' tail and namespaces: "a::b::C" -> "C".
  int depth = 0;
  std::size_t cut = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char ch = name[i];
    if (ch == '<') ++depth;
    if (ch == '>') --depth;
    if (depth == 0 && ch == ':' && i + 1 < name.size() && name[i + 1] == ':') cut = i + 2;
  }
  return name.substr(cut);
}

std::string Object::className() const { return unqualifiedTypeName(typeid(*this)); }

std::string Object::description() const {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%p", static_cast<const void*>(this));
  std::string text = "<";
  text.append(className()).append(": ").append(buf).append(">");
  return text;
}

void Object::setAssociatedObject(const std::string& key, std::any value) {
  if (!value.has_value()) {
    associated_.erase(key);
  } else {
    associated_[key] = std::move(value);
  }
}

const std::any* Object::associatedObject(const std::string& key) const {
  auto it = associated_.find(key);
  return it == associated_.end() ? nullptr : &it->second;
}

}  // namespace uikit
