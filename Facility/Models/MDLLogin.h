#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// Reply of signing in. The picture URL travels under the doubled key "ImageUrlImageUrl"; the
// administrator flags are texts (any non-empty text sets them), not booleans.
struct MDLLogin {
  std::optional<std::int64_t> EmpId{};
  std::optional<std::string> ImageUrl{};
  std::optional<std::string> LoginType{};
  std::optional<std::string> AccessToken{};
  std::optional<std::string> RefreshToken{};
  std::optional<std::int64_t> TokenExpiredIn{};
  std::optional<std::int64_t> TenantId{};
  std::optional<std::string> Version{};
  std::optional<bool> IsSSO{};
  std::optional<bool> IsFindVehicle{};
  std::optional<bool> IsCloseComplain{};
  std::optional<std::string> encryptedUserName{};
  std::optional<std::string> encryptedPassword{};
  std::optional<std::string> apiKey{};
  std::optional<bool> IsSuccess{};
  std::optional<std::string> Message{};
  std::optional<std::string> TenantAdmin{};
  std::optional<std::string> FacilityAdmin{};

  friend bool operator==(const MDLLogin&, const MDLLogin&) = default;
};
FACILITY_WIRE_RECORD(MDLLogin, kDecode, false)
