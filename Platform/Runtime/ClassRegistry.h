// Classes looked up by name at run time. Optional add-ons register a factory
// under their class name; callers that find no entry switch the feature off.
#pragma once

#include <any>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Registered by the platform in the shared registry; instances are
// platform::UserActivity values.
inline constexpr const char* kUserActivityClassName = "NSUserActivity";

class ClassRegistry {
 public:
  using Factory = std::function<std::any()>;

  static ClassRegistry& shared();

  // Registers (or replaces) a class; an empty factory registers the name only.
  void registerClass(std::string name, Factory factory = {});
  void unregisterClass(std::string_view name);
  bool classExists(std::string_view name) const;
  // A new instance from the class's factory; none when the class or its factory is missing.
  std::optional<std::any> instantiate(std::string_view name) const;

  ClassRegistry();
  ~ClassRegistry();
  ClassRegistry(const ClassRegistry&) = delete;
  ClassRegistry& operator=(const ClassRegistry&) = delete;
  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace platform
