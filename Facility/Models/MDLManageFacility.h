#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// One employee row.
struct MDLEmployee {
  std::optional<std::string> employeeId{};
  std::optional<std::string> employeeName{};
  std::optional<std::string> employeeCode{};
  std::optional<std::string> employeeUrl{};
  std::optional<std::string> mobileNumber{};
  std::optional<std::string> department{};
  std::optional<bool> isTagAssigned{};
  std::optional<bool> isFloorAccess{};
  std::optional<bool> isParkingAccess{};
  std::optional<bool> isVisitorAssignAccess{};
  std::optional<std::string> invitationStatus{};

  friend bool operator==(const MDLEmployee&, const MDLEmployee&) = default;
};
FACILITY_WIRE_RECORD(MDLEmployee, kDecode, false)

// Reply: one page of the tenant's employees.
struct MDLManageFacility {
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};
  std::optional<std::string> totalRecords{};
  std::optional<std::string> pageSize{};
  std::optional<std::string> pageNo{};
  std::optional<std::vector<MDLEmployee>> employeeList{};

  friend bool operator==(const MDLManageFacility&, const MDLManageFacility&) = default;
};
FACILITY_WIRE_RECORD(MDLManageFacility, kDecode, false)
