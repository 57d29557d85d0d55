// Alert buttons by kind. A Custom title never equals a plain kind, whatever
// its text.
#pragma once

#include <string>

#include "Platform/UIKit/AlertAction.h"

class AAction {
 public:
  enum class Kind { Custom, Okay, Ok, Yes, No, Cancel, Edit, Delete, Remove, Logout };

  static AAction Custom(std::string title) { return AAction(Kind::Custom, std::move(title)); }
  static const AAction Okay, Ok, Yes, No, Cancel, Edit, Delete, Remove, Logout;

  Kind kind() const { return kind_; }
  std::string title() const;
  // Only Cancel uses the cancel style; no kind is destructive.
  uikit::AlertActionStyle style() const {
    return kind_ == Kind::Cancel ? uikit::AlertActionStyle::kCancel : uikit::AlertActionStyle::kDefault;
  }

  friend bool operator==(const AAction& a, const AAction& b) {
    if (a.kind_ != b.kind_) return false;
    return a.kind_ != Kind::Custom || a.custom_ == b.custom_;
  }

 private:
  AAction(Kind kind, std::string custom = {}) : kind_(kind), custom_(std::move(custom)) {}
  Kind kind_;
  std::string custom_;
};
