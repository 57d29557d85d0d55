// A signed-in app against the facility test double: fresh data root, manual
// clock, one connected scene with the app's scene delegate, the server URL
// stored, and the loader calls recorded in order with the callers' events.
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
#include "Facility/App/SceneDelegate.h"
#include "Facility/Storage/UserDefaultsKey.h"
#include "Facility/Services/ViewModelLoader.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/UIKit/Application.h"
#include "tests/support/FacilityTestServer.h"

class ServicesFixture : public ::testing::Test {
 protected:
  using Server = testsupport::FacilityTestServer;

  void SetUp() override {
    clock_ = std::make_shared<platform::ManualClock>();
    platform::Clock::setCurrent(clock_);
    root_ = std::make_unique<platform::TemporaryDataRoot>();
    auto& defaults = platform::UserDefaults::standard();
    for (const auto& key : defaults.allKeys()) (void)defaults.removeObjectForKey(key);
    CoreDataManager::resetShared();
    uikit::Application::resetShared();
    NetworkReachability::shared().reset();
    ASSERT_TRUE(server_.start());
    UserDefaultsAccess::setValue(platform::Value(server_.baseURL()), UserDefaultsKey::serverUrl);
    auto& app = uikit::Application::shared();
    app.registerSceneConfiguration("Default Configuration", [] { return std::make_shared<SceneDelegate>(); });
    app.connectScene();
    pump();
    ViewModelLoader::observer() = [this](ViewModelLoader::Call call) {
      events_.push_back(call == ViewModelLoader::Call::hide   ? "hide"
                        : call == ViewModelLoader::Call::show ? "show"
                                                              : "showBlank");
    };
  }

  void TearDown() override {
    ViewModelLoader::observer() = nullptr;
    pump();
    platform::RunLoop::main().removeAllPending();
    uikit::Application::resetShared();
    CoreDataManager::resetShared();
    server_.stop();
    root_.reset();
    platform::Clock::setCurrent(nullptr);
  }

  std::shared_ptr<SceneDelegate> delegate() { return LocalStorage::currentSceneDelegate(); }

  // A stored login record for the employee, with "empid" and the login flag.
  void signIn(std::int64_t empId, const std::string& accessToken, const std::string& refreshToken) {
    auto record = LoginEntity::insertFromDictionary({{"empid", empId}});
    record->accesstoken = accessToken;
    record->refreshtoken = refreshToken;
    record->logintype = "U";
    CoreDataManager::shared().mainManagedObjectContext().saveChanges();
    UserDefaultsAccess::setValue(platform::Value(empId), UserDefaultsKey::empId);
    UserDefaultsAccess::setValue(platform::Value(true), UserDefaultsKey::isUserLogin);
  }

  bool runUntil(const std::function<bool()>& done, double seconds = 10.0) { return clock_->runUntil(done, seconds); }
  void pump() { clock_->runUntilIdle(); }

  // Waits for n requests at the server, then lets the main loop settle.
  bool waitForRequests(std::size_t n) {
    bool ok = runUntil([&] { return server_.requestCount() >= n; });
    return ok;
  }

  Server::RecordedRequest lastRequest() {
    auto all = server_.requests();
    return all.empty() ? Server::RecordedRequest{} : all.back();
  }

  std::shared_ptr<platform::ManualClock> clock_;
  std::unique_ptr<platform::TemporaryDataRoot> root_;
  Server server_;
  std::vector<std::string> events_;
};

using FormPairs = std::vector<std::pair<std::string, std::string>>;
