#include <string>
#include <vector>

#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/Label.h"
#include "tests/Platform/UIKit/UIKitFixture.h"

namespace uikit::testing {
namespace {

std::vector<std::string> gLog;

class TaggedLabel : public Label {
 public:
  void awakeFromNib() override { gLog.push_back("label.awake"); }
};

class LoginScreen : public ViewController {
 public:
  void setTitleLabel(std::shared_ptr<Label> l) {
    titleLabel_ = std::move(l);
    gLog.push_back("outlet.titleLabel");
  }
  void setLoginButton(std::shared_ptr<Button> b) {
    loginButton_ = std::move(b);
    gLog.push_back(std::string("outlet.loginButton") + (titleLabel_ ? " after label" : ""));
  }
  void awakeFromNib() override { gLog.push_back("vc.awake"); }
  void viewDidLoad() override {
    gLog.push_back(std::string("vc.didLoad") + (loginButton_ && loginButton_->superview() == view() ? " wired" : ""));
  }
  std::shared_ptr<Label> titleLabel_;
  std::shared_ptr<Button> loginButton_;
};

class UnlistedScreen : public ViewController {};

class StoryboardTest : public UIKitFixture {
 protected:
  void SetUp() override {
    UIKitFixture::SetUp();
    gLog.clear();
  }
};

void registerMain(int* populated) {
  Storyboard::registerStoryboard("Main", [populated](Storyboard& sb) {
    ++*populated;
    sb.addScene("LoginScreen", [] {
      auto vc = std::make_shared<LoginScreen>();
      auto root = View::make(Device::screenBounds());
      auto label = std::make_shared<TaggedLabel>();
      auto button = Button::withType(ButtonType::kSystem);
      root->addSubview(label);
      root->addSubview(button);
      return StoryboardSceneContents{vc, root,
                                     {{"titleLabel", [vc, label] { vc->setTitleLabel(label); }},
                                      {"loginButton", [vc, button] { vc->setLoginButton(button); }}}};
    });
    // A scene whose identifier names a controller of another class.
    sb.addScene("MisfiledScreen", [] { return StoryboardSceneContents{std::make_shared<UnlistedScreen>(), nullptr, {}}; });
  });
}

TEST_F(StoryboardTest, RegistriesStayUnbuiltUntilAScreenIsAsked) {
  int populated = 0;
  registerMain(&populated);
  EXPECT_EQ(populated, 0);
  EXPECT_FALSE(Storyboard::isBuilt("Main"));
  auto vc = ViewController::instantiateFromStoryboard<LoginScreen>("Main");
  ASSERT_TRUE(vc);
  EXPECT_EQ(populated, 1);
  EXPECT_TRUE(Storyboard::isBuilt("Main"));
  ViewController::instantiateFromStoryboard<LoginScreen>("Main");
  EXPECT_EQ(populated, 1) << "opened once";
  EXPECT_EQ(vc->storyboardIdentifier(), "LoginScreen");
  EXPECT_EQ(vc->storyboardName(), "Main");
}

TEST_F(StoryboardTest, UnknownOrMismatchedIdentifiersGiveNone) {
  int populated = 0;
  registerMain(&populated);
  EXPECT_EQ(Storyboard::named("Nowhere"), nullptr);
  EXPECT_EQ(ViewController::instantiateFromStoryboard<LoginScreen>("Nowhere"), nullptr);
  EXPECT_EQ(Storyboard::named("Main")->instantiateViewController("NoSuchScreen"), nullptr);
  EXPECT_EQ(ViewController::instantiateFromStoryboard<UnlistedScreen>("Main"), nullptr)
      << "no scene carries the identifier UnlistedScreen";
  class MisfiledScreen : public ViewController {};
  EXPECT_EQ(ViewController::instantiateFromStoryboard<MisfiledScreen>("Main"), nullptr)
      << "the scene holds a controller of another class";
}

TEST_F(StoryboardTest, OutletsAreSetInOrderThenAwakeThenDidLoadOnFirstAccess) {
  int populated = 0;
  registerMain(&populated);
  auto vc = ViewController::instantiateFromStoryboard<LoginScreen>("Main");
  ASSERT_TRUE(vc);
  EXPECT_EQ(gLog, (std::vector<std::string>{"outlet.titleLabel", "outlet.loginButton after label", "label.awake",
                                            "vc.awake"}));
  EXPECT_FALSE(vc->isViewLoaded());
  vc->view();
  EXPECT_EQ(gLog.back(), "vc.didLoad wired");
  vc->view();
  EXPECT_EQ(std::count(gLog.begin(), gLog.end(), "vc.didLoad wired"), 1);
}

TEST_F(StoryboardTest, NibsWireTheirOutletsAndWakeTheirViews) {
  int built = 0;
  std::shared_ptr<Label> outlet;
  Nib::registerNib("Badge", [&](const std::shared_ptr<Object>&) {
    ++built;
    auto root = View::make(Rect(0, 0, 40, 20));
    auto label = std::make_shared<TaggedLabel>();
    root->addSubview(label);
    return NibContents{{root}, {{"label", [&, label] { outlet = label; gLog.push_back("outlet.label"); }}}};
  });
  EXPECT_EQ(built, 0);
  EXPECT_EQ(Nib::named("Missing"), nullptr);
  auto objects = Nib::named("Badge")->instantiateWithOwner(nullptr);
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(built, 1);
  EXPECT_EQ(gLog, (std::vector<std::string>{"outlet.label", "label.awake"}));
  EXPECT_EQ(outlet->superview(), std::dynamic_pointer_cast<View>(objects[0]));
}

}  // namespace
}  // namespace uikit::testing
