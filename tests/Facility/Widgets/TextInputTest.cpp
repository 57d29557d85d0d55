#include <string>
#include <vector>

#include "Facility/Storage/LoginEntity.h"
#include "Facility/Widgets/DoneAccessory.h"
#include "Facility/Widgets/TextFieldInput.h"
#include "Facility/Widgets/UITextFieldAdditions.h"
#include "Platform/UIKit/EditMenu.h"
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

// Screens choose the wheel's mode; the input shows the default date when
// editing begins (writing it into the field only when prefilled), and Done
// reports the chosen date without touching the text.
TEST_F(TextInputTest, DateAndTimePickersPrefillAndReportOnDone) {
  const double day = 86400.0;
  struct Case {
    const char* name;
    uikit::DatePickerMode mode;
    const char* format;
    std::optional<double> defaultDate;
    bool prefilled;
    std::string textOnBegin;
    double spinTo;
    std::string textAfterSpin;  // on the next begin, when prefilled
  };
  for (const Case& c : std::vector<Case>{
           {"date, kept text", uikit::DatePickerMode::kDate, "yyyy-MM-dd", day * 3, false, "kept", day * 5, "kept"},
           {"date, prefilled", uikit::DatePickerMode::kDate, "dd/MM/yyyy", day * 3, true, "04/01/1970", day * 5,
            "06/01/1970"},
           {"time, prefilled", uikit::DatePickerMode::kTime, "HH:mm", 9 * 3600.0 + 1800, true, "09:30", 17 * 3600.0,
            "17:00"},
           {"time, no default", uikit::DatePickerMode::kTime, "HH:mm", std::nullopt, true, "kept", 8 * 3600.0,
            "08:00"},
       }) {
    SCOPED_TRACE(c.name);
    auto f = uikit::View::make<uikit::TextField>(uikit::Rect(0, 0, 200, 40));
    root->view()->addSubview(f);
    auto input = TextFieldInput::of(f);
    input->dateFormatter().setTimeZone(platform::TimeZone::gmt());
    input->datePicker()->datePickerMode = c.mode;
    input->datePicker()->setDate(day * 100);
    std::vector<double> dates;
    f->setText("kept");
    input->setDatePickerInput(c.format, c.defaultDate, c.prefilled, [&](double d) { dates.push_back(d); });
    EXPECT_EQ(f->inputView, input->datePicker());
    EXPECT_EQ(input->datePicker()->preferredDatePickerStyle, uikit::DatePickerStyle::kWheels);
    EXPECT_EQ(input->datePicker()->datePickerMode, c.mode) << "the screen's choice stays";
    EXPECT_EQ(input->selectedDate(), std::optional<double>(c.defaultDate.value_or(day * 100)));

    input->datePicker()->setDate(0);  // the wheel moved elsewhere meanwhile
    ASSERT_TRUE(f->becomeFirstResponder());
    EXPECT_EQ(f->text(), std::optional<std::string>(c.textOnBegin));
    EXPECT_EQ(input->datePicker()->date(), c.defaultDate.value_or(0));
    input->datePicker()->userSelectDate(c.spinTo);
    input->btnDoneTapped();
    EXPECT_EQ(dates, std::vector<double>{c.spinTo});
    EXPECT_EQ(f->text(), std::optional<std::string>(c.textOnBegin)) << "Done leaves the text to the handler";
    EXPECT_FALSE(f->isFirstResponder());

    // The spun date becomes the default of the next editing.
    input->datePicker()->setDate(0);
    ASSERT_TRUE(f->becomeFirstResponder());
    EXPECT_EQ(input->datePicker()->date(), c.spinTo);
    EXPECT_EQ(f->text(), std::optional<std::string>(c.textAfterSpin));
    f->resignFirstResponder();
    f->removeFromSuperview();
  }
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

// Lengths are user-perceived characters, whatever their UTF-16 or code
// point counts.
TEST_F(TextInputTest, MaximumLengthCountsGraphemeClusters) {
  const std::string flag = "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA";           // two regional indicators
  const std::string thumb = "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD";          // with a skin tone
  const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";
  const std::string accent = "e\xCC\x81";                                     // e + combining acute
  struct Case {
    const char* name;
    std::string text;
    std::string pasted;
    bool accepted;
  };
  for (const Case& c : std::vector<Case>{
           {"flag fills the last place", "123", flag, true},
           {"skin-toned thumb fills the last place", "123", thumb, true},
           {"joined family fills the last place", "123", family, true},
           {"decomposed accent fills the last place", "123", accent, true},
           {"two flags pass the limit", "123", flag + flag, false},
           {"flag after a full text", "1234", flag, false},
           {"all four kinds at once", "", flag + thumb + family + accent, true},
           {"five characters at once", "", flag + thumb + family + accent + "x", false},
       }) {
    SCOPED_TRACE(c.name);
    auto input = TextFieldInput::of(field);
    input->setMaxLength(4);
    field->setText(c.text);
    ASSERT_TRUE(field->becomeFirstResponder());
    EXPECT_EQ(field->paste(c.pasted), c.accepted);
    EXPECT_EQ(field->text(), std::optional<std::string>(c.accepted ? c.text + c.pasted : c.text));
    field->resignFirstResponder();
  }

  // Typing one character at a time stops exactly at the limit, and a
  // cluster that arrives in pieces is judged by what the text becomes.
  auto input = TextFieldInput::of(field);
  input->setMaxLength(2);
  field->setText("");
  ASSERT_TRUE(field->becomeFirstResponder());
  EXPECT_EQ(field->typeText(flag + flag + "z"), 4) << "each flag arrives as two code points";
  EXPECT_EQ(field->text(), std::optional<std::string>(flag + flag));
  EXPECT_TRUE(field->deleteBackward()) << "deleting always passes";
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

// Rows that are stored records show their value for the dictionary key; the
// field's text picks the row, else row 0, and Done reports that row.
TEST_F(TextInputTest, StoredRecordRowsShowAndReportTheirKeyValue) {
  auto record = [](std::optional<std::string> type) {
    auto r = std::make_shared<LoginEntity>();
    r->logintype = std::move(type);
    r->empid = 7;
    return r;
  };
  const std::vector<TextFieldInput::Row> rows = {record("U"), record("T"), record(std::nullopt), record("F")};
  struct Case {
    const char* name;
    std::optional<std::string> text;
    long row;
  };
  for (const Case& c : std::vector<Case>{{"text matches a record", "F", 3},
                                          {"text matches none", "X", 0},
                                          {"no text", std::nullopt, 0}}) {
    SCOPED_TRACE(c.name);
    auto input = TextFieldInput::of(field);
    std::vector<Done> done;
    std::optional<std::string> textDuringHandler;
    input->setDictionaryPickerInput("logintype", rows, [&](const std::string& t, long r, long) {
      done.push_back({t, r});
      textDuringHandler = field->text();
    });
    EXPECT_EQ(input->pickerView()->titleForRow(0, 0), std::optional<std::string>("U"));
    EXPECT_EQ(input->pickerView()->titleForRow(2, 0), std::nullopt) << "no string value, no title";
    EXPECT_EQ(input->pickerView()->titleForRow(4, 0), std::nullopt);
    // A wheel left elsewhere by an earlier use must not disagree with Done.
    input->pickerView()->selectRow(1, 0, false);
    field->setText(c.text);
    ASSERT_TRUE(field->becomeFirstResponder());
    EXPECT_EQ(input->pickerView()->selectedRowInComponent(0), c.row);
    EXPECT_EQ(input->selectedRow(), std::optional<long>(c.row));
    input->btnDoneTapped();
    const std::string title = *input->pickerView()->titleForRow(c.row, 0);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].title, title);
    EXPECT_EQ(done[0].row, c.row);
    EXPECT_EQ(textDuringHandler, c.text) << "the text is written after the handler";
    EXPECT_EQ(field->text(), std::optional<std::string>(title));
    EXPECT_FALSE(field->isFirstResponder());
  }
}

TEST_F(TextInputTest, StoredRecordWithoutTextValueOnlyDismisses) {
  auto input = TextFieldInput::of(field);
  auto noType = std::make_shared<LoginEntity>();
  noType->empid = 3;  // a number under the key is no title either
  int calls = 0;
  input->setDictionaryPickerInput("empid", {TextFieldInput::Record(noType)},
                                  [&](const std::string&, long, long) { ++calls; });
  field->setText("3");
  ASSERT_TRUE(field->becomeFirstResponder());
  input->btnDoneTapped();
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(field->text(), std::optional<std::string>("3"));
  EXPECT_FALSE(field->isFirstResponder());
}

TEST_F(TextInputTest, ValueDictionaryRowsTitleOnlyStringValues) {
  using V = TextFieldInput::ValueDictionary;
  auto input = TextFieldInput::of(field);
  std::vector<Done> done;
  input->setDictionaryPickerInput("text",
                                  {V{{"value", 1}, {"text", "Floor 1"}, {"isSelected", false}},
                                   V{{"value", 2}, {"text", 2}}, V{{"value", 3}, {"text", "Floor 3"}}},
                                  [&](const std::string& t, long r, long) { done.push_back({t, r}); });
  EXPECT_EQ(input->pickerView()->titleForRow(0, 0), std::optional<std::string>("Floor 1"));
  EXPECT_EQ(input->pickerView()->titleForRow(1, 0), std::nullopt);
  field->setText("Floor 3");
  ASSERT_TRUE(field->becomeFirstResponder());
  EXPECT_EQ(input->pickerView()->selectedRowInComponent(0), 2);
  input->btnDoneTapped();
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].row, 2);
}

// Picker inputs carry their own Done bar; its Done confirms the choice.
TEST_F(TextInputTest, PickerDoneBarConfirmsTheChoice) {
  auto input = TextFieldInput::of(field);
  std::vector<Done> done;
  input->setListPickerInput({std::string("A"), std::string("B")}, std::nullopt,
                            [&](const std::string& t, long r, long) { done.push_back({t, r}); });
  auto doneButton = DoneAccessory::doneButton(field->inputAccessoryView);
  ASSERT_TRUE(doneButton);
  ASSERT_TRUE(field->becomeFirstResponder());
  ASSERT_TRUE(input->pickerView()->userSelectRow(1, 0));
  ASSERT_TRUE(doneButton->press());
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].title, "B");
  EXPECT_EQ(field->text(), std::optional<std::string>("B"));
  EXPECT_FALSE(field->isFirstResponder());

  // A date input on the same field reuses the bar and reports the date.
  std::vector<double> dates;
  input->setDatePickerInput("yyyy", 100.0, false, [&](double d) { dates.push_back(d); });
  EXPECT_EQ(DoneAccessory::doneButton(field->inputAccessoryView), doneButton);
  ASSERT_TRUE(field->becomeFirstResponder());
  ASSERT_TRUE(doneButton->press());
  EXPECT_EQ(dates, std::vector<double>{100.0});
}

TEST_F(TextInputTest, TextChangeHandlerHearsEveryEditNotProgrammaticText) {
  auto input = TextFieldInput::of(field);
  std::vector<std::string> seen;
  input->setTextChangeHandler([&](uikit::TextField& f) { seen.push_back(f.text().value_or("")); });
  input->setTextChangeHandler([&](uikit::TextField& f) { seen.push_back("new " + f.text().value_or("")); });
  EXPECT_EQ(field->typeText("ab"), 2);
  field->setText("set");
  EXPECT_TRUE(field->deleteBackward());
  EXPECT_EQ(seen, (std::vector<std::string>{"new a", "new ab", "new se"})) << "the latest handler, once per edit";
}

TEST_F(TextInputTest, ResetKeepsOnlyTheDatePickerAndIndex) {
  auto input = TextFieldInput::of(field);
  auto datePicker = input->datePicker();
  auto picker = input->pickerView();
  std::vector<std::string> calls;
  input->setMaxLength(1);
  input->setTypeDisable("true");
  input->setListPickerInput({std::string("A")}, std::nullopt, [&](const std::string&, long, long) {
    calls.push_back("picked");
  });
  input->setSelectedIndexHandler(5, [&](uikit::TextField&, long) { calls.push_back("index"); });
  input->setBeginEditingHandler([&](uikit::TextField&, long i) { calls.push_back("begin " + std::to_string(i)); });
  input->resetInputSettings();
  EXPECT_EQ(input->datePicker(), datePicker);
  EXPECT_NE(input->pickerView(), picker);
  field->inputView = nullptr;
  ASSERT_TRUE(field->becomeFirstResponder());
  EXPECT_EQ(field->typeText("xyz"), 3) << "no limits left";
  input->setBeginEditingHandler([&](uikit::TextField&, long i) { calls.push_back("begin " + std::to_string(i)); });
  field->resignFirstResponder();
  ASSERT_TRUE(field->becomeFirstResponder());
  input->btnDoneTapped();
  EXPECT_EQ(calls, std::vector<std::string>{"begin 5"}) << "the index stays; handlers and rows are gone";
}

// The edit menu on a read-only field offers no paste or cut; copy and every
// field without the flag behave as usual.
TEST_F(TextInputTest, ReadOnlyFieldRefusesPasteAndCutOnly) {
  using uikit::EditMenu;
  enum class Flag { kNoAdditions, kWritable, kReadOnly };
  struct Case {
    const char* name;
    Flag flag;
    const char* action;
    bool performed;
    std::string text;
    std::string pasteboard;
  };
  for (const Case& c : std::vector<Case>{
           {"plain field pastes", Flag::kNoAdditions, EditMenu::kPaste, true, "XYcdef", "XY"},
           {"plain field cuts", Flag::kNoAdditions, EditMenu::kCut, true, "cdef", "ab"},
           {"writable field pastes", Flag::kWritable, EditMenu::kPaste, true, "XYcdef", "XY"},
           {"writable field cuts", Flag::kWritable, EditMenu::kCut, true, "cdef", "ab"},
           {"read-only field refuses paste", Flag::kReadOnly, EditMenu::kPaste, false, "abcdef", "XY"},
           {"read-only field refuses cut", Flag::kReadOnly, EditMenu::kCut, false, "abcdef", "XY"},
           {"read-only field still copies", Flag::kReadOnly, EditMenu::kCopy, true, "abcdef", "ab"},
       }) {
    SCOPED_TRACE(c.name);
    auto f = uikit::View::make<uikit::TextField>(uikit::Rect(0, 0, 200, 40));
    root->view()->addSubview(f);
    if (c.flag != Flag::kNoAdditions) UITextFieldAdditions::of(*f)->readonly = c.flag == Flag::kReadOnly;
    f->setText("abcdef");
    uikit::Pasteboard::general().string = "XY";
    ASSERT_TRUE(f->becomeFirstResponder());
    const uikit::Range selection{0, 2};
    EXPECT_EQ(EditMenu::canPerform(*f, c.action, selection), c.performed);
    EXPECT_EQ(static_cast<bool>(EditMenu::targetForAction(*f, c.action)), c.performed);
    bool performed = std::string(c.action) == EditMenu::kPaste ? EditMenu::paste(*f, selection)
                     : std::string(c.action) == EditMenu::kCut ? EditMenu::cut(*f, selection)
                                                               : EditMenu::copy(*f, selection);
    EXPECT_EQ(performed, c.performed);
    EXPECT_EQ(f->text(), std::optional<std::string>(c.text));
    EXPECT_EQ(uikit::Pasteboard::general().string, std::optional<std::string>(c.pasteboard));
    f->removeFromSuperview();
  }
  uikit::Pasteboard::general().reset();
}

TEST_F(TextInputTest, MenuPasteStillObeysTheFieldsLimits) {
  auto input = TextFieldInput::of(field);
  input->setMaxLength(4);
  field->setText("abc");
  uikit::Pasteboard::general().string = "XY";
  ASSERT_TRUE(field->becomeFirstResponder());
  EXPECT_FALSE(uikit::EditMenu::paste(*field, {3, 0})) << "would make five characters";
  EXPECT_TRUE(uikit::EditMenu::paste(*field, {1, 2})) << "replacing two keeps three";
  EXPECT_EQ(field->text(), std::optional<std::string>("aXY"));
  input->setTypeDisable("true");
  EXPECT_FALSE(uikit::EditMenu::cut(*field, {0, 1}));
  EXPECT_EQ(uikit::Pasteboard::general().string, std::optional<std::string>("XY")) << "a refused cut copies nothing";
  uikit::Pasteboard::general().reset();
}

}  // namespace
}  // namespace widgets_test
