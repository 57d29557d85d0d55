#include "Facility/Widgets/Validation.h"

const std::array<std::string, 26>& Validation::texts() {
  static const std::array<std::string, 26> kTexts = {
      "Please enter invitation code",
      "Email Id not found in invitation code response",
      "Please enter any valid invitation code",
      "Please select user type first",
      "Please enter username",
      "Please enter password",
      "Please confirm password",
      "Please enter email id",
      "Please enter your valid email id",
      "Please enter first name",
      "Please enter last name",
      "Please select Category",
      "Please enter company name",
      "Please enter mobile number",
      "Please enter valid mobile number",
      "Please enter purpose of visit",
      "Please enter expected date",
      "Please enter expected time",
      "Please enter meeting hours",
      "Please select at least one building to continue",
      "Please select building from dropdown list",
      "There is no item selected from two wheeler, Please select any item or uncheck to continue",
      "There is no item selected from four wheeler, Please select any item or uncheck to continue",
      "Please enter OTP",
      "Password and confirm password do not match",
      "Tag id not found",
  };
  return kTexts;
}
