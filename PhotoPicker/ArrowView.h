// The small downward chevron after the album name in the picker's album
// button; the picker renders it once into an image for the button.
#pragma once

#include "Platform/UIKit/Color.h"
#include "Platform/UIKit/Geometry.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/View.h"

namespace photopicker {

class ArrowView : public uikit::View {
 public:
  // How the 8 x 8 design is scaled into a target rectangle.
  enum class ResizingBehavior { kAspectFit, kAspectFill, kStretch, kCenter };

  // The rectangle the design rectangle is drawn into within target.
  static uikit::Rect apply(ResizingBehavior behavior, const uikit::Rect& design, const uikit::Rect& target);

  ArrowView();
  explicit ArrowView(const uikit::Rect& frame);

  ResizingBehavior resizing = ResizingBehavior::kAspectFit;
  // White in dark appearance, black otherwise.
  uikit::Color strokeColor;

  uikit::Size intrinsicContentSize() const override { return {8, 8}; }
  void drawRect(const uikit::Rect& rect) override;
  // A new image of the bounds with the view's layer rendered into it.
  uikit::ImagePtr renderedImage() const;
  // Strokes the chevron into the current graphics context, fitted to target.
  void drawArrow(const uikit::Rect& target) const;
};

}  // namespace photopicker
