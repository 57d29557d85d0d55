#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// One registered owner of a vehicle.
struct EmployeeDetailsModel {
  std::optional<std::string> tenantName{};
  std::optional<std::string> adminName{};
  std::optional<std::string> empID{};
  std::optional<std::string> empName{};
  std::optional<std::string> personType{};
  std::optional<std::string> emailId{};
  std::optional<std::string> mobileNo{};

  friend bool operator==(const EmployeeDetailsModel&, const EmployeeDetailsModel&) = default;
};
FACILITY_WIRE_RECORD(EmployeeDetailsModel, kBoth, false)

// Reply of a vehicle-number lookup.
struct VehicleDetailsModel {
  std::optional<std::string> vehicleNumber{};
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};
  std::optional<std::vector<EmployeeDetailsModel>> empList{};

  friend bool operator==(const VehicleDetailsModel&, const VehicleDetailsModel&) = default;
};
FACILITY_WIRE_RECORD(VehicleDetailsModel, kBoth, false)
