// What the layers below the app ask of the signed-in session: the role on
// show, the stored login record, sign-out and the root choice. The app's
// scene delegate provides it; LocalStorage::currentSession() finds it.
#pragma once

#include <memory>
#include <optional>

#include "Facility/Storage/LoginEntity.h"
#include "Facility/Storage/UserType.h"
#include "Platform/UIKit/ViewController.h"

class SessionActions {
 public:
  virtual ~SessionActions() = default;
  virtual std::optional<UserType> sessionUserType() const = 0;
  virtual std::shared_ptr<LoginEntity> currentLoginEntity() = 0;
  virtual void logout(bool withConfirmation) = 0;
  // Chooses the window's root again from the stored state (after a sign-in,
  // a password change or a role switch).
  virtual void setRootViewController() = 0;
  // The role the next root choice starts from (it re-reads the login record).
  virtual void setSessionUserType(std::optional<UserType> type) = 0;
  // The screen the scene counts as on show; a dashboard sets it while visible.
  virtual uikit::ViewControllerPtr sessionCurrentController() const = 0;
  virtual void setSessionCurrentController(uikit::ViewControllerPtr controller) = 0;
};
