// Gesture recognisers that tests and the console fire directly: a tap, a
// long press, a pan with a translation. Targets are closures; a closure
// registered with a target object runs only while that object is alive.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Platform/UIKit/Geometry.h"
#include "Platform/UIKit/Object.h"

namespace uikit {

class View;
class GestureRecognizer;

enum class GestureState { kPossible, kBegan, kChanged, kEnded, kCancelled, kFailed };

class GestureRecognizerDelegate {
 public:
  virtual ~GestureRecognizerDelegate() = default;
  virtual bool gestureRecognizerShouldBegin(GestureRecognizer& recognizer) {
    (void)recognizer;
    return true;
  }
  virtual bool gestureRecognizerShouldRecognizeSimultaneously(GestureRecognizer& recognizer,
                                                             GestureRecognizer& other) {
    (void)recognizer;
    (void)other;
    return false;
  }
};

class GestureRecognizer : public Object {
 public:
  using Action = std::function<void(GestureRecognizer&)>;

  GestureRecognizer() = default;
  explicit GestureRecognizer(Action action) { addTarget(std::move(action)); }

  void addTarget(Action action);
  // The action runs only while target is alive.
  void addTarget(const std::shared_ptr<const void>& target, Action action);
  void removeAllTargets() { targets_.clear(); }

  std::shared_ptr<View> view() const { return view_.lock(); }
  GestureState state() const { return state_; }
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled) { enabled_ = enabled; }
  bool cancelsTouchesInView() const { return cancelsTouchesInView_; }
  void setCancelsTouchesInView(bool v) { cancelsTouchesInView_ = v; }
  void setDelegate(const std::shared_ptr<GestureRecognizerDelegate>& d) { delegate_ = d; }
  std::shared_ptr<GestureRecognizerDelegate> delegate() const { return delegate_.lock(); }
  // Where the touch is, in the recogniser's view; set by the firing helpers.
  Point locationInView(const View* view) const;
  void setLocation(Point p) { location_ = p; }

  // This recogniser waits for other to fail: it cannot fire while other is
  // recognising (began or changed). Held weakly.
  void requireGestureRecognizerToFail(const std::shared_ptr<GestureRecognizer>& other);
  std::vector<std::shared_ptr<GestureRecognizer>> failureRequirements() const;

  // Whether the recogniser may fire now: enabled, attached to a view that
  // takes touches, none it waits for is recognising, and its delegate agrees.
  bool canFire();

 protected:
  friend class View;
  void setView(const std::shared_ptr<View>& v) { view_ = v; }
  void setState(GestureState s);
  void sendActions();

 private:
  struct Target {
    bool hasOwner = false;
    std::weak_ptr<const void> owner;
    Action action;
  };
  std::vector<Target> targets_;
  std::weak_ptr<View> view_;
  std::weak_ptr<GestureRecognizerDelegate> delegate_;
  std::vector<std::weak_ptr<GestureRecognizer>> mustFail_;
  GestureState state_ = GestureState::kPossible;
  bool enabled_ = true;
  bool cancelsTouchesInView_ = true;
  Point location_;
};

class TapGestureRecognizer : public GestureRecognizer {
 public:
  using GestureRecognizer::GestureRecognizer;
  int numberOfTapsRequired = 1;
  int numberOfTouchesRequired = 1;
  // Recognises one tap; returns whether it fired.
  bool fire(Point location = {0, 0});
};

class LongPressGestureRecognizer : public GestureRecognizer {
 public:
  using GestureRecognizer::GestureRecognizer;
  double minimumPressDuration = 0.5;
  // Began, then ended; returns whether it fired.
  bool fire(Point location = {0, 0});
};

class PanGestureRecognizer : public GestureRecognizer {
 public:
  using GestureRecognizer::GestureRecognizer;
  // Translation of the finger since the pan began, in the given view's
  // coordinates (all views share the window's orientation here).
  Point translationInView(const View* view) const {
    (void)view;
    return translation_;
  }
  void setTranslation(Point t, const View* view) {
    (void)view;
    translation_ = t;
  }
  Point velocityInView(const View* view) const {
    (void)view;
    return velocity_;
  }
  // A drag, step by step. begin() asks the delegate, with the finger already
  // moved by initialTranslation (the platform asks once the touch has moved);
  // false: nothing began.
  bool begin(Point location = {0, 0}, Point initialTranslation = {0, 0});
  void move(Point translation, Point velocity = {0, 0});
  void end();
  void cancel();

 private:
  Point translation_;
  Point velocity_;
};

}  // namespace uikit
