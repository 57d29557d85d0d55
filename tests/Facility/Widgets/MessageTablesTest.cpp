#include <gtest/gtest.h>

#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "Facility/Widgets/AppAlert.h"
#include "Facility/Widgets/Confirmation.h"
#include "Facility/Widgets/DisplayMessage.h"
#include "Facility/Widgets/ErrorMsg.h"
#include "Facility/Widgets/FieldLength.h"
#include "Facility/Widgets/LoaderMsg.h"
#include "Facility/Widgets/Validation.h"

namespace {

template <class E>
void expectTable(const std::vector<std::pair<E, std::string>>& rows) {
  ASSERT_EQ(rows.size(), E::caseCount());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].second);
    EXPECT_EQ(static_cast<std::size_t>(rows[i].first.value()), i) << "declaration order";
    EXPECT_EQ(rows[i].first.rawValue(), rows[i].second);
    auto back = E::initRawValue(rows[i].second);
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(*back == rows[i].first);
  }
}

TEST(MessageTablesTest, ShortTablesHoldTheirExactTexts) {
  expectTable<AppAlert>({{AppAlert::Alert, "Alert"}, {AppAlert::Ok, "Ok"}, {AppAlert::Cancel, "Cancel"},
                         {AppAlert::Sorry, "Sorry"}, {AppAlert::Success, "Success"}, {AppAlert::Confirm, "Confirm"}});
  expectTable<ErrorMsg>(
      {{ErrorMsg::noInternet, "No internet connection available, Please connect to internet to proceed"}});
  expectTable<LoaderMsg>({{LoaderMsg::wait, "Please wait..."},
                          {LoaderMsg::verifying, "Verifying..."},
                          {LoaderMsg::authenticating, "Authenticating..."},
                          {LoaderMsg::connecting, "Connecting..."}});
  expectTable<DisplayMessage>({{DisplayMessage::sensitivityUpdated, "Bluetooth Sensitivity has been updated!"}});
}

TEST(MessageTablesTest, ValidationHasEveryTextInOrder) {
  expectTable<Validation>({
      {Validation::invitationCodeIsBlank, "Please enter invitation code"},
      {Validation::emailIdNotFound, "Email Id not found in invitation code response"},
      {Validation::invalidInvitationCode, "Please enter any valid invitation code"},
      {Validation::selectUserType, "Please select user type first"},
      {Validation::enterUsername, "Please enter username"},
      {Validation::enterPassword, "Please enter password"},
      {Validation::enterConfirmPassword, "Please confirm password"},
      {Validation::enterEmail, "Please enter email id"},
      {Validation::enterValidEmail, "Please enter your valid email id"},
      {Validation::enterFirstName, "Please enter first name"},
      {Validation::enterLastName, "Please enter last name"},
      {Validation::selectCategory, "Please select Category"},
      {Validation::enterCompanyName, "Please enter company name"},
      {Validation::enterMobile, "Please enter mobile number"},
      {Validation::enterValidMobile, "Please enter valid mobile number"},
      {Validation::enterPurposeOfVisit, "Please enter purpose of visit"},
      {Validation::enterExpectedDate, "Please enter expected date"},
      {Validation::enterExpectedTime, "Please enter expected time"},
      {Validation::enterMeetingHours, "Please enter meeting hours"},
      {Validation::selectOneItem, "Please select at least one building to continue"},
      {Validation::selectBuilding, "Please select building from dropdown list"},
      {Validation::select2Wheeler,
       "There is no item selected from two wheeler, Please select any item or uncheck to continue"},
      {Validation::select4Wheeler,
       "There is no item selected from four wheeler, Please select any item or uncheck to continue"},
      {Validation::enterOTP, "Please enter OTP"},
      {Validation::passwordDonotMatch, "Password and confirm password do not match"},
      {Validation::tagIdNotFound, "Tag id not found"},
  });
}

TEST(MessageTablesTest, RawTextsMatchOnlyExactly) {
  for (const char* near : {"tag id not found", "Tag id not found.", " Tag id not found", "", "Tag Id not found"}) {
    SCOPED_TRACE(near);
    EXPECT_FALSE(Validation::initRawValue(near).has_value());
  }
  EXPECT_FALSE(AppAlert::initRawValue("OK").has_value());
  EXPECT_FALSE(LoaderMsg::initRawValue("Please wait").has_value());
}

TEST(MessageTablesTest, HashingFollowsTheText) {
  std::unordered_set<Validation, StringBackedEnumHash<Validation>> set;
  set.insert(Validation::enterOTP);
  set.insert(*Validation::initRawValue("Please enter OTP"));
  EXPECT_EQ(set.size(), 1u);
}

TEST(MessageTablesTest, ConfirmationPromptsAndEquality) {
  EXPECT_EQ(Confirmation::assignAccessConfirm("Jane").prompt(), "Are you sure you want to assign these access to Jane?");
  EXPECT_EQ(Confirmation::assignAccessConfirm(std::nullopt).prompt(),
            "Are you sure you want to assign these access to ?");
  EXPECT_EQ(Confirmation::logoutConfirm().prompt(), "Are you sure you want to logout?");
  EXPECT_EQ(Confirmation::invitation().prompt(), "Are you sure you want to send an invitation?");

  EXPECT_FALSE(Confirmation::assignAccessConfirm("") == Confirmation::assignAccessConfirm("A"));
  EXPECT_TRUE(Confirmation::assignAccessConfirm(std::nullopt) == Confirmation::assignAccessConfirm(""));
  EXPECT_TRUE(Confirmation::logoutConfirm() == Confirmation::logoutConfirm());
  EXPECT_FALSE(Confirmation::logoutConfirm() == Confirmation::invitation());
}

TEST(MessageTablesTest, FieldLimits) {
  EXPECT_EQ(FieldLength::nameAndEmail, 50);
  EXPECT_EQ(FieldLength::mobile, 13);
}

}  // namespace
