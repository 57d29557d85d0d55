// A view's layer: drawing properties kept as plain state, plus sublayers and
// keyed animations. Nothing is drawn.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Platform/UIKit/Color.h"
#include "Platform/UIKit/Geometry.h"
#include "Platform/UIKit/Object.h"

namespace uikit {

class Layer;
using LayerPtr = std::shared_ptr<Layer>;

// A value an animation runs from or to: a scalar (opacity, a scale) or a
// point (position).
using LayerAnimationValue = std::variant<double, Point>;

// A keyed layer animation recorded as data.
struct LayerAnimation {
  std::string keyPath;
  double duration = 0;
  bool repeatsForever = false;
  // Times the animation plays; 0 plays it once, as on the platform.
  double repeatCount = 0;
  // Each repetition runs forward and then back.
  bool autoreverses = false;
  std::optional<LayerAnimationValue> fromValue;
  std::optional<LayerAnimationValue> toValue;
};

class Layer : public Object {
 public:
  Layer() = default;

  Rect frame() const { return frame_; }
  void setFrame(const Rect& r) { frame_ = r; }
  Rect bounds() const { return Rect({0, 0}, frame_.size); }
  void setBounds(const Rect& r) { frame_.size = r.size; }
  Point position() const { return {frame_.midX(), frame_.midY()}; }
  void setPosition(Point p) { frame_.origin = {p.x - frame_.width() / 2, p.y - frame_.height() / 2}; }

  double cornerRadius = 0;
  double borderWidth = 0;
  std::optional<Color> borderColor;
  std::optional<Color> backgroundColor;
  std::optional<Color> shadowColor;
  Size shadowOffset{0, -3};
  double shadowOpacity = 0;
  double shadowRadius = 3;
  bool masksToBounds = false;
  double opacity = 1;
  std::string name;

  const std::vector<LayerPtr>& sublayers() const { return sublayers_; }
  void addSublayer(const LayerPtr& layer);
  void insertSublayer(const LayerPtr& layer, std::size_t index);
  void removeFromSuperlayer();
  std::shared_ptr<Layer> superlayer() const { return superlayer_.lock(); }

  void addAnimation(const LayerAnimation& animation, const std::string& key);
  void removeAnimation(const std::string& key);
  void removeAllAnimations();
  const LayerAnimation* animationForKey(const std::string& key) const;
  std::vector<std::string> animationKeys() const;

  // Called when removeAllAnimations() runs; the owning view ends its pending
  // view animations there.
  void setRemoveAllAnimationsHook(std::function<void()> hook) { removeAllHook_ = std::move(hook); }

  // Draws the layer's content into the current graphics context: its view's
  // drawRect over the bounds (set by the view).
  void drawContents() const {
    if (drawHook_) drawHook_();
  }
  void setDrawHook(std::function<void()> hook) { drawHook_ = std::move(hook); }

 private:
  Rect frame_;
  std::vector<LayerPtr> sublayers_;
  std::weak_ptr<Layer> superlayer_;
  std::map<std::string, LayerAnimation> animations_;
  std::function<void()> removeAllHook_;
  std::function<void()> drawHook_;
};

enum class LineJoin { kMiter, kRound, kBevel };

// A layer that strokes and fills a path; the path is kept as a rectangle
// (optionally rounded), the only shapes the screens draw.
class ShapeLayer : public Layer {
 public:
  std::optional<Rect> path;
  double pathCornerRadius = 0;
  std::optional<Color> strokeColor;
  std::optional<Color> fillColor = Color::black();
  double lineWidth = 1;
  LineJoin lineJoin = LineJoin::kMiter;
  std::vector<double> lineDashPattern;
  double strokeStart = 0;
  double strokeEnd = 1;
};

}  // namespace uikit
