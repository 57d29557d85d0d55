// A bar button item: title or image or custom view, with a closure action.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "Platform/UIKit/Color.h"
#include "Platform/UIKit/ControlState.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/Object.h"
#include "Platform/UIKit/TextAttributes.h"

namespace uikit {

class View;
class BarButtonItem;
using BarButtonItemPtr = std::shared_ptr<BarButtonItem>;

enum class BarButtonItemStyle { kPlain, kDone };
enum class BarButtonSystemItem { kNone, kDone, kCancel, kEdit, kSave, kAdd, kFlexibleSpace, kFixedSpace, kClose,
                                 kPlay, kPause };

class BarButtonItem : public Object {
 public:
  using Action = std::function<void(BarButtonItem&)>;

  BarButtonItem() = default;
  static BarButtonItemPtr withTitle(std::string title, BarButtonItemStyle style = BarButtonItemStyle::kPlain,
                                    Action action = nullptr);
  static BarButtonItemPtr withImage(ImagePtr image, BarButtonItemStyle style = BarButtonItemStyle::kPlain,
                                    Action action = nullptr);
  static BarButtonItemPtr withSystemItem(BarButtonSystemItem item, Action action = nullptr);
  static BarButtonItemPtr withCustomView(std::shared_ptr<View> view);

  std::string title;
  ImagePtr image;
  BarButtonItemStyle style = BarButtonItemStyle::kPlain;
  BarButtonSystemItem systemItem = BarButtonSystemItem::kNone;
  std::shared_ptr<View> customView;
  bool isEnabled = true;
  std::optional<Color> tintColor;
  double width = 0;

  // The action; with a target it runs only while the target is alive.
  void setAction(Action action) {
    action_ = std::move(action);
    hasTarget_ = false;
  }
  void setTarget(const std::shared_ptr<const void>& target, Action action) {
    target_ = target;
    hasTarget_ = true;
    action_ = std::move(action);
  }
  bool hasAction() const { return static_cast<bool>(action_); }
  // A tap by the user: runs the action when enabled. Returns whether it ran.
  bool press();

  void setTitleTextAttributes(const TextAttributes& attributes, unsigned state) { titleAttributes_[state] = attributes; }
  const TextAttributes* titleTextAttributes(unsigned state) const;

  // The shared appearance proxy: attributes new items start from.
  static BarButtonItem& appearance();
  static void resetAppearance();

 private:
  Action action_;
  std::weak_ptr<const void> target_;
  bool hasTarget_ = false;
  std::map<unsigned, TextAttributes> titleAttributes_;
};

}  // namespace uikit
