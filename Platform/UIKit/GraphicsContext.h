// The drawing state of an offscreen context and the steps drawn into it,
// recorded rather than rasterised: a transform, stroke and fill colours and
// a shadow, saved and restored as a stack.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Platform/UIKit/BezierPath.h"
#include "Platform/UIKit/Color.h"
#include "Platform/UIKit/DrawingOperation.h"
#include "Platform/UIKit/Geometry.h"

namespace uikit {

class GraphicsContext {
 public:
  // The context of the innermost GraphicsImageContext on this thread; none
  // outside a drawing pass.
  static GraphicsContext* current();

  void saveGState();
  // Nothing when nothing was saved.
  void restoreGState();
  void translateBy(double dx, double dy);
  void scaleBy(double sx, double sy);
  const AffineTransform& ctm() const { return state_.ctm; }

  void setStrokeColor(std::optional<Color> color) { state_.stroke = std::move(color); }
  void setFillColor(std::optional<Color> color) { state_.fill = std::move(color); }
  const std::optional<Color>& strokeColor() const { return state_.stroke; }
  const std::optional<Color>& fillColor() const { return state_.fill; }
  void setShadow(Size offset, double blur, std::optional<Color> color);

  void strokePath(const BezierPath& path);
  void fillPath(const BezierPath& path);
  void drawText(const std::string& text, const Rect& rect, const Color& color, double fontSize);

  const std::vector<DrawingOperation>& operations() const { return operations_; }

 private:
  struct State {
    AffineTransform ctm;
    std::optional<Color> stroke = Color::black();
    std::optional<Color> fill = Color::black();
    std::optional<DrawingShadow> shadow;
  };
  State state_;
  std::vector<State> saved_;
  std::vector<DrawingOperation> operations_;
};

}  // namespace uikit
