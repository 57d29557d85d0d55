// The roles a signed-in user can work in.
#pragma once

#include <optional>
#include <string>
#include <vector>

enum class UserType { FacilityAdmin, TenantAdmin, User };

namespace UserTypes {
std::string rawValue(UserType type);
// Exactly "Facility Admin", "Tenant Admin" or "User"; anything else: none.
std::optional<UserType> fromRawValue(const std::string& raw);
// The login-type letter "F", "T" or "U".
std::string loginLetter(UserType type);
std::optional<UserType> fromLoginLetter(const std::string& letter);
const std::vector<UserType>& allCases();
std::vector<std::string> allDisplayNames();
// The role names the current login record allows switching between.
std::vector<std::string> availableForCurrentUser();
}  // namespace UserTypes
