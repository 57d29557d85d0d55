// How a dashboard hears the taps on its navigation bar's buttons; the base
// screen only forwards them.
#pragma once

#include <cstdint>

enum class NavigationButtonKind : std::uint8_t { scanner = 0, profile = 1, notification = 2 };

class SuperClassDelegate {
 public:
  virtual ~SuperClassDelegate() = default;
  virtual void onRightButtonTapped() = 0;
  virtual void onNavigationButtonTapped(NavigationButtonKind kind) = 0;
};
