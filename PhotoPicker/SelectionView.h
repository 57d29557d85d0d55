// The round badge on a selected photo: a filled, shadowed circle with a thin
// ring and, inside, a check mark or the photo's place in the selection, by
// the theme's selection style. The icon is only drawn into the badge's
// context, never added as a subview.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "PhotoPicker/Settings.h"
#include "Platform/UIKit/View.h"

namespace photopicker {

class SelectionView : public uikit::View {
 public:
  SelectionView();
  explicit SelectionView(const uikit::Rect& frame);

  // Set by the cell before the badge is drawn or its icon used; without it
  // the defaults of a new tree apply.
  std::shared_ptr<Settings> settings;

  const std::optional<std::int64_t>& selectionIndex() const { return selectionIndex_; }
  // 0-based. A number icon shows index + 1 and the badge is redrawn; none
  // leaves the old digits (a deselected cell hides its badge).
  void setSelectionIndex(std::optional<std::int64_t> index);

  // A number view in the numbered style at first use, else a check mark;
  // kept for the badge's life.
  const std::shared_ptr<uikit::View>& icon();

  void drawRect(const uikit::Rect& rect) override;

 private:
  Settings& tree();

  std::optional<std::int64_t> selectionIndex_;
  std::shared_ptr<uikit::View> icon_;
  std::shared_ptr<Settings> fallback_;
};

}  // namespace photopicker
