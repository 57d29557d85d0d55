// A signed-in app against the facility test double: fresh data root and
// store, manual clock, placeholder scenes for the screens not built here plus
// the role-switch scene, one connected scene with the app's scene delegate,
// and the loader calls recorded in order.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Storage/CoreDataManager.h"
#include "Facility/Storage/LocalStorage.h"
#include "Facility/Storage/LoginEntity.h"
#include "Facility/Network/NetworkReachability.h"
#include "Facility/Screens/PlaceholderScreen.h"
#include "Facility/Screens/ScreenRegistry.h"
#include "Facility/App/SceneDelegate.h"
#include "Facility/Screens/SwitchUserVC.h"
#include "Facility/Storage/UserDefaultsKey.h"
#include "Facility/Services/ViewModelLoader.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/UIKit/AlertController.h"
#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/Nib.h"
#include "Platform/UIKit/PKHUD.h"
#include "Platform/UIKit/Storyboard.h"
#include "Platform/UIKit/Window.h"
#include "tests/support/FacilityTestServer.h"

namespace screens_test {

// The cell a nib holds first, as the class the test expects (null if not).
template <class Cell>
std::shared_ptr<Cell> fromNib(const char* name) {
  auto nib = uikit::Nib::named(name);
  if (!nib) return nullptr;
  auto objects = nib->instantiateWithOwner(nullptr);
  return objects.empty() ? nullptr : std::dynamic_pointer_cast<Cell>(objects.front());
}

struct LoginFlags {
  std::optional<std::string> facilityAdmin;
  std::optional<std::string> tenantAdmin;
};

class ScreensFixture : public ::testing::Test {
 protected:
  using Server = testsupport::FacilityTestServer;
  static constexpr std::int64_t kEmployee = 7;

  void SetUp() override {
    previousClock_ = platform::Clock::currentShared();
    clock_ = std::make_shared<platform::ManualClock>();
    platform::Clock::setCurrent(clock_);
    platform::RunLoop::main().removeAllPending();
    root_ = std::make_unique<platform::TemporaryDataRoot>();
    auto& defaults = platform::UserDefaults::standard();
    for (const auto& key : defaults.allKeys()) (void)defaults.removeObjectForKey(key);
    CoreDataManager::resetShared();
    uikit::Application::resetShared();
    uikit::PKHUD::resetShared();
    uikit::Storyboard::resetRegistry();
    ScreenRegistry::registerAll();
    NetworkReachability::shared().reset();
    ASSERT_TRUE(server_.start());
    server_.clearRequests();
    // The user dashboard, the usual root after sign-in, asks for these on
    // every appearance; a bare success changes nothing stored.
    server_.setJsonReply("/api/User/Dashboard", R"({"IsSuccess":true})");
    server_.setJsonReply("/api/User/BaseVisitor", R"({"IsSuccess":true})");
    // Likewise the facility dashboard's location list: none, so no tiles.
    server_.setJsonReply("/api/FacilityAdmin/BaseFacility", R"({"IsSuccess":true})");
    // And the tenant dashboard's Allotted tab: nothing allotted, no count.
    server_.setJsonReply("/api/Tenant/AllotedFacility", R"({"IsSuccess":true})");
    server_.setJsonReply("/api/Complain/ComplainCount", R"({"IsSuccess":true})");
    loaderCalls_.clear();
    UserDefaultsAccess::setValue(platform::Value(server_.baseURL()), UserDefaultsKey::serverUrl);
    ViewModelLoader::observer() = [this](ViewModelLoader::Call call) {
      loaderCalls_.push_back(call == ViewModelLoader::Call::hide ? "hide" : "show");
    };
  }

  void TearDown() override {
    ViewModelLoader::observer() = nullptr;
    pump();
    platform::RunLoop::main().removeAllPending();
    uikit::Application::resetShared();
    uikit::PKHUD::resetShared();
    uikit::Storyboard::resetRegistry();
    CoreDataManager::resetShared();
    server_.stop();
    root_.reset();
    platform::Clock::setCurrent(previousClock_);
  }

  // A complete signed-in state: invitation and password done, the login
  // record with its flags, the session keys, the engine's tap-and-go keys
  // and tag, the stored role and one unrelated key. Then the scene connects.
  void signInAndConnect(LoginFlags flags = {}, const std::string& letter = "U") {
    auto record = LoginEntity::insertFromDictionary({{"empid", kEmployee}});
    record->accesstoken = "token-7";
    record->refreshtoken = "refresh-7";
    record->logintype = letter;
    record->facilityAdmin = flags.facilityAdmin;
    record->tenantAdmin = flags.tenantAdmin;
    CoreDataManager::shared().mainManagedObjectContext().saveChanges();
    auto& d = platform::UserDefaults::standard();
    (void)d.setBool(true, "isuserinvited");
    (void)d.setBool(true, "ispasswordset");
    (void)d.setBool(true, "com.facility.isUserLogin");
    (void)d.setObject(platform::Value("12"), "tanentid");
    (void)d.setObject(platform::Value("token-7"), "accesstoken");
    (void)d.setInteger(kEmployee, "empid");
    (void)d.setInteger(1, "com.facility.myCurrentUser");
    (void)d.setObject(platform::Value("100"), "com.tarnelo.ble.tagId");
    (void)d.setObject(platform::Value("3"), "com.tarnelo.ble.DestinationFloor");
    (void)d.setObject(platform::Value("1"), "com.tarnelo.ble.BoardingFloor");
    (void)d.setObject(platform::Value("2"), "com.tarnelo.ble.selectedFloor");
    (void)d.setObject(platform::Value("-70"), "com.tarnelo.ble.sensitivity");
    (void)d.setBool(true, "com.tarnelo.ble.shouldAllowPunch");
    (void)d.setObject(platform::Value("a@b.c"), "emailid");
    d.synchronize();
    connect();
    // Coming to the foreground refreshes the unread count once; let that
    // settle so each test sees only its own traffic.
    ASSERT_TRUE(runUntil([&] { return loaderCalls_.size() >= 2; }));
    pump();
    server_.clearRequests();
    loaderCalls_.clear();
  }

  void connect() {
    auto& app = uikit::Application::shared();
    app.registerSceneConfiguration("Default Configuration", [] { return std::make_shared<SceneDelegate>(); });
    app.connectScene();
    pump();
  }

  std::shared_ptr<SceneDelegate> delegate() { return LocalStorage::currentSceneDelegate(); }

  static platform::Value::Dictionary storedDefaults() {
    return platform::UserDefaults::standard().dictionaryRepresentation();
  }

  // The screen on top of the window's root, past presented alerts.
  std::string topScreenName() {
    auto d = delegate();
    if (!d || !d->window() || !d->window()->rootViewController()) return "";
    auto top = LocalStorage::topViewController(d->window()->rootViewController());
    if (auto p = std::dynamic_pointer_cast<PlaceholderScreen>(top)) return p->screenName();
    return top ? top->className() : "";
  }
  std::shared_ptr<uikit::AlertController> alertOnScreen() {
    return std::dynamic_pointer_cast<uikit::AlertController>(LocalStorage::topViewControllerOfSceneWindow());
  }

  void pump() { clock_->runUntilIdle(); }
  void runFor(double seconds) { ASSERT_TRUE(clock_->runFor(seconds)); }
  bool runUntil(const std::function<bool()>& done) { return clock_->runUntil(done, 10.0); }

  std::shared_ptr<platform::ManualClock> clock_;
  std::shared_ptr<platform::Clock> previousClock_;
  std::unique_ptr<platform::TemporaryDataRoot> root_;
  Server server_;
  std::vector<std::string> loaderCalls_;
};

}  // namespace screens_test
