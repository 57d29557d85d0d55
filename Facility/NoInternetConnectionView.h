// The "no internet" view, loaded from its interface file of the same name.
#pragma once

#include <memory>

#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/View.h"

class NoInternetConnectionView : public uikit::View {
 public:
  std::shared_ptr<uikit::Label> lblNoInternet;
  std::shared_ptr<uikit::Label> lblNoConnection;
  std::shared_ptr<uikit::Button> btnTryAgain;

  static constexpr const char* kNibName = "NoInternetConnectionView";
  // Declares the interface file (once).
  static void registerNib();
  // The file's first top-level object when it is this view, else none.
  static std::shared_ptr<NoInternetConnectionView> loadFromNib();
};
