#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Widgets/FadeInTransitionAnimator.h"
#include "Facility/Widgets/MailComposeAnswer.h"
#include "Facility/Widgets/NibLoader.h"
#include "Facility/Widgets/PopUpOverlay.h"
#include "Facility/Widgets/PopUpOverlayPresenter.h"
#include "Facility/Widgets/SlideUpTransitionAnimator.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/Nib.h"
#include "Platform/UIKit/TransitionContext.h"
#include "Platform/UIKit/ViewAnimationRegistry.h"
#include "tests/Facility/Widgets/WidgetsFixture.h"

namespace widgets_test {
namespace {

using uikit::AffineTransform;
using uikit::Rect;

constexpr double kEps = 0.005;

void expectRect(const Rect& actual, const Rect& expected, const std::string& what) {
  EXPECT_NEAR(actual.x(), expected.x(), 1e-9) << what << " " << actual;
  EXPECT_NEAR(actual.y(), expected.y(), 1e-9) << what << " " << actual;
  EXPECT_NEAR(actual.width(), expected.width(), 1e-9) << what << " " << actual;
  EXPECT_NEAR(actual.height(), expected.height(), 1e-9) << what << " " << actual;
}

const char* name(PopUpPresentType t) {
  switch (t) {
    case PopUpPresentType::none: return "none";
    case PopUpPresentType::center: return "center";
    case PopUpPresentType::bottom: return "bottom";
    case PopUpPresentType::topToCenter: return "topToCenter";
    case PopUpPresentType::bottomToCenter: return "bottomToCenter";
    case PopUpPresentType::leftToCenter: return "leftToCenter";
    case PopUpPresentType::rightToCenter: return "rightToCenter";
  }
  return "?";
}

class PopUpOverlayTest : public WidgetsFixture {
 protected:
  void SetUp() override {
    previousProfile_ = uikit::Device::current();
    uikit::Device::setCurrent(uikit::DeviceProfile::phone390x844());
    WidgetsFixture::SetUp();
    root = std::make_shared<uikit::ViewController>();
    root->view()->setBackgroundColor(uikit::Color::white());
    show(root);
  }
  void TearDown() override {
    uikit::ViewAnimationRegistry::shared().reset();
    WidgetsFixture::TearDown();
    uikit::Device::setCurrent(previousProfile_);
  }

  // A 300 x 200 popup placed by its screen at (10, 20).
  static uikit::ViewPtr makePopup() { return uikit::View::make(Rect(10, 20, 300, 200)); }

  void present(const uikit::ViewPtr& popup, PopUpPresentType type, bool outside = false, bool blur = false) {
    PopUpOverlayPresenter::presentPopUpOverlay(root, popup, outside, blur, type, [this] { ++arrived; });
  }
  std::shared_ptr<PopUpOverlay> overlay() { return PopUpOverlayPresenter::popUpOverlay(root); }

  uikit::ViewControllerPtr root;
  int arrived = 0;

 private:
  uikit::DeviceProfile previousProfile_;
};

// ---- placement and timing per type ----

TEST_F(PopUpOverlayTest, EntryPlacementPerTypeOnAScreenWithANotch) {
  struct Case {
    PopUpPresentType type;
    Rect frame;
    AffineTransform transform;
  };
  const auto id = AffineTransform::identity();
  const std::vector<Case> cases = {
      {PopUpPresentType::none, Rect(10, 20, 300, 200), id},
      // centre (195, 422) at 1 %
      {PopUpPresentType::center, Rect(193.5, 421, 3, 2), AffineTransform::scale(0.01, 0.01)},
      {PopUpPresentType::bottom, Rect(10, 844 - 83, 390, 200), id},
      {PopUpPresentType::topToCenter, Rect(45, -100, 300, 200), id},
      {PopUpPresentType::bottomToCenter, Rect(45, 761 - 100, 300, 200), id},
      {PopUpPresentType::leftToCenter, Rect(-150, 322, 300, 200), id},
      {PopUpPresentType::rightToCenter, Rect(390 - 150, 322, 300, 200), id},
  };
  auto o = overlay();
  ASSERT_TRUE(o);
  for (const auto& c : cases) {
    auto popup = makePopup();
    o->type = c.type;
    o->placeForEntry(*popup);
    expectRect(popup->frame(), c.frame, name(c.type));
    EXPECT_EQ(popup->transform(), c.transform) << name(c.type);
  }
}

TEST_F(PopUpOverlayTest, ArrivalAndDepartureFramesAndTimesPerType) {
  struct Case {
    PopUpPresentType type;
    Rect arrived;
    double inTime;
    Rect outFirst;
    double firstStage;            // 0: one stage only
    std::optional<Rect> outSecond;
    double outTime;
  };
  const Rect centred(45, 322, 300, 200);
  const std::vector<Case> cases = {
      {PopUpPresentType::none, Rect(10, 20, 300, 200), 0, Rect(10, 20, 300, 200), 0, std::nullopt, 0},
      {PopUpPresentType::center, centred, 0.3, Rect(193.5, 421, 3, 2), 0, std::nullopt, 0.3},
      {PopUpPresentType::bottom, Rect(10, 561, 390, 200), 0.3, Rect(10, 761, 390, 200), 0, std::nullopt, 0.3},
      {PopUpPresentType::topToCenter, centred, 0.3, Rect(45, 0, 300, 200), 0.2, Rect(45, 0, 300, 0), 0.3},
      {PopUpPresentType::bottomToCenter, centred, 0.3, Rect(45, 761, 300, 200), 0, std::nullopt, 0.3},
      {PopUpPresentType::leftToCenter, centred, 0.3, Rect(0, 322, 300, 200), 0.05, Rect(0, 322, 0, 200), 0.3},
      {PopUpPresentType::rightToCenter, centred, 0.3, Rect(390, 322, 300, 200), 0, std::nullopt, 0.3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(name(c.type));
    arrived = 0;
    auto popup = makePopup();
    present(popup, c.type);
    auto o = overlay();
    ASSERT_TRUE(o);
    EXPECT_EQ(o->type, c.type);
    EXPECT_EQ(o->superview(), root->view());
    EXPECT_EQ(o->subviews().back(), popup) << "the popup is the overlay's last subview";
    expectRect(o->frame(), Rect(0, 0, 390, 844), "overlay");

    if (c.inTime == 0) {
      EXPECT_EQ(arrived, 1) << "runs at once";
    } else {
      runFor(c.inTime - kEps);
      EXPECT_EQ(arrived, 0);
      runFor(2 * kEps);
      EXPECT_EQ(arrived, 1);
    }
    expectRect(popup->frame(), c.arrived, "arrived");
    EXPECT_TRUE(popup->transform().isIdentity());

    int left = 0;
    o->dismiss(popup, [&] { ++left; });
    if (c.outTime == 0) {
      EXPECT_EQ(left, 1) << "finishes at once";
      EXPECT_EQ(popup->superview(), nullptr);
      EXPECT_EQ(o->superview(), nullptr);
      continue;
    }
    expectRect(popup->frame(), c.outFirst, "first stage");
    if (c.outSecond) {
      runFor(c.firstStage - kEps);
      expectRect(popup->frame(), c.outFirst, "first stage still");
      runFor(2 * kEps);
      expectRect(popup->frame(), *c.outSecond, "second stage");
      runFor(c.outTime - c.firstStage - 2 * kEps);
    } else {
      runFor(c.outTime - kEps);
    }
    EXPECT_EQ(left, 0);
    EXPECT_EQ(popup->superview(), o) << "still on screen until the end";
    EXPECT_EQ(o->superview(), root->view());
    runFor(2 * kEps);
    EXPECT_EQ(left, 1);
    EXPECT_EQ(popup->superview(), nullptr);
    EXPECT_EQ(o->superview(), nullptr);
    EXPECT_EQ(arrived, 1) << "dismissal runs only its own completion";
  }
}

TEST_F(PopUpOverlayTest, BottomSlidesAboveTheBarThenSettlesThreePointsBeforeCompleting) {
  struct Case {
    uikit::DeviceProfile profile;
    double bar;
  };
  for (const auto& c : std::vector<Case>{{uikit::DeviceProfile::phone390x844(), 83},
                                         {uikit::DeviceProfile::phone375x667(), 49}}) {
    SCOPED_TRACE(c.profile.name);
    uikit::Device::setCurrent(c.profile);
    const double w = c.profile.screenSize.width, h = c.profile.screenSize.height;
    EXPECT_EQ(PopUpOverlay::barAllowance(), c.bar);
    auto screen = std::make_shared<uikit::ViewController>();
    show(screen);
    auto o = PopUpOverlayPresenter::popUpOverlay(screen);
    ASSERT_TRUE(o);
    expectRect(o->frame(), Rect(0, 0, w, h), "overlay fills the screen");

    auto probe = makePopup();
    o->type = PopUpPresentType::bottom;
    o->placeForEntry(*probe);
    expectRect(probe->frame(), Rect(10, h - c.bar, w, 200), "enters at the bar");

    int done = 0;
    auto popup = makePopup();
    PopUpOverlayPresenter::presentPopUpOverlay(screen, popup, false, false, PopUpPresentType::bottom,
                                               [&] { ++done; });
    expectRect(popup->frame(), Rect(10, h - c.bar - 200, w, 200), "slid up by its height");
    EXPECT_TRUE(popup->transform().isIdentity());
    runFor(0.2 + kEps);
    EXPECT_EQ(popup->transform(), AffineTransform::translation(0, 3)) << "the settle spring";
    EXPECT_EQ(done, 0);
    runFor(0.1);
    EXPECT_TRUE(popup->transform().isIdentity());
    EXPECT_EQ(done, 1);
    expectRect(popup->frame(), Rect(10, h - c.bar - 200, w, 200), "rests above the bar");
  }
}

// ---- interruptions ----

TEST_F(PopUpOverlayTest, AnInterruptedAnimationSkipsEverythingAfterIt) {
  struct Case {
    PopUpPresentType type;
    bool duringDismissal;
    double interruptAt;
    const char* what;
  };
  const std::vector<Case> cases = {
      {PopUpPresentType::center, false, 0.1, "growing"},
      {PopUpPresentType::bottom, false, 0.1, "sliding up"},
      {PopUpPresentType::bottom, false, 0.25, "settling"},
      {PopUpPresentType::leftToCenter, false, 0.1, "entering"},
      {PopUpPresentType::center, true, 0.1, "shrinking"},
      {PopUpPresentType::leftToCenter, true, 0.02, "first stage"},
      {PopUpPresentType::topToCenter, true, 0.25, "second stage"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(name(c.type)) + " " + c.what);
    arrived = 0;
    int left = 0;
    auto popup = makePopup();
    present(popup, c.type);
    auto o = overlay();
    if (c.duringDismissal) {
      runFor(0.3 + kEps);
      ASSERT_EQ(arrived, 1);
      o->dismiss(popup, [&] { ++left; });
    }
    runFor(c.interruptAt);
    popup->layer().removeAllAnimations();
    runFor(1.0);
    EXPECT_EQ(arrived, c.duringDismissal ? 1 : 0);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(popup->superview(), o) << "the popup stays";
    EXPECT_EQ(o->superview(), root->view()) << "the overlay stays";
    if (c.what == std::string("settling")) {
      EXPECT_EQ(popup->transform(), AffineTransform::translation(0, 3)) << "not reset to identity";
    }
    // Clean up without animation for the next case.
    o->type = PopUpPresentType::none;
    o->dismiss(popup, nullptr);
    ASSERT_EQ(o->superview(), nullptr);
  }
}

// ---- taps outside the popup ----

TEST_F(PopUpOverlayTest, TapOutsideDismissesOnlyWhenAllowedAndRunsNoCompletion) {
  for (bool allowed : {false, true}) {
    SCOPED_TRACE(allowed ? "allowed" : "not allowed");
    arrived = 0;
    auto popup = makePopup();
    present(popup, PopUpPresentType::center, allowed);
    runFor(0.3 + kEps);
    ASSERT_EQ(arrived, 1);
    auto o = overlay();
    EXPECT_EQ(o->shouldOutSideClick, allowed);
    auto close = o->closeControl();
    ASSERT_TRUE(close);
    ASSERT_TRUE(close->tap());
    runFor(0.3 + kEps);
    EXPECT_EQ(arrived, 1) << "no completion for a tap";
    if (allowed) {
      EXPECT_EQ(popup->superview(), nullptr);
      EXPECT_EQ(o->superview(), nullptr);
    } else {
      EXPECT_EQ(popup->superview(), o);
      EXPECT_EQ(o->superview(), root->view());
      expectRect(popup->frame(), Rect(45, 322, 300, 200), "untouched");
      o->type = PopUpPresentType::none;
      o->dismiss(popup, nullptr);
    }
  }
}

TEST_F(PopUpOverlayTest, TapAfterThePopupLeftByItselfKeepsTheOverlayIntact) {
  auto popup = makePopup();
  present(popup, PopUpPresentType::none, true);
  auto o = overlay();
  auto blur = o->imgVBlur.lock();
  auto close = o->closeControl();
  ASSERT_TRUE(blur && close);
  popup->removeFromSuperview();
  close->tap();
  runFor(0.5);
  EXPECT_EQ(blur->superview(), o);
  EXPECT_EQ(close->superview(), o);
  EXPECT_EQ(o->superview(), root->view());

  // The overlay still works for the next popup.
  auto next = makePopup();
  present(next, PopUpPresentType::none, true);
  close->tap();
  EXPECT_EQ(next->superview(), nullptr);
  EXPECT_EQ(o->superview(), nullptr);
}

// ---- ownership and host ----

TEST_F(PopUpOverlayTest, EachScreenKeepsOneOverlayReusedByLaterPresentations) {
  auto first = makePopup();
  present(first, PopUpPresentType::leftToCenter, true);
  auto o = overlay();
  ASSERT_TRUE(o);
  const auto* kept = root->associated<std::shared_ptr<PopUpOverlay>>("popUpOverlay");
  EXPECT_EQ(kept ? *kept : nullptr, o);

  // A second popup on top of the first: the later type rules both.
  auto second = makePopup();
  present(second, PopUpPresentType::center, false);
  EXPECT_EQ(overlay(), o);
  EXPECT_EQ(o->type, PopUpPresentType::center);
  EXPECT_FALSE(o->shouldOutSideClick);
  EXPECT_EQ(o->subviews().back(), second);
  runFor(0.3 + kEps);
  o->dismiss(first, nullptr);
  expectRect(first->frame(), Rect(193.5, 421, 3, 2), "the earlier popup leaves as the later type");
  runFor(0.3 + kEps);
  EXPECT_EQ(first->superview(), nullptr);

  // After a dismissal the same object comes back.
  present(makePopup(), PopUpPresentType::none, true);
  EXPECT_EQ(overlay(), o);
  EXPECT_EQ(o->superview(), root->view());

  auto other = std::make_shared<uikit::ViewController>();
  auto otherOverlay = PopUpOverlayPresenter::popUpOverlay(other);
  ASSERT_TRUE(otherOverlay);
  EXPECT_NE(otherOverlay, o);
}

TEST_F(PopUpOverlayTest, HostIsTheNavigationControllersViewElseTheScreensOwn) {
  for (bool inNavigation : {false, true}) {
    SCOPED_TRACE(inNavigation ? "in navigation" : "alone");
    auto screen = std::make_shared<uikit::ViewController>();
    std::shared_ptr<uikit::NavigationController> nav;
    if (inNavigation) {
      nav = uikit::NavigationController::makeWithRoot(screen);
      show(nav);
    } else {
      show(screen);
    }
    auto popup = makePopup();
    PopUpOverlayPresenter::presentPopUpOverlay(screen, popup, false, false, PopUpPresentType::none, nullptr);
    auto o = PopUpOverlayPresenter::popUpOverlay(screen);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->superview(), inNavigation ? nav->view() : screen->view());
  }
}

// ---- blur ----

TEST_F(PopUpOverlayTest, BlurShowsADarkenedSnapshotAndDismissalClearsIt) {
  auto o = overlay();
  auto blur = o->imgVBlur.lock();
  ASSERT_TRUE(blur);
  expectRect(blur->frame(), Rect(0, 0, 390, 844), "blur view fills the screen");

  auto popup = makePopup();
  present(popup, PopUpPresentType::none, false, true);
  auto image = blur->image();
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixelWidth(), 390);
  EXPECT_EQ(image->pixelHeight(), 844);
  for (auto [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {195, 422}, {389, 843}}) {
    std::uint8_t px[4];
    ASSERT_TRUE(image->pixelAt(x, y, px));
    EXPECT_EQ(px[0], 128) << "white one stop darker, edges not faded";
    EXPECT_EQ(px[3], 255);
  }
  o->dismiss(popup, nullptr);
  EXPECT_EQ(blur->image(), nullptr);

  // Without blur the image view keeps whatever it shows.
  auto marker = uikit::Image::filled({4, 4}, uikit::Color::systemRed());
  blur->setImage(marker);
  present(makePopup(), PopUpPresentType::none, false, false);
  EXPECT_EQ(blur->image(), marker);
}

TEST_F(PopUpOverlayTest, BlurOverAHostWithoutAreaShowsNoImage) {
  auto o = overlay();
  auto blur = o->imgVBlur.lock();
  blur->setImage(uikit::Image::filled({4, 4}, uikit::Color::systemRed()));
  root->view()->setFrame(Rect(0, 0, 0, 0));
  auto popup = makePopup();
  present(popup, PopUpPresentType::none, false, true);
  EXPECT_EQ(arrived, 1);
  EXPECT_EQ(o->superview(), root->view());
  EXPECT_EQ(blur->image(), nullptr);
}

// ---- interface file ----

TEST_F(PopUpOverlayTest, WithoutAnOverlayFromTheInterfaceFileThePresentationIsDropped) {
  struct Case {
    const char* what;
    uikit::Nib::Factory factory;
  };
  const std::vector<Case> cases = {
      {"nothing loads", [](const std::shared_ptr<uikit::Object>&) { return uikit::NibContents{}; }},
      {"another class",
       [](const std::shared_ptr<uikit::Object>&) {
         uikit::NibContents c;
         c.topLevelObjects.push_back(uikit::View::make());
         return c;
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    uikit::Nib::registerNib(PopUpOverlay::kNibName, c.factory);
    auto screen = std::make_shared<uikit::ViewController>();
    show(screen);
    EXPECT_EQ(PopUpOverlayPresenter::popUpOverlay(screen), nullptr);
    auto popup = makePopup();
    int done = 0;
    PopUpOverlayPresenter::presentPopUpOverlay(screen, popup, true, true, PopUpPresentType::none, [&] { ++done; });
    runFor(1.0);
    EXPECT_EQ(done, 0);
    EXPECT_EQ(popup->superview(), nullptr);
    EXPECT_EQ(screen->view()->subviews().size(), 0u);
    EXPECT_EQ(screen->associatedObject("popUpOverlay"), nullptr);
  }
  uikit::Nib::resetRegistry();
  EXPECT_TRUE(PopUpOverlayPresenter::popUpOverlay(root)) << "the real file is declared again on demand";
}

TEST(NibLoaderTest, FirstTopLevelObjectWhenItIsAView) {
  uikit::Nib::registerNib("NibLoaderViewFirst", [](const std::shared_ptr<uikit::Object>&) {
    uikit::NibContents c;
    auto v = uikit::View::make();
    v->setTag(7);
    c.topLevelObjects = {v, uikit::View::make()};
    return c;
  });
  uikit::Nib::registerNib("NibLoaderObjectFirst", [](const std::shared_ptr<uikit::Object>&) {
    uikit::NibContents c;
    c.topLevelObjects = {std::make_shared<uikit::Object>(), uikit::View::make()};
    return c;
  });
  auto v = NibLoader::loadFromNib("NibLoaderViewFirst");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->tag(), 7);
  EXPECT_EQ(NibLoader::loadFromNib("NibLoaderObjectFirst"), nullptr);
  EXPECT_EQ(NibLoader::loadFromNib("NibLoaderNoSuchFile"), nullptr);
}

// ---- transition animators ----

// Records its frame when it joins a container.
class ProbeView : public uikit::View {
 public:
  using uikit::View::View;
  void didMoveToSuperview() override {
    if (superview()) frameWhenAdded = frame();
  }
  Rect frameWhenAdded;
};

class TransitionAnimatorTest : public WidgetsFixture {
 protected:
  struct Run {
    std::shared_ptr<uikit::View> container;
    std::shared_ptr<uikit::ViewController> from, to;
    std::shared_ptr<ProbeView> probe;
    uikit::TransitionContextPtr context;
    std::optional<bool> completed;
  };
  std::unique_ptr<Run> start(uikit::ViewControllerAnimatedTransitioning& animator, bool withDestination) {
    auto r = std::make_unique<Run>();
    r->container = uikit::View::make(Rect(0, 0, 390, 844));
    r->from = std::make_shared<uikit::ViewController>();
    if (withDestination) {
      r->to = std::make_shared<uikit::ViewController>();
      r->probe = std::make_shared<ProbeView>(Rect(5, 5, 10, 10));
      r->to->setView(r->probe);
    }
    r->context = std::make_shared<uikit::TransitionContext>(r->container, r->from, r->to, true);
    Run* raw = r.get();
    r->context->setCompletionHandler([raw](bool done) { raw->completed = done; });
    animator.animateTransition(r->context);
    return r;
  }
};

TEST_F(TransitionAnimatorTest, AddTheDestinationAnimateForPointThreeSecondsAndComplete) {
  struct Case {
    const char* what;
    std::function<std::shared_ptr<uikit::ViewControllerAnimatedTransitioning>()> make;
    std::optional<Rect> frameWhenAdded;  // none: left as it was
    Rect finalFrame;
  };
  const std::vector<Case> cases = {
      {"fade", [] { return std::make_shared<FadeInTransitionAnimator>(); }, std::nullopt, Rect(5, 5, 10, 10)},
      {"slide", [] { return std::make_shared<SlideUpTransitionAnimator>(); }, Rect(0, 844, 390, 844),
       Rect(0, 0, 390, 844)},
  };
  for (const auto& c : cases) {
    for (bool cancelled : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (cancelled ? " cancelled" : ""));
      auto animator = c.make();
      EXPECT_DOUBLE_EQ(animator->transitionDuration(nullptr), 0.3);
      auto r = start(*animator, true);
      EXPECT_EQ(r->probe->superview(), r->container);
      if (c.frameWhenAdded) expectRect(r->probe->frameWhenAdded, *c.frameWhenAdded, "from below");
      expectRect(r->probe->frame(), c.finalFrame, "final");
      EXPECT_DOUBLE_EQ(r->probe->alpha(), 1.0);
      EXPECT_EQ(r->probe->runningAnimationCount(), 1);
      if (cancelled) r->context->cancelInteractiveTransition();
      runFor(0.3 - kEps);
      EXPECT_FALSE(r->completed);
      runFor(2 * kEps);
      ASSERT_TRUE(r->completed);
      EXPECT_EQ(*r->completed, !cancelled);
    }
  }
}

TEST_F(TransitionAnimatorTest, WithoutADestinationNothingHappens) {
  FadeInTransitionAnimator fade;
  SlideUpTransitionAnimator slide;
  for (uikit::ViewControllerAnimatedTransitioning* animator :
       std::vector<uikit::ViewControllerAnimatedTransitioning*>{&fade, &slide}) {
    auto r = start(*animator, false);
    runFor(1.0);
    EXPECT_TRUE(r->container->subviews().empty());
    EXPECT_FALSE(r->completed);
    EXPECT_FALSE(r->context->isCompleted());
  }
}

class FadeInDelegate : public uikit::ViewControllerTransitioningDelegate {
 public:
  uikit::AnimatorPtr animationControllerForPresentedController(const std::shared_ptr<uikit::ViewController>&,
                                                               const std::shared_ptr<uikit::ViewController>&,
                                                               const std::shared_ptr<uikit::ViewController>&) override {
    return std::make_shared<FadeInTransitionAnimator>();
  }
};

TEST_F(TransitionAnimatorTest, FadeInDrivesARealPresentation) {
  auto root = std::make_shared<uikit::ViewController>();
  show(root);
  auto delegate = std::make_shared<FadeInDelegate>();
  auto presented = std::make_shared<uikit::ViewController>();
  presented->modalPresentationStyle = uikit::ModalPresentationStyle::kCustom;
  presented->setTransitioningDelegate(delegate);
  bool done = false;
  ASSERT_TRUE(root->present(presented, true, [&] { done = true; }));
  runFor(0.3 - kEps);
  EXPECT_FALSE(done);
  runFor(2 * kEps);
  EXPECT_TRUE(done);
  EXPECT_EQ(root->presentedViewController(), presented);
  EXPECT_TRUE(presented->view()->window());
  EXPECT_DOUBLE_EQ(presented->view()->alpha(), 1.0);
}

// ---- mail composer ----

TEST_F(TransitionAnimatorTest, MailComposerClosesItselfAnimatedWhateverTheOutcome) {
  auto root = std::make_shared<uikit::ViewController>();
  show(root);
  struct Case {
    MailComposeResult result;
    std::optional<platform::Status> error;
  };
  for (const auto& c : std::vector<Case>{{MailComposeResult::cancelled, std::nullopt},
                                         {MailComposeResult::saved, std::nullopt},
                                         {MailComposeResult::sent, std::nullopt},
                                         {MailComposeResult::failed, platform::Status::IOError("no network")}}) {
    SCOPED_TRACE(static_cast<int>(c.result));
    auto composer = std::make_shared<uikit::ViewController>();
    ASSERT_TRUE(root->present(composer, true));
    runFor(0.3 + kEps);
    ASSERT_EQ(root->presentedViewController(), composer);
    MailComposeAnswer::mailComposeControllerDidFinishWithResultError(composer, c.result, c.error);
    EXPECT_TRUE(composer->isBeingDismissed()) << "animated, not at once";
    runFor(0.3 + kEps);
    EXPECT_EQ(root->presentedViewController(), nullptr);
  }
}

}  // namespace
}  // namespace widgets_test
