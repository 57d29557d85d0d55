#include "Facility/Storage/LocalStorage.h"

#include "Facility/Storage/SessionActions.h"
#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/TabBarController.h"
#include "Platform/UIKit/Window.h"

std::shared_ptr<SessionActions> LocalStorage::currentSession() {
  const auto& scenes = uikit::Application::shared().connectedScenes();
  if (scenes.empty()) return nullptr;
  return std::dynamic_pointer_cast<SessionActions>(scenes.front()->delegate());
}

uikit::ViewControllerPtr LocalStorage::topViewController(const uikit::ViewControllerPtr& start) {
  if (!start) return nullptr;
  if (auto nav = std::dynamic_pointer_cast<uikit::NavigationController>(start)) {
    return topViewController(nav->visibleViewController());
  }
  if (auto tab = std::dynamic_pointer_cast<uikit::TabBarController>(start)) {
    if (auto selected = tab->selectedViewController()) return topViewController(selected);
  }
  if (auto presented = start->presentedViewController()) return topViewController(presented);
  return start;
}

uikit::ViewControllerPtr LocalStorage::topViewControllerOfSceneWindow() {
  const auto& scenes = uikit::Application::shared().connectedScenes();
  auto delegate = scenes.empty() ? nullptr : scenes.front()->delegate();
  if (!delegate || !std::dynamic_pointer_cast<SessionActions>(delegate) || !delegate->window()) return nullptr;
  return topViewController(delegate->window()->rootViewController());
}

void LocalStorage::observeDidBecomeActive(std::function<void(const platform::Notification&)> callback) {
  platform::NotificationCenter::defaultCenter().addObserver(uikit::kApplicationDidBecomeActiveNotification,
                                                            std::move(callback));
}
