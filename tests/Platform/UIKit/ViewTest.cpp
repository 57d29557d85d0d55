#include <string>
#include <vector>

#include "Platform/UIKit/ActivityIndicatorView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/StackView.h"
#include "tests/Platform/UIKit/UIKitFixture.h"

namespace uikit::testing {
namespace {

class ViewTest : public UIKitFixture {};

TEST_F(ViewTest, ViewWithTagSearchesDepthFirstInSubviewOrder) {
  auto root = View::make();
  auto a = View::make();
  auto a1 = View::make();
  auto b = View::make();
  a1->setTag(7);
  b->setTag(7);
  root->addSubview(a);
  a->addSubview(a1);
  root->addSubview(b);
  EXPECT_EQ(root->viewWithTag(7), a1) << "deep in the first branch before the second branch";
  root->setTag(7);
  EXPECT_EQ(root->viewWithTag(7), root) << "the receiver first";
  EXPECT_EQ(a->viewWithTag(99), nullptr);
}

TEST_F(ViewTest, HierarchyHoldsChildrenStronglyAndParentsWeakly) {
  std::weak_ptr<View> weakChild;
  std::weak_ptr<View> weakParent;
  {
    auto parent = View::make();
    auto child = View::make();
    parent->addSubview(child);
    weakChild = child;
    weakParent = parent;
    EXPECT_EQ(child->superview(), parent);
    auto other = View::make();
    other->addSubview(child);
    EXPECT_TRUE(parent->subviews().empty()) << "a view has one superview";
    parent->addSubview(child);
  }
  EXPECT_TRUE(weakParent.expired());
  EXPECT_TRUE(weakChild.expired());
}

TEST_F(ViewTest, FittingSizeAddsPinnedConstantsToTheContent) {
  // A toast box: label pinned 10 inside each edge, width at most 370.
  auto box = View::make();
  auto label = std::make_shared<Label>();
  label->setNumberOfLines(0);
  label->setFont(Font::systemFont(10));
  box->addSubview(label);
  label->setTranslatesAutoresizingMaskIntoConstraints(false);
  LayoutConstraint::activate({
      label->leadingAnchor().constraintEqualToAnchor(box->leadingAnchor(), 10),
      label->topAnchor().constraintEqualToAnchor(box->topAnchor(), 10),
      label->trailingAnchor().constraintEqualToAnchor(box->trailingAnchor(), -10),
      label->bottomAnchor().constraintEqualToAnchor(box->bottomAnchor(), -10),
      box->widthAnchor().constraintLessThanOrEqualToConstant(370),
  });
  EXPECT_EQ(box->systemLayoutSizeFittingSize(), (Size{20, 20})) << "empty text: the margins only";
  label->setText("Saved");
  Size one = label->intrinsicContentSize();
  EXPECT_EQ(box->systemLayoutSizeFittingSize(), (Size{one.width + 20, one.height + 20}));
  label->setText(std::string(200, 'x'));
  Size wrapped = box->systemLayoutSizeFittingSize();
  EXPECT_EQ(wrapped.width, 370) << "capped";
  EXPECT_GT(wrapped.height, one.height + 20) << "the text wraps onto more lines";
  // The constraints live in the nearest common ancestor.
  EXPECT_EQ(box->constraints().size(), 5u);
  EXPECT_TRUE(label->constraints().empty());
}

TEST_F(ViewTest, FittingSizePrefersTheStrongestChain) {
  // A spinner and caption in a box, as the loading indicator lays them out.
  auto build = [](bool withText, float topP, float leadP, float centerP, float capP, float bottomP) {
    auto box = View::make();
    auto spinner = std::make_shared<ActivityIndicatorView>(ActivityIndicatorStyle::kLarge);
    auto caption = std::make_shared<Label>();
    caption->setFont(Font::systemFont(16));
    if (withText) caption->setText("Loading");
    box->addSubview(spinner);
    box->addSubview(caption);
    for (auto v : std::vector<ViewPtr>{spinner, caption}) v->setTranslatesAutoresizingMaskIntoConstraints(false);
    auto c = [](LayoutConstraintPtr k, float p) { k->setPriority(p); return k; };
    LayoutConstraint::activate({
        spinner->centerXAnchor().constraintEqualToAnchor(box->centerXAnchor()),
        c(spinner->topAnchor().constraintEqualToAnchor(box->topAnchor(), 25), topP),
        c(spinner->leadingAnchor().constraintEqualToAnchor(box->leadingAnchor(), 25), leadP),
        c(spinner->centerYAnchor().constraintEqualToAnchor(box->centerYAnchor()), centerP),
        caption->centerXAnchor().constraintEqualToAnchor(box->centerXAnchor()),
        c(caption->topAnchor().constraintEqualToAnchor(spinner->bottomAnchor(), 15), capP),
        c(caption->leadingAnchor().constraintEqualToAnchor(box->leadingAnchor(), 15), capP),
        c(caption->bottomAnchor().constraintEqualToAnchor(box->bottomAnchor(), -15), bottomP),
    });
    return std::make_pair(box, caption);
  };
  auto [withBox, caption] = build(true, 1000, 750, 750, 1000, 1000);
  Size cap = caption->intrinsicContentSize();
  EXPECT_EQ(withBox->systemLayoutSizeFittingSize(), (Size{cap.width + 30, 25 + 37 + 15 + cap.height + 15}));
  auto [without, unused] = build(false, 750, 1000, 1000, 750, 749);
  EXPECT_EQ(without->systemLayoutSizeFittingSize(), (Size{37 + 50, 37 + 50})) << "hugs the spinner with 25 around";
}

TEST_F(ViewTest, LayoutPlacesFromCentreAndEdgeConstraints) {
  auto host = View::make(Rect(0, 0, 390, 844));
  auto box = View::make();
  auto bar = View::make();
  host->addSubview(box);
  host->addSubview(bar);
  box->setTranslatesAutoresizingMaskIntoConstraints(false);
  bar->setTranslatesAutoresizingMaskIntoConstraints(false);
  LayoutConstraint::activate({
      box->centerXAnchor().constraintEqualToAnchor(host->centerXAnchor()),
      box->bottomAnchor().constraintEqualToAnchor(host->bottomAnchor(), -54),
      box->widthAnchor().constraintEqualToConstant(100),
      box->heightAnchor().constraintEqualToConstant(40),
      bar->leadingAnchor().constraintEqualToAnchor(host->leadingAnchor(), 8),
      bar->trailingAnchor().constraintEqualToAnchor(host->trailingAnchor(), -8),
      bar->topAnchor().constraintEqualToAnchor(box->bottomAnchor(), 4),
      bar->heightAnchor().constraintEqualToConstant(2),
  });
  host->layoutIfNeeded();
  EXPECT_EQ(box->frame(), Rect(145, 844 - 54 - 40, 100, 40));
  EXPECT_EQ(bar->frame(), Rect(8, 844 - 54 + 4, 374, 2));
}

TEST_F(ViewTest, FramesConvertBetweenViewsAndFollowScrolling) {
  auto root = View::make(Rect(0, 0, 400, 800));
  auto a = View::make(Rect(10, 20, 200, 200));
  auto b = View::make(Rect(5, 5, 50, 50));
  root->addSubview(a);
  a->addSubview(b);
  EXPECT_EQ(b->convertRectToView(b->bounds(), root.get()), Rect(15, 25, 50, 50));
  EXPECT_EQ(root->convertRectFromView(b->frame(), a.get()), Rect(15, 25, 50, 50));
  a->setBounds(Rect(0, 30, 200, 200));  // scrolled by 30
  EXPECT_EQ(b->convertRectToView(b->bounds(), nullptr), Rect(15, -5, 50, 50));
}

TEST_F(ViewTest, TransformLeavesCentreAndBoundsAndScalesTheFrame) {
  auto v = View::make(Rect(0, 0, 100, 50));
  v->setTransform(AffineTransform::scale(0.01, 0.01));
  EXPECT_EQ(v->bounds().size, (Size{100, 50}));
  EXPECT_EQ(v->center(), (Point{50, 25}));
  EXPECT_NEAR(v->frame().width(), 1, 1e-9);
  v->setTransform(AffineTransform::identity());
  EXPECT_EQ(v->frame(), Rect(0, 0, 100, 50));
}

TEST_F(ViewTest, StackViewArrangesAlongItsAxis) {
  auto a = View::make();
  auto b = View::make();
  for (auto v : {a, b}) {
    LayoutConstraint::activate({v->widthAnchor().constraintEqualToConstant(25), v->heightAnchor().constraintEqualToConstant(25)});
  }
  auto stack = std::make_shared<StackView>();
  stack->spacing = 8;
  stack->distribution = StackViewDistribution::kFillEqually;
  stack->addArrangedSubview(a);
  stack->addArrangedSubview(b);
  EXPECT_EQ(stack->systemLayoutSizeFittingSize(), (Size{58, 25}));
  stack->setFrame(Rect(0, 0, 58, 25));
  stack->layoutIfNeeded();
  EXPECT_EQ(b->frame(), Rect(33, 0, 25, 25));
}

}  // namespace
}  // namespace uikit::testing
