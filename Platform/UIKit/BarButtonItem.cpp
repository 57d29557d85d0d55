#include "Platform/UIKit/BarButtonItem.h"

#include "Platform/UIKit/View.h"

namespace uikit {

namespace {
std::shared_ptr<BarButtonItem>& barButtonProxySlot() {
  static std::shared_ptr<BarButtonItem> proxy = std::make_shared<BarButtonItem>();
  return proxy;
}
}  // namespace

BarButtonItemPtr BarButtonItem::withTitle(std::string title, BarButtonItemStyle style, Action action) {
  auto item = std::make_shared<BarButtonItem>();
  item->title = std::move(title);
  item->style = style;
  item->action_ = std::move(action);
  return item;
}

BarButtonItemPtr BarButtonItem::withImage(ImagePtr image, BarButtonItemStyle style, Action action) {
  auto item = std::make_shared<BarButtonItem>();
  item->image = std::move(image);
  item->style = style;
  item->action_ = std::move(action);
  return item;
}

BarButtonItemPtr BarButtonItem::withSystemItem(BarButtonSystemItem system, Action action) {
  auto item = std::make_shared<BarButtonItem>();
  item->systemItem = system;
  switch (system) {
    case BarButtonSystemItem::kDone: item->title = "Done"; item->style = BarButtonItemStyle::kDone; break;
    case BarButtonSystemItem::kCancel: item->title = "Cancel"; break;
    case BarButtonSystemItem::kEdit: item->title = "Edit"; break;
    case BarButtonSystemItem::kSave: item->title = "Save"; item->style = BarButtonItemStyle::kDone; break;
    case BarButtonSystemItem::kClose: item->title = "Close"; break;
    case BarButtonSystemItem::kPlay: item->title = "Play"; break;
    case BarButtonSystemItem::kPause: item->title = "Pause"; break;
    default: break;
  }
  item->action_ = std::move(action);
  return item;
}

BarButtonItemPtr BarButtonItem::withCustomView(std::shared_ptr<View> view) {
  auto item = std::make_shared<BarButtonItem>();
  item->customView = std::move(view);
  return item;
}

bool BarButtonItem::press() {
  if (!isEnabled || !action_) return false;
  std::shared_ptr<const void> target;
  if (hasTarget_) {
    target = target_.lock();
    if (!target) return false;
  }
  auto keep = sharedAs<BarButtonItem>();
  auto action = action_;
  action(*this);
  return true;
}

const TextAttributes* BarButtonItem::titleTextAttributes(unsigned state) const {
  auto it = titleAttributes_.find(state);
  if (it != titleAttributes_.end()) return &it->second;
  if (this != barButtonProxySlot().get()) return barButtonProxySlot()->titleTextAttributes(state);
  return nullptr;
}

BarButtonItem& BarButtonItem::appearance() { return *barButtonProxySlot(); }

void BarButtonItem::resetAppearance() { barButtonProxySlot() = std::make_shared<BarButtonItem>(); }

}  // namespace uikit
