// Test fixture: a manual clock on the main run loop, a fresh application,
// a key window with a root screen, and clean toolkit registries.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/BarButtonItem.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/IQKeyboardManager.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/Keyboard.h"
#include "Platform/UIKit/NavigationBar.h"
#include "Platform/UIKit/Nib.h"
#include "Platform/UIKit/PKHUD.h"
#include "Platform/UIKit/Storyboard.h"
#include "Platform/UIKit/View.h"
#include "Platform/UIKit/ViewAnimationRegistry.h"
#include "Platform/UIKit/ViewController.h"
#include "Platform/UIKit/WebImageManager.h"
#include "Platform/UIKit/Window.h"

namespace uikit::testing {

class UIKitFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    previousClock_ = platform::Clock::currentShared();
    clock = std::make_shared<platform::ManualClock>();
    platform::Clock::setCurrent(clock);
    platform::RunLoop::main().removeAllPending();
    resetToolkit();
  }

  void TearDown() override {
    window.reset();
    platform::RunLoop::main().removeAllPending();
    resetToolkit();
    platform::RunLoop::main().removeAllPending();
    platform::Clock::setCurrent(previousClock_);
  }

  static void resetToolkit() {
    if (auto r = Responder::currentFirstResponder()) r->resignFirstResponder();
    Application::resetShared();
    Storyboard::resetRegistry();
    Nib::resetRegistry();
    Image::resetAssets();
    NavigationBar::resetAppearance();
    BarButtonItem::resetAppearance();
    Device::setCurrent(DeviceProfile::phone390x844());
    Keyboard::shared().reset();
    WebImageManager::shared().reset();
    PKHUD::resetShared();
    IQKeyboardManager::shared().reset();
    ViewAnimationRegistry::shared().reset();
  }

  // A visible key window showing root.
  std::shared_ptr<Window> show(const std::shared_ptr<ViewController>& root) {
    window = std::make_shared<Window>();
    window->setRootViewController(root);
    window->makeKeyAndVisible();
    return window;
  }

  void runFor(double seconds) { ASSERT_TRUE(clock->runFor(seconds)); }
  void runUntilIdle() { ASSERT_TRUE(clock->runUntilIdle()); }

  std::shared_ptr<platform::ManualClock> clock;
  std::shared_ptr<Window> window;

 private:
  std::shared_ptr<platform::Clock> previousClock_;
};

}  // namespace uikit::testing
