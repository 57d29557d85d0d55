#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "Platform/UIKit/BezierPath.h"
#include "Platform/UIKit/Color.h"
#include "Platform/UIKit/GraphicsContext.h"
#include "Platform/UIKit/GraphicsImageContext.h"
#include "Platform/UIKit/GraphicsImageRenderer.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/View.h"
#include "UIKitFixture.h"

namespace uikit {
namespace {

using Kind = PathElement::Kind;

// Draws a rectangle outline in its own coordinates, with state changes that
// must not leak out of the save/restore pair.
class BoxView : public View {
 public:
  using View::View;
  void drawRect(const Rect& rect) override {
    ++draws;
    drawnRect = rect;
    auto* c = GraphicsContext::current();
    ASSERT_NE(c, nullptr);
    c->saveGState();
    c->translateBy(2, 3);
    c->scaleBy(2, 2);
    c->setStrokeColor(Color::systemRed());
    c->setShadow({1, -1}, 2.5, Color::black());
    auto p = BezierPath::rect(Rect(1, 1, 4, 4));
    p.lineWidth = 1.5;
    p.stroke();
    c->restoreGState();
    BezierPath line;
    line.moveToPoint({0, 0});
    line.addLineToPoint({10, 0});
    line.stroke();
  }
  int draws = 0;
  Rect drawnRect;
};

TEST(DrawingTest, RenderingALayerRecordsItsViewsDrawingInContextCoordinates) {
  auto view = View::make<BoxView>(Rect(40, 40, 20, 10));
  view->setBackgroundColor(Color::white());
  ASSERT_TRUE(GraphicsImageContext::begin({20, 10}));
  GraphicsImageContext::renderLayer(view->layer());
  auto image = GraphicsImageContext::imageFromCurrent();
  GraphicsImageContext::end();

  ASSERT_TRUE(image);
  EXPECT_EQ(view->draws, 1);
  EXPECT_EQ(view->drawnRect, Rect(0, 0, 20, 10)) << "drawRect gets the bounds";
  std::uint8_t px[4];
  ASSERT_TRUE(image->pixelAt(19, 9, px));
  EXPECT_EQ(px[0], 255) << "the background is painted under the drawing";
  ASSERT_EQ(image->drawing().size(), 2u);
  const auto& box = image->drawing()[0];
  EXPECT_EQ(box.kind, DrawingOperation::Kind::kStroke);
  ASSERT_EQ(box.path.size(), 1u);
  EXPECT_EQ(box.path[0].rect, Rect(4, 5, 8, 8)) << "scaled by 2, then moved by (2, 3)";
  EXPECT_DOUBLE_EQ(box.lineWidth, 3.0);
  EXPECT_EQ(box.color, Color::systemRed());
  ASSERT_TRUE(box.shadow);
  EXPECT_EQ(box.shadow->offset, (Size{1, -1}));
  const auto& line = image->drawing()[1];
  EXPECT_EQ(line.color, Color::black()) << "the restore brings back the default stroke colour";
  EXPECT_FALSE(line.shadow);
  EXPECT_DOUBLE_EQ(line.lineWidth, 1.0);
  ASSERT_EQ(line.path.size(), 2u);
  EXPECT_EQ(line.path[1].point, (Point{10, 0})) << "the transform is restored too";
}

TEST(DrawingTest, WithoutAContextDrawingIsIgnoredAndRestoreWithoutSaveKeepsState) {
  EXPECT_EQ(GraphicsContext::current(), nullptr);
  BezierPath::ovalInRect(Rect(0, 0, 4, 4)).fill();  // nothing to draw into
  Label label;
  label.setText("7");
  label.drawRect(Rect(0, 0, 10, 10));

  GraphicsContext context;
  context.translateBy(5, 5);
  context.restoreGState();
  EXPECT_EQ(context.ctm(), AffineTransform::translation(5, 5));
}

TEST(DrawingTest, RendererImageKeepsTheDrawingAndNestedContextsStayApart) {
  GraphicsImageRenderer renderer(Rect(10, 10, 8, 8), 2.0);
  auto image = renderer.image([](GraphicsContext& outer) {
    outer.setFillColor(Color::systemBlue());
    // An inner pass (a thumbnail rendered while drawing) records apart.
    auto inner = GraphicsImageRenderer(Size{4, 4}).image([](GraphicsContext& c) {
      BezierPath::rect(Rect(0, 0, 1, 1)).fill();
      c.drawText("x", Rect(0, 0, 4, 4), Color::black(), 12);
    });
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->drawing().size(), 2u);
    BezierPath::ovalInRect(Rect(10, 10, 8, 8)).fill();
  });
  ASSERT_TRUE(image);
  EXPECT_EQ(image->size(), (Size{8, 8}));
  EXPECT_EQ(image->pixelWidth(), 16);
  ASSERT_EQ(image->drawing().size(), 1u);
  EXPECT_EQ(image->drawing()[0].kind, DrawingOperation::Kind::kFill);
  EXPECT_EQ(image->drawing()[0].path[0].kind, Kind::kOval);
  EXPECT_EQ(image->drawing()[0].path[0].rect, Rect(0, 0, 8, 8)) << "the bounds' origin is the image's origin";
  EXPECT_EQ(image->drawing()[0].color, Color::systemBlue());
  EXPECT_FALSE(GraphicsImageContext::hasCurrent());
  EXPECT_EQ(GraphicsImageRenderer(Size{0, 5}).image(nullptr), nullptr);
}

TEST(DrawingTest, LabelDrawsItsTextInItsColourAndSize) {
  Label label;
  label.setText("12");
  label.setFont(Font::boldSystemFont(12));
  label.setTextColor(Color::white());
  auto image = GraphicsImageRenderer(Size{20, 20}).image([&](GraphicsContext&) { label.drawRect(Rect(2, 3, 10, 11)); });
  ASSERT_TRUE(image);
  ASSERT_EQ(image->drawing().size(), 1u);
  const auto& text = image->drawing()[0];
  EXPECT_EQ(text.kind, DrawingOperation::Kind::kText);
  EXPECT_EQ(text.text, "12");
  EXPECT_EQ(text.rect, Rect(2, 3, 10, 11));
  EXPECT_EQ(text.color, Color::white());
  EXPECT_DOUBLE_EQ(text.fontSize, 12);
}

TEST(DrawingTest, DynamicColoursResolveByAppearance) {
  TraitCollection dark{UserInterfaceStyle::kDark};
  TraitCollection light{UserInterfaceStyle::kLight};
  struct Case {
    Color colour;
    Color inLight;
    Color inDark;
  } cases[] = {
      {Color::systemBackground(), Color::white(), Color::black()},
      {Color::label(), Color::black(), Color::white()},
      {Color::tertiarySystemBackground(), Color::white(), Color::rgb255(44, 44, 46)},
      {Color::secondaryLabel(), Color::rgb255(60, 60, 67, 0.6), Color::rgb255(235, 235, 245, 0.6)},
      {Color::systemRed(), Color::systemRed(), Color::systemRed()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.colour.resolvedColor(light), c.inLight) << c.colour.description();
    EXPECT_EQ(c.colour.resolvedColor(dark), c.inDark) << c.colour.description();
    EXPECT_EQ(c.colour.resolvedColor(TraitCollection{}), c.inLight) << "unspecified reads as light";
  }
  EXPECT_NE(Color::label(), Color::black()) << "a dynamic colour is not its light components";
  auto faded = Color::label().withAlphaComponent(0.5);
  EXPECT_EQ(faded.resolvedColor(dark), Color(1, 1, 1, 0.5)) << "alpha applies to both appearances";
}

class TraitRecordingView : public View {
 public:
  void traitCollectionDidChange(const std::optional<TraitCollection>& previous) override {
    changes.push_back(previous);
  }
  std::vector<std::optional<TraitCollection>> changes;
};

class TraitRecordingController : public ViewController {
 public:
  void traitCollectionDidChange(const std::optional<TraitCollection>& previous) override {
    changes.push_back(previous);
  }
  std::vector<std::optional<TraitCollection>> changes;
};

using TraitTest = testing::UIKitFixture;

TEST_F(TraitTest, OverridesInheritAndNotifyOnlyTheViewsWhoseTraitsChange) {
  auto root = std::make_shared<TraitRecordingController>();
  show(root);
  auto child = View::make<TraitRecordingView>();
  auto pinned = View::make<TraitRecordingView>();
  root->view()->addSubview(child);
  child->addSubview(pinned);
  pinned->setOverrideUserInterfaceStyle(UserInterfaceStyle::kLight);

  auto phone = child->traitCollection();
  EXPECT_EQ(phone.userInterfaceStyle, UserInterfaceStyle::kLight);
  EXPECT_EQ(phone.horizontalSizeClass, UserInterfaceSizeClass::kCompact);
  EXPECT_EQ(phone.verticalSizeClass, UserInterfaceSizeClass::kRegular);

  window->setOverrideUserInterfaceStyle(UserInterfaceStyle::kDark);
  EXPECT_EQ(child->traitCollection().userInterfaceStyle, UserInterfaceStyle::kDark);
  ASSERT_EQ(child->changes.size(), 1u);
  EXPECT_EQ(child->changes[0], phone);
  EXPECT_EQ(root->changes.size(), 1u) << "the root view's controller hears it";
  EXPECT_TRUE(pinned->changes.empty()) << "its own override keeps it light";
  EXPECT_EQ(pinned->traitCollection().userInterfaceStyle, UserInterfaceStyle::kLight);

  window->setOverrideUserInterfaceStyle(UserInterfaceStyle::kDark);
  EXPECT_EQ(child->changes.size(), 1u) << "no change, no call";

  Device::setCurrent(DeviceProfile::tablet768x1024());
  EXPECT_EQ(child->traitCollection().horizontalSizeClass, UserInterfaceSizeClass::kRegular);
}

}  // namespace
}  // namespace uikit
