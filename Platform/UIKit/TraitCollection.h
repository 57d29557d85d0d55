// The traits a view's content adapts to: light or dark appearance and the
// horizontal and vertical size classes. Unspecified traits inherit.
#pragma once

namespace uikit {

enum class UserInterfaceStyle { kUnspecified = 0, kLight = 1, kDark = 2 };
enum class UserInterfaceSizeClass { kUnspecified = 0, kCompact = 1, kRegular = 2 };

struct TraitCollection {
  UserInterfaceStyle userInterfaceStyle = UserInterfaceStyle::kUnspecified;
  UserInterfaceSizeClass horizontalSizeClass = UserInterfaceSizeClass::kUnspecified;
  UserInterfaceSizeClass verticalSizeClass = UserInterfaceSizeClass::kUnspecified;

  // The receiver's specified traits over base's.
  TraitCollection over(const TraitCollection& base) const {
    TraitCollection t = base;
    if (userInterfaceStyle != UserInterfaceStyle::kUnspecified) t.userInterfaceStyle = userInterfaceStyle;
    if (horizontalSizeClass != UserInterfaceSizeClass::kUnspecified) t.horizontalSizeClass = horizontalSizeClass;
    if (verticalSizeClass != UserInterfaceSizeClass::kUnspecified) t.verticalSizeClass = verticalSizeClass;
    return t;
  }
  bool hasDifferentColorAppearanceComparedTo(const TraitCollection& other) const {
    return userInterfaceStyle != other.userInterfaceStyle;
  }
  friend bool operator==(const TraitCollection&, const TraitCollection&) = default;
};

}  // namespace uikit
