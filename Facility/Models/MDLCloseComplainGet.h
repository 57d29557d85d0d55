#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// Reply: full details of one complaint before closing it. Its identifiers are integers here;
// images travel as Base64 texts of several MiB.
struct MDLCloseComplainGet {
  std::optional<std::int64_t> id{};
  std::optional<std::int64_t> companyID{};
  std::optional<std::int64_t> locationID{};
  std::optional<std::int64_t> tenantID{};
  std::optional<std::int64_t> facilityTypeID{};
  std::optional<std::string> facilityType{};
  std::optional<std::int64_t> complainMappingID{};
  std::optional<std::string> visitDate{};
  std::optional<std::string> visitTime{};
  std::optional<std::string> vistiDateTime{};
  std::optional<std::string> remark{};
  std::optional<std::string> dateOfclosure{};
  std::optional<std::string> crby{};
  std::optional<std::string> mode{};
  std::optional<std::vector<std::string>> imageUpload{};
  std::optional<std::string> imageUpload1{};
  std::optional<std::string> closeRemark{};
  std::optional<bool> isOpen{};
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};

  friend bool operator==(const MDLCloseComplainGet&, const MDLCloseComplainGet&) = default;
};
FACILITY_WIRE_RECORD(MDLCloseComplainGet, kDecode, false)
