#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Screens/InviteUserCell.h"
#include "Facility/Screens/InviteUserVC.h"
#include "Facility/Widgets/NibLoader.h"
#include "Platform/Foundation/Locale.h"
#include "Platform/Foundation/TimeZone.h"
#include "Platform/UIKit/DatePicker.h"
#include "tests/Facility/Screens/AccessAssignmentFixture.h"

namespace screens_test {
namespace {

using FieldName = InviteUserVC::FieldName;

// 5 March 2026, 14:07 and 6 March 2026, 09:30 in Berlin (UTC+1 in March).
constexpr double kMarchFifth = 1772716020.0;
constexpr double kMarchSixth = 1772785800.0;

class InviteUserTest : public AccessAssignmentFixture {
 protected:
  void TearDown() override {
    form.reset();
    platform::Locale::setCurrentOverride(std::nullopt);
    platform::TimeZone::setLocalOverride(std::nullopt);
    AccessAssignmentFixture::TearDown();
  }

  void openForm(std::vector<MDLVisitoryCategory> categories = {{"Guest", "2"}, {"Vendor", "3"}}) {
    host();
    form = make<InviteUserVC>(StoryboardName::user, "InviteUserVC");
    ASSERT_TRUE(form);
    form->arrCategories = std::move(categories);
    ASSERT_TRUE(nav->pushViewController(form, false));
    pump();
  }

  std::shared_ptr<InviteUserCell> cell(long index) {
    auto table = form->tblInviteUser();
    table->scrollToRowAtIndexPath(uikit::IndexPath::forRow(index, 0), uikit::TableViewScrollPosition::kTop, false);
    table->layoutIfNeeded();
    return std::dynamic_pointer_cast<InviteUserCell>(table->cellForRowAtIndexPath(uikit::IndexPath::forRow(index, 0)));
  }
  std::shared_ptr<uikit::TextField> field(long index) {
    auto c = cell(index);
    return c ? c->txtField.lock() : nullptr;
  }

  // A form that passes every check.
  void fillValid() {
    form->strFirstName = "Ann";
    form->strLastName = "Lee";
    form->strCategory = "Guest";
    form->strCategoryValue = "2";
    form->strMobileNumber = "+441234567890";
    form->strEmailId = "ann@lee.co";
    form->strPurposeVisit = "Audit";
    form->strCompanyName = "Acme";
    form->strExpectedDate = "05/03/2026";
    form->strExpectedTime = "14:07";
    form->strMeetingHours = "00:01";
  }

  // Picks a date on the row's date picker and presses Done.
  void pickDate(long index, double date) {
    auto f = field(index);
    ASSERT_TRUE(f);
    auto input = TextFieldInput::of(f);
    ASSERT_TRUE(f->becomeFirstResponder());
    input->datePicker()->userSelectDate(date);
    input->btnDoneTapped();
    pump();
  }

  std::shared_ptr<InviteUserVC> form;
};

TEST_F(InviteUserTest, EachRowGetsItsOwnSettingsThroughReuse) {
  openForm();
  EXPECT_EQ(form->title(), std::optional<std::string>("Invite Visitor"));
  ASSERT_EQ(form->arrData.size(), 10u);
  auto table = form->tblInviteUser();
  EXPECT_EQ(table->separatorStyle, uikit::TableViewCellSeparatorStyle::kNone);
  // A short table holds two rows at a time, so every row is a reused one
  // that last showed another field.
  table->setFrame(uikit::Rect(0, 100, 390, 120));

  enum class Input { keyboard, list, date, time, wheels };
  struct Case {
    long row;
    std::string label, placeholder;
    uikit::KeyboardType keyboard;
    uikit::TextAutocapitalizationType caps;
    Input input;
    bool rightImage;
    std::optional<std::string> typed;  // typed text, then what the field keeps
    std::string kept;
  };
  using K = uikit::KeyboardType;
  using C = uikit::TextAutocapitalizationType;
  const std::string sixty(60, 'a');
  const std::string digits(14, '1');
  const std::vector<Case> cases = {
      {0, "First Name:", "", K::kDefault, C::kWords, Input::keyboard, false, sixty, std::string(50, 'a')},
      {1, "Last Name:", "", K::kDefault, C::kWords, Input::keyboard, false, sixty, std::string(50, 'a')},
      {2, "Category:", "", K::kDefault, C::kNone, Input::list, true, "x", ""},
      {3, "Mobile No:", "", K::kNumberPad, C::kNone, Input::keyboard, false, digits, std::string(13, '1')},
      {4, "Email ID:", "", K::kEmailAddress, C::kNone, Input::keyboard, false, sixty, std::string(50, 'a')},
      {5, "Purpose Of Visit:", "", K::kDefault, C::kNone, Input::keyboard, false, sixty, sixty},
      {6, "Company Name:", "", K::kDefault, C::kNone, Input::keyboard, false, sixty, sixty},
      {7, "Expected Date:", "DD/MM/YYYY", K::kDefault, C::kNone, Input::date, false, std::nullopt, ""},
      {8, "Time:", "HH:mm", K::kDefault, C::kNone, Input::time, false, std::nullopt, ""},
      {9, "Meeting Hours:", "HH:mm", K::kDefault, C::kNone, Input::wheels, false, "12", ""},
  };
  // Twice round, so each row also follows every other kind of row.
  for (int round = 0; round < 2; ++round) {
    for (const Case& c : round == 0 ? cases : std::vector<Case>(cases.rbegin(), cases.rend())) {
      SCOPED_TRACE(testing::Message() << "row " << c.row << " round " << round);
      auto row = cell(c.row);
      ASSERT_TRUE(row);
      auto f = row->txtField.lock();
      EXPECT_EQ(row->lbTitle.lock()->text(), std::optional<std::string>(c.label));
      EXPECT_EQ(f->placeholder().value_or(""), c.placeholder);
      EXPECT_EQ(f->keyboardType, c.keyboard);
      EXPECT_EQ(f->autocapitalizationType, c.caps);
      EXPECT_FALSE(f->isSecureTextEntry);
      EXPECT_EQ(f->rightView() != nullptr, c.rightImage);
      if (c.input == Input::wheels) {
        EXPECT_EQ(f->delegate(), std::static_pointer_cast<uikit::TextFieldDelegate>(row)) << "the row hears the edits";
      }
      auto input = TextFieldInput::of(f);
      switch (c.input) {
        case Input::keyboard: EXPECT_FALSE(f->inputView); break;
        case Input::list: EXPECT_EQ(f->inputView, input->pickerView()); break;
        case Input::date:
        case Input::time:
          ASSERT_EQ(f->inputView, input->datePicker());
          EXPECT_EQ(input->datePicker()->datePickerMode,
                    c.input == Input::date ? uikit::DatePickerMode::kDate : uikit::DatePickerMode::kTime);
          break;
        case Input::wheels:
          EXPECT_EQ(f->inputView, row->pickerTime);
          f->setDelegate(row);  // as configured, before the typing below
          break;
      }
      if (round == 0 && c.typed) {
        f->setText("");
        f->typeText(*c.typed);
        EXPECT_EQ(f->text().value_or(""), c.kept);
        if (c.input == Input::wheels) {
          ASSERT_TRUE(f->resignFirstResponder());
        } else {
          f->setText("");
          ASSERT_TRUE(f->resignFirstResponder());
        }
        pump();
      }
    }
  }
}

TEST_F(InviteUserTest, ChecksRunInFieldOrderWithTheirMessages) {
  openForm();
  struct Case {
    const char* name;
    std::function<void(InviteUserVC&)> change;
    std::optional<std::string> message;  // none: the form passes
  };
  const std::vector<Case> cases = {
      {"all empty",
       [](InviteUserVC& f) {
         f.strFirstName = f.strLastName = f.strCategory = f.strMobileNumber = f.strEmailId = "";
         f.strPurposeVisit = f.strCompanyName = f.strExpectedDate = f.strExpectedTime = f.strMeetingHours = "";
       },
       "Please enter first name"},
      {"first name of spaces", [](InviteUserVC& f) { f.strFirstName = "   "; }, "Please enter first name"},
      {"last name of a line end", [](InviteUserVC& f) { f.strLastName = "\n"; }, "Please enter last name"},
      {"no category", [](InviteUserVC& f) { f.strCategory = ""; }, "Please select Category"},
      {"no mobile", [](InviteUserVC& f) { f.strMobileNumber = " "; }, "Please enter mobile number"},
      {"mobile with a space", [](InviteUserVC& f) { f.strMobileNumber = "+44 1234"; }, "Please enter valid mobile number"},
      {"mobile with a dash", [](InviteUserVC& f) { f.strMobileNumber = "1234-567"; }, "Please enter valid mobile number"},
      {"plus and twelve digits", [](InviteUserVC& f) { f.strMobileNumber = "+123456789012"; }, std::nullopt},
      {"no e-mail", [](InviteUserVC& f) { f.strEmailId = ""; }, "Please enter email id"},
      {"one-letter ending", [](InviteUserVC& f) { f.strEmailId = "ann@lee.c"; }, "Please enter your valid email id"},
      {"no dot after the at", [](InviteUserVC& f) { f.strEmailId = "ann@leeco"; }, "Please enter your valid email id"},
      {"leading blank", [](InviteUserVC& f) { f.strEmailId = " ann@lee.co"; }, "Please enter your valid email id"},
      {"a prefix that matches is not enough", [](InviteUserVC& f) { f.strEmailId = "ann@lee.co!"; },
       "Please enter your valid email id"},
      {"two-letter ending", [](InviteUserVC& f) { f.strEmailId = "a.b+c@x-y.io"; }, std::nullopt},
      {"no purpose", [](InviteUserVC& f) { f.strPurposeVisit = "\t"; }, "Please enter purpose of visit"},
      {"no company", [](InviteUserVC& f) { f.strCompanyName = ""; }, "Please enter company name"},
      {"no date", [](InviteUserVC& f) { f.strExpectedDate = ""; }, "Please enter expected date"},
      {"no time", [](InviteUserVC& f) { f.strExpectedTime = ""; }, "Please enter expected time"},
      {"no meeting hours", [](InviteUserVC& f) { f.strMeetingHours = ""; }, "Please enter meeting hours"},
      {"zero meeting hours", [](InviteUserVC& f) { f.strMeetingHours = "00:00"; }, "Please enter meeting hours"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fillValid();
    c.change(*form);
    form->btnNextClicked();
    pump();
    if (c.message) {
      EXPECT_EQ(alertText(), "Alert: " + *c.message);
      ASSERT_TRUE(press("Ok"));
      EXPECT_EQ(nav->viewControllers().size(), 2u);
    } else {
      EXPECT_EQ(alertOnScreen(), nullptr);
      ASSERT_EQ(nav->viewControllers().size(), 3u);
      nav->popViewController(false);
    }
    pump();
  }
}

TEST_F(InviteUserTest, HandOverCarriesTheCategoryValueAndUntrimmedTexts) {
  openForm();
  fillValid();
  auto category = field(2);
  EXPECT_EQ(category->typeText("zz"), 0) << "typing in the category changes nothing";
  pick(category, 1);
  EXPECT_EQ(form->strCategory, "Vendor");
  EXPECT_EQ(form->strCategoryValue, "3");
  EXPECT_EQ(form->arrData[2].text, "Vendor");
  EXPECT_EQ(field(2)->text(), std::optional<std::string>("Vendor"));
  form->strFirstName = "  Ann";
  form->strPurposeVisit = "Audit ";
  form->btnNextClicked();
  pump();
  ASSERT_EQ(nav->viewControllers().size(), 3u);
  auto next = std::dynamic_pointer_cast<TenantAssignAccessVC>(nav->viewControllers().back());
  ASSERT_TRUE(next);
  EXPECT_TRUE(next->isFromUserDashboard);
  EXPECT_EQ(next->category, std::optional<std::string>("3"));
  EXPECT_EQ(next->firstName, std::optional<std::string>("  Ann"));
  EXPECT_EQ(next->lastName, std::optional<std::string>("Lee"));
  EXPECT_EQ(next->mobileNumber, std::optional<std::string>("+441234567890"));
  EXPECT_EQ(next->email, std::optional<std::string>("ann@lee.co"));
  EXPECT_EQ(next->purposeVisit, std::optional<std::string>("Audit "));
  EXPECT_EQ(next->companyName, std::optional<std::string>("Acme"));
  EXPECT_EQ(next->expectedDate, std::optional<std::string>("05/03/2026"));
  EXPECT_EQ(next->expectedTime, std::optional<std::string>("14:07"));
  EXPECT_EQ(next->meetingHours, std::optional<std::string>("00:01"));
}

TEST_F(InviteUserTest, NoCategoriesEndAtSelectCategory) {
  openForm({});
  fillValid();
  form->strCategory = "";
  auto category = field(2);
  auto input = TextFieldInput::of(category);
  ASSERT_TRUE(category->becomeFirstResponder());
  EXPECT_EQ(input->pickerView()->numberOfRowsInComponent(0), 0);
  input->btnDoneTapped();
  pump();
  EXPECT_EQ(form->strCategory, "");
  form->btnNextClicked();
  EXPECT_EQ(alertText(), "Alert: Please select Category");
}

TEST_F(InviteUserTest, NextWhileEditingStoresThatFieldFirst) {
  openForm();
  fillValid();
  form->strFirstName = "";
  auto first = field(0);
  ASSERT_TRUE(first->becomeFirstResponder());
  EXPECT_EQ(first->typeText("Zoe"), 3);
  form->btnNextClicked();
  pump();
  EXPECT_EQ(form->strFirstName, "Zoe");
  ASSERT_EQ(nav->viewControllers().size(), 3u);
  auto next = std::dynamic_pointer_cast<TenantAssignAccessVC>(nav->viewControllers().back());
  ASSERT_TRUE(next);
  EXPECT_EQ(next->firstName, std::optional<std::string>("Zoe"));
}

TEST_F(InviteUserTest, MeetingHoursComeFromTheWheels) {
  openForm();
  auto row = cell(9);
  ASSERT_TRUE(row);
  auto hours = row->txtField.lock();
  // Opened and closed untouched: 0 hours and 1 minute.
  ASSERT_TRUE(hours->becomeFirstResponder());
  ASSERT_TRUE(hours->resignFirstResponder());
  pump();
  EXPECT_EQ(form->strMeetingHours, "00:01");
  EXPECT_EQ(form->arrData[9].text, "00:01");

  row = cell(9);
  hours = row->txtField.lock();
  ASSERT_TRUE(hours->becomeFirstResponder());
  EXPECT_EQ(row->pickerTime->selectedRowInComponent(0), 0);
  EXPECT_EQ(row->pickerTime->selectedRowInComponent(1), 1) << "the wheels start at the shown values";
  ASSERT_TRUE(row->pickerTime->userSelectRow(150, 0));
  ASSERT_TRUE(row->pickerTime->userSelectRow(0, 1));
  ASSERT_TRUE(hours->resignFirstResponder());
  pump();
  EXPECT_EQ(form->strMeetingHours, "150:00");
  EXPECT_EQ(field(9)->text(), std::optional<std::string>("150:00"));
}

TEST_F(InviteUserTest, RowWheelsShowTwoDigitRowsAndTheirLabels) {
  auto row = std::dynamic_pointer_cast<InviteUserCell>(NibLoader::loadFromNib("InviteUserCell"));
  ASSERT_TRUE(row);
  std::vector<std::pair<long, long>> reported;
  row->configureTimePicker([&](long h, long m) { reported.emplace_back(h, m); });
  auto& picker = *row->pickerTime;
  EXPECT_EQ(picker.numberOfComponents(), 2);
  EXPECT_EQ(picker.numberOfRowsInComponent(0), 1000);
  EXPECT_EQ(picker.numberOfRowsInComponent(1), 60);
  EXPECT_EQ(picker.titleForRow(0, 0), std::optional<std::string>("00"));
  EXPECT_EQ(picker.titleForRow(9, 1), std::optional<std::string>("09"));
  EXPECT_EQ(picker.titleForRow(10, 0), std::optional<std::string>("10"));
  EXPECT_EQ(picker.titleForRow(999, 0), std::optional<std::string>("999"));
  EXPECT_EQ(picker.widthForComponent(0), picker.bounds().width() / 3);
  EXPECT_EQ(picker.widthForComponent(1), picker.bounds().width() / 3);

  // Each wheel's share of the 390-point screen, 10 down, 20 high.
  row->configureTimePicker(nullptr);
  ASSERT_EQ(row->componentLabels().size(), 2u);
  int labelsOnPicker = 0;
  for (const auto& v : picker.subviews()) labelsOnPicker += std::dynamic_pointer_cast<uikit::Label>(v) ? 1 : 0;
  EXPECT_EQ(labelsOnPicker, 2) << "earlier labels are taken off";
  const double x = picker.frame().x();
  EXPECT_EQ(row->componentLabels()[0]->text(), std::optional<std::string>("Hr"));
  EXPECT_EQ(row->componentLabels()[0]->frame(), uikit::Rect(x, 10, 195, 20));
  EXPECT_EQ(row->componentLabels()[1]->text(), std::optional<std::string>("Min"));
  EXPECT_EQ(row->componentLabels()[1]->frame(), uikit::Rect(x + 195, 10, 195, 20));
  EXPECT_EQ(row->componentLabels()[1]->textAlignment, uikit::TextAlignment::kCenter);

  auto text = [&] { return row->txtField.lock()->text().value_or("<none>"); };
  struct Case {
    std::string given;
    long hour, minutes;
    std::string shown;
  };
  row->txtField.lock()->setText("start");
  for (const Case& c : std::vector<Case>{{"12:30", 12, 30, "12:30"},
                                         {"7:5", 7, 5, "07:05"},
                                         {"  ", 7, 5, "07:05"},  // blank: nothing changes
                                         {"", 7, 5, "07:05"},
                                         {"5", 5, 0, "05:00"},
                                         {"5:", 5, 0, "05:00"},
                                         {"x:7", 0, 7, "00:07"},
                                         {"123:0", 123, 0, "123:00"}}) {
    row->setTime(c.given);
    EXPECT_EQ(row->hour, c.hour) << "'" << c.given << "'";
    EXPECT_EQ(row->minutes, c.minutes) << "'" << c.given << "'";
    EXPECT_EQ(text(), c.shown) << "'" << c.given << "'";
  }
  // Ending the edit reports what the wheels were opened on.
  row->textFieldDidBeginEditing(*row->txtField.lock());
  row->textFieldDidEndEditing(*row->txtField.lock());
  EXPECT_EQ(reported, (std::vector<std::pair<long, long>>{{123, 0}}));
}

TEST_F(InviteUserTest, PickedDatesAreWrittenTheSameWhateverTheDeviceLocale) {
  platform::TimeZone::setLocalOverride(platform::TimeZone::named("Europe/Berlin"));
  for (const char* locale : {"en_US", "th_TH", "ar_EG"}) {
    SCOPED_TRACE(locale);
    platform::Locale::setCurrentOverride(platform::Locale(locale));
    nav.reset();
    form.reset();
    openForm();
    pickDate(7, kMarchFifth);
    pickDate(8, kMarchFifth);
    EXPECT_EQ(form->strExpectedDate, "05/03/2026");
    EXPECT_EQ(form->strExpectedTime, "14:07");
    EXPECT_EQ(field(7)->text(), std::optional<std::string>("05/03/2026"));
    EXPECT_EQ(field(8)->text(), std::optional<std::string>("14:07"));
    EXPECT_EQ(form->selectedDate, std::optional<double>(kMarchFifth));
  }
  // A reopened picker starts at the last pick, date and time alike.
  pickDate(7, kMarchSixth);
  for (long index : {7L, 8L}) {
    auto f = field(index);
    ASSERT_TRUE(f->becomeFirstResponder());
    EXPECT_EQ(TextFieldInput::of(f)->datePicker()->date(), index == 7 ? kMarchSixth : kMarchFifth);
    ASSERT_TRUE(f->resignFirstResponder());
    pump();
  }
  EXPECT_EQ(form->strExpectedDate, "06/03/2026");
}

}  // namespace
}  // namespace screens_test
