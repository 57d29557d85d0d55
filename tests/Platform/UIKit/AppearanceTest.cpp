#include <string>
#include <vector>

#include "Platform/UIKit/Font.h"
#include "Platform/UIKit/NavigationBar.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/TextView.h"
#include "tests/Platform/UIKit/UIKitFixture.h"

namespace uikit::testing {
namespace {

class AppearanceTest : public UIKitFixture {};

TEST_F(AppearanceTest, ColoursReadBackTheirComponents) {
  Color blue = Color::rgb255(0, 73, 118);
  auto c = blue.rgba();
  ASSERT_TRUE(c);
  EXPECT_NEAR(c->green, 0.28627, 1e-5);
  EXPECT_NEAR(c->blue, 0.46275, 1e-5);
  EXPECT_EQ(c->alpha, 1);
  EXPECT_EQ(Color::rgb255(204, 204, 204), Color(0.8, 0.8, 0.8));
  EXPECT_EQ(blue.withAlphaComponent(0.5).alpha(), 0.5);
  EXPECT_FALSE(Color::pattern("dots").rgba()) << "a pattern colour has no components";
  EXPECT_EQ(Color(2, -1, 0.5).rgba()->red, 1) << "components are clamped";
}

TEST_F(AppearanceTest, FontRegistryKnowsTheBundledFacesAndFallsBack) {
  auto book = Font::named("Gotham-Book", 14);
  ASSERT_TRUE(book);
  EXPECT_EQ(book->pointSize(), 14);
  EXPECT_FALSE(book->isSystemFont());
  EXPECT_TRUE(Font::named("Gotham-Medium", 16));
  EXPECT_FALSE(Font::named("NoSuchFace", 16));
  EXPECT_TRUE(Font::namedOrSystem("NoSuchFace", 16).isSystemFont());
  Font medium = Font::systemFont(15, FontWeight::kMedium);
  EXPECT_NE(medium.fontName().find("Medium"), std::string::npos);
  EXPECT_EQ(Font::named(medium.fontName(), 15), medium) << "system names round-trip";
  EXPECT_GT(book->widthOfText("Hello"), 0);
  EXPECT_EQ(book->linesOfText("one two three", book->widthOfText("one two")).size(), 2u);
}

TEST_F(AppearanceTest, DeviceProfilesAreInjectable) {
  struct Case {
    DeviceProfile profile;
    Size screen;
    bool phone;
  };
  for (const auto& c : std::vector<Case>{{DeviceProfile::phone390x844(), {390, 844}, true},
                                         {DeviceProfile::phone375x667(), {375, 667}, true},
                                         {DeviceProfile::phone320x568(), {320, 568}, true},
                                         {DeviceProfile::tablet768x1024(), {768, 1024}, false}}) {
    Device::setCurrent(c.profile);
    EXPECT_EQ(Device::screenBounds().size, c.screen);
    EXPECT_EQ(Device::current().model.find("iPhone") != std::string::npos, c.phone);
    auto w = std::make_shared<Window>();
    EXPECT_EQ(w->safeAreaInsets(), c.profile.safeAreaInsets);
  }
}

TEST_F(AppearanceTest, NewBarsStartFromTheAppearanceProxy) {
  NavigationBarAppearance look;
  look.configureWithOpaqueBackground();
  look.backgroundColor = Color::rgb255(0, 73, 118);
  look.titleTextAttributes.foregroundColor = Color::white();
  BarButtonItemAppearance buttons(BarButtonItemStyle::kPlain);
  buttons.normal.titleTextAttributes.foregroundColor = Color::rgb255(255, 52, 52);
  look.buttonAppearance = buttons;
  look.backButtonAppearance = buttons;
  NavigationBar::appearance().standardAppearance = look;
  NavigationBar::appearance().scrollEdgeAppearance = look;
  auto nav = NavigationController::withRoot(std::make_shared<ViewController>());
  ASSERT_TRUE(nav->navigationBar()->standardAppearance);
  EXPECT_EQ(*nav->navigationBar()->standardAppearance, look);
  EXPECT_EQ(nav->navigationBar()->scrollEdgeAppearance->backButtonAppearance.normal.titleTextAttributes.foregroundColor,
            Color::rgb255(255, 52, 52));
  EXPECT_FALSE(nav->navigationBar()->compactScrollEdgeAppearance);
}

TEST_F(AppearanceTest, TextViewObserversHearProgrammaticChangesOnly) {
  auto tv = std::make_shared<TextView>();
  std::vector<std::string> heard;
  int token = tv->addTextObserver([&](const std::string& t) { heard.push_back(t); });
  tv->setText("hello");
  tv->typeText("!");
  EXPECT_EQ(tv->text(), "hello!");
  EXPECT_EQ(heard, std::vector<std::string>{"hello"});
  tv->removeTextObserver(token);
  tv->setText("");
  EXPECT_EQ(heard.size(), 1u);
}

}  // namespace
}  // namespace uikit::testing
