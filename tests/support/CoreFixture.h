// A fresh app world per test: temporary data root, no application, no
// scenes, empty run loop, placeholder storyboards, reachable network.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "Facility/App/AppDelegate.h"
#include "Facility/App/AppServices.h"
#include "Facility/Storage/CoreDataManager.h"
#include "Facility/Storage/LocalStorage.h"
#include "Facility/Network/NetworkReachability.h"
#include "Facility/Screens/PlaceholderScreen.h"
#include "Facility/Screens/ScreenRegistry.h"
#include "Facility/App/SceneDelegate.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/UIKit/AlertController.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/Network/NetworkReachabilityManager.h"
#include "Platform/QuorvaneMessaging/QRVMessaging.h"
#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/Nib.h"
#include "Platform/UIKit/Storyboard.h"
#include "Platform/UIKit/Window.h"
#include "Platform/UserNotifications/UNUserNotificationCenter.h"

class CoreFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::make_unique<platform::TemporaryDataRoot>();
    resetWorld();
  }
  void TearDown() override {
    platform::RunLoop::main().removeAllPending();
    resetWorld();
    root_.reset();
  }
  void resetWorld() {
    CoreDataManager::resetShared();
    uikit::Application::resetShared();
    uikit::Storyboard::resetRegistry();
    ScreenRegistry::registerAll();
    NetworkReachability::shared().reset();
    platform::NetworkReachabilityManager::setFactory(nullptr);
    platform::UNUserNotificationCenter::current().reset();
    platform::QRVMessaging::messaging().reset();
    AppServices::current() = std::make_shared<AppServices>();
  }
  // Connects one scene with our scene delegate (no launch sequence).
  std::shared_ptr<SceneDelegate> connectScene() {
    auto& app = uikit::Application::shared();
    app.registerSceneConfiguration(AppDelegate::kSceneConfigurationName,
                                   [] { return std::make_shared<SceneDelegate>(); });
    app.setDelegate(std::make_shared<AppDelegate>());
    app.connectScene();
    pump();
    return LocalStorage::currentSceneDelegate();
  }
  static void pump() { platform::RunLoop::main().runUntilIdle(); }
  static bool pumpUntil(const std::function<bool()>& done, double seconds = 10) {
    return platform::RunLoop::main().runUntil(done, seconds);
  }
  static std::string rootScreenName() {
    auto d = LocalStorage::currentSceneDelegate();
    if (!d || !d->window() || !d->window()->rootViewController()) return "";
    auto top = LocalStorage::topViewController(d->window()->rootViewController());
    // The real screens start their requests at once; with no server here
    // their failure alerts sit on top of the screen the start-up chose.
    while (std::dynamic_pointer_cast<uikit::AlertController>(top) && top->presentingViewController()) {
      top = top->presentingViewController();
      if (auto nav = std::dynamic_pointer_cast<uikit::NavigationController>(top)) top = nav->topViewController();
    }
    if (auto p = std::dynamic_pointer_cast<PlaceholderScreen>(top)) return p->screenName();
    return top ? top->className() : "";
  }
  std::unique_ptr<platform::TemporaryDataRoot> root_;
};
