// Form-check messages, in the order forms declare them; the wording
// (capitals and missing full stops included) is part of the product.
#pragma once

#include <array>
#include <string>

#include "Facility/Widgets/StringBackedEnum.h"

enum class ValidationCase {
  invitationCodeIsBlank,
  emailIdNotFound,
  invalidInvitationCode,
  selectUserType,
  enterUsername,
  enterPassword,
  enterConfirmPassword,
  enterEmail,
  enterValidEmail,
  enterFirstName,
  enterLastName,
  selectCategory,
  enterCompanyName,
  enterMobile,
  enterValidMobile,
  enterPurposeOfVisit,
  enterExpectedDate,
  enterExpectedTime,
  enterMeetingHours,
  selectOneItem,
  selectBuilding,
  select2Wheeler,
  select4Wheeler,
  enterOTP,
  passwordDonotMatch,
  tagIdNotFound,
};

class Validation : public StringBackedEnum<Validation, ValidationCase, 26> {
 public:
  using Case = ValidationCase;
  using StringBackedEnum::StringBackedEnum;
  static constexpr Case invitationCodeIsBlank = Case::invitationCodeIsBlank;
  static constexpr Case emailIdNotFound = Case::emailIdNotFound;
  static constexpr Case invalidInvitationCode = Case::invalidInvitationCode;
  static constexpr Case selectUserType = Case::selectUserType;
  static constexpr Case enterUsername = Case::enterUsername;
  static constexpr Case enterPassword = Case::enterPassword;
  static constexpr Case enterConfirmPassword = Case::enterConfirmPassword;
  static constexpr Case enterEmail = Case::enterEmail;
  static constexpr Case enterValidEmail = Case::enterValidEmail;
  static constexpr Case enterFirstName = Case::enterFirstName;
  static constexpr Case enterLastName = Case::enterLastName;
  static constexpr Case selectCategory = Case::selectCategory;
  static constexpr Case enterCompanyName = Case::enterCompanyName;
  static constexpr Case enterMobile = Case::enterMobile;
  static constexpr Case enterValidMobile = Case::enterValidMobile;
  static constexpr Case enterPurposeOfVisit = Case::enterPurposeOfVisit;
  static constexpr Case enterExpectedDate = Case::enterExpectedDate;
  static constexpr Case enterExpectedTime = Case::enterExpectedTime;
  static constexpr Case enterMeetingHours = Case::enterMeetingHours;
  static constexpr Case selectOneItem = Case::selectOneItem;
  static constexpr Case selectBuilding = Case::selectBuilding;
  static constexpr Case select2Wheeler = Case::select2Wheeler;
  static constexpr Case select4Wheeler = Case::select4Wheeler;
  static constexpr Case enterOTP = Case::enterOTP;
  static constexpr Case passwordDonotMatch = Case::passwordDonotMatch;
  static constexpr Case tagIdNotFound = Case::tagIdNotFound;
  static const std::array<std::string, 26>& texts();
};
