#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Widgets/DoneAccessory.h"
#include "Facility/Widgets/TextViewPlaceholder.h"
#include "Platform/UIKit/Device.h"
#include "tests/Facility/Widgets/WidgetsFixture.h"

namespace widgets_test {
namespace {

class TextViewTest : public WidgetsFixture {
 protected:
  void SetUp() override {
    WidgetsFixture::SetUp();
    root = std::make_shared<uikit::ViewController>();
    show(root);
    textView = uikit::View::make<uikit::TextView>();
    textView->setFrame(uikit::Rect(0, 0, 300, 120));
    root->view()->addSubview(textView);
  }
  int labelCount() const {
    int n = 0;
    for (const auto& s : textView->subviews()) n += s->tag() == TextViewPlaceholder::kLabelTag;
    return n;
  }
  uikit::ViewControllerPtr root;
  std::shared_ptr<uikit::TextView> textView;
};

TEST_F(TextViewTest, PlaceholderFollowsTypedAndProgrammaticText) {
  textView->textAlignment = uikit::TextAlignment::kCenter;
  TextViewPlaceholder::setPlaceholder(textView, "Describe the problem");
  auto label = TextViewPlaceholder::label(textView);
  ASSERT_TRUE(label);
  EXPECT_EQ(TextViewPlaceholder::placeholder(textView), std::optional<std::string>("Describe the problem"));
  EXPECT_EQ(label->textAlignment, uikit::TextAlignment::kCenter);
  EXPECT_EQ(label->numberOfLines(), 0);
  EXPECT_EQ(label->frame().x(), textView->lineFragmentPadding);
  EXPECT_EQ(label->frame().y(), textView->textContainerInset.top);
  EXPECT_EQ(label->frame().width(), 300 - 2 * textView->lineFragmentPadding);
  EXPECT_GT(label->frame().height(), 0);
  EXPECT_FALSE(label->isHidden());

  struct Step {
    const char* name;
    std::function<void()> act;
    bool hidden;
  };
  for (const Step& step : std::vector<Step>{
           {"typing a character", [&] { EXPECT_EQ(textView->typeText("a"), 1); }, true},
           {"deleting it", [&] { EXPECT_TRUE(textView->replaceRange({0, 1}, "")); }, false},
           {"text set in code", [&] { textView->setText("from the record"); }, true},
           {"text cleared in code", [&] { textView->setText(""); }, false},
           {"attributed text set in code", [&] { textView->setAttributedText(uikit::AttributedString("x")); }, true},
           {"removed and put back, then cleared",
            [&] {
              textView->removeFromSuperview();
              root->view()->addSubview(textView);
              textView->setText("");
            },
            false},
       }) {
    SCOPED_TRACE(step.name);
    step.act();
    EXPECT_EQ(label->isHidden(), step.hidden);
  }
  TextViewPlaceholder::setPlaceholder(textView, "Other");
  EXPECT_EQ(labelCount(), 1) << "at most one placeholder label";
  EXPECT_EQ(TextViewPlaceholder::label(textView), label);
}

TEST_F(TextViewTest, ColourFirstMakesAnEmptyLabelThatLaterGetsTheText) {
  EXPECT_EQ(TextViewPlaceholder::placeholder(textView), std::nullopt);
  EXPECT_EQ(TextViewPlaceholder::placeholderColor(textView), std::nullopt);
  TextViewPlaceholder::setPlaceholderColor(textView, uikit::Color::systemRed());
  auto label = TextViewPlaceholder::label(textView);
  ASSERT_TRUE(label);
  EXPECT_EQ(TextViewPlaceholder::placeholder(textView), std::nullopt);
  EXPECT_EQ(TextViewPlaceholder::placeholderColor(textView), std::optional<uikit::Color>(uikit::Color::systemRed()));
  TextViewPlaceholder::setPlaceholder(textView, "Remarks");
  EXPECT_EQ(TextViewPlaceholder::label(textView), label);
  EXPECT_EQ(labelCount(), 1);
  EXPECT_EQ(label->text(), std::optional<std::string>("Remarks"));
  EXPECT_EQ(label->textColor(), uikit::Color::systemRed());
  EXPECT_GT(label->frame().height(), 0) << "the late text must be visible";
}

TEST_F(TextViewTest, PlaceholderStartsHiddenOverExistingText) {
  textView->setText("already written");
  TextViewPlaceholder::setPlaceholder(textView, "Remarks");
  auto label = TextViewPlaceholder::label(textView);
  ASSERT_TRUE(label);
  EXPECT_TRUE(label->isHidden());
  EXPECT_TRUE(textView->replaceRange({0, 15}, ""));
  EXPECT_FALSE(label->isHidden());
}

// The Done bar: screen wide, "Done" at the right, dark keyboards get light
// items (and a black bar on text views); Done ends editing.
TEST_F(TextViewTest, DoneBarEndsEditing) {
  struct Case {
    const char* name;
    bool textView;
    uikit::KeyboardAppearance appearance;
    std::optional<uikit::Color> doneTint;
    std::optional<uikit::Color> barTint;
  };
  for (const Case& c : std::vector<Case>{
           {"field", false, uikit::KeyboardAppearance::kDefault, std::nullopt, std::nullopt},
           {"field, dark", false, uikit::KeyboardAppearance::kDark, uikit::Color::white(), std::nullopt},
           {"text view", true, uikit::KeyboardAppearance::kDefault, std::nullopt, std::nullopt},
           {"text view, dark", true, uikit::KeyboardAppearance::kDark, uikit::Color::white(), uikit::Color::black()},
       }) {
    SCOPED_TRACE(c.name);
    std::shared_ptr<uikit::View> input;
    std::shared_ptr<uikit::View> accessory;
    if (c.textView) {
      auto tv = uikit::View::make<uikit::TextView>();
      tv->keyboardAppearance = c.appearance;
      root->view()->addSubview(tv);
      DoneAccessory::setDoneAccessory(tv, false);
      EXPECT_FALSE(tv->inputAccessoryView);
      DoneAccessory::setDoneAccessory(tv, true);
      accessory = tv->inputAccessoryView;
      ASSERT_TRUE(tv->becomeFirstResponder());
      input = tv;
    } else {
      auto f = uikit::View::make<uikit::TextField>(uikit::Rect(0, 0, 200, 40));
      f->keyboardAppearance = c.appearance;
      root->view()->addSubview(f);
      DoneAccessory::setDoneAccessory(f, false);
      EXPECT_FALSE(f->inputAccessoryView);
      DoneAccessory::setDoneAccessory(f, true);
      accessory = f->inputAccessoryView;
      ASSERT_TRUE(f->becomeFirstResponder());
      input = f;
    }
    auto bar = std::dynamic_pointer_cast<uikit::Toolbar>(accessory);
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->frame().width(), uikit::Device::current().screenSize.width);
    ASSERT_EQ(bar->items.size(), 2u);
    EXPECT_EQ(bar->items[0]->systemItem, uikit::BarButtonSystemItem::kFlexibleSpace);
    auto done = bar->items[1];
    EXPECT_EQ(done->title, "Done");
    EXPECT_EQ(done->style, uikit::BarButtonItemStyle::kDone);
    EXPECT_EQ(done->tintColor, c.doneTint);
    EXPECT_EQ(bar->barTintColor, c.barTint);
    EXPECT_TRUE(input->isFirstResponder());
    EXPECT_TRUE(done->press());
    EXPECT_FALSE(input->isFirstResponder());
    input->removeFromSuperview();
  }
}

TEST_F(TextViewTest, DoneBarFollowsTheScreenWidth) {
  auto previous = uikit::Device::current();
  uikit::Device::setCurrent(uikit::DeviceProfile::phone320x568());
  auto f = uikit::View::make<uikit::TextField>(uikit::Rect(0, 0, 200, 40));
  DoneAccessory::setDoneAccessory(f, true);
  uikit::Device::setCurrent(previous);
  ASSERT_TRUE(f->inputAccessoryView);
  EXPECT_EQ(f->inputAccessoryView->frame().width(), 320);
}

}  // namespace
}  // namespace widgets_test
