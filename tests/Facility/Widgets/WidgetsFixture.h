// A manual clock on the main run loop and a connected scene whose delegate
// is the app's, with a key window showing a given root screen.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "Facility/App/SceneDelegate.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/PKHUD.h"
#include "Platform/UIKit/View.h"
#include "Platform/UIKit/ViewController.h"
#include "Platform/UIKit/Window.h"

namespace widgets_test {

// Runs a block of a test on another phone and puts the previous one back.
class ScopedDeviceProfile {
 public:
  explicit ScopedDeviceProfile(const uikit::DeviceProfile& profile) : previous_(uikit::Device::current()) {
    uikit::Device::setCurrent(profile);
  }
  ~ScopedDeviceProfile() { uikit::Device::setCurrent(previous_); }
  ScopedDeviceProfile(const ScopedDeviceProfile&) = delete;
  ScopedDeviceProfile& operator=(const ScopedDeviceProfile&) = delete;

 private:
  uikit::DeviceProfile previous_;
};

// The app's scene delegate without its start-up work.
class QuietSceneDelegate : public SceneDelegate {
 public:
  void sceneWillConnectToSessionOptions(uikit::Scene&, uikit::SceneSession&,
                                        const uikit::SceneConnectionOptions&) override {}
  void sceneDidBecomeActive(uikit::Scene&) override {}
  void sceneWillEnterForeground(uikit::Scene&) override {}
  void sceneWillResignActive(uikit::Scene&) override {}
  void sceneDidEnterBackground(uikit::Scene&) override {}
  void sceneDidDisconnect(uikit::Scene&) override {}
};

class WidgetsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    previousClock_ = platform::Clock::currentShared();
    clock = std::make_shared<platform::ManualClock>();
    platform::Clock::setCurrent(clock);
    platform::RunLoop::main().removeAllPending();
    uikit::Application::resetShared();
    uikit::PKHUD::resetShared();
    uikit::View::setAnimationsEnabled(true);
    uikit::Application::shared().registerSceneConfiguration(
        "Default Configuration", [] { return std::make_shared<QuietSceneDelegate>(); });
    auto scene = uikit::Application::shared().connectScene();
    scene_delegate = std::dynamic_pointer_cast<SceneDelegate>(scene->delegate());
    ASSERT_TRUE(scene_delegate);
  }

  void TearDown() override {
    window.reset();
    if (scene_delegate) scene_delegate->setWindow(nullptr);
    platform::RunLoop::main().removeAllPending();
    uikit::Application::resetShared();
    uikit::PKHUD::resetShared();
    platform::RunLoop::main().removeAllPending();
    platform::Clock::setCurrent(previousClock_);
  }

  std::shared_ptr<uikit::Window> show(const uikit::ViewControllerPtr& root) {
    window = std::make_shared<uikit::Window>();
    window->setRootViewController(root);
    window->makeKeyAndVisible();
    scene_delegate->setWindow(window);
    window->layoutIfNeeded();
    return window;
  }

  void runFor(double seconds) { ASSERT_TRUE(clock->runFor(seconds)); }
  void runUntilIdle() { ASSERT_TRUE(clock->runUntilIdle()); }

  std::shared_ptr<platform::ManualClock> clock;
  std::shared_ptr<uikit::Window> window;
  std::shared_ptr<SceneDelegate> scene_delegate;

 private:
  std::shared_ptr<platform::Clock> previousClock_;
};

}  // namespace widgets_test
