// One recorded drawing step of a graphics context: coordinates are the
// context's own (the transform in force is already applied), so a test reads
// where a stroke landed without replaying state.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Platform/UIKit/BezierPath.h"
#include "Platform/UIKit/Color.h"
#include "Platform/UIKit/Geometry.h"

namespace uikit {

struct DrawingShadow {
  Size offset;
  double blur = 0;
  std::optional<Color> color;
  friend bool operator==(const DrawingShadow&, const DrawingShadow&) = default;
};

struct DrawingOperation {
  enum class Kind { kStroke, kFill, kText };
  Kind kind = Kind::kStroke;
  std::vector<PathElement> path;
  std::optional<Color> color;
  double lineWidth = 0;  // strokes, in context units
  std::optional<DrawingShadow> shadow;
  std::string text;       // kText
  Rect rect;              // kText: the rectangle the text is drawn in
  double fontSize = 0;    // kText
};

}  // namespace uikit
