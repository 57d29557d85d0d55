// The scene's delegate: life-cycle callbacks of one scene.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace uikit {

class Scene;
class SceneSession;
class Window;

struct SceneConnectionOptions {
  std::vector<std::string> urlContexts;
  std::map<std::string, std::string> notificationResponse;
};

class SceneDelegate {
 public:
  virtual ~SceneDelegate() = default;
  virtual void sceneWillConnectToSessionOptions(Scene& scene, SceneSession& session,
                                                const SceneConnectionOptions& options) {
    (void)scene, (void)session, (void)options;
  }
  virtual void sceneDidDisconnect(Scene& scene) { (void)scene; }
  virtual void sceneDidBecomeActive(Scene& scene) { (void)scene; }
  virtual void sceneWillResignActive(Scene& scene) { (void)scene; }
  virtual void sceneWillEnterForeground(Scene& scene) { (void)scene; }
  virtual void sceneDidEnterBackground(Scene& scene) { (void)scene; }
  // The window-scene delegate's window, when it keeps one.
  virtual std::shared_ptr<Window> window() const { return nullptr; }
};

}  // namespace uikit
