#include "Facility/Support/MultiCastDelegate.h"

bool MultiCastDelegate::ownSelector(const std::string& selector) const {
  return selector == "respondsToSelector:" || selector == "init";
}

bool MultiCastDelegate::respondsToSelector(const std::string& selector) const {
  if (ownSelector(selector)) return true;
  for (const auto& d : _delegates) {
    if (d && d->respondsToSelector(selector)) return true;
  }
  return false;
}
