// One visitor invitation as the access-assignment screen fills it; every
// text is present (empty when unknown).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Facility/Models/MDLFourWheeler.h"
#include "Facility/Models/MDLTwoWheeler.h"

struct VisitorInvitation {
  std::string firstName;
  std::string lastName;
  std::string category;
  std::string mobileNumber;
  std::string email;
  std::string purposeVisit;
  std::string companyName;
  std::string expectedDate;
  std::string expectedTime;
  std::string meetingHours;
  std::string buildingId;
  std::string defaultUpFloor;
  std::string defaultDownFloor;
  std::vector<std::shared_ptr<MDLTwoWheeler>> twoWheelers;
  std::vector<std::shared_ptr<MDLFourWheeler>> fourWheelers;
};
