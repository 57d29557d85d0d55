#include <string>
#include <vector>

#include "Facility/AppColor.h"
#include "Facility/Widgets/GenericButton.h"
#include "Facility/Widgets/GenericLabel.h"
#include "Facility/Widgets/GenericTextField.h"
#include "Facility/Widgets/GenericView.h"
#include "Facility/Widgets/SimpleTextField.h"
#include "Facility/Widgets/TextFieldDecor.h"
#include "Platform/Foundation/Log.h"
#include "Platform/UIKit/ControlState.h"
#include "tests/Facility/Widgets/WidgetsFixture.h"

namespace widgets_test {
namespace {

class GenericWidgetsTest : public WidgetsFixture {
 protected:
  template <class T>
  std::shared_ptr<T> wake(long tag, uikit::Rect frame = uikit::Rect(0, 0, 120, 40)) {
    auto w = uikit::View::make<T>(frame);
    w->setTag(tag);
    w->awakeFromNib();
    return w;
  }
};

TEST_F(GenericWidgetsTest, ButtonTagTable) {
  using uikit::kControlStateNormal;
  using uikit::kControlStateSelected;
  struct Case {
    long tag;
    std::optional<uikit::Color> background;
    std::optional<uikit::Color> normalTitle;
    double radius;
  };
  for (const Case& c : std::vector<Case>{
           {-1, AppColor::green(), AppColor::white(), 7},
           {0, AppColor::white(), AppColor::maroon(), 7},
           {1, AppColor::clear(), AppColor::white(), 0},
           {2, AppColor::orange(), AppColor::white(), 5},
           {3, std::nullopt, AppColor::gray(), 0},
           {5, AppColor::clear(), AppColor::black(), 0},
           {6, std::nullopt, AppColor::black(), 0},
           {8, AppColor::green(), AppColor::white(), 4},
           {9, AppColor::green(), AppColor::white(), 0},
           {10, AppColor::white(), AppColor::green(), 6},
       }) {
    SCOPED_TRACE(c.tag);
    auto b = wake<GenericButton>(c.tag);
    EXPECT_EQ(b->backgroundColor(), c.background);
    EXPECT_EQ(b->titleColorForState(kControlStateNormal), c.normalTitle);
    EXPECT_EQ(b->layer().cornerRadius, c.radius);
    EXPECT_EQ(b->layer().masksToBounds, c.radius > 0);
  }
  auto shadowed = wake<GenericButton>(-1);
  EXPECT_EQ(shadowed->layer().shadowColor, AppColor::black());
  EXPECT_EQ(shadowed->layer().shadowOffset, (uikit::Size{1, 2}));
  EXPECT_EQ(wake<GenericButton>(10)->layer().borderWidth, 1);
  EXPECT_EQ(wake<GenericButton>(5)->titleColorForState(kControlStateSelected), AppColor::green());
}

TEST_F(GenericWidgetsTest, CheckboxImagesFollowSelection) {
  auto on = uikit::Image::filled({10, 10}, uikit::Color(0, 1, 0, 1));
  auto off = uikit::Image::filled({10, 10}, uikit::Color(1, 0, 0, 1));
  uikit::Image::registerNamed("v_checkboxselected", on);
  uikit::Image::registerNamed("v_checkboxdeselected", off);
  auto b = wake<GenericButton>(7);
  auto red = [&] {
    std::uint8_t px[4] = {0, 0, 0, 0};
    EXPECT_TRUE(b->currentImage() && b->currentImage()->pixelAt(0, 0, px));
    return px[0];
  };
  EXPECT_EQ(red(), 255) << "deselected image";
  b->setSelected(true);
  EXPECT_EQ(red(), 0) << "selected image";
  b->setSelected(false);
  EXPECT_EQ(red(), 255);
  EXPECT_EQ(b->titleEdgeInsets.left, 25);
  EXPECT_EQ(b->imageEdgeInsets.left, 10);
}

TEST_F(GenericWidgetsTest, UnknownButtonTagKeepsItsLookLogsAndStillScalesTheFont) {
  for (long tag : {11L, -2L}) {
    platform::LogCapture capture;
    auto b = uikit::View::make<GenericButton>(uikit::Rect(0, 0, 100, 40));
    b->setTag(tag);
    b->setTitle("Go");
    b->setBackgroundColor(uikit::Color(0.1, 0.2, 0.3, 1));
    b->titleLabel()->setFont(uikit::Font::systemFont(14));
    b->awakeFromNib();
    EXPECT_TRUE(capture.contains("Default case..."));
    EXPECT_EQ(b->backgroundColor(), uikit::Color(0.1, 0.2, 0.3, 1));
    EXPECT_EQ(b->titleLabel()->font().pointSize(), 14) << "the font step is queued";
    runUntilIdle();
    EXPECT_EQ(b->titleLabel()->font().fontName(), "Gotham-Book");
    EXPECT_EQ(b->titleLabel()->font().pointSize(), 16);
  }
}

TEST_F(GenericWidgetsTest, LabelTagTableAndPill) {
  std::vector<std::pair<long, uikit::Color>> rows = {{0, AppColor::maroon()}, {1, AppColor::orange()},
                                                     {2, AppColor::gray()},   {3, AppColor::green()},
                                                     {4, AppColor::red()},    {5, AppColor::black()},
                                                     {6, AppColor::white()},  {7, AppColor::white()},
                                                     {8, AppColor::green()}};
  for (const auto& [tag, colour] : rows) {
    SCOPED_TRACE(tag);
    EXPECT_EQ(wake<GenericLabel>(tag)->textColor(), colour);
  }
  EXPECT_EQ(wake<GenericLabel>(6)->backgroundColor(), AppColor::green());
  auto pill = wake<GenericLabel>(8, uikit::Rect(0, 0, 80, 30));
  EXPECT_EQ(pill->layer().cornerRadius, 15);
  pill->setFrame(uikit::Rect(0, 0, 80, 50));
  EXPECT_EQ(pill->layer().cornerRadius, 15) << "taken at wake time";
  EXPECT_EQ(pill->layer().borderWidth, 1.2);
  EXPECT_EQ(pill->textAlignment, uikit::TextAlignment::kCenter);
}

TEST_F(GenericWidgetsTest, TextFieldsAndViewByTag) {
  auto underlined = wake<GenericTextField>(0);
  ASSERT_TRUE(underlined->viewWithTag(TextFieldDecor::kBottomLineTag));
  TextFieldDecor::addBottomLine(underlined);
  int lines = 0;
  for (const auto& s : underlined->subviews()) lines += s->tag() == TextFieldDecor::kBottomLineTag;
  EXPECT_EQ(lines, 1) << "a second bottom line replaces the first";

  auto dropdown = wake<GenericTextField>(1);
  EXPECT_EQ(dropdown->backgroundColor(), AppColor::paleGray());
  ASSERT_TRUE(dropdown->rightView());
  EXPECT_EQ(dropdown->rightView()->frame().width(), 35);
  EXPECT_EQ(dropdown->layer().cornerRadius, 5);
  auto other = wake<GenericTextField>(4);
  EXPECT_FALSE(other->rightView());
  EXPECT_FALSE(other->backgroundColor());

  auto simple = wake<SimpleTextField>(1);
  ASSERT_TRUE(simple->leftView());
  EXPECT_EQ(simple->leftView()->frame().width(), 15);
  EXPECT_EQ(simple->layer().borderWidth, 1);
  EXPECT_FALSE(wake<SimpleTextField>(3)->leftView());

  EXPECT_EQ(wake<GenericView>(0)->backgroundColor(), AppColor::midGray());
  EXPECT_FALSE(wake<GenericView>(1)->backgroundColor());
}

TEST_F(GenericWidgetsTest, CodeMadeWidgetsAreNotStyled) {
  auto b = uikit::View::make<GenericButton>(uikit::Rect(0, 0, 10, 10));
  b->setTag(2);
  EXPECT_FALSE(b->backgroundColor());
}

}  // namespace
}  // namespace widgets_test
