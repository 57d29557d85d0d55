// What the layers below the app ask of the signed-in session: the role on
// show, the stored login record and sign-out. The app's scene delegate
// provides it; LocalStorage::currentSession() finds it.
#pragma once

#include <memory>
#include <optional>

#include "Facility/Storage/LoginEntity.h"
#include "Facility/Storage/UserType.h"

class SessionActions {
 public:
  virtual ~SessionActions() = default;
  virtual std::optional<UserType> sessionUserType() const = 0;
  virtual std::shared_ptr<LoginEntity> currentLoginEntity() = 0;
  virtual void logout(bool withConfirmation) = 0;
};
