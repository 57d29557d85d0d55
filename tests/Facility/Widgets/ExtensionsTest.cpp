#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Facility/Support/AppColor.h"
#include "Facility/BLE+MainMethods/isNumeric.h"
#include "Facility/Widgets/AppFont.h"
#include "Facility/Widgets/CollapsingConstraints.h"
#include "Facility/Widgets/GifImage.h"
#include "Facility/Widgets/HexColor.h"
#include "Facility/Widgets/ImageEffects.h"
#include "Facility/Widgets/TapActions.h"
#include "Facility/Widgets/ViewStyle.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/UIKit/ControlState.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/SegmentedControl.h"
#include "tests/Facility/Widgets/WidgetsFixture.h"
#include "tests/Platform/ImageIO/GifWriter.h"

namespace widgets_test {
namespace {

TEST(HexColorTest, ParsesLikeTheScanner) {
  struct Case {
    const char* text;
    uikit::Color expected;
  };
  for (const Case& c : std::vector<Case>{
           {"#FF0000", uikit::Color(1, 0, 0, 1)},
           {"  ff0000\n", uikit::Color(1, 0, 0, 1)},
           {"FF0000", uikit::Color(1, 0, 0, 1)},
           {"#GG0000", uikit::Color(0, 0, 0, 1)},
           {"FFF", uikit::Color(0, 15 / 255.0, 1, 1)},
           {"#00FF00zz", uikit::Color(0, 1, 0, 1)},
           {"##FF0000", uikit::Color(0, 0, 0, 1)},
           {"", uikit::Color(0, 0, 0, 1)},
           {"FF12345678", uikit::Color(0x34 / 255.0, 0x56 / 255.0, 0x78 / 255.0, 1)},
           {"FFFFFFFFFFFFFFFFFFFFFF0000FF", uikit::Color(0, 0, 1, 1)},
       }) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(HexColor::colorWithHexString(c.text), c.expected);
  }
  EXPECT_FALSE(HexColor::rgba(uikit::Color::pattern("tile")).has_value());
  EXPECT_TRUE(HexColor::rgba(uikit::Color(1, 0, 0, 1)).has_value());
}

TEST(AppFontTest, ScalingFollowsThePhoneInUse) {
  auto medium = uikit::Font::systemFont(14, uikit::FontWeight::kMedium);
  ASSERT_NE(medium.fontName().find("Medium"), std::string::npos) << medium.fontName();
  auto regular = uikit::Font::systemFont(14);
  struct Case {
    uikit::DeviceProfile device;
    double size;
  };
  for (const Case& c : std::vector<Case>{{uikit::DeviceProfile::phone320x568(), 14},
                                          {uikit::DeviceProfile::phone375x667(), 14},
                                          {uikit::DeviceProfile::phone390x844(), 16},
                                          {uikit::DeviceProfile::tablet768x1024(), 16}}) {
    SCOPED_TRACE(c.device.name);
    ScopedDeviceProfile phone(c.device);
    auto m = AppFont::appScaledFont(medium);
    EXPECT_EQ(m.fontName(), "Gotham-Medium");
    EXPECT_EQ(m.pointSize(), c.size);
    auto r = AppFont::appScaledFont(regular);
    EXPECT_EQ(r.fontName(), "Gotham-Book");
    EXPECT_EQ(r.pointSize(), c.size);

    auto segments = uikit::View::make<uikit::SegmentedControl>();
    AppFont::setTitleFont(*segments, medium.fontName(), 14);
    const uikit::TextAttributes* attributes = segments->titleTextAttributes(uikit::kControlStateNormal);
    ASSERT_TRUE(attributes && attributes->font);
    EXPECT_EQ(attributes->font->fontName(), "Gotham-Medium");
    EXPECT_EQ(attributes->font->pointSize(), c.size);
  }
}

TEST(IsNumericTest, OnlyAsciiDigits) {
  struct Case {
    const char* text;
    bool numeric;
  };
  for (const Case& c : std::vector<Case>{
           {"", true},
           {"0123456789", true},
           {"007", true},
           {"12a", false},
           {"1 2", false},
           {"-1", false},
           {"1.5", false},
           {"\xD9\xA1\xD9\xA2", false},  // Arabic-Indic one, two
           {"\xEF\xBC\x91", false},       // full-width one
       }) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(isNumeric(c.text), c.numeric);
  }
}

TEST(GifImageTest, DelaysBecomeRepeatedFramesAtHalfTime) {
  EXPECT_DOUBLE_EQ(GifImage::delayForFrame(std::nullopt), 0.1);
  EXPECT_DOUBLE_EQ(GifImage::delayForFrame(platform::GifFrameProperties{0.05, 0.05}), 0.1) << "raised to 0.1 s";
  EXPECT_DOUBLE_EQ(GifImage::delayForFrame(platform::GifFrameProperties{0, 0.3}), 0.3) << "zero takes the clamped";
  EXPECT_DOUBLE_EQ(GifImage::delayForFrame(platform::GifFrameProperties{0.2, 0.2}), 0.2);

  auto t = GifImage::timeline({0.1, 0.2});
  EXPECT_EQ(t.frames, (std::vector<std::size_t>{0, 1, 1}));
  EXPECT_DOUBLE_EQ(t.duration, 0.15);
  auto none = GifImage::timeline({});
  EXPECT_TRUE(none.frames.empty());
  EXPECT_DOUBLE_EQ(none.duration, 0);
}

TEST(GifImageTest, DecodesFileFramesAndDuration) {
  // Two frames of 0.05 s and 0.2 s: 0.05 is raised to 0.1, so [f0, f1, f1].
  auto image = GifImage::gifImage(gif_test::makeGif(2, 2, {{1, 5}, {2, 20}}));
  ASSERT_TRUE(image);
  ASSERT_EQ(image->images().size(), 3u);
  EXPECT_DOUBLE_EQ(image->duration(), 0.15);
  EXPECT_EQ(image->images()[1], image->images()[2]);
  std::uint8_t px[4];
  ASSERT_TRUE(image->images()[0]->pixelAt(0, 0, px));
  EXPECT_EQ(px[0], 255);

  auto plain = GifImage::gifImage(gif_test::makeGif(2, 2, {{1, std::nullopt}, {2, std::nullopt}}));
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->images().size(), 2u);
  EXPECT_DOUBLE_EQ(plain->duration(), 0.1) << "0.1 s of file time each, played at half time";

  EXPECT_FALSE(GifImage::gifImage({1, 2, 3}));
  EXPECT_FALSE(GifImage::gifImageFromURL("file:///nonexistent/x.gif"));
}

// The completion stored by the named lookup runs once per decode, when the
// animation's duration has passed; every later decode runs it too.
class GifCompletionTest : public WidgetsFixture {
 protected:
  void SetUp() override {
    WidgetsFixture::SetUp();
    char pattern[] = "/tmp/gifbundle-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    dir = pattern;
    data = gif_test::makeGif(2, 2, {{1, 5}, {2, 20}});  // plays for 0.15 s
    std::ofstream(dir + "/spinner.gif", std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    platform::Bundle::setMainBundlePath(dir);
  }
  void TearDown() override {
    GifImage::gifImageNamed("spinner", nullptr);  // leaves no completion behind
    platform::Bundle::setMainBundlePath(std::nullopt);
    std::filesystem::remove_all(dir);
    WidgetsFixture::TearDown();
  }
  std::string dir;
  std::vector<std::uint8_t> data;
};

TEST_F(GifCompletionTest, NamedLookupStoresTheCompletionForEveryLaterDecode) {
  std::vector<std::string> calls;
  auto image = GifImage::gifImageNamed("spinner", [&] { calls.push_back("first"); });
  ASSERT_TRUE(image);
  EXPECT_DOUBLE_EQ(image->duration(), 0.15);
  runFor(0.14);
  EXPECT_TRUE(calls.empty());
  runFor(0.02);
  EXPECT_EQ(calls, std::vector<std::string>{"first"});

  // A name that is not in the bundle keeps the stored completion.
  EXPECT_FALSE(GifImage::gifImageNamed("absent", [&] { calls.push_back("never"); }));
  ASSERT_TRUE(GifImage::gifImage(data));
  ASSERT_TRUE(GifImage::gifImageFromURL("file://" + dir + "/spinner.gif"));
  runFor(0.2);
  EXPECT_EQ(calls, (std::vector<std::string>{"first", "first", "first"}));

  // No completion clears it.
  ASSERT_TRUE(GifImage::gifImageNamed("spinner", nullptr));
  ASSERT_TRUE(GifImage::gifImage(data));
  runFor(0.2);
  EXPECT_EQ(calls.size(), 3u);
}

TEST(ImageEffectsTest, BlurredCopyIsDarkerAndSameSize) {
  auto image = uikit::Image::filled({4, 3}, uikit::Color(1, 1, 1, 1));
  auto out = ImageEffects::blurred(image, 5);
  ASSERT_TRUE(out);
  EXPECT_EQ(out->pixelWidth(), image->pixelWidth());
  std::uint8_t px[4];
  ASSERT_TRUE(out->pixelAt(0, 0, px));
  EXPECT_NEAR(px[0], 128, 1);
  EXPECT_FALSE(ImageEffects::blurred(nullptr, 5));
}

class ViewExtensionsTest : public WidgetsFixture {};

TEST_F(ViewExtensionsTest, CornerBorderShadowAndDashedBorder) {
  auto v = uikit::View::make(uikit::Rect(0, 0, 100, 40));
  ViewStyle::setCornerRadius(*v, 7);
  EXPECT_EQ(ViewStyle::cornerRadius(*v), 7);
  EXPECT_TRUE(v->layer().masksToBounds);
  ViewStyle::setBorderColor(*v, AppColor::green());
  ViewStyle::setBorderWidth(*v, 1.5);
  EXPECT_EQ(ViewStyle::borderColor(*v), AppColor::green());
  ViewStyle::setBorderColor(*v, std::nullopt);
  EXPECT_FALSE(ViewStyle::borderColor(*v));
  ViewStyle::setShadow(*v, uikit::Color::black(), 1.0, 2.0, 0.4f, 3.0);
  EXPECT_EQ(v->layer().shadowOffset, (uikit::Size{1, 2}));
  EXPECT_FLOAT_EQ(static_cast<float>(v->layer().shadowOpacity), 0.4f);

  auto dash = ViewStyle::addDashedBorder(*v, 2);
  ViewStyle::addDashedBorder(*v, 2);
  EXPECT_EQ(v->layer().sublayers().size(), 2u) << "each call adds a layer";
  EXPECT_EQ(dash->strokeColor, AppColor::gray());
  EXPECT_FALSE(dash->fillColor);
  EXPECT_EQ(dash->lineDashPattern, (std::vector<double>{6, 3}));
  EXPECT_EQ(dash->lineJoin, uikit::LineJoin::kRound);
  EXPECT_EQ(dash->position(), (uikit::Point{50, 20}));
  EXPECT_EQ(dash->path, v->bounds());

  auto a = uikit::View::make();
  auto b = uikit::View::make();
  a->setTag(-5);
  v->addSubview(a);
  v->addSubview(b);
  ViewStyle::removeSubviews(*v, -5);
  EXPECT_EQ(v->subviews(), std::vector<uikit::ViewPtr>{b});
}

TEST_F(ViewExtensionsTest, ANewTapClosureReplacesTheOldForEveryRecognizer) {
  auto v = uikit::View::make(uikit::Rect(0, 0, 10, 10));
  v->setUserInteractionEnabled(false);
  std::vector<std::string> calls;
  auto first = TapActions::addTapGesture(v, [&] { calls.push_back("old"); });
  EXPECT_TRUE(v->isUserInteractionEnabled());
  auto second = TapActions::addTapGesture(v, [&] { calls.push_back("new"); });
  EXPECT_EQ(v->gestureRecognizers().size(), 2u);
  first->fire();
  second->fire();
  EXPECT_EQ(calls, (std::vector<std::string>{"new", "new"}));
  TapActions::addTapGesture(v, nullptr);
  first->fire();
  EXPECT_EQ(calls.size(), 2u) << "a cleared action does nothing";
}

TEST_F(ViewExtensionsTest, ButtonBarItemAndSegmentActionsGetTheSender) {
  auto button = uikit::View::make<uikit::Button>();
  int taps = 0;
  TapActions::addAction(button, [&](uikit::Button& b) { taps += (&b == button.get()) ? 1 : 100; });
  TapActions::addAction(button, [&](uikit::Button& b) { taps += (&b == button.get()) ? 10 : 100; });
  button->sendActionsForControlEvents(uikit::kControlEventTouchUpInside);
  EXPECT_EQ(taps, 10);

  auto item = std::make_shared<uikit::BarButtonItem>();
  int pressed = 0;
  TapActions::setAction(item, [&](uikit::BarButtonItem& i) { pressed += (&i == item.get()) ? 1 : 100; });
  item->press();
  EXPECT_EQ(pressed, 1);

  auto segments = uikit::View::make<uikit::SegmentedControl>(std::vector<std::string>{"Open", "Closed"});
  std::vector<std::string> changes;
  TapActions::setAction(segments, [&](uikit::SegmentedControl& c) { changes.push_back("old"); (void)c; });
  TapActions::setAction(segments, [&](uikit::SegmentedControl& c) {
    changes.push_back(&c == segments.get() ? "new " + std::to_string(c.selectedSegmentIndex()) : "stranger");
  });
  ASSERT_TRUE(segments->userSelectSegment(1));
  EXPECT_EQ(changes, std::vector<std::string>{"new 1"}) << "the latest action, once, with the control";
}

TEST_F(ViewExtensionsTest, ReplacingAClosureActionKeepsOtherHandlersOfTheControl) {
  auto button = uikit::View::make<uikit::Button>();
  auto segments = uikit::View::make<uikit::SegmentedControl>(std::vector<std::string>{"Open", "Closed"});
  std::vector<std::string> calls;
  button->addAction([&](uikit::Control&) { calls.push_back("button other"); }, uikit::kControlEventTouchUpInside);
  segments->addAction([&](uikit::Control&) { calls.push_back("segment other"); }, uikit::kControlEventValueChanged);
  for (const char* name : {"first", "second"}) {
    std::string tag = name;
    TapActions::addAction(button, [&calls, tag](uikit::Button&) { calls.push_back("button " + tag); });
    TapActions::setAction(segments, [&calls, tag](uikit::SegmentedControl&) { calls.push_back("segment " + tag); });
  }
  button->sendActionsForControlEvents(uikit::kControlEventTouchUpInside);
  ASSERT_TRUE(segments->userSelectSegment(1));
  EXPECT_EQ(calls, (std::vector<std::string>{"button other", "button second", "segment other", "segment second"}));
}

TEST_F(ViewExtensionsTest, SetConstraintConstantChangesEveryMatch) {
  auto super = uikit::View::make(uikit::Rect(0, 0, 300, 300));
  auto v = uikit::View::make();
  super->addSubview(v);
  auto top = v->topAnchor().constraintEqualToAnchor(super->topAnchor(), 5);
  auto top2 = v->topAnchor().constraintGreaterThanOrEqualToAnchor(super->topAnchor(), 1);
  auto lead = v->leadingAnchor().constraintEqualToAnchor(super->leadingAnchor(), 3);
  uikit::LayoutConstraint::activate({top, top2, lead});
  EXPECT_TRUE(CollapsingConstraints::setConstraintConstant(v, uikit::LayoutAttribute::kTop, true, 20));
  EXPECT_EQ(top->constant(), 20);
  EXPECT_EQ(top2->constant(), 20);
  EXPECT_EQ(lead->constant(), 3);
  EXPECT_FALSE(CollapsingConstraints::setConstraintConstant(v, uikit::LayoutAttribute::kBottom, true, 1));
  EXPECT_FALSE(CollapsingConstraints::setConstraintConstant(v, uikit::LayoutAttribute::kTop, false, 1));
  auto orphan = uikit::View::make();
  EXPECT_FALSE(CollapsingConstraints::setConstraintConstant(orphan, uikit::LayoutAttribute::kTop, true, 1));
}

// A view sized by a height constraint and one sized by its content: hiding
// collapses it, a second hide changes nothing, showing gives the height back.
TEST_F(ViewExtensionsTest, HidingTwiceChangesNothingAndShowingGivesTheHeightBack) {
  for (bool sizedByConstraint : {true, false}) {
    SCOPED_TRACE(sizedByConstraint ? "height constraint" : "content height");
    auto super = uikit::View::make(uikit::Rect(0, 0, 300, 300));
    auto v = uikit::View::make();
    v->setTranslatesAutoresizingMaskIntoConstraints(false);
    super->addSubview(v);
    uikit::LayoutConstraint::activate({v->topAnchor().constraintEqualToAnchor(super->topAnchor()),
                                       v->leadingAnchor().constraintEqualToAnchor(super->leadingAnchor()),
                                       v->trailingAnchor().constraintEqualToAnchor(super->trailingAnchor())});
    auto label = uikit::View::make<uikit::Label>();
    label->setText("Hello");
    label->setTranslatesAutoresizingMaskIntoConstraints(false);
    v->addSubview(label);
    uikit::LayoutConstraint::activate({label->topAnchor().constraintEqualToAnchor(v->topAnchor()),
                                       label->leadingAnchor().constraintEqualToAnchor(v->leadingAnchor())});
    uikit::LayoutConstraintPtr height;
    if (sizedByConstraint) {
      height = v->heightAnchor().constraintEqualToConstant(40);
      height->setActive(true);
    } else {
      label->bottomAnchor().constraintEqualToAnchor(v->bottomAnchor())->setActive(true);
    }
    super->layoutIfNeeded();
    const double shown = v->frame().height();
    ASSERT_GT(shown, 0);
    if (sizedByConstraint) {
      EXPECT_EQ(shown, 40);
    }

    CollapsingConstraints::setHiddenCollapsing(v, true, uikit::LayoutAttribute::kHeight);
    super->layoutIfNeeded();
    EXPECT_TRUE(v->isHidden());
    EXPECT_EQ(v->alpha(), 0);
    EXPECT_EQ(v->frame().height(), 0);
    EXPECT_EQ(CollapsingConstraints::storedSize(v), std::optional<double>(shown));
    const auto constraintsAfterFirst = v->constraints();

    CollapsingConstraints::setHiddenCollapsing(v, true, uikit::LayoutAttribute::kHeight);
    EXPECT_EQ(v->constraints(), constraintsAfterFirst) << "the second hide changes nothing";
    EXPECT_EQ(CollapsingConstraints::storedSize(v), std::optional<double>(shown));

    CollapsingConstraints::setHiddenCollapsing(v, false, uikit::LayoutAttribute::kHeight);
    super->layoutIfNeeded();
    EXPECT_FALSE(v->isHidden());
    EXPECT_EQ(v->alpha(), 1);
    EXPECT_EQ(v->frame().height(), shown);
    if (height) {
      EXPECT_EQ(height->constant(), 40);
    }
    EXPECT_FALSE(CollapsingConstraints::storedSize(v));
  }
}

TEST_F(ViewExtensionsTest, CollapsingWithoutASizeConstraintKeepsEdgesAsideUntilShown) {
  auto super = uikit::View::make(uikit::Rect(0, 0, 300, 300));
  auto v = uikit::View::make(uikit::Rect(0, 0, 100, 30));
  super->addSubview(v);
  auto inner = uikit::View::make<uikit::Label>();
  inner->setText("Hello");
  inner->setTranslatesAutoresizingMaskIntoConstraints(false);
  v->addSubview(inner);
  auto bottom = inner->bottomAnchor().constraintEqualToAnchor(v->bottomAnchor(), 0);
  auto topc = inner->topAnchor().constraintEqualToAnchor(v->topAnchor(), 0);
  uikit::LayoutConstraint::activate({bottom, topc});
  CollapsingConstraints::setHiddenCollapsing(v, true, uikit::LayoutAttribute::kHeight);
  auto held = std::find(v->constraints().begin(), v->constraints().end(), bottom);
  EXPECT_EQ(held, v->constraints().end()) << "the bottom edge no longer holds the height open";
  EXPECT_EQ(CollapsingConstraints::storedSize(v), std::optional<double>(30));
  CollapsingConstraints::setHiddenCollapsing(v, false, uikit::LayoutAttribute::kHeight);
  EXPECT_NE(std::find(v->constraints().begin(), v->constraints().end(), bottom), v->constraints().end());
  EXPECT_FALSE(v->isHidden());
}

TEST_F(GifCompletionTest, FileURLPathsArePercentDecoded) {
  std::ofstream(dir + "/a b.gif", std::ios::binary)
      .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  EXPECT_TRUE(GifImage::gifImageFromURL("file://" + dir + "/a%20b.gif"));
  EXPECT_TRUE(GifImage::gifImageFromURL(dir + "/a b.gif")) << "a plain path is read as it is";
  EXPECT_FALSE(GifImage::gifImageFromURL("file://" + dir + "/a%2520b.gif")) << "decoded once only";
}

}  // namespace
}  // namespace widgets_test
