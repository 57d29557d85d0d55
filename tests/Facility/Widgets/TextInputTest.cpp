#include <string>
#include <vector>

#include "Facility/Widgets/TextFieldInput.h"
#include "tests/Facility/Widgets/WidgetsFixture.h"

namespace widgets_test {
namespace {

class TextInputTest : public WidgetsFixture {
 protected:
  void SetUp() override {
    WidgetsFixture::SetUp();
    root = std::make_shared<uikit::ViewController>();
    show(root);
    field = uikit::View::make<uikit::TextField>(uikit::Rect(0, 0, 200, 40));
    root->view()->addSubview(field);
  }
  struct Done {
    std::string title;
    long row = -1;
  };
  uikit::ViewControllerPtr root;
  std::shared_ptr<uikit::TextField> field;
};

TEST_F(TextInputTest, ListPickerSelectsMatchingRowElseDefaultElseFirstAndDoneWrites) {
  struct Case {
    std::optional<std::string> text;
    std::optional<std::string> defaultValue;
    long row;
  };
  std::vector<TextFieldInput::Row> rows = {std::string("Low"), std::string("Medium"), std::string("High")};
  for (const Case& c : std::vector<Case>{{"High", "Medium", 2},
                                          {"Nope", "Medium", 1},
                                          {"Nope", "Absent", 0},
                                          {std::nullopt, std::nullopt, 0}}) {
    SCOPED_TRACE(c.text.value_or("<none>"));
    field->setText(c.text);
    auto input = TextFieldInput::of(field);
    std::vector<Done> done;
    input->setListPickerInput(rows, c.defaultValue, [&](const std::string& t, long r, long) {
      done.push_back({t, r});
      EXPECT_EQ(field->text(), std::optional<std::string>(t)) << "text is written before the handler runs";
    });
    EXPECT_EQ(field->inputView, input->pickerView());
    ASSERT_TRUE(field->becomeFirstResponder());
    EXPECT_EQ(input->pickerView()->selectedRowInComponent(0), c.row);
    input->btnDoneTapped();
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].row, c.row);
    EXPECT_EQ(field->text(), std::optional<std::string>(std::any_cast<std::string>(rows[c.row])));
    EXPECT_FALSE(field->isFirstResponder());
  }
}

TEST_F(TextInputTest, ChoosingARowThenDoneReportsIt) {
  auto input = TextFieldInput::of(field);
  std::vector<Done> done;
  input->setListPickerInput({std::string("A"), std::string("B")}, std::nullopt,
                            [&](const std::string& t, long r, long) { done.push_back({t, r}); });
  ASSERT_TRUE(field->becomeFirstResponder());
  ASSERT_TRUE(input->pickerView()->userSelectRow(1, 0));
  input->btnDoneTapped();
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].title, "B");
  EXPECT_EQ(field->text(), std::optional<std::string>("B"));
}

TEST_F(TextInputTest, ListWithoutRowsOnlyDismisses) {
  auto input = TextFieldInput::of(field);
  int calls = 0;
  input->setListPickerInput({}, "x", [&](const std::string&, long, long) { ++calls; });
  ASSERT_TRUE(field->becomeFirstResponder());
  input->btnDoneTapped();
  EXPECT_EQ(calls, 0);
  EXPECT_FALSE(field->isFirstResponder());
}

TEST_F(TextInputTest, DictionaryRowsLetTheHandlerWriteTheText) {
  auto input = TextFieldInput::of(field);
  using D = TextFieldInput::Dictionary;
  field->setText("Tower B");
  std::vector<Done> done;
  input->setDictionaryPickerInput("text", {D{{"text", "Tower A"}}, D{{"text", "Tower B"}}, D{{"id", "7"}}},
                                  [&](const std::string& t, long r, long) {
                                    done.push_back({t, r});
                                    field->setText("chosen " + std::to_string(r));
                                  });
  EXPECT_EQ(input->pickerView()->titleForRow(0, 0), std::optional<std::string>("Tower A"));
  EXPECT_FALSE(input->pickerView()->titleForRow(2, 0));
  ASSERT_TRUE(field->becomeFirstResponder());
  EXPECT_EQ(input->pickerView()->selectedRowInComponent(0), 1);
  input->btnDoneTapped();
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].title, "Tower B") << "the field's current text";
  EXPECT_EQ(field->text(), std::optional<std::string>("chosen 1"));
}

TEST_F(TextInputTest, DatePickerPrefillsAndReportsOnDone) {
  auto input = TextFieldInput::of(field);
  input->dateFormatter().setTimeZone(platform::TimeZone::gmt());
  std::vector<double> dates;
  field->setText("kept");
  input->setDatePickerInput("yyyy-MM-dd", 86400.0 * 3, false, [&](double d) { dates.push_back(d); });
  EXPECT_EQ(field->inputView, input->datePicker());
  EXPECT_EQ(input->datePicker()->preferredDatePickerStyle, uikit::DatePickerStyle::kWheels);
  ASSERT_TRUE(field->becomeFirstResponder());
  EXPECT_EQ(field->text(), std::optional<std::string>("kept")) << "not prefilled";
  EXPECT_EQ(input->datePicker()->date(), 86400.0 * 3);
  input->datePicker()->userSelectDate(86400.0 * 5);
  input->btnDoneTapped();
  EXPECT_EQ(dates, std::vector<double>{86400.0 * 5});
  EXPECT_EQ(field->text(), std::optional<std::string>("kept")) << "Done leaves the text to the handler";

  input->setDatePickerInput("yyyy-MM-dd", 0.0, true, nullptr);
  ASSERT_TRUE(field->becomeFirstResponder());
  EXPECT_EQ(field->text(), std::optional<std::string>("1970-01-01"));
}

TEST_F(TextInputTest, MaximumLengthJudgesTheResultingText) {
  auto input = TextFieldInput::of(field);
  input->setMaxLength(10);
  ASSERT_TRUE(field->becomeFirstResponder());
  EXPECT_EQ(field->typeText("123456789"), 9);
  EXPECT_FALSE(field->paste("abcd")) << "a paste may not pass the limit";
  EXPECT_EQ(field->text(), std::optional<std::string>("123456789"));
  EXPECT_EQ(field->typeText("0x"), 1) << "the tenth is taken, the eleventh refused";
  EXPECT_EQ(field->text(), std::optional<std::string>("1234567890"));
  EXPECT_TRUE(field->deleteBackward());

  // A text already over the limit can still be shortened.
  field->setText("123456789012");
  EXPECT_TRUE(field->deleteBackward());
  EXPECT_TRUE(field->replaceRange({0, 2}, "x"));
  EXPECT_FALSE(field->replaceRange({0, 0}, "y"));
  // Lengths count characters: an accented letter is one.
  field->setText("123456789");
  EXPECT_TRUE(field->paste("\xC3\xA9"));
}

TEST_F(TextInputTest, TypeDisableAllowedCharactersAndProtectedPrefix) {
  auto input = TextFieldInput::of(field);
  ASSERT_TRUE(field->becomeFirstResponder());
  input->setTypeDisable("true");
  EXPECT_EQ(field->typeText("a"), 0);
  EXPECT_FALSE(field->paste("abc"));
  input->setTypeDisable("false");
  input->setAllowedCharacters(std::string("0123456789"));
  EXPECT_EQ(field->typeText("1a2"), 2);
  EXPECT_TRUE(field->deleteBackward()) << "deleting always passes";
  input->setAllowedCharacters(std::nullopt);
  field->setText("+91 ");
  input->setProtectedPrefixLength(4);
  EXPECT_FALSE(field->replaceRange({1, 1}, ""));
  EXPECT_TRUE(field->typeText("9"));
}

TEST_F(TextInputTest, TypeDisabledPickerStillWritesOnDone) {
  auto input = TextFieldInput::of(field);
  input->setTypeDisable("true");
  input->setListPickerInput({std::string("One")}, std::nullopt, nullptr);
  int calls = 0;
  input->setListPickerInput({std::string("One")}, std::nullopt, [&](const std::string&, long, long) { ++calls; });
  ASSERT_TRUE(field->becomeFirstResponder());
  input->btnDoneTapped();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(field->text(), std::optional<std::string>("One"));
}

TEST_F(TextInputTest, EndEditingRunsHandlersWithTheStoredIndex) {
  auto input = TextFieldInput::of(field);
  std::vector<std::string> calls;
  input->setEndEditingHandler([&](uikit::TextField&) { calls.push_back("end"); });
  input->setSelectedIndexHandler(4, [&](uikit::TextField&, long i) { calls.push_back("index " + std::to_string(i)); });
  ASSERT_TRUE(field->becomeFirstResponder());
  field->resignFirstResponder();
  EXPECT_EQ(calls, (std::vector<std::string>{"end", "index 4"}));
}

}  // namespace
}  // namespace widgets_test
