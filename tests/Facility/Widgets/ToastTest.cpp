#include <string>
#include <vector>

#include "Facility/Widgets/AppToastAlert.h"
#include "Facility/Services/FailureToast.h"
#include "Facility/Widgets/HudAlert.h"
#include "Facility/Models/MDLAssignAccess.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/PKHUDSuccessView.h"
#include "tests/Facility/Widgets/WidgetsFixture.h"

namespace widgets_test {
namespace {

class ToastTest : public WidgetsFixture {
 protected:
  void SetUp() override {
    WidgetsFixture::SetUp();
    root = std::make_shared<uikit::ViewController>();
    show(root);
  }
  bool onScreen() const {
    auto c = AppToastAlert::containerView();
    return c->superview() != nullptr && c->window() != nullptr;
  }
  uikit::LayoutConstraintPtr verticalConstraint() const {
    auto c = AppToastAlert::containerView();
    for (const auto& k : c->superview()->constraints()) {
      if (k->firstItem() == c && k->firstAttribute() != uikit::LayoutAttribute::kCenterX) return k;
    }
    return nullptr;
  }
  uikit::ViewControllerPtr root;
};

TEST_F(ToastTest, FadesInStaysAndIsRemovedAfterOneAndAHalfSeconds) {
  AppToastAlert::show(ToastPosition::bottom, "Saved");
  auto container = AppToastAlert::containerView();
  auto label = AppToastAlert::messageLabel();
  ASSERT_TRUE(onScreen());
  EXPECT_EQ(container->superview(), root->view());
  EXPECT_EQ(container->tag(), 200);
  EXPECT_EQ(label->text(), std::optional<std::string>("Saved"));
  EXPECT_EQ(label->superview(), container);
  EXPECT_DOUBLE_EQ(container->backgroundColor()->alpha(), 1.0);
  EXPECT_DOUBLE_EQ(label->textColor().alpha(), 1.0);
  EXPECT_EQ(container->runningAnimationCount(), 1) << "the 0.5 s fade-in";

  runFor(0.99);
  EXPECT_TRUE(onScreen());
  EXPECT_DOUBLE_EQ(container->backgroundColor()->alpha(), 1.0);
  runFor(0.02);  // the fade-out starts at 1.0 s; only the box fades
  EXPECT_TRUE(onScreen());
  EXPECT_DOUBLE_EQ(container->backgroundColor()->alpha(), 0.0);
  EXPECT_DOUBLE_EQ(label->textColor().alpha(), 1.0);
  runFor(0.47);
  EXPECT_TRUE(onScreen());
  runFor(0.03);
  EXPECT_FALSE(onScreen());
  EXPECT_TRUE(container->subviews().empty());
  EXPECT_FALSE(AppToastAlert::timer()->isValid());
}

TEST_F(ToastTest, VerticalPlacementAndWidthLimitPerPhone) {
  struct Phone {
    uikit::DeviceProfile profile;
    bool notched;
  };
  struct Position {
    ToastPosition position;
    uikit::LayoutAttribute attribute;
    double notched, plain;
  };
  const std::vector<Position> positions = {{ToastPosition::top, uikit::LayoutAttribute::kTop, 108, 84},
                                           {ToastPosition::center, uikit::LayoutAttribute::kCenterY, 0, 0},
                                           {ToastPosition::bottom, uikit::LayoutAttribute::kBottom, -54, -20}};
  for (const Phone& phone : std::vector<Phone>{{uikit::DeviceProfile::phone390x844(), true},
                                               {uikit::DeviceProfile::phone375x667(), false},
                                               {uikit::DeviceProfile::phone320x568(), false}}) {
    SCOPED_TRACE(phone.profile.name);
    ScopedDeviceProfile device(phone.profile);
    show(root);
    for (const Position& c : positions) {
      const double expected = phone.notched ? c.notched : c.plain;
      EXPECT_EQ(AppToastAlert::verticalConstant(c.position, phone.notched), expected);
      AppToastAlert::show(c.position, "x");
      auto k = verticalConstraint();
      ASSERT_TRUE(k);
      EXPECT_EQ(k->firstAttribute(), c.attribute);
      EXPECT_EQ(k->secondItem(), root->view());
      EXPECT_EQ(k->secondAttribute(), c.attribute);
      EXPECT_EQ(k->constant(), expected);
      // One width limit, screen width minus 20, however many toasts came before.
      std::vector<uikit::LayoutConstraintPtr> limits;
      for (const auto& w : AppToastAlert::containerView()->constraints()) {
        if (w->firstAttribute() == uikit::LayoutAttribute::kWidth) limits.push_back(w);
      }
      ASSERT_EQ(limits.size(), 1u);
      EXPECT_EQ(limits[0]->relation(), uikit::LayoutRelation::kLessThanOrEqual);
      EXPECT_EQ(limits[0]->constant(), phone.profile.screenSize.width - 20);
      EXPECT_FALSE(limits[0]->secondItem());
      EXPECT_EQ(AppToastAlert::containerView()->constraints().size(), 5u) << "the limit and four label edges";
      std::vector<uikit::LayoutConstraintPtr> onHost;
      for (const auto& h : root->view()->constraints()) {
        if (h->firstItem() == AppToastAlert::containerView()) onHost.push_back(h);
      }
      EXPECT_EQ(onHost.size(), 2u) << "centre x and the vertical constraint, nothing left from earlier toasts";
    }
  }
}

TEST_F(ToastTest, BoxFollowsTheTextUpToTheWidthLimit) {
  ScopedDeviceProfile narrow(uikit::DeviceProfile::phone320x568());
  show(root);
  auto container = AppToastAlert::containerView();

  AppToastAlert::show(ToastPosition::bottom, "");
  window->layoutIfNeeded();
  EXPECT_EQ(container->frame().size, (uikit::Size{20, 20})) << "the label's margins only";
  EXPECT_EQ(container->frame().maxY(), root->view()->bounds().height() - 20);

  AppToastAlert::show(ToastPosition::bottom, "Short");
  window->layoutIfNeeded();
  const uikit::Rect oneLine = container->frame();
  EXPECT_LT(oneLine.width(), 300);
  EXPECT_GT(oneLine.height(), 20);

  std::string longText;
  for (int i = 0; i < 20; ++i) longText += "Bluetooth Sensitivity has been updated! ";
  AppToastAlert::show(ToastPosition::bottom, longText);
  window->layoutIfNeeded();
  EXPECT_LE(container->frame().width(), 300);
  EXPECT_GT(container->frame().height(), 2 * oneLine.height()) << "the text wraps onto more lines";
  EXPECT_DOUBLE_EQ(container->frame().midX(), root->view()->bounds().width() / 2);
}

TEST_F(ToastTest, SecondToastReplacesTheFirstAndGetsItsFullTime) {
  AppToastAlert::show(ToastPosition::bottom, "first");
  runFor(0.3);
  AppToastAlert::show(ToastPosition::bottom, "second");
  EXPECT_EQ(AppToastAlert::messageLabel()->text(), std::optional<std::string>("second"));
  runFor(1.49);
  EXPECT_TRUE(onScreen()) << "the first toast's timer must not end the second";
  runFor(0.02);
  EXPECT_FALSE(onScreen());
}

// However the top screen changed, and whatever the previous toast was doing
// then (waiting for its timer or fading out), it cannot end the new one.
TEST_F(ToastTest, ToastAfterAScreenChangeIsNotCutShort) {
  enum class Change { kPush, kPresent, kNewWindow };
  struct Case {
    const char* name;
    Change change;
    double after;
  };
  for (const Case& c : std::vector<Case>{{"push while the timer waits", Change::kPush, 0.3},
                                          {"push during the fade-out", Change::kPush, 1.2},
                                          {"present while the timer waits", Change::kPresent, 0.3},
                                          {"present during the fade-out", Change::kPresent, 1.2},
                                          {"new window while the timer waits", Change::kNewWindow, 0.3},
                                          {"new window during the fade-out", Change::kNewWindow, 1.2}}) {
    SCOPED_TRACE(c.name);
    auto first = std::make_shared<uikit::ViewController>();
    auto nav = uikit::NavigationController::withRoot(first);
    show(nav);
    runUntilIdle();
    AppToastAlert::show(ToastPosition::bottom, "first");
    ASSERT_EQ(AppToastAlert::containerView()->superview(), first->view());
    runFor(c.after);
    auto next = std::make_shared<uikit::ViewController>();
    switch (c.change) {
      case Change::kPush: ASSERT_TRUE(nav->pushViewController(next, false)); break;
      case Change::kPresent: ASSERT_TRUE(first->present(next, false)); break;
      case Change::kNewWindow: show(next); break;
    }
    runFor(0.01);
    AppToastAlert::show(ToastPosition::bottom, "second");
    ASSERT_EQ(AppToastAlert::containerView()->superview(), next->view());
    EXPECT_EQ(AppToastAlert::messageLabel()->superview(), AppToastAlert::containerView());
    runFor(1.49);
    EXPECT_TRUE(onScreen()) << "neither the old timer nor the old fade-out may remove the new toast";
    EXPECT_EQ(AppToastAlert::containerView()->superview(), next->view());
    EXPECT_EQ(AppToastAlert::messageLabel()->text(), std::optional<std::string>("second"));
    runFor(0.02);
    EXPECT_FALSE(onScreen()) << "gone 1.5 s after it was shown";
    runUntilIdle();
  }
}

TEST_F(ToastTest, WithoutAWindowNothingIsShown) {
  scene_delegate->setWindow(nullptr);
  AppToastAlert::show(ToastPosition::bottom, "nowhere");
  EXPECT_EQ(AppToastAlert::containerView()->superview(), nullptr);
  runFor(2);
}

TEST_F(ToastTest, FailureToastTextChoice) {
  struct Case {
    std::optional<std::string> message;
    std::optional<AFError> error;
    std::string shown;
  };
  AFError err{AFError::Kind::sessionTaskFailed, "The request timed out."};
  for (const Case& c : std::vector<Case>{{"Server says no", err, "Server says no"},
                                          {std::nullopt, err, "The request timed out."},
                                          {std::nullopt, std::nullopt, "Something went wrong!"},
                                          {"", std::nullopt, ""}}) {
    DataResponse<MDLAssignAccess> response;
    response.error = c.error;
    showFailureToast(response, c.message);
    EXPECT_EQ(AppToastAlert::messageLabel()->text(), std::optional<std::string>(c.shown));
    EXPECT_TRUE(onScreen());
    auto k = verticalConstraint();
    ASSERT_TRUE(k);
    EXPECT_EQ(k->firstAttribute(), uikit::LayoutAttribute::kBottom);
  }
}

TEST_F(ToastTest, HudSuccessRunsTheCompletionOnceAfterHiding) {
  std::vector<bool> calls;
  HudAlert::showSuccess([&](bool finished) { calls.push_back(finished); });
  auto& hud = uikit::PKHUD::sharedHUD();
  EXPECT_TRUE(hud.isVisible());
  EXPECT_FALSE(hud.shownOnView()) << "on the display's own window";
  auto success = std::dynamic_pointer_cast<uikit::PKHUDSuccessView>(hud.contentView);
  ASSERT_TRUE(success);
  EXPECT_FALSE(success->title());
  EXPECT_FALSE(success->subtitle());
  runFor(0.29);
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(hud.isVisible());
  runFor(0.02);
  EXPECT_TRUE(calls.empty()) << "hiding has begun but not finished";
  runFor(uikit::PKHUD::kHideAnimationDuration);
  EXPECT_EQ(calls, std::vector<bool>{true});
  EXPECT_FALSE(hud.isVisible());
  runFor(2);
  EXPECT_EQ(calls.size(), 1u);

  // Without a completion the display still shows and hides.
  HudAlert::showSuccess(nullptr);
  runFor(1);
  EXPECT_FALSE(hud.isVisible());
}

}  // namespace
}  // namespace widgets_test
