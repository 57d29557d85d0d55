// Looks any view can take: corner radius, border, shadow, a dashed border,
// and removal of tagged subviews.
#pragma once

#include <memory>
#include <optional>

#include "Platform/UIKit/Color.h"
#include "Platform/UIKit/Layer.h"
#include "Platform/UIKit/View.h"

class ViewStyle {
 public:
  static double cornerRadius(const uikit::View& view) { return view.layer().cornerRadius; }
  // Also turns masks-to-bounds on.
  static void setCornerRadius(uikit::View& view, double radius);
  static std::optional<uikit::Color> borderColor(const uikit::View& view) { return view.layer().borderColor; }
  static void setBorderColor(uikit::View& view, std::optional<uikit::Color> color) {
    view.layer().borderColor = std::move(color);
  }
  static double borderWidth(const uikit::View& view) { return view.layer().borderWidth; }
  static void setBorderWidth(uikit::View& view, double width) { view.layer().borderWidth = width; }
  static void setShadow(uikit::View& view, const uikit::Color& color, double offsetWidth, double offsetHeight,
                        float opacity, double radius);
  // A gray 6-on 3-off stroke around the bounds; each call adds another layer.
  static std::shared_ptr<uikit::ShapeLayer> addDashedBorder(uikit::View& view, double lineWidth);
  // Removes every direct subview carrying the tag.
  static void removeSubviews(uikit::View& view, long tag);
};
