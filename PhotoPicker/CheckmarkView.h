// The check mark of a selected photo's badge. Drawn by the badge into its
// own context, never shown as a view of its own.
#pragma once

#include "Platform/UIKit/View.h"

namespace photopicker {

class CheckmarkView : public uikit::View {
 public:
  CheckmarkView() = default;
  // Strokes the mark at fixed points of the context, with the stroke colour
  // already set there; the rectangle does not move or size it.
  void drawRect(const uikit::Rect& rect) override;
};

}  // namespace photopicker
