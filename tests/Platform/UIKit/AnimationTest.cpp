#include <vector>

#include "tests/Platform/UIKit/UIKitFixture.h"

namespace uikit::testing {
namespace {

class AnimationTest : public UIKitFixture {};

TEST_F(AnimationTest, ValuesAreFinalAtStartAndCompletionRunsAtDelayPlusDuration) {
  auto root = std::make_shared<ViewController>();
  show(root);
  auto v = View::make(Rect(0, 0, 10, 10));
  root->view()->addSubview(v);
  std::vector<bool> results;
  View::animate(0.5, 0.2, kAnimationNone, [&] {
    v->setAlpha(0.25);
    v->setCenter({100, 200});
  }, [&](bool finished) { results.push_back(finished); });
  EXPECT_DOUBLE_EQ(v->alpha(), 0.25);
  EXPECT_EQ(v->center(), (Point{100, 200}));
  EXPECT_EQ(v->runningAnimationCount(), 1);
  runFor(0.69);
  EXPECT_TRUE(results.empty());
  runFor(0.01);
  ASSERT_EQ(results, std::vector<bool>{true});
  EXPECT_EQ(v->runningAnimationCount(), 0);
}

TEST_F(AnimationTest, RemovedAnimationsOrLeavingTheWindowFinishWithFalse) {
  struct Case {
    const char* name;
    std::function<void(View&)> interrupt;
  };
  std::vector<Case> cases = {
      {"remove all animations", [](View& v) { v.layer().removeAllAnimations(); }},
      {"leave the window", [](View& v) { v.removeFromSuperview(); }},
      {"ancestor leaves the window", [](View& v) { v.superview()->removeFromSuperview(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto root = std::make_shared<ViewController>();
    show(root);
    auto holder = View::make(Rect(0, 0, 50, 50));
    auto v = View::make(Rect(0, 0, 10, 10));
    root->view()->addSubview(holder);
    holder->addSubview(v);
    std::vector<bool> results;
    View::animate(0.3, [&] { v->setAlpha(0); }, [&](bool f) { results.push_back(f); });
    runFor(0.1);
    c.interrupt(*v);
    EXPECT_TRUE(results.empty()) << "the completion never runs inside the interrupting call";
    runUntilIdle();
    EXPECT_EQ(results, std::vector<bool>{false});
    runFor(1.0);
    EXPECT_EQ(results.size(), 1u) << "the completion runs once";
  }
}

TEST_F(AnimationTest, SpringVariantKeepsTheSameContract) {
  auto root = std::make_shared<ViewController>();
  show(root);
  auto v = View::make(Rect(0, 0, 10, 10));
  root->view()->addSubview(v);
  std::vector<bool> results;
  View::animateWithSpring(0.1, 0, 1.0, 0.05, kAnimationCurveEaseIn,
                          [&] { v->setTransform(AffineTransform::translation(0, 3)); },
                          [&](bool f) { results.push_back(f); });
  EXPECT_EQ(v->transform(), AffineTransform::translation(0, 3));
  runFor(0.1);
  EXPECT_EQ(results, std::vector<bool>{true});
}

TEST_F(AnimationTest, NestedAndChainedAnimationsEndInOrder) {
  auto root = std::make_shared<ViewController>();
  show(root);
  auto v = View::make(Rect(0, 0, 10, 10));
  root->view()->addSubview(v);
  std::vector<std::string> log;
  View::animate(0.2, [&] { v->setAlpha(0.5); }, [&](bool f) {
    log.push_back(std::string("first ") + (f ? "true" : "false"));
    View::animate(0.1, [&] { v->setAlpha(0); }, [&](bool g) { log.push_back(std::string("second ") + (g ? "true" : "false")); });
  });
  runFor(0.2);
  EXPECT_EQ(log, std::vector<std::string>{"first true"});
  EXPECT_DOUBLE_EQ(v->alpha(), 0);
  runFor(0.1);
  EXPECT_EQ(log, (std::vector<std::string>{"first true", "second true"}));
}

TEST_F(AnimationTest, WithoutAnimatedChangesTheCompletionRunsInTheNextTurn) {
  std::vector<bool> results;
  View::animate(5.0, [] {}, [&](bool f) { results.push_back(f); });
  EXPECT_TRUE(results.empty()) << "never inside the call";
  runUntilIdle();
  EXPECT_EQ(results, std::vector<bool>{true});
  View::performWithoutAnimation([&] { View::animate(5.0, [] {}, [&](bool f) { results.push_back(f); }); });
  runUntilIdle();
  EXPECT_EQ(results.size(), 2u);
}

}  // namespace
}  // namespace uikit::testing
