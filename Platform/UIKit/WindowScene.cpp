#include "Platform/UIKit/WindowScene.h"

#include "Platform/UIKit/Window.h"

namespace uikit {

std::vector<std::shared_ptr<Window>> WindowScene::windows() const {
  std::vector<std::shared_ptr<Window>> out;
  for (const auto& w : windows_) {
    if (auto s = w.lock()) out.push_back(s);
  }
  return out;
}

}  // namespace uikit
