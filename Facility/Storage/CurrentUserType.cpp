#include "Facility/Storage/CurrentUserType.h"

#include "Facility/Storage/CoreDataManager.h"
#include "Facility/Storage/LoginEntity.h"
#include "Facility/Storage/UserDefaultsKey.h"

CurrentUserType& CurrentUserType::shared() {
  static CurrentUserType instance;
  return instance;
}

CurrentRole CurrentUserType::currentUser() const {
  auto v = UserDefaultsKey::defaults().objectForKey(kMyCurrentUserKey);
  std::int64_t stored = (v && v->isInteger()) ? *v->getInt() : 0;
  switch (stored) {
    case 2: return CurrentRole::kTenantAdmin;
    case 3: return CurrentRole::kFacilityAdmin;
    default: return CurrentRole::kUser;
  }
}

CurrentRole CurrentUserType::roleOf(UserType type) {
  switch (type) {
    case UserType::TenantAdmin: return CurrentRole::kTenantAdmin;
    case UserType::FacilityAdmin: return CurrentRole::kFacilityAdmin;
    case UserType::User: return CurrentRole::kUser;
  }
  return CurrentRole::kUser;
}

UserType CurrentUserType::userTypeOf(CurrentRole role) {
  switch (role) {
    case CurrentRole::kTenantAdmin: return UserType::TenantAdmin;
    case CurrentRole::kFacilityAdmin: return UserType::FacilityAdmin;
    case CurrentRole::kUser: return UserType::User;
  }
  return UserType::User;
}

void CurrentUserType::setCurrentUser(CurrentRole role) {
  auto& d = UserDefaultsKey::defaults();
  (void)d.setInteger(static_cast<int>(role), kMyCurrentUserKey);
  d.synchronize();
}

void CurrentUserType::updateLoginType() {
  auto empId = UserDefaultsAccess::getInt(UserDefaultsKey::empId);
  if (!empId) return;
  auto records = LoginEntity::fetchObjects(Predicate{{{"empid", platform::Value(*empId)}}}, std::nullopt);
  if (!records || records->empty()) return;
  records->front()->logintype = UserTypes::loginLetter(currentUserType());
  CoreDataManager::shared().mainManagedObjectContext().saveChanges();
}
