// A control: enabled, selected and highlighted states and closure actions
// per event. An action added with a target runs only while the target is
// alive, so a screen that is gone is not called back.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Platform/UIKit/ControlState.h"
#include "Platform/UIKit/View.h"

namespace uikit {

enum class ContentHorizontalAlignment { kCenter, kLeft, kRight, kFill, kLeading, kTrailing };
enum class ContentVerticalAlignment { kCenter, kTop, kBottom, kFill };

class Control : public View {
 public:
  using Action = std::function<void(Control& sender)>;
  using View::View;

  bool isEnabled() const { return enabled_; }
  virtual void setEnabled(bool enabled) { enabled_ = enabled; }
  bool isSelected() const { return selected_; }
  virtual void setSelected(bool selected) { selected_ = selected; }
  bool isHighlighted() const { return highlighted_; }
  virtual void setHighlighted(bool highlighted) { highlighted_ = highlighted; }
  unsigned state() const;

  void addAction(Action action, unsigned events);
  void addTarget(const std::shared_ptr<const void>& target, Action action, unsigned events);
  void removeAllTargets() { actions_.clear(); }
  void removeActions(unsigned events);
  // Number of live actions for any of the events.
  int actionCount(unsigned events) const;
  void sendActionsForControlEvents(unsigned events);

  // A person's tap: touch down, then touch up inside. Ignored when the
  // control is disabled, hidden or takes no touches. Returns whether sent.
  virtual bool tap();
  // Whether a person could touch the control now.
  bool isTappable() const;

  ContentHorizontalAlignment contentHorizontalAlignment = ContentHorizontalAlignment::kCenter;
  ContentVerticalAlignment contentVerticalAlignment = ContentVerticalAlignment::kCenter;

 private:
  struct Entry {
    unsigned events;
    bool hasTarget;
    std::weak_ptr<const void> target;
    Action action;
  };
  std::vector<Entry> actions_;
  bool enabled_ = true;
  bool selected_ = false;
  bool highlighted_ = false;
};

}  // namespace uikit
