#include "Facility/App/SceneDelegate.h"

#include "Facility/BLE+MainMethods/BLETapAndGodDefaultValue.h"
#include "Facility/BLE+MainMethods/TarneloBLE.h"
#include "Facility/Network/APIManager.h"
#include "Facility/App/AccessTokenRefresher.h"
#include "Facility/Support/AppColor.h"
#include "Facility/Storage/CurrentUserType.h"
#include "Facility/Storage/LocalStorage.h"
#include "Facility/Services/NotificationCountRefresher.h"
#include "Facility/Screens/StoryboardName.h"
#include "Facility/Storage/UserDefaultsKey.h"
#include "Facility/Services/VMGlobal.h"
#include "Facility/Services/ViewModelLoader.h"
#include "Facility/Widgets/AAction.h"
#include "Facility/Widgets/AlertPresenter.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "Facility/Widgets/Confirmation.h"
#include "Facility/Widgets/SuperNavigationController.h"
#include "Platform/Foundation/Log.h"
#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/IQKeyboardManager.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/WindowScene.h"

std::shared_ptr<SceneDelegate> LocalStorage::currentSceneDelegate() {
  const auto& scenes = uikit::Application::shared().connectedScenes();
  if (scenes.empty()) return nullptr;
  return std::dynamic_pointer_cast<SceneDelegate>(scenes.front()->delegate());
}

void SceneDelegate::park(const APIRequestPtr& request, ResponseHandler handler) {
  arrApiRequests.push_back(request);
  arrResponseHandlers.push_back(std::move(handler));
  if (!isAccessTokenApiRunning) refreshAccessToken(request);
}

void SceneDelegate::sceneWillConnectToSessionOptions(uikit::Scene& scene, uikit::SceneSession& session,
                                                     const uikit::SceneConnectionOptions& options) {
  (void)session, (void)options;
  setupWindow(scene);
}

void SceneDelegate::sceneDidBecomeActive(uikit::Scene& scene) { (void)scene; }

void SceneDelegate::sceneWillEnterForeground(uikit::Scene& scene) {
  (void)scene;
  NotificationCountRefresher::refreshNotificationCount();
}

void SceneDelegate::sceneWillResignActive(uikit::Scene& scene) {
  (void)scene;
  TarneloBLE::shared().startBeaconAdvertising();
}

void SceneDelegate::sceneDidEnterBackground(uikit::Scene& scene) {
  (void)scene;
  TarneloBLE::shared().startBeaconAdvertising();
}

void SceneDelegate::sceneDidDisconnect(uikit::Scene& scene) {
  (void)scene;
  TarneloBLE::shared().startBeaconAdvertising();
}

void SceneDelegate::setupWindow(uikit::Scene& scene) {
  auto* windowScene = dynamic_cast<uikit::WindowScene*>(&scene);
  if (!windowScene) return;
  auto& keyboard = uikit::IQKeyboardManager::shared();
  keyboard.enable = true;
  keyboard.shouldResignOnTouchOutside = true;
  keyboard.toolbarTintColor = AppColor::darkBlue();
  auto w = std::make_shared<uikit::Window>(std::dynamic_pointer_cast<uikit::WindowScene>(windowScene->shared_from_this()));
  w->makeKeyAndVisible();
  window_ = w;
  w->setBackgroundColor(AppColor::white());
  setRootViewController();
}

void SceneDelegate::setRootViewController() {
  auto show = [this](StoryboardName storyboard, const char* screen) {
    if (!window_) return;
    auto controller = Storyboards::instantiateScreen(storyboard, screen);
    if (!controller) {
      platform::LogError(std::string("Root screen could not be made: ") + screen);
      return;
    }
    window_->setRootViewController(controller);
  };
  if (!UserDefaultsAccess::isSet(UserDefaultsKey::isUserInvited)) return show(StoryboardName::main, "InviteVC");
  if (!UserDefaultsAccess::isSet(UserDefaultsKey::isPasswordSet)) return show(StoryboardName::main, "SetNewPasswordVC");

  auto delegate = LocalStorage::currentSceneDelegate();
  SceneDelegate* target = delegate ? delegate.get() : nullptr;
  auto record = target ? target->currentLoginEntity() : nullptr;
  if (target && record) {
    if (!target->userType) {
      platform::LogWarning("Login record without a known role (login type \"" + record->logintype.value_or("") +
                           "\"): showing the landing screen");
      return show(StoryboardName::main, "LandingVC");
    }
    StoryboardName storyboard = StoryboardName::user;
    const char* screen = "UserDashboardVC";
    switch (*target->userType) {
      case UserType::FacilityAdmin:
        storyboard = StoryboardName::facilityAdmin, screen = "FacilityDashoboardVC";
        break;
      case UserType::TenantAdmin:
        storyboard = StoryboardName::tenantAdmin, screen = "TenantDashboardVC";
        break;
      case UserType::User: break;
    }
    if (window_) {
      if (auto dashboard = Storyboards::instantiateScreen(storyboard, screen)) {
        window_->setRootViewController(uikit::NavigationController::makeWithRoot<SuperNavigationController>(dashboard));
      } else {
        platform::LogError(std::string("Root screen could not be made: ") + screen);
      }
    }
    CurrentUserType::shared().setCurrentUser(CurrentUserType::roleOf(*target->userType));
    return;
  }
  show(StoryboardName::main, "LandingVC");
}

std::shared_ptr<LoginEntity> SceneDelegate::currentLoginEntity() {
  auto empId = UserDefaultsAccess::getInt(UserDefaultsKey::empId);
  if (!empId) return nullptr;
  auto records = LoginEntity::fetchObjects(Predicate{{{"empid", platform::Value(*empId)}}}, std::nullopt);
  if (!records || records->empty()) return nullptr;
  auto record = records->front();
  if (record->logintype) {
    if (auto type = UserTypes::fromLoginLetter(*record->logintype)) userType = type;
  }
  return record;
}

void SceneDelegate::clearSession() {
  for (const UserDefaultsKey* key :
       {&UserDefaultsKey::isUserLogin, &UserDefaultsKey::tenantId, &UserDefaultsKey::accessToken, &UserDefaultsKey::empId}) {
    UserDefaultsAccess::remove(key->value);
  }
  BLETapAndGodDefaultValue::shared().removeTapAndGoValues();
  // Nothing parked for this user may be replayed with the next user's token.
  arrApiRequests.clear();
  arrResponseHandlers.clear();
  isAccessTokenApiRunning = false;
  AccessTokenRefresher::shared().forgetAcceptedRefresh();
  setRootViewController();
}

void SceneDelegate::logout(bool withConfirmation) {
  if (!withConfirmation) {
    clearSession();
    return;
  }
  auto top = LocalStorage::topViewController(window_ ? window_->rootViewController() : nullptr);
  if (!top) return;
  std::weak_ptr<SceneDelegate> weakSelf = weak_from_this();
  AlertPresenter::showAlert(*top, "Confirm", Confirmation::logoutConfirm().prompt(),
                            uikit::AlertControllerStyle::kAlert, {AAction::No, AAction::Yes},
                            [weakSelf](const AAction& tapped) {
                              if (!(tapped == AAction::Yes)) return;
                              auto self = weakSelf.lock();
                              if (!self) return;
                              // One view model per request; the reply closure keeps it and the
                              // delegate alive until the reply.
                              auto viewModel = std::make_shared<VMGlobal>(std::make_shared<GlobalService>());
                              ViewModelLoader::show();
                              viewModel->requestLogout([self, viewModel](DataResponse<MDLLogout> reply) {
                                self->handleLogoutReply(reply);
                              });
                            });
}

void SceneDelegate::handleLogoutReply(const DataResponse<MDLLogout>& reply) {
  if (!reply.value) {
    showResponseErrorAlert(nullptr, std::nullopt, {AAction::Ok}, nullptr, reply);
    return;
  }
  if (reply.value->isSuccess.value_or(false)) {
    clearSession();
    AppToastAlert::show(ToastPosition::bottom, reply.value->message.value_or("Success"));
    return;
  }
  // The server refused: its message only, never a stale transport description.
  showResponseErrorAlert(nullptr, reply.value->message, {AAction::Ok}, nullptr, std::optional<AFError>{});
}

void SceneDelegate::refreshAccessToken(const APIRequestPtr& request) {
  AccessTokenRefresher::shared().refreshAccessToken(*this, request);
}
