// Navigation-bar and bar-button appearances recorded as data.
#pragma once

#include <map>
#include <optional>

#include "Platform/UIKit/BarButtonItem.h"
#include "Platform/UIKit/Color.h"
#include "Platform/UIKit/TextAttributes.h"

namespace uikit {

struct BarButtonItemStateAppearance {
  TextAttributes titleTextAttributes;
  friend bool operator==(const BarButtonItemStateAppearance&, const BarButtonItemStateAppearance&) = default;
};

struct BarButtonItemAppearance {
  BarButtonItemStyle style = BarButtonItemStyle::kPlain;
  BarButtonItemStateAppearance normal;
  BarButtonItemStateAppearance highlighted;
  BarButtonItemStateAppearance disabled;
  BarButtonItemStateAppearance focused;
  explicit BarButtonItemAppearance(BarButtonItemStyle s = BarButtonItemStyle::kPlain) : style(s) {}
  friend bool operator==(const BarButtonItemAppearance&, const BarButtonItemAppearance&) = default;
};

enum class BarBackground { kDefault, kOpaque, kTransparent };

struct NavigationBarAppearance {
  BarBackground background = BarBackground::kDefault;
  std::optional<Color> backgroundColor;
  std::optional<Color> shadowColor;
  TextAttributes titleTextAttributes;
  TextAttributes largeTitleTextAttributes;
  BarButtonItemAppearance buttonAppearance;
  BarButtonItemAppearance backButtonAppearance;
  BarButtonItemAppearance doneButtonAppearance{BarButtonItemStyle::kDone};

  void configureWithOpaqueBackground() {
    background = BarBackground::kOpaque;
    backgroundColor = Color::white();
    shadowColor = Color(0, 0, 0, 0.3);
  }
  void configureWithTransparentBackground() {
    background = BarBackground::kTransparent;
    backgroundColor = Color::clear();
    shadowColor = Color::clear();
  }
  void configureWithDefaultBackground() {
    background = BarBackground::kDefault;
    backgroundColor.reset();
    shadowColor = Color(0, 0, 0, 0.3);
  }
  friend bool operator==(const NavigationBarAppearance&, const NavigationBarAppearance&) = default;
};

}  // namespace uikit
