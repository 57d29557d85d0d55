// The delegate of the app's one scene: owns the window, chooses the root
// screen from the stored sign-in state, finds the current login record, and
// holds the requests parked while an access token is refreshed.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Facility/Network/APIRequest.h"
#include "Facility/Network/DataResponse.h"
#include "Facility/Network/TokenRefreshParking.h"
#include "Facility/Storage/LoginEntity.h"
#include "Facility/Storage/SessionActions.h"
#include "Facility/Models/MDLLogout.h"
#include "Facility/Storage/UserType.h"
#include "Platform/UIKit/SceneDelegate.h"
#include "Platform/UIKit/ViewController.h"
#include "Platform/UIKit/Window.h"

class SceneDelegate : public uikit::SceneDelegate,
                      public SessionActions,
                      public TokenRefreshParking,
                      public std::enable_shared_from_this<SceneDelegate> {
 public:
  // A parked caller: handed the reply of the request when it is replayed.
  using ResponseHandler = TokenRefreshParking::ResponseHandler;

  std::shared_ptr<uikit::Window> window() const override { return window_; }
  void setWindow(std::shared_ptr<uikit::Window> w) { window_ = std::move(w); }
  std::optional<UserType> userType;
  uikit::ViewControllerPtr currentController;

  // Requests waiting for a new access token, with their callers.
  std::vector<APIRequestPtr> arrApiRequests;
  std::vector<ResponseHandler> arrResponseHandlers;
  bool isAccessTokenApiRunning = false;

  // Scene life cycle.
  void sceneWillConnectToSessionOptions(uikit::Scene& scene, uikit::SceneSession& session,
                                        const uikit::SceneConnectionOptions& options) override;
  void sceneDidBecomeActive(uikit::Scene& scene) override;
  void sceneWillEnterForeground(uikit::Scene& scene) override;
  void sceneWillResignActive(uikit::Scene& scene) override;
  void sceneDidEnterBackground(uikit::Scene& scene) override;
  void sceneDidDisconnect(uikit::Scene& scene) override;

  void setupWindow(uikit::Scene& scene);
  // The root choice from the stored state.
  void setRootViewController() override;
  // The first login record of the stored "empid"; sets userType from it.
  std::shared_ptr<LoginEntity> currentLoginEntity() override;
  std::optional<UserType> sessionUserType() const override { return userType; }
  void setSessionUserType(std::optional<UserType> type) override { userType = type; }
  uikit::ViewControllerPtr sessionCurrentController() const override { return currentController; }
  void setSessionCurrentController(uikit::ViewControllerPtr controller) override {
    currentController = std::move(controller);
  }
  // Sign-out: removes the session keys and the tap-and-go keys, forgets every
  // parked request, then chooses the root again.
  void clearSession() override;
  void tokenRequestFinished() override { isAccessTokenApiRunning = false; }
  void park(const APIRequestPtr& request, ResponseHandler handler) override;
  // Signs the user out on the server (after a Yes/No question when asked to),
  // then clears the session on success.
  void logout(bool withConfirmation) override;
  // What the logout reply does: clears the session and toasts on success,
  // otherwise shows the server's message and keeps everything.
  void handleLogoutReply(const DataResponse<MDLLogout>& reply);
  // Starts the access-token refresh for a parked request.
  virtual void refreshAccessToken(const APIRequestPtr& request);

 private:
  std::shared_ptr<uikit::Window> window_;
};
