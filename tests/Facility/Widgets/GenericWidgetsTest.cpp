#include <functional>
#include <string>
#include <vector>

#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/GenericButton.h"
#include "Facility/Widgets/GenericLabel.h"
#include "Facility/Widgets/GenericTextField.h"
#include "Facility/Widgets/GenericView.h"
#include "Facility/Widgets/SimpleTextField.h"
#include "Facility/Widgets/TextFieldDecor.h"
#include "Platform/Foundation/Log.h"
#include "Platform/UIKit/ControlState.h"
#include "Platform/UIKit/ImageView.h"
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
  using Insets = std::optional<uikit::EdgeInsets>;
  struct Case {
    long tag;
    std::optional<uikit::Color> background;
    std::optional<uikit::Color> normalTitle;
    std::optional<uikit::Color> selectedTitle;
    double radius;
    Insets image, title;
  };
  for (const Case& c : std::vector<Case>{
           {-1, AppColor::green(), AppColor::white(), std::nullopt, 7, {}, {}},
           {0, AppColor::white(), AppColor::maroon(), std::nullopt, 7, {}, {}},
           {1, AppColor::clear(), AppColor::white(), std::nullopt, 0, {}, {}},
           {2, AppColor::orange(), AppColor::white(), std::nullopt, 5, {}, {}},
           {3, std::nullopt, AppColor::gray(), AppColor::white(), 0, {}, {}},
           {4, AppColor::gray(), std::nullopt, AppColor::white(), 0, uikit::EdgeInsets{0, 0, 0, 5},
            uikit::EdgeInsets{0, 5, 0, 0}},
           {5, AppColor::clear(), AppColor::black(), AppColor::green(), 0, {}, {}},
           {6, std::nullopt, AppColor::black(), std::nullopt, 0, {}, {}},
           {7, AppColor::clear(), AppColor::gray(), std::nullopt, 0, uikit::EdgeInsets{0, 10, 0, 5},
            uikit::EdgeInsets{0, 25, 0, 0}},
           {8, AppColor::green(), AppColor::white(), std::nullopt, 4, {}, {}},
           {9, AppColor::green(), AppColor::white(), std::nullopt, 0, {}, {}},
           {10, AppColor::white(), AppColor::green(), std::nullopt, 6, {}, {}},
       }) {
    SCOPED_TRACE(c.tag);
    auto b = wake<GenericButton>(c.tag);
    EXPECT_EQ(b->backgroundColor(), c.background);
    EXPECT_EQ(b->titleColorForState(kControlStateNormal), c.normalTitle);
    // A selected colour that was not set falls back to the normal one.
    EXPECT_EQ(b->titleColorForState(kControlStateSelected), c.selectedTitle ? c.selectedTitle : c.normalTitle);
    EXPECT_EQ(b->layer().cornerRadius, c.radius);
    EXPECT_EQ(b->layer().masksToBounds, c.radius > 0);
    EXPECT_EQ(b->imageEdgeInsets, c.image.value_or(uikit::EdgeInsets{}));
    EXPECT_EQ(b->titleEdgeInsets, c.title.value_or(uikit::EdgeInsets{}));
    EXPECT_EQ(b->layer().shadowOpacity > 0, c.tag == -1) << "only tag -1 has a shadow";
    EXPECT_EQ(b->layer().borderWidth, c.tag == 10 ? 1 : 0);
  }
  auto shadowed = wake<GenericButton>(-1);
  EXPECT_EQ(shadowed->layer().shadowColor, AppColor::black());
  EXPECT_EQ(shadowed->layer().shadowOffset, (uikit::Size{1, 2}));
  EXPECT_FLOAT_EQ(static_cast<float>(shadowed->layer().shadowOpacity), 0.4f);
  EXPECT_EQ(shadowed->layer().shadowRadius, 3);
  EXPECT_EQ(wake<GenericButton>(10)->layer().borderColor, AppColor::green());
  EXPECT_EQ(wake<GenericButton>(7)->contentHorizontalAlignment, uikit::ContentHorizontalAlignment::kLeft);
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
  struct Case {
    long tag;
    uikit::Color text;
    std::optional<uikit::Color> background;
  };
  for (const Case& c : std::vector<Case>{{0, AppColor::maroon(), std::nullopt},
                                          {1, AppColor::orange(), std::nullopt},
                                          {2, AppColor::gray(), std::nullopt},
                                          {3, AppColor::green(), std::nullopt},
                                          {4, AppColor::red(), std::nullopt},
                                          {5, AppColor::black(), std::nullopt},
                                          {6, AppColor::white(), AppColor::green()},
                                          {7, AppColor::white(), std::nullopt},
                                          {8, AppColor::green(), AppColor::white()}}) {
    SCOPED_TRACE(c.tag);
    platform::LogCapture capture;
    auto label = wake<GenericLabel>(c.tag);
    EXPECT_EQ(label->textColor(), c.text);
    EXPECT_EQ(label->backgroundColor(), c.background);
    EXPECT_FALSE(capture.contains("Default case..."));
  }
  auto pill = wake<GenericLabel>(8, uikit::Rect(0, 0, 80, 30));
  EXPECT_EQ(pill->layer().cornerRadius, 15);
  pill->setFrame(uikit::Rect(0, 0, 80, 50));
  EXPECT_EQ(pill->layer().cornerRadius, 15) << "taken at wake time";
  EXPECT_EQ(pill->layer().borderWidth, 1.2);
  EXPECT_EQ(pill->layer().borderColor, AppColor::green());
  EXPECT_TRUE(pill->layer().masksToBounds);
  EXPECT_EQ(pill->textAlignment, uikit::TextAlignment::kCenter);
}

// Labels and text fields of any tag, styled or not, get the app's typeface
// after the current pass; unknown label tags say so.
TEST_F(GenericWidgetsTest, EveryTagGetsTheScaledFontLater) {
  struct Case {
    const char* kind;
    long tag;
    bool logsDefault;
  };
  for (const Case& c : std::vector<Case>{{"label", 0, false},
                                          {"label", 9, true},
                                          {"label", -1, true},
                                          {"generic field", 0, false},
                                          {"generic field", 4, false},
                                          {"simple field", 2, false},
                                          {"simple field", 3, false}}) {
    SCOPED_TRACE(std::string(c.kind) + " " + std::to_string(c.tag));
    platform::LogCapture capture;
    std::function<uikit::Font()> font;
    std::shared_ptr<uikit::View> keep;
    const auto base = uikit::Font::systemFont(13, uikit::FontWeight::kMedium);
    if (std::string(c.kind) == "label") {
      auto l = uikit::View::make<GenericLabel>(uikit::Rect(0, 0, 100, 30));
      l->setFont(base);
      font = [l] { return l->font(); };
      keep = l;
    } else if (std::string(c.kind) == "generic field") {
      auto f = uikit::View::make<GenericTextField>(uikit::Rect(0, 0, 100, 30));
      f->font = base;
      font = [f] { return f->font; };
      keep = f;
    } else {
      auto f = uikit::View::make<SimpleTextField>(uikit::Rect(0, 0, 100, 30));
      f->font = base;
      font = [f] { return f->font; };
      keep = f;
    }
    keep->setTag(c.tag);
    keep->awakeFromNib();
    EXPECT_EQ(capture.contains("Default case..."), c.logsDefault);
    EXPECT_EQ(font().pointSize(), 13) << "queued, not applied at once";
    runUntilIdle();
    EXPECT_EQ(font().fontName(), "Gotham-Medium");
    EXPECT_EQ(font().pointSize(), 15);
  }
}

TEST_F(GenericWidgetsTest, TextFieldTagTables) {
  for (const char* name : {"ddl_arrow", "ic_downArrow", "ic_calendar", "ddl_saffron", "ddl_green"}) {
    uikit::Image::registerNamed(name, uikit::Image::filled({15, 15}, uikit::Color(0, 0, 1, 1)));
  }
  auto rightImage = [](const uikit::TextField& f) -> uikit::ImagePtr {
    if (!f.rightView() || f.rightView()->subviews().empty()) return nullptr;
    auto iv = std::dynamic_pointer_cast<uikit::ImageView>(f.rightView()->subviews()[0]);
    return iv ? iv->image() : nullptr;
  };
  struct Case {
    const char* kind;
    long tag;
    std::optional<uikit::Color> background;
    std::optional<uikit::Color> text;
    const char* image;  // right image, none when null
    double radius;
    double border;
    bool bottomLine;
    bool leftInset;
  };
  for (const Case& c : std::vector<Case>{
           {"generic", 0, AppColor::white(), AppColor::gray(), nullptr, 0, 0, true, false},
           {"generic", 1, AppColor::paleGray(), AppColor::gray(), "ddl_arrow", 5, 0, false, false},
           {"generic", 2, AppColor::paleGray(), AppColor::gray(), "ic_downArrow", 4, 0, false, false},
           {"generic", 3, AppColor::paleGray(), AppColor::gray(), "ic_calendar", 4, 0, false, false},
           {"generic", 4, std::nullopt, std::nullopt, nullptr, 0, 0, false, false},
           {"generic", -1, std::nullopt, std::nullopt, nullptr, 0, 0, false, false},
           {"simple", 0, AppColor::paleGray(), AppColor::gray(), "ddl_saffron", 5, 0, false, true},
           {"simple", 1, AppColor::white(), AppColor::black(), nullptr, 0, 1, false, true},
           {"simple", 2, AppColor::white(), AppColor::black(), "ddl_green", 5, 1, false, true},
           {"simple", 3, std::nullopt, std::nullopt, nullptr, 0, 0, false, false},
       }) {
    SCOPED_TRACE(std::string(c.kind) + " " + std::to_string(c.tag));
    std::shared_ptr<uikit::TextField> f;
    if (std::string(c.kind) == "generic") {
      f = wake<GenericTextField>(c.tag);
    } else {
      f = wake<SimpleTextField>(c.tag);
    }
    EXPECT_EQ(f->backgroundColor(), c.background);
    EXPECT_EQ(f->textColor, c.text);
    EXPECT_EQ(f->layer().cornerRadius, c.radius);
    EXPECT_EQ(f->layer().masksToBounds, c.radius > 0);
    EXPECT_EQ(f->layer().borderWidth, c.border);
    if (c.border > 0) {
      EXPECT_EQ(f->layer().borderColor, AppColor::gray());
    }
    if (c.image) {
      EXPECT_EQ(rightImage(*f), uikit::Image::named(c.image));
      EXPECT_EQ(f->rightView()->frame().width(), 35) << "image width 10 + 25";
      EXPECT_EQ(f->rightViewMode, uikit::TextFieldViewMode::kAlways);
    } else {
      EXPECT_FALSE(f->rightView());
    }
    auto line = f->viewWithTag(TextFieldDecor::kBottomLineTag);
    EXPECT_EQ(static_cast<bool>(line), c.bottomLine);
    if (line) {
      EXPECT_EQ(line->backgroundColor(), AppColor::gray());
    }
    if (c.leftInset) {
      ASSERT_TRUE(f->leftView());
      EXPECT_EQ(f->leftView()->frame(), uikit::Rect(0, 0, 15, 40));
      EXPECT_EQ(f->leftViewMode, uikit::TextFieldViewMode::kAlways);
    } else {
      EXPECT_FALSE(f->leftView());
    }
  }
}

TEST_F(GenericWidgetsTest, BottomLineIsReplacedNotStacked) {
  auto underlined = wake<GenericTextField>(0);
  TextFieldDecor::addBottomLine(underlined);
  std::vector<uikit::ViewPtr> lines;
  for (const auto& s : underlined->subviews()) {
    if (s->tag() == TextFieldDecor::kBottomLineTag) lines.push_back(s);
  }
  ASSERT_EQ(lines.size(), 1u);
  underlined->layoutIfNeeded();
  EXPECT_EQ(lines[0]->frame(), uikit::Rect(0, 40 - 0.8, 120, 0.8));
}

TEST_F(GenericWidgetsTest, ViewByTag) {
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
