// A scene's session: its role and persistent identifier.
#pragma once

#include <string>

#include "Platform/UIKit/Object.h"
#include "Platform/UIKit/SceneConfiguration.h"

namespace uikit {

class SceneSession : public Object {
 public:
  SceneSession(std::string identifier, std::string role) : identifier_(std::move(identifier)), role_(std::move(role)) {}
  const std::string& persistentIdentifier() const { return identifier_; }
  const std::string& role() const { return role_; }
  const SceneConfiguration& configuration() const { return configuration_; }
  void setConfiguration(SceneConfiguration c) { configuration_ = std::move(c); }

 private:
  std::string identifier_;
  std::string role_;
  SceneConfiguration configuration_;
};

}  // namespace uikit
