// A connected scene with its session, delegate and activation state.
#pragma once

#include <memory>
#include <vector>

#include "Platform/UIKit/Object.h"
#include "Platform/UIKit/SceneDelegate.h"
#include "Platform/UIKit/SceneSession.h"

namespace uikit {

enum class SceneActivationState { kUnattached, kForegroundActive, kForegroundInactive, kBackground };

class Scene : public Object {
 public:
  explicit Scene(std::shared_ptr<SceneSession> session) : session_(std::move(session)) {}

  const std::shared_ptr<SceneSession>& session() const { return session_; }
  std::shared_ptr<SceneDelegate> delegate() const { return delegate_; }
  void setDelegate(std::shared_ptr<SceneDelegate> d) { delegate_ = std::move(d); }
  SceneActivationState activationState() const { return state_; }
  void setActivationState(SceneActivationState s) { state_ = s; }

 private:
  std::shared_ptr<SceneSession> session_;
  std::shared_ptr<SceneDelegate> delegate_;  // the scene keeps its delegate
  SceneActivationState state_ = SceneActivationState::kUnattached;
};

}  // namespace uikit
