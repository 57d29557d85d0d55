#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"
#include "Facility/Models/MDLBaseAssignAccessBuilding.h"
#include "Facility/Models/MDLTwoWheeler.h"
#include "Facility/Models/MDLFourWheeler.h"

// One visitor category of the invite form.
struct MDLVisitoryCategory {
  std::optional<std::string> text{};
  std::optional<std::string> value{};

  friend bool operator==(const MDLVisitoryCategory&, const MDLVisitoryCategory&) = default;
};
FACILITY_WIRE_RECORD(MDLVisitoryCategory, kDecode, false)

// One default floor choice for going up.
struct DefaultUpList {
  std::optional<std::string> buidlingID{};
  std::optional<bool> isChecked{};
  std::optional<std::string> textt{};
  std::optional<std::string> valuee{};

  friend bool operator==(const DefaultUpList&, const DefaultUpList&) = default;
};
FACILITY_WIRE_RECORD(DefaultUpList, kDecode, false)

// One default floor choice for going down.
struct DefaultDownList {
  std::optional<std::string> buidlingID{};
  std::optional<bool> isChecked{};
  std::optional<std::string> textt{};
  std::optional<std::string> valuee{};

  friend bool operator==(const DefaultDownList&, const DefaultDownList&) = default;
};
FACILITY_WIRE_RECORD(DefaultDownList, kDecode, false)

// Reply: form data of visitor invitation. The building and parking lists hold the shared
// access objects, which the screens change in place.
struct MDLBaseVisitor {
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};
  std::optional<std::string> tagId{};
  std::optional<std::vector<std::shared_ptr<MDLBaseAssignAccessBuilding>>> buildingList{};
  std::optional<std::vector<std::shared_ptr<MDLTwoWheeler>>> twoWheelerParkingList{};
  std::optional<std::vector<std::shared_ptr<MDLFourWheeler>>> fourWheelerParkingList{};
  std::optional<std::vector<MDLVisitoryCategory>> visitorCategoryList{};
  std::optional<std::vector<DefaultDownList>> defaultDownList{};
  std::optional<std::vector<DefaultUpList>> defaultUpList{};
};
FACILITY_WIRE_RECORD(MDLBaseVisitor, kDecode, false)
