// What the role switch tells the dashboard that opened it once a role has
// been chosen and stored: the dashboard rebuilds the window for that role.
#pragma once

class UserSelectionDelegate {
 public:
  virtual ~UserSelectionDelegate() = default;
  virtual void onUserTypeSelected() = 0;
};
