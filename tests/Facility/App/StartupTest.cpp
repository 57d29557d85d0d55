#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mutex>
#include <thread>

#include "Facility/Storage/CurrentUserType.h"
#include "Facility/Storage/KeychainHelper.h"
#include "Facility/Storage/UserDefaultsKey.h"
#include "Platform/Foundation/DataRoot.h"
#include "Platform/UIKit/IQKeyboardManager.h"
#include "Platform/UIKit/NavigationController.h"
#include "tests/support/CoreFixture.h"
#include "tests/support/FacilityTestServer.h"

using platform::Value;

namespace {

class StartupTest : public CoreFixture {
 protected:
  static void storeLogin(std::int64_t empid, const char* type, const char* facilityAdmin = nullptr) {
    auto e = LoginEntity::insertFromDictionary({{"empid", Value(empid)}});
    if (type) e->logintype = type;
    if (facilityAdmin) e->facilityAdmin = facilityAdmin;
    CoreDataManager::shared().mainManagedObjectContext().saveChanges();
  }
};

TEST_F(StartupTest, RootChoiceFollowsTheStoredState) {
  struct Case {
    const char* what;
    std::optional<Value> invited, passwordSet, empid;
    const char* loginType;  // nullptr: no record
    const char* screen;
    std::optional<std::int64_t> role;
  } cases[] = {
      {"fresh", std::nullopt, std::nullopt, std::nullopt, nullptr, "InviteVC", std::nullopt},
      {"invited as text", Value("true"), Value(true), Value(5), "U", "InviteVC", std::nullopt},
      {"invited, no password", Value(true), std::nullopt, Value(5), "U", "SetNewPasswordVC", std::nullopt},
      {"password false", Value(true), Value(false), std::nullopt, nullptr, "SetNewPasswordVC", std::nullopt},
      {"facility admin", Value(true), Value(true), Value(5), "F", "FacilityDashoboardVC", 3},
      {"tenant admin", Value(true), Value(true), Value(5), "T", "TenantDashboardVC", 2},
      {"user", Value(true), Value(true), Value(5), "U", "UserDashboardVC", 1},
      {"signed out, record left", Value(true), Value(true), std::nullopt, "F", "LandingVC", std::nullopt},
      {"empid as text", Value(true), Value(true), Value("5"), "F", "LandingVC", std::nullopt},
      {"no record for empid", Value(true), Value(true), Value(6), "F", "LandingVC", std::nullopt},
      {"unknown login type", Value(true), Value(true), Value(5), "X", "LandingVC", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    auto& d = UserDefaultsKey::defaults();
    if (c.invited) (void)d.setObject(*c.invited, "isuserinvited");
    if (c.passwordSet) (void)d.setObject(*c.passwordSet, "ispasswordset");
    if (c.empid) (void)d.setObject(*c.empid, "empid");
    if (c.loginType) storeLogin(5, c.loginType);
    connectScene();
    EXPECT_EQ(rootScreenName(), c.screen);
    auto root = LocalStorage::currentSceneDelegate()->window()->rootViewController();
    EXPECT_EQ(std::dynamic_pointer_cast<uikit::NavigationController>(root) != nullptr, c.role.has_value());
    EXPECT_EQ(d.integerObjectForKey(kMyCurrentUserKey), c.role);
  }
}

TEST_F(StartupTest, WindowSetupAndRoleListsFollowTheRecord) {
  UserDefaultsAccess::setValue(Value(true), UserDefaultsKey::isUserInvited);
  UserDefaultsAccess::setValue(Value(true), UserDefaultsKey::isPasswordSet);
  UserDefaultsAccess::setValue(Value(5), UserDefaultsKey::empId);
  storeLogin(5, "U", "0");
  auto delegate = connectScene();
  ASSERT_TRUE(delegate && delegate->window());
  EXPECT_TRUE(delegate->window()->isKeyWindow());
  EXPECT_TRUE(uikit::IQKeyboardManager::shared().enable);
  EXPECT_TRUE(uikit::IQKeyboardManager::shared().shouldResignOnTouchOutside);
  EXPECT_EQ(delegate->userType, UserType::User);
  EXPECT_EQ(UserTypes::availableForCurrentUser(), (std::vector<std::string>{"User", "Facility Admin"}));
  EXPECT_EQ(UserTypes::allDisplayNames(), (std::vector<std::string>{"Facility Admin", "Tenant Admin", "User"}));
  EXPECT_EQ(UserTypes::fromRawValue("Tenant Admin"), UserType::TenantAdmin);
  EXPECT_FALSE(UserTypes::fromRawValue("tenant admin"));

  delegate->clearSession();
  EXPECT_EQ(rootScreenName(), "LandingVC");
  EXPECT_EQ(UserTypes::availableForCurrentUser(), std::vector<std::string>{"User"});
}

// Records the launch's calls while doing the real work.
class RecordingServices : public AppServices {
 public:
  std::mutex mu;
  std::vector<std::string> calls;
  bool completionOnMain = true;
  bool registrationOnMain = false;
  void note(const std::string& s) {
    std::lock_guard<std::mutex> lock(mu);
    calls.push_back(s);
  }
  void configureMessagingCore() override { note("configure"), AppServices::configureMessagingCore(); }
  void setMessagingDelegate(std::weak_ptr<platform::QRVMessagingDelegate> d) override {
    note("messagingDelegate"), AppServices::setMessagingDelegate(d);
  }
  void setNotificationCenterDelegate(std::weak_ptr<platform::UNUserNotificationCenterDelegate> d) override {
    note("notificationDelegate"), AppServices::setNotificationCenterDelegate(d);
  }
  void requestNotificationAuthorization(unsigned options,
                                        std::function<void(bool, std::optional<std::string>)> done) override {
    note("requestAuthorization:" + std::to_string(options));
    AppServices::requestNotificationAuthorization(options, [this, done](bool granted, std::optional<std::string> e) {
      completionOnMain = platform::RunLoop::isMainThread();
      done(granted, e);
    });
  }
  void registerForRemoteNotifications() override {
    registrationOnMain = platform::RunLoop::isMainThread();
    note("registerForRemoteNotifications"), AppServices::registerForRemoteNotifications();
  }
  void enableTapAndGo() override { note("tapAndGo"), AppServices::enableTapAndGo(); }
  void requestAlwaysLocationAuthorization() override { note("alwaysLocation"); }
  void startReachability() override { note("reachability"), AppServices::startReachability(); }
  void enableKeyboardAvoidance() override { note("keyboard"), AppServices::enableKeyboardAvoidance(); }
  void styleNavigationBars() override { note("navigationBars"), AppServices::styleNavigationBars(); }
  void startBleScan() override { note("startScan"); }
};

TEST_F(StartupTest, LaunchRunsItsStepsInOrder) {
  auto services = std::make_shared<RecordingServices>();
  AppServices::current() = services;
  auto& app = uikit::Application::shared();
  app.registerSceneConfiguration(AppDelegate::kSceneConfigurationName, [] { return std::make_shared<SceneDelegate>(); });
  app.setDelegate(std::make_shared<AppDelegate>());
  ASSERT_TRUE(app.launch());
  ASSERT_TRUE(pumpUntil([&] { return app.remoteRegistrationCount() > 0; }));
  std::lock_guard<std::mutex> lock(services->mu);
  EXPECT_EQ(services->calls,
            (std::vector<std::string>{"configure", "messagingDelegate", "notificationDelegate", "requestAuthorization:7",
                                      "tapAndGo", "alwaysLocation", "reachability", "keyboard", "navigationBars",
                                      "startScan", "registerForRemoteNotifications"}));
  EXPECT_FALSE(services->completionOnMain);
  EXPECT_TRUE(services->registrationOnMain);
  EXPECT_EQ(rootScreenName(), "InviteVC");
}

TEST_F(StartupTest, RefusedPermissionRegistersNothing) {
  platform::UNUserNotificationCenter::current().setAuthorizationAnswer(false);
  auto& app = uikit::Application::shared();
  app.registerSceneConfiguration(AppDelegate::kSceneConfigurationName, [] { return std::make_shared<SceneDelegate>(); });
  app.setDelegate(std::make_shared<AppDelegate>());
  ASSERT_TRUE(app.launch());
  pumpUntil([] { return false; }, 0.2);
  EXPECT_EQ(app.remoteRegistrationCount(), 0);
}

TEST_F(StartupTest, ReachabilityFollowsTheManager) {
  std::shared_ptr<platform::NetworkReachabilityManager> manager;
  platform::NetworkReachabilityManager::setFactory([&] {
    manager = std::make_shared<platform::NetworkReachabilityManager>(
        [] { return platform::ReachabilityStatus::kReachableEthernetOrWiFi; });
    return manager;
  });
  EXPECT_TRUE(NetworkReachability::shared().isNetworkReachable);
  NetworkReachability::shared().startListening();
  pump();
  EXPECT_TRUE(NetworkReachability::shared().isNetworkReachable);
  manager->inject(platform::ReachabilityStatus::kNotReachable);
  pump();
  EXPECT_FALSE(NetworkReachability::shared().isNetworkReachable);
  manager->inject(platform::ReachabilityStatus::kUnknown);
  pump();
  EXPECT_FALSE(NetworkReachability::shared().isNetworkReachable);
  manager->inject(platform::ReachabilityStatus::kReachableCellular);
  pump();
  EXPECT_TRUE(NetworkReachability::shared().isNetworkReachable);
  EXPECT_TRUE(NetworkReachability::shared().vwNoInternet && NetworkReachability::shared().vwNoInternet->btnTryAgain);
  // Without a manager nothing listens and requests may be sent.
  NetworkReachability::shared().reset();
  platform::NetworkReachabilityManager::setFactory([] { return nullptr; });
  NetworkReachability::shared().startListening();
  EXPECT_TRUE(NetworkReachability::shared().isNetworkReachable);
}

TEST_F(StartupTest, RegistrationTokenIsKeptUnlessBlank) {
  AppDelegate delegate;
  auto& m = platform::QRVMessaging::messaging();
  delegate.messagingDidReceiveRegistrationToken(m, " tok ");
  EXPECT_EQ(UserDefaultsKey::defaults().stringForKey(kMessagingTokenKey), " tok ");
  delegate.messagingDidReceiveRegistrationToken(m, " \n\t");
  delegate.messagingDidReceiveRegistrationToken(m, std::nullopt);
  EXPECT_EQ(UserDefaultsKey::defaults().stringForKey(kMessagingTokenKey), " tok ");
}

TEST_F(StartupTest, NotificationTapOpensTheListOnlyForASignedInUser) {
  // The dashboard's own requests succeed, so no failure alert covers it.
  testsupport::FacilityTestServer server;
  server.setDefaultReply({200, R"({"IsSuccess":true})"});
  ASSERT_TRUE(server.start());
  UserDefaultsAccess::setValue(Value(server.baseURL()), UserDefaultsKey::serverUrl);
  UserDefaultsAccess::setValue(Value(true), UserDefaultsKey::isUserInvited);
  UserDefaultsAccess::setValue(Value(true), UserDefaultsKey::isPasswordSet);
  UserDefaultsAccess::setValue(Value(5), UserDefaultsKey::empId);
  storeLogin(5, "U");
  connectScene();
  uikit::Application::shared().setKeyWindow(LocalStorage::currentSceneDelegate()->window());
  auto& center = platform::UNUserNotificationCenter::current();
  auto delegate = std::make_shared<AppDelegate>();
  center.setDelegate(delegate);
  int calls = 0;
  center.deliverResponse({}, [&] { ++calls; });  // not signed in
  pump();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(rootScreenName(), "UserDashboardVC");

  UserDefaultsAccess::setValue(Value(true), UserDefaultsKey::isUserLogin);
  center.deliverResponse({}, [&] { ++calls; });
  pumpUntil([] { return rootScreenName() == "FacilityAdminNotificationListVC"; }, 2);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(rootScreenName(), "FacilityAdminNotificationListVC");
}

TEST_F(StartupTest, StateWrittenByOneProcessIsReadByTheNext) {
  auto runChild = [](const std::function<int()>& body) {
    pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  int wrote = runChild([] {
    UserDefaultsAccess::setValue(Value(true), UserDefaultsKey::isUserInvited);
    UserDefaultsAccess::setValue(Value(true), UserDefaultsKey::isPasswordSet);
    UserDefaultsAccess::setValue(Value(77), UserDefaultsKey::empId);
    storeLogin(77, "T");
    KeychainHelper::shared().save("engine-key", "com.tarnelo.ble.key");
    return 0;
  });
  ASSERT_EQ(wrote, 0);
  int read = runChild([this] {
    CoreDataManager::resetShared();
    connectScene();
    if (rootScreenName() != "TenantDashboardVC") return 1;
    if (KeychainHelper::shared().load("com.tarnelo.ble.key") != "engine-key") return 2;
    return 0;
  });
  EXPECT_EQ(read, 0);
}

}  // namespace
