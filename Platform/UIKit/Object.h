// Root of the toolkit's reference types: shared ownership, a runtime class
// name (the unqualified C++ type name) and per-object associated values, the
// way the screens attach small state to stock controls.
#pragma once

#include <any>
#include <map>
#include <memory>
#include <string>

namespace uikit {

class Object : public std::enable_shared_from_this<Object> {
 public:
  Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  virtual ~Object() = default;

  // Unqualified dynamic type name, e.g. "LoginVC" for a class in any namespace.
  std::string className() const;
  // A one-line description: "<ClassName: 0x...>" plus subclass details.
  virtual std::string description() const;

  // Associated values, keyed by text. An empty std::any removes the entry.
  void setAssociatedObject(const std::string& key, std::any value);
  const std::any* associatedObject(const std::string& key) const;
  template <typename T>
  const T* associated(const std::string& key) const {
    const std::any* v = associatedObject(key);
    return v ? std::any_cast<T>(v) : nullptr;
  }

  // shared_from_this() cast to the receiver's type; empty when the object is
  // not owned by a shared_ptr.
  template <typename T>
  std::shared_ptr<T> sharedAs() {
    std::weak_ptr<Object> w = weak_from_this();
    return std::dynamic_pointer_cast<T>(w.lock());
  }
  template <typename T>
  std::shared_ptr<const T> sharedAs() const {
    std::weak_ptr<const Object> w = weak_from_this();
    return std::dynamic_pointer_cast<const T>(w.lock());
  }

 private:
  std::map<std::string, std::any> associated_;
};

// Demangled, namespace-free name of a type.
std::string unqualifiedTypeName(const std::type_info& type);
template <typename T>
std::string typeNameOf() {
  return unqualifiedTypeName(typeid(T));
}

}  // namespace uikit
