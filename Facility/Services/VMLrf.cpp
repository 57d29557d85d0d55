#include "Facility/Services/VMLrf.h"

#include "Facility/Storage/CoreDataManager.h"
#include "Facility/Storage/LoginEntity.h"
#include "Facility/Storage/UserDefaultsKey.h"
#include "Facility/Services/ViewModelLoader.h"
#include "Platform/Foundation/Log.h"

void VMLrf::requestAuthenticateUser(const std::string& userName, const std::string& password,
                                    ResponseCompletion<MDLLogin> completion, NotDelivered notDelivered) {
  lrfService->requestAuthenticateUser(userName, password, ViewModelLoader::hidingBefore(std::move(completion)),
                                      std::move(notDelivered));
}

void VMLrf::requestForgotPassword(const std::string& emailId, ResponseCompletion<MDLForgotPassword> completion,
                                  NotDelivered notDelivered) {
  lrfService->requestForgotPassword(emailId, ViewModelLoader::hidingBefore(std::move(completion)),
                                    std::move(notDelivered));
}

void VMLrf::requestResetPassword(const std::string& emailId, const std::string& otp, const std::string& password,
                                 ResponseCompletion<MDLResetPassword> completion, NotDelivered notDelivered) {
  lrfService->requestResetPassword(emailId, otp, password, ViewModelLoader::hidingBefore(std::move(completion)),
                                   std::move(notDelivered));
}

void VMLrf::requestSetPassword(const std::string& userName, const std::string& password,
                               ResponseCompletion<MDLSetPassword> completion, NotDelivered notDelivered) {
  lrfService->requestSetPassword(userName, password, ViewModelLoader::hidingBefore(std::move(completion)),
                                 std::move(notDelivered));
}

void VMLrf::saveLogin(const MDLLogin& login) {
  if (!login.EmpId) return;
  auto& context = CoreDataManager::shared().mainManagedObjectContext();
  const platform::Value::Dictionary key{{"empid", *login.EmpId}};
  // A store that cannot be read must not get a second record for the id.
  auto found = context.fetch(LoginEntity::predicateFromDictionary(key), {});
  if (!found.ok()) {
    platform::LogError("Login not stored, the login records could not be read: " + found.status().message());
    return;
  }
  auto record = found.value().empty() ? LoginEntity::insertFromDictionary(key, &context) : found.value().front();
  if (!record) return;

  record->empid = *login.EmpId;
  UserDefaultsAccess::setValue(platform::Value(*login.EmpId), UserDefaultsKey::empId);
  if (login.TenantId) record->tenantid = login.TenantId;
  if (login.TokenExpiredIn) record->tokenexpiredin = login.TokenExpiredIn;
  if (login.Version) record->version = login.Version;
  if (login.AccessToken) {
    record->accesstoken = login.AccessToken;
    UserDefaultsAccess::setValue(platform::Value(*login.AccessToken), UserDefaultsKey::accessToken);
  }
  if (login.ImageUrl) record->imageurl = login.ImageUrl;
  record->logintype = login.LoginType.value_or("U");
  if (login.RefreshToken) record->refreshtoken = login.RefreshToken;
  if (login.IsSSO) record->issso = login.IsSSO;
  if (login.apiKey) record->apikey = login.apiKey;
  if (login.TenantAdmin) record->tenantAdmin = login.TenantAdmin;
  if (login.FacilityAdmin) record->facilityAdmin = login.FacilityAdmin;
  context.saveChanges();
}
