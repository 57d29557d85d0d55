// The role the signed-in user works in, kept under
// "com.facility.myCurrentUser" (1 user, 2 tenant admin, 3 facility admin).
#pragma once

#include "Facility/Storage/UserType.h"

enum class CurrentRole { kUser = 1, kTenantAdmin = 2, kFacilityAdmin = 3 };

class CurrentUserType {
 public:
  static CurrentUserType& shared();

  // Stored integer mapped to a role; absent or unknown values read as user.
  CurrentRole currentUser() const;
  void setCurrentUser(CurrentRole role);
  CurrentRole current() const { return currentUser(); }
  // The stored role as the user type that picks dashboards and names.
  UserType currentUserType() const { return userTypeOf(currentUser()); }

  static CurrentRole roleOf(UserType type);
  static UserType userTypeOf(CurrentRole role);

  // Rewrites the current login record's login type letter for the current
  // role and saves the store; nothing without a stored "empid".
  void updateLoginType();
  void syncLoginType() { updateLoginType(); }

 private:
  CurrentUserType() = default;
};
