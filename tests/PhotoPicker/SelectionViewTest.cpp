#include "PhotoPicker/SelectionView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "PhotoPicker/CheckmarkView.h"
#include "PhotoPicker/GradientView.h"
#include "PhotoPicker/NumberView.h"
#include "Platform/UIKit/GraphicsImageContext.h"
#include "Platform/UIKit/GraphicsImageRenderer.h"

namespace photopicker {
namespace {

using Op = uikit::DrawingOperation;
using uikit::Color;
using uikit::Point;
using uikit::Rect;

std::shared_ptr<Settings> settingsWith(Settings::Theme::SelectionStyle style) {
  auto s = std::make_shared<Settings>();
  s->theme().setSelectionStyle(style);
  s->theme().setSelectionFillColor(Color::systemBlue());
  s->theme().setSelectionShadowColor(Color::black());
  return s;
}

std::shared_ptr<SelectionView> badge(double side, Settings::Theme::SelectionStyle style) {
  auto v = uikit::View::make<SelectionView>(Rect(0, 0, side, side));
  v->settings = settingsWith(style);
  return v;
}

// The badge rendered as its cell's layer would be.
std::vector<Op> draw(SelectionView& view) {
  auto image = uikit::GraphicsImageRenderer(view.bounds()).image(
      [&](auto&) { uikit::GraphicsImageContext::renderLayer(view.layer()); });
  EXPECT_TRUE(image);
  return image ? image->drawing() : std::vector<Op>{};
}

void expectNear(const Rect& actual, const Rect& expected, const char* what) {
  EXPECT_NEAR(actual.x(), expected.x(), 1e-4) << what;
  EXPECT_NEAR(actual.y(), expected.y(), 1e-4) << what;
  EXPECT_NEAR(actual.width(), expected.width(), 1e-4) << what;
  EXPECT_NEAR(actual.height(), expected.height(), 1e-4) << what;
}

TEST(SelectionViewTest, BadgeGeometryOnTheRecordedContext) {
  struct Case {
    double side;
    Rect circle;
    Rect icon;
  } cases[] = {
      {25, Rect(3, 3, 19, 19), Rect(5.7825, 5.7825, 13.4350, 13.4350)},
      // An inset side of 19.5 rounds to a 20-point circle.
      {25.5, Rect(3, 3, 20, 20), Rect(3 + 19.5 * 0.1464466, 3 + 19.5 * 0.1464466, 19.5 * (1 - 2 * 0.1464466),
                                      19.5 * (1 - 2 * 0.1464466))},
  };
  for (const auto& c : cases) {
    auto view = badge(c.side, Settings::Theme::SelectionStyle::kChecked);
    auto ops = draw(*view);
    ASSERT_EQ(ops.size(), 3u) << "fill, ring, check mark";
    const Op& fill = ops[0];
    EXPECT_EQ(fill.kind, Op::Kind::kFill);
    ASSERT_EQ(fill.path.size(), 1u);
    EXPECT_EQ(fill.path[0].kind, uikit::PathElement::Kind::kOval);
    EXPECT_EQ(fill.path[0].rect, c.circle) << c.side;
    EXPECT_EQ(fill.color, Color::systemBlue());
    ASSERT_TRUE(fill.shadow);
    EXPECT_EQ(fill.shadow->offset, (uikit::Size{0.1, -0.1}));
    EXPECT_DOUBLE_EQ(fill.shadow->blur, 2.5);
    EXPECT_EQ(fill.shadow->color, Color::black());

    const Op& ring = ops[1];
    EXPECT_EQ(ring.kind, Op::Kind::kStroke);
    EXPECT_EQ(ring.path[0].rect, c.circle);
    EXPECT_DOUBLE_EQ(ring.lineWidth, 1.0);
    EXPECT_EQ(ring.color, Color::white());
    EXPECT_FALSE(ring.shadow) << "the shadow falls under the fill only";

    expectNear(view->icon()->frame(), c.icon, "icon frame");
    EXPECT_TRUE(view->subviews().empty()) << "the icon is drawn, not added";
  }
}

TEST(SelectionViewTest, CheckMarkIsAbsoluteInTheBadgesStrokeColour) {
  for (double side : {25.0, 40.0}) {
    auto view = badge(side, Settings::Theme::SelectionStyle::kChecked);
    view->settings->theme().setSelectionStrokeColor(Color::systemRed());
    auto ops = draw(*view);
    ASSERT_EQ(ops.size(), 3u);
    const Op& mark = ops[2];
    EXPECT_EQ(mark.kind, Op::Kind::kStroke);
    ASSERT_EQ(mark.path.size(), 3u);
    EXPECT_EQ(mark.path[0].point, (Point{7, 12.5})) << side;
    EXPECT_EQ(mark.path[1].point, (Point{11, 16})) << side;
    EXPECT_EQ(mark.path[2].point, (Point{17.5, 9.5})) << side;
    EXPECT_DOUBLE_EQ(mark.lineWidth, 1.0);
    EXPECT_EQ(mark.color, Color::systemRed());
    EXPECT_NE(dynamic_cast<CheckmarkView*>(view->icon().get()), nullptr);
  }
}

TEST(SelectionViewTest, NumberedBadgeShowsIndexPlusOne) {
  struct Case {
    std::optional<std::int64_t> index;
    std::string shown;
  } cases[] = {{0, "1"}, {9, "10"}};
  for (const auto& c : cases) {
    auto view = badge(25, Settings::Theme::SelectionStyle::kNumbered);
    view->setSelectionIndex(c.index);
    EXPECT_TRUE(view->needsDisplay());
    auto ops = draw(*view);
    EXPECT_FALSE(view->needsDisplay()) << "drawn";
    ASSERT_EQ(ops.size(), 3u);
    const Op& text = ops[2];
    EXPECT_EQ(text.kind, Op::Kind::kText);
    EXPECT_EQ(text.text, c.shown);
    EXPECT_EQ(text.color, Color::white()) << "the stroke colour";
    EXPECT_DOUBLE_EQ(text.fontSize, 12);
    expectNear(text.rect, Rect(5.7825, 5.7825, 13.4350, 13.4350), "text in the icon frame");
  }

  auto view = badge(25, Settings::Theme::SelectionStyle::kNumbered);
  view->setSelectionIndex(2);
  draw(*view);
  view->setSelectionIndex(std::nullopt);
  EXPECT_FALSE(view->needsDisplay()) << "none redraws nothing";
  auto* number = dynamic_cast<NumberView*>(view->icon().get());
  ASSERT_NE(number, nullptr);
  EXPECT_EQ(number->text(), "3") << "none leaves the old digits";
}

TEST(SelectionViewTest, IconKindIsFixedAtFirstUse) {
  auto checked = badge(25, Settings::Theme::SelectionStyle::kChecked);
  checked->setSelectionIndex(4);
  EXPECT_FALSE(checked->needsDisplay()) << "the checked style is not redrawn for an index";
  checked->settings->theme().setSelectionStyle(Settings::Theme::SelectionStyle::kNumbered);
  checked->setSelectionIndex(5);
  EXPECT_NE(dynamic_cast<CheckmarkView*>(checked->icon().get()), nullptr);

  SelectionView bare;  // no settings: the defaults of a new tree
  EXPECT_EQ(bare.backgroundColor(), Color::clear());
  EXPECT_NE(dynamic_cast<CheckmarkView*>(bare.icon().get()), nullptr);
}

TEST(SelectionViewTest, NumberViewTakesItsTintAsTextColour) {
  NumberView number;
  EXPECT_EQ(number.font().pointSize(), 12);
  EXPECT_EQ(number.font().weight(), uikit::FontWeight::kBold);
  EXPECT_EQ(number.textAlignment, uikit::TextAlignment::kCenter);
  EXPECT_EQ(number.numberOfLines(), 1);
  EXPECT_TRUE(number.adjustsFontSizeToFitWidth);
  number.setTintColor(Color::systemRed());
  EXPECT_EQ(number.textColor(), Color::systemRed());
  uikit::View& base = number;
  base.setTintColor(Color::gray());
  EXPECT_EQ(number.textColor(), Color::gray());
}

TEST(SelectionViewTest, GradientViewColoursGoToItsLayer) {
  auto view = uikit::View::make<GradientView>(Rect(0, 0, 10, 10));
  view->setColors(std::vector<Color>{Color::clear(), Color::black()});
  auto* layer = dynamic_cast<uikit::GradientLayer*>(&view->layer());
  ASSERT_NE(layer, nullptr);
  ASSERT_TRUE(layer->colors);
  EXPECT_EQ(*layer->colors, (std::vector<Color>{Color::clear(), Color::black()}));
  layer->locations = std::vector<double>{0.0, 0.7};
  EXPECT_EQ(view->gradientLayer().locations->size(), 2u);
  view->setColors(std::nullopt);
  EXPECT_FALSE(layer->colors);
}

}  // namespace
}  // namespace photopicker
