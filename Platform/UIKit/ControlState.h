// Control states and events, shared by controls and bar items.
#pragma once

namespace uikit {

enum ControlState : unsigned {
  kControlStateNormal = 0,
  kControlStateHighlighted = 1 << 0,
  kControlStateDisabled = 1 << 1,
  kControlStateSelected = 1 << 2,
  kControlStateFocused = 1 << 3,
};

enum ControlEvent : unsigned {
  kControlEventTouchDown = 1 << 0,
  kControlEventTouchUpInside = 1 << 6,
  kControlEventTouchUpOutside = 1 << 7,
  kControlEventValueChanged = 1 << 12,
  kControlEventPrimaryActionTriggered = 1 << 13,
  kControlEventEditingDidBegin = 1 << 16,
  kControlEventEditingChanged = 1 << 17,
  kControlEventEditingDidEnd = 1 << 18,
  kControlEventEditingDidEndOnExit = 1 << 19,
  kControlEventAllEvents = 0xFFFFFFFF,
};

}  // namespace uikit
