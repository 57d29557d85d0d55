// The configuration a scene connects with: a name, a role and the factory
// of its delegate (what the application's manifest names by class).
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace uikit {

class SceneDelegate;

inline constexpr const char* kWindowSceneSessionRoleApplication = "UIWindowSceneSessionRoleApplication";

class SceneConfiguration {
 public:
  using DelegateFactory = std::function<std::shared_ptr<SceneDelegate>()>;

  SceneConfiguration() = default;
  SceneConfiguration(std::string name, std::string role) : name_(std::move(name)), role_(std::move(role)) {}

  const std::string& name() const { return name_; }
  const std::string& role() const { return role_; }
  // Overrides the manifest's factory for this configuration.
  void setDelegateFactory(DelegateFactory f) { factory_ = std::move(f); }
  const DelegateFactory& delegateFactory() const { return factory_; }

 private:
  std::string name_;
  std::string role_;
  DelegateFactory factory_;
};

}  // namespace uikit
