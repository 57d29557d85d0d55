#include "Facility/Storage/UserType.h"

#include "Facility/Storage/LoginEntity.h"
#include "Facility/Storage/LocalStorage.h"
#include "Facility/Storage/SessionActions.h"

namespace UserTypes {

std::string rawValue(UserType type) {
  switch (type) {
    case UserType::FacilityAdmin: return "Facility Admin";
    case UserType::TenantAdmin: return "Tenant Admin";
    case UserType::User: return "User";
  }
  return "User";
}

std::optional<UserType> fromRawValue(const std::string& raw) {
  for (UserType t : allCases()) {
    if (rawValue(t) == raw) return t;
  }
  return std::nullopt;
}

std::string loginLetter(UserType type) {
  switch (type) {
    case UserType::FacilityAdmin: return "F";
    case UserType::TenantAdmin: return "T";
    case UserType::User: return "U";
  }
  return "U";
}

std::optional<UserType> fromLoginLetter(const std::string& letter) {
  if (letter == "F") return UserType::FacilityAdmin;
  if (letter == "T") return UserType::TenantAdmin;
  if (letter == "U") return UserType::User;
  return std::nullopt;
}

const std::vector<UserType>& allCases() {
  static const std::vector<UserType> kCases = {UserType::FacilityAdmin, UserType::TenantAdmin, UserType::User};
  return kCases;
}

std::vector<std::string> allDisplayNames() {
  std::vector<std::string> out;
  for (UserType t : allCases()) out.push_back(rawValue(t));
  return out;
}

std::vector<std::string> availableForCurrentUser() {
  auto readText = [](auto field) -> std::string {
    auto delegate = LocalStorage::currentSession();
    auto record = delegate ? delegate->currentLoginEntity() : nullptr;
    if (!record) return "";
    return ((*record).*field).value_or("");
  };
  std::string facilityAdmin = readText(&LoginEntity::facilityAdmin);
  std::string tenantAdmin = readText(&LoginEntity::tenantAdmin);
  if (!facilityAdmin.empty()) return {"User", "Facility Admin"};
  if (!tenantAdmin.empty()) return {"User", "Tenant Admin"};
  return {"User"};
}

}  // namespace UserTypes
