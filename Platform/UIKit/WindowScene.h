// A scene that shows windows.
#pragma once

#include <memory>
#include <vector>

#include "Platform/UIKit/Scene.h"

namespace uikit {

class Window;

class WindowScene : public Scene {
 public:
  using Scene::Scene;
  // Windows made on this scene, live ones only.
  std::vector<std::shared_ptr<Window>> windows() const;
  void addWindow(const std::shared_ptr<Window>& window) { windows_.push_back(window); }

 private:
  std::vector<std::weak_ptr<Window>> windows_;
};

}  // namespace uikit
