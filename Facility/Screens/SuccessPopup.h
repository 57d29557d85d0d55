// A full-screen view with a rounded inner box and one success label; one
// shared instance, made from its interface file on first use.
#pragma once

#include <memory>

#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/View.h"

class SuccessPopup : public uikit::View {
 public:
  static constexpr const char* kNibName = "SuccessPopup";
  using uikit::View::View;

  std::weak_ptr<uikit::View> vwInner;
  std::weak_ptr<uikit::Label> lbSuccess;

  // None when the interface file cannot be loaded; users then show nothing.
  static std::shared_ptr<SuccessPopup> shared();
  // Tests: the next shared() loads again.
  static void resetShared();

  void awakeFromNib() override;

  static void registerNib();
};
