// A view: geometry, appearance and hierarchy as state, no pixels.
//
// Geometry follows the phone platform: centre, bounds and transform are
// stored; the frame is derived. Layout constraints are data; layoutIfNeeded
// places subviews from fitting sizes and from centre or edge constraints to
// the parent (and to already placed siblings). Every other constraint stays
// data.
//
// Views are owned through shared_ptr (superviews hold subviews; the back
// reference is weak), so a view adds subviews once it is owned, not in its
// constructor.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/UIKit/Color.h"
#include "Platform/UIKit/Geometry.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/Layer.h"
#include "Platform/UIKit/LayoutAnchor.h"
#include "Platform/UIKit/LayoutConstraint.h"
#include "Platform/UIKit/Responder.h"
#include "Platform/UIKit/TraitCollection.h"

namespace uikit {

class View;
class Window;
class ViewController;
class GestureRecognizer;
using ViewPtr = std::shared_ptr<View>;

enum class ContentMode {
  kScaleToFill,
  kScaleAspectFit,
  kScaleAspectFill,
  kRedraw,
  kCenter,
  kTop,
  kBottom,
  kLeft,
  kRight,
  kTopLeft,
  kTopRight,
  kBottomLeft,
  kBottomRight,
};

enum AutoresizingMask : unsigned {
  kAutoresizingNone = 0,
  kAutoresizingFlexibleLeftMargin = 1 << 0,
  kAutoresizingFlexibleWidth = 1 << 1,
  kAutoresizingFlexibleRightMargin = 1 << 2,
  kAutoresizingFlexibleTopMargin = 1 << 3,
  kAutoresizingFlexibleHeight = 1 << 4,
  kAutoresizingFlexibleBottomMargin = 1 << 5,
};

// Options of the block animations; stored, they change no timing here.
enum AnimationOptions : unsigned {
  kAnimationNone = 0,
  kAnimationLayoutSubviews = 1 << 0,
  kAnimationAllowUserInteraction = 1 << 1,
  kAnimationBeginFromCurrentState = 1 << 2,
  kAnimationCurveEaseInOut = 0,
  kAnimationCurveEaseIn = 1 << 16,
  kAnimationCurveEaseOut = 2 << 16,
  kAnimationCurveLinear = 3 << 16,
  kAnimationTransitionCrossDissolve = 5 << 20,
};

// What an accessibility element is, as flags.
enum AccessibilityTraits : unsigned {
  kAccessibilityTraitNone = 0,
  kAccessibilityTraitButton = 1 << 0,
  kAccessibilityTraitLink = 1 << 1,
  kAccessibilityTraitImage = 1 << 2,
  kAccessibilityTraitSelected = 1 << 3,
  kAccessibilityTraitStaticText = 1 << 4,
  kAccessibilityTraitHeader = 1 << 5,
  kAccessibilityTraitNotEnabled = 1 << 6,
  kAccessibilityTraitPlaysSound = 1 << 7,
  kAccessibilityTraitStartsMediaSession = 1 << 8,
  kAccessibilityTraitAdjustable = 1 << 9,
};

// Which way content is laid out; a button with kForceRightToLeft puts its
// image after its title.
enum class SemanticContentAttribute { kUnspecified, kPlayback, kSpatial, kForceLeftToRight, kForceRightToLeft };

class View : public Responder {
 public:
  View();
  explicit View(const Rect& frame);
  ~View() override;

  template <typename T = View, typename... Args>
  static std::shared_ptr<T> make(Args&&... args) {
    return std::make_shared<T>(std::forward<Args>(args)...);
  }

  // Geometry.
  Rect frame() const;
  void setFrame(const Rect& frame);
  Rect bounds() const { return Rect(boundsOrigin_, boundsSize_); }
  void setBounds(const Rect& bounds);
  Point center() const { return center_; }
  void setCenter(Point center);
  AffineTransform transform() const { return transform_; }
  void setTransform(const AffineTransform& transform);

  // Appearance.
  double alpha() const { return alpha_; }
  void setAlpha(double alpha);
  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden);
  const std::optional<Color>& backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(std::optional<Color> color);
  // The tint colour: own, else the superview's, else the system blue.
  Color tintColor() const;
  // Overridable: a wrapper view passes its tint, content mode or interaction
  // flag on to what it wraps.
  virtual void setTintColor(std::optional<Color> color) { tintColor_ = std::move(color); }
  const std::optional<Color>& tintColorIfSet() const { return tintColor_; }
  bool clipsToBounds() const { return layer().masksToBounds; }
  void setClipsToBounds(bool clips) { layer().masksToBounds = clips; }
  ContentMode contentMode() const { return contentMode_; }
  virtual void setContentMode(ContentMode mode) { contentMode_ = mode; }
  Layer& layer() const { return *layerPtr(); }
  const LayerPtr& layerPtr() const;

  // Traits: the device's (a tablet regular both ways, a phone compact wide
  // and regular high; light appearance) under the overrides of the view's
  // ancestors and its own, the nearest specified trait winning.
  TraitCollection traitCollection() const;
  const TraitCollection& overrideTraitCollection() const { return traitOverride_; }
  // Calls traitCollectionDidChange on every view of the subtree (and its
  // controller) whose traits change by it.
  void setOverrideTraitCollection(const TraitCollection& traits);
  void setOverrideUserInterfaceStyle(UserInterfaceStyle style);
  virtual void traitCollectionDidChange(const std::optional<TraitCollection>& previous) { (void)previous; }

  // Identity and interaction.
  long tag() const { return tag_; }
  void setTag(long tag) { tag_ = tag; }
  // First view with the tag in the subtree, depth-first in subview order,
  // the receiver included (it is checked first).
  ViewPtr viewWithTag(long tag);
  bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
  virtual void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
  const std::string& accessibilityIdentifier() const { return accessibilityIdentifier_; }
  void setAccessibilityIdentifier(std::string id) { accessibilityIdentifier_ = std::move(id); }
  const std::string& accessibilityLabel() const { return accessibilityLabel_; }
  void setAccessibilityLabel(std::string label) { accessibilityLabel_ = std::move(label); }
  unsigned accessibilityTraits() const { return accessibilityTraits_; }
  void setAccessibilityTraits(unsigned traits) { accessibilityTraits_ = traits; }
  bool isAccessibilityElement() const { return isAccessibilityElement_; }
  void setIsAccessibilityElement(bool element) { isAccessibilityElement_ = element; }
  SemanticContentAttribute semanticContentAttribute() const { return semanticContentAttribute_; }
  void setSemanticContentAttribute(SemanticContentAttribute a) { semanticContentAttribute_ = a; }
  unsigned autoresizingMask() const { return autoresizingMask_; }
  void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }

  // Hierarchy.
  std::shared_ptr<View> superview() const { return superview_.lock(); }
  const std::vector<ViewPtr>& subviews() const { return subviews_; }
  void addSubview(const ViewPtr& view);
  void insertSubview(const ViewPtr& view, std::size_t index);
  void insertSubviewBelow(const ViewPtr& view, const ViewPtr& sibling);
  void insertSubviewAbove(const ViewPtr& view, const ViewPtr& sibling);
  void bringSubviewToFront(const ViewPtr& view);
  void sendSubviewToBack(const ViewPtr& view);
  void removeFromSuperview();
  bool isDescendantOfView(const View& view) const;
  // The window the view is in, if any.
  std::shared_ptr<Window> window() const;
  // The controller whose root view this is (set while that controller owns it).
  std::shared_ptr<ViewController> owningViewController() const { return viewController_.lock(); }
  // True when neither the view nor an ancestor is hidden or fully transparent.
  bool isVisibleOnScreen() const;

  // Hooks, as on the phone platform.
  virtual void willMoveToSuperview(View* newSuperview) { (void)newSuperview; }
  virtual void didMoveToSuperview() {}
  virtual void willMoveToWindow(Window* newWindow) { (void)newWindow; }
  virtual void didMoveToWindow() {}
  virtual void didAddSubview(View& subview) { (void)subview; }
  virtual void willRemoveSubview(View& subview) { (void)subview; }
  virtual void awakeFromNib() {}

  // Layout.
  virtual void layoutSubviews();
  // Layout is never deferred here (layoutIfNeeded always lays out), so this
  // request has nothing to record.
  void setNeedsLayout() {}
  // Lays out the subtree now.
  void layoutIfNeeded();
  // Marks the content as stale until the layer is next rendered.
  void setNeedsDisplay() { needsDisplay_ = true; }
  bool needsDisplay() const { return needsDisplay_; }
  // Draws the view's content into the current graphics context (see
  // GraphicsContext::current); called when its layer is rendered.
  virtual void drawRect(const Rect& rect) { (void)rect; }
  virtual Size intrinsicContentSize() const { return {kNoIntrinsicMetric, kNoIntrinsicMetric}; }
  // The intrinsic size when the width may not exceed maxWidth (<= 0: free).
  virtual Size intrinsicContentSizeForWidth(double maxWidth) const {
    (void)maxWidth;
    return intrinsicContentSize();
  }
  void invalidateIntrinsicContentSize() { setNeedsLayout(); }
  virtual Size sizeThatFits(Size size) const;
  void sizeToFit();
  // Fitting size: the view's own size constraints when it has them, else the
  // intrinsic size plus the constants of the constraints that pin its
  // subviews to its edges. target.width > 0 caps the width (text wraps).
  Size systemLayoutSizeFittingSize(Size target = {0, 0}) const;

  bool translatesAutoresizingMaskIntoConstraints() const { return translatesAutoresizing_; }
  void setTranslatesAutoresizingMaskIntoConstraints(bool v) { translatesAutoresizing_ = v; }
  const std::vector<LayoutConstraintPtr>& constraints() const { return constraints_; }
  void addConstraint(const LayoutConstraintPtr& constraint);
  void addConstraints(const std::vector<LayoutConstraintPtr>& constraints);
  void removeConstraint(const LayoutConstraintPtr& constraint);
  void removeConstraints(const std::vector<LayoutConstraintPtr>& constraints);
  float contentHuggingPriority(bool vertical) const { return hugging_[vertical ? 1 : 0]; }
  void setContentHuggingPriority(float p, bool vertical) { hugging_[vertical ? 1 : 0] = p; }
  float contentCompressionResistancePriority(bool vertical) const { return compression_[vertical ? 1 : 0]; }
  void setContentCompressionResistancePriority(float p, bool vertical) { compression_[vertical ? 1 : 0] = p; }

  LayoutAnchor leadingAnchor() { return anchor(LayoutAttribute::kLeading); }
  LayoutAnchor trailingAnchor() { return anchor(LayoutAttribute::kTrailing); }
  LayoutAnchor leftAnchor() { return anchor(LayoutAttribute::kLeft); }
  LayoutAnchor rightAnchor() { return anchor(LayoutAttribute::kRight); }
  LayoutAnchor topAnchor() { return anchor(LayoutAttribute::kTop); }
  LayoutAnchor bottomAnchor() { return anchor(LayoutAttribute::kBottom); }
  LayoutAnchor widthAnchor() { return anchor(LayoutAttribute::kWidth); }
  LayoutAnchor heightAnchor() { return anchor(LayoutAttribute::kHeight); }
  LayoutAnchor centerXAnchor() { return anchor(LayoutAttribute::kCenterX); }
  LayoutAnchor centerYAnchor() { return anchor(LayoutAttribute::kCenterY); }

  // Safe area: the window's insets where the view reaches into them.
  virtual EdgeInsets safeAreaInsets() const;

  // Coordinate conversion (transforms are not applied). A null view means
  // the window (root) coordinate space.
  Point convertPointToView(Point p, const View* view) const;
  Point convertPointFromView(Point p, const View* view) const;
  Rect convertRectToView(const Rect& r, const View* view) const;
  Rect convertRectFromView(const Rect& r, const View* view) const;

  // Gesture recognisers.
  void addGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer);
  void removeGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer);
  const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers() const { return gestures_; }

  // A snapshot image of the view: bounds size, filled with its background.
  ImagePtr snapshotImage() const;

  // Block animations. Animated properties take their final values at once;
  // the completion runs on the main run loop at start + delay + duration
  // with finished = true, or with false when the animations of a view in
  // the block are removed or the view leaves its window.
  static void animate(double duration, std::function<void()> animations,
                      std::function<void(bool)> completion = nullptr);
  static void animate(double duration, double delay, unsigned options, std::function<void()> animations,
                      std::function<void(bool)> completion);
  static void animateWithSpring(double duration, double delay, double dampingRatio, double initialVelocity,
                                unsigned options, std::function<void()> animations,
                                std::function<void(bool)> completion);
  static void transitionWithView(const ViewPtr& view, double duration, unsigned options,
                                 std::function<void()> animations, std::function<void(bool)> completion);
  static void performWithoutAnimation(const std::function<void()>& actions);
  static void setAnimationsEnabled(bool enabled);
  static bool areAnimationsEnabled();
  // Pending block animations that touch this view.
  int runningAnimationCount() const;

  std::string description() const override;

 protected:
  // Records an animatable change with the animation block being run, if any.
  void noteAnimatableChange();
  virtual LayerPtr makeLayer() const;
  // Content fitting of the receiver, before its own size constraints apply.
  virtual Size contentFittingSize(double maxWidth) const;
  // Places the subviews that take part in constraints.
  void applyConstraintLayout();

 private:
  friend class ViewController;
  friend class LayoutConstraint;
  friend class Window;
  friend class ViewAnimationRegistry;
  LayoutAnchor anchor(LayoutAttribute a) { return LayoutAnchor(sharedAs<View>(), a); }
  void moveToWindow(Window* newWindow, Window* oldWindow);
  void layoutSubtree();
  Point originInRoot() const;

  Point center_;
  Size boundsSize_;
  Point boundsOrigin_;
  AffineTransform transform_;
  double alpha_ = 1;
  bool hidden_ = false;
  std::optional<Color> backgroundColor_;
  std::optional<Color> tintColor_;
  ContentMode contentMode_ = ContentMode::kScaleToFill;
  mutable LayerPtr layer_;
  // Cleared on destruction so a layer outliving its view reaches nothing.
  std::shared_ptr<const View*> selfCell_ = std::make_shared<const View*>(this);
  long tag_ = 0;
  bool userInteractionEnabled_ = true;
  std::string accessibilityIdentifier_;
  std::string accessibilityLabel_;
  unsigned autoresizingMask_ = kAutoresizingNone;
  unsigned accessibilityTraits_ = kAccessibilityTraitNone;
  bool isAccessibilityElement_ = false;
  SemanticContentAttribute semanticContentAttribute_ = SemanticContentAttribute::kUnspecified;
  TraitCollection traitOverride_;
  bool needsDisplay_ = false;
  std::weak_ptr<View> superview_;
  std::vector<ViewPtr> subviews_;
  std::weak_ptr<ViewController> viewController_;
  bool translatesAutoresizing_ = true;
  std::vector<LayoutConstraintPtr> constraints_;
  float hugging_[2] = {250, 250};
  float compression_[2] = {750, 750};
  std::vector<std::shared_ptr<GestureRecognizer>> gestures_;
};

}  // namespace uikit
