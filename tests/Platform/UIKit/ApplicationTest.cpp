#include <string>
#include <vector>

#include "Platform/Foundation/NotificationCenter.h"
#include "tests/Platform/UIKit/UIKitFixture.h"

namespace uikit::testing {
namespace {

std::vector<std::string> gEvents;

class TestSceneDelegate : public SceneDelegate {
 public:
  void sceneWillConnectToSessionOptions(Scene& scene, SceneSession&, const SceneConnectionOptions&) override {
    gEvents.push_back("connect");
    window_ = std::make_shared<Window>(std::dynamic_pointer_cast<WindowScene>(scene.sharedAs<Scene>()));
    window_->setRootViewController(std::make_shared<ViewController>());
    window_->makeKeyAndVisible();
  }
  void sceneDidBecomeActive(Scene&) override { gEvents.push_back("active"); }
  void sceneWillEnterForeground(Scene&) override { gEvents.push_back("foreground"); }
  void sceneWillResignActive(Scene&) override { gEvents.push_back("resign"); }
  void sceneDidEnterBackground(Scene&) override { gEvents.push_back("background"); }
  void sceneDidDisconnect(Scene&) override { gEvents.push_back("disconnect"); }
  std::shared_ptr<Window> window() const override { return window_; }

 private:
  std::shared_ptr<Window> window_;
};

class TestAppDelegate : public ApplicationDelegate {
 public:
  bool applicationDidFinishLaunchingWithOptions(Application& app, const LaunchOptions&) override {
    gEvents.push_back("launch");
    app.registerForRemoteNotifications();
    return true;
  }
  void applicationDidRegisterForRemoteNotificationsWithDeviceToken(Application&,
                                                                   const std::vector<std::uint8_t>& t) override {
    token = t;
  }
  std::vector<std::uint8_t> token;
};

class ApplicationTest : public UIKitFixture {
 protected:
  void SetUp() override {
    UIKitFixture::SetUp();
    gEvents.clear();
  }
};

TEST_F(ApplicationTest, LaunchConnectsASceneAndRunsItsLifeCycle) {
  auto& app = Application::shared();
  auto delegate = std::make_shared<TestAppDelegate>();
  app.setDelegate(delegate);
  app.registerSceneConfiguration("Default Configuration", [] { return std::make_shared<TestSceneDelegate>(); });
  app.setRemoteNotificationRegistrationResult(std::vector<std::uint8_t>{1, 2, 3});
  int active = 0;
  auto token = platform::NotificationCenter::defaultCenter().addObserver(
      kApplicationDidBecomeActiveNotification, [&](const platform::Notification&) { ++active; });
  ASSERT_TRUE(app.launch());
  EXPECT_EQ(gEvents, (std::vector<std::string>{"launch", "connect", "foreground", "active"}));
  EXPECT_EQ(active, 1);
  ASSERT_EQ(app.connectedScenes().size(), 1u);
  auto sceneDelegate = app.connectedScenes()[0]->delegate();
  ASSERT_TRUE(sceneDelegate->window());
  EXPECT_EQ(app.keyWindow(), sceneDelegate->window());
  EXPECT_EQ(app.remoteRegistrationCount(), 1);
  EXPECT_TRUE(delegate->token.empty()) << "the answer comes in a later turn";
  runUntilIdle();
  EXPECT_EQ(delegate->token, (std::vector<std::uint8_t>{1, 2, 3}));

  gEvents.clear();
  app.enterBackground();
  app.becomeActive();
  app.disconnectScene(app.connectedScenes()[0]);
  EXPECT_EQ(gEvents, (std::vector<std::string>{"resign", "background", "foreground", "active", "disconnect"}));
  EXPECT_EQ(active, 2);
  app.openURL("facility://open");
  EXPECT_EQ(app.openedURLs(), std::vector<std::string>{"facility://open"});
  platform::NotificationCenter::defaultCenter().removeObserver(token);
}

TEST_F(ApplicationTest, ReplacingTheRootTakesDownTheOldScreen) {
  auto first = std::make_shared<ViewController>();
  show(first);
  auto modal = std::make_shared<ViewController>();
  ASSERT_TRUE(first->present(modal, false));
  auto second = std::make_shared<ViewController>();
  window->setRootViewController(second);
  EXPECT_EQ(first->presentedViewController(), nullptr);
  EXPECT_EQ(first->view()->window(), nullptr);
  EXPECT_EQ(modal->view()->window(), nullptr);
  EXPECT_EQ(second->view()->window(), window);
  EXPECT_EQ(second->appearance(), ViewController::Appearance::kAppeared);
  EXPECT_EQ(first->appearance(), ViewController::Appearance::kDisappeared);
  EXPECT_EQ(second->view()->frame(), Rect(0, 0, 390, 844));
  Device::setCurrent(DeviceProfile::phone320x568());
  Window small;
  EXPECT_EQ(small.bounds().size, (Size{320, 568}));
}

}  // namespace
}  // namespace uikit::testing
