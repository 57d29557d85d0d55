#include <string>
#include <vector>

#include "Platform/UIKit/AlertController.h"
#include "Platform/UIKit/NavigationController.h"
#include "tests/Platform/UIKit/UIKitFixture.h"

namespace uikit::testing {
namespace {

// Records its life-cycle calls into a shared log.
class LoggingVC : public ViewController {
 public:
  LoggingVC(std::string name, std::vector<std::string>* log) : name_(std::move(name)), log_(log) {}
  void viewDidLoad() override { log_->push_back(name_ + ".didLoad"); }
  void viewWillAppear(bool) override { log_->push_back(name_ + ".willAppear"); }
  void viewDidAppear(bool) override { log_->push_back(name_ + ".didAppear"); }
  void viewWillDisappear(bool) override { log_->push_back(name_ + ".willDisappear"); }
  void viewDidDisappear(bool) override { log_->push_back(name_ + ".didDisappear"); }

 private:
  std::string name_;
  std::vector<std::string>* log_;
};

class PresentationTest : public UIKitFixture {};

TEST_F(PresentationTest, AnimatedPresentAndDismissTakePointThreeSeconds) {
  std::vector<std::string> log;
  auto root = std::make_shared<LoggingVC>("root", &log);
  show(root);
  log.clear();
  auto modal = std::make_shared<LoggingVC>("modal", &log);
  modal->modalPresentationStyle = ModalPresentationStyle::kFullScreen;
  ASSERT_TRUE(root->present(modal, true, [&] { log.push_back("presented"); }));
  EXPECT_EQ(root->presentedViewController(), modal);
  EXPECT_EQ(modal->presentingViewController(), root);
  EXPECT_TRUE(modal->isBeingPresented());
  runFor(0.29);
  EXPECT_EQ(log, (std::vector<std::string>{"root.willDisappear", "modal.didLoad", "modal.willAppear"}));
  runFor(0.01);
  EXPECT_EQ(log, (std::vector<std::string>{"root.willDisappear", "modal.didLoad", "modal.willAppear",
                                           "modal.didAppear", "root.didDisappear", "presented"}));
  EXPECT_FALSE(modal->isBeingPresented());
  log.clear();
  ASSERT_TRUE(modal->dismiss(true, [&] { log.push_back("dismissed"); }));
  runFor(0.3);
  EXPECT_EQ(log, (std::vector<std::string>{"modal.willDisappear", "root.willAppear", "modal.didDisappear",
                                           "root.didAppear", "dismissed"}));
  EXPECT_EQ(root->presentedViewController(), nullptr);
  EXPECT_EQ(modal->presentingViewController(), nullptr);
  EXPECT_EQ(modal->view()->window(), nullptr);
}

TEST_F(PresentationTest, PresentingIsRefusedWhilePresentingOrDuringATransition) {
  auto root = std::make_shared<ViewController>();
  show(root);
  auto first = std::make_shared<ViewController>();
  auto second = std::make_shared<ViewController>();
  int completions = 0;
  ASSERT_TRUE(root->present(first, true, [&] { ++completions; }));
  // During the presentation transition.
  EXPECT_FALSE(root->present(second, false, [&] { ++completions; }));
  EXPECT_FALSE(first->present(second, false, [&] { ++completions; }));
  EXPECT_FALSE(first->dismiss(false, [&] { ++completions; }));
  runFor(0.3);
  EXPECT_EQ(completions, 1);
  // Already presenting.
  EXPECT_FALSE(root->present(second, false, [&] { ++completions; }));
  EXPECT_EQ(root->presentedViewController(), first);
  // The presented screen may present in turn.
  EXPECT_TRUE(first->present(second, false, [&] { ++completions; }));
  EXPECT_EQ(completions, 2);
  // During a dismissal transition.
  ASSERT_TRUE(second->dismiss(true));
  EXPECT_FALSE(first->present(std::make_shared<ViewController>(), false));
  runFor(0.3);
  EXPECT_EQ(first->presentedViewController(), nullptr);
}

TEST_F(PresentationTest, RefusedOffScreenAndForControllersAlreadyPlaced) {
  auto loose = std::make_shared<ViewController>();
  EXPECT_FALSE(loose->present(std::make_shared<ViewController>(), false)) << "not in a window";
  auto root = std::make_shared<ViewController>();
  show(root);
  EXPECT_FALSE(root->present(root, false));
  auto nav = NavigationController::withRoot(std::make_shared<ViewController>());
  EXPECT_FALSE(root->present(nav->topViewController(), false)) << "a child cannot be presented";
  EXPECT_FALSE(root->present(nullptr, false));
}

TEST_F(PresentationTest, AChildPresentsThroughItsContainer) {
  auto top = std::make_shared<ViewController>();
  auto nav = NavigationController::withRoot(top);
  show(nav);
  auto modal = std::make_shared<ViewController>();
  ASSERT_TRUE(top->present(modal, false));
  EXPECT_EQ(nav->presentedViewController(), modal);
  EXPECT_EQ(modal->presentingViewController(), nav);
  EXPECT_EQ(nav->visibleViewController(), modal);
  EXPECT_TRUE(top->dismiss(false)) << "the child dismisses what its container presents";
  EXPECT_EQ(nav->visibleViewController(), top);
}

TEST_F(PresentationTest, DismissingAMiddleScreenTakesTheOnesAboveWithIt) {
  auto root = std::make_shared<ViewController>();
  show(root);
  auto a = std::make_shared<ViewController>();
  auto b = std::make_shared<ViewController>();
  ASSERT_TRUE(root->present(a, false));
  ASSERT_TRUE(a->present(b, false));
  ASSERT_TRUE(root->dismiss(false));
  EXPECT_EQ(root->presentedViewController(), nullptr);
  EXPECT_EQ(a->presentedViewController(), nullptr);
  EXPECT_EQ(b->presentingViewController(), nullptr);
}

TEST_F(PresentationTest, AlertActionHandlerRunsWhenPressedByTitle) {
  auto root = std::make_shared<ViewController>();
  show(root);
  std::vector<std::string> pressed;
  auto alert = AlertController::make("Confirm", "Are you sure?");
  alert->addAction(AlertAction::make("No", AlertActionStyle::kDefault, [&](AlertAction& a) { pressed.push_back(*a.title()); }));
  alert->addAction(AlertAction::make("Yes", AlertActionStyle::kDefault, [&](AlertAction& a) { pressed.push_back(*a.title()); }));
  ASSERT_TRUE(root->present(alert, true));
  EXPECT_FALSE(alert->pressActionWithTitle("Yes")) << "not while it is still coming in";
  runFor(0.3);
  EXPECT_FALSE(alert->pressActionWithTitle("Maybe"));
  ASSERT_TRUE(alert->pressActionWithTitle("Yes"));
  EXPECT_FALSE(alert->pressActionWithTitle("No")) << "one press per alert";
  EXPECT_TRUE(pressed.empty()) << "the handler waits for the dismissal";
  runFor(0.3);
  EXPECT_EQ(pressed, std::vector<std::string>{"Yes"});
  EXPECT_EQ(root->presentedViewController(), nullptr);
  // The handler may present the next alert: the presenter is free again.
  auto next = AlertController::make("Sorry", std::nullopt);
  EXPECT_TRUE(root->present(next, false));
}

TEST_F(PresentationTest, CancelActionIsShownWhereThePlatformPutsIt) {
  struct Case {
    std::vector<std::pair<std::string, AlertActionStyle>> actions;
    AlertControllerStyle style;
    std::vector<std::string> shown;
  };
  std::vector<Case> cases = {
      {{{"Okay", AlertActionStyle::kDefault}, {"Cancel", AlertActionStyle::kCancel}}, AlertControllerStyle::kAlert,
       {"Cancel", "Okay"}},
      {{{"A", AlertActionStyle::kDefault}, {"Cancel", AlertActionStyle::kCancel}, {"B", AlertActionStyle::kDefault}},
       AlertControllerStyle::kAlert, {"A", "B", "Cancel"}},
      {{{"No", AlertActionStyle::kDefault}, {"Yes", AlertActionStyle::kDefault}}, AlertControllerStyle::kAlert,
       {"No", "Yes"}},
      {{{"Cancel", AlertActionStyle::kCancel}, {"Delete", AlertActionStyle::kDestructive}},
       AlertControllerStyle::kActionSheet, {"Delete", "Cancel"}},
  };
  for (const auto& c : cases) {
    auto alert = AlertController::make(std::nullopt, std::nullopt, c.style);
    for (const auto& [t, s] : c.actions) alert->addAction(AlertAction::make(t, s));
    EXPECT_EQ(alert->displayedActionTitles(), c.shown);
  }
}

// A screen inside a navigation controller whose presented screen is still
// being dismissed: presenting at once is refused, presenting once the
// dismissal ends works. A completion that starts another transition makes
// the block wait for that one too.
TEST_F(PresentationTest, ABlockWaitsForTheRunningTransitionInThePresentationContext) {
  auto screen = std::make_shared<ViewController>();
  auto nav = NavigationController::withRoot(screen);
  show(nav);
  std::vector<std::string> log;
  screen->whenTransitionEnds([&] { log.push_back("idle"); });
  EXPECT_EQ(log, (std::vector<std::string>{"idle"}));
  log.clear();

  auto scanner = std::make_shared<ViewController>();
  ASSERT_TRUE(screen->present(scanner, true));
  runFor(0.3);
  ASSERT_TRUE(scanner->dismiss(true, [&] { log.push_back("dismissed"); }));
  auto popup = std::make_shared<ViewController>();
  EXPECT_FALSE(screen->present(popup, true));
  screen->whenTransitionEnds([&] {
    log.push_back("block");
    EXPECT_TRUE(screen->present(popup, true, [&] { log.push_back("popup shown"); }));
  });
  runFor(0.29);
  EXPECT_TRUE(log.empty());
  runFor(0.01);
  EXPECT_EQ(log, (std::vector<std::string>{"dismissed", "block"}));
  // The block waits on the popup's presentation, which it started.
  popup->whenTransitionEnds([&] { log.push_back("after popup"); });
  runFor(0.3);
  EXPECT_EQ(log, (std::vector<std::string>{"dismissed", "block", "popup shown", "after popup"}));
  EXPECT_EQ(screen->presentedViewController(), popup);

  // The dismissal's completion presents again: the block runs after that
  // presentation, not between the two.
  log.clear();
  auto next = std::make_shared<ViewController>();
  ASSERT_TRUE(popup->dismiss(true, [&] { EXPECT_TRUE(screen->present(next, true)); }));
  screen->whenTransitionEnds([&] { log.push_back(screen->presentedViewController() == next && !next->isBeingPresented()
                                                    ? "next shown" : "too early"); });
  runFor(0.3);
  EXPECT_TRUE(log.empty());
  runFor(0.3);
  EXPECT_EQ(log, (std::vector<std::string>{"next shown"}));
}

// Both wait on a presentation: the presented screen's block dismisses it,
// then the presenter's block, held back by that dismissal, presents the
// next screen once it has gone.
TEST_F(PresentationTest, APresentedScreensBlocksRunBeforeItsPresenters) {
  auto screen = std::make_shared<ViewController>();
  show(screen);
  auto scanner = std::make_shared<ViewController>();
  auto popup = std::make_shared<ViewController>();
  ASSERT_TRUE(screen->present(scanner, true));
  std::vector<std::string> log;
  screen->whenTransitionEnds([&] {
    log.push_back("present popup");
    EXPECT_TRUE(screen->present(popup, true));
  });
  scanner->whenTransitionEnds([&] {
    log.push_back("dismiss scanner");
    EXPECT_TRUE(scanner->dismiss(true));
  });
  runFor(0.3);
  EXPECT_EQ(log, (std::vector<std::string>{"dismiss scanner"}));
  runFor(0.3);
  EXPECT_EQ(log, (std::vector<std::string>{"dismiss scanner", "present popup"}));
  runFor(0.3);
  EXPECT_EQ(screen->presentedViewController(), popup);
  EXPECT_FALSE(popup->isBeingPresented());
}

}  // namespace
}  // namespace uikit::testing
