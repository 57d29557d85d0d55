// The "no internet" view, loaded from its interface file of the same name.
#pragma once

#include <functional>
#include <memory>

#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/View.h"

class NoInternetConnectionView : public uikit::View {
 public:
  NoInternetConnectionView() = default;
  explicit NoInternetConnectionView(const uikit::Rect& frame) : uikit::View(frame) {}

  // Set by whoever shows the view to take it away; the view never calls it.
  std::function<void()> blockForRemove;
  std::shared_ptr<uikit::Label> lblNoInternet;
  std::shared_ptr<uikit::Label> lblNoConnection;
  std::shared_ptr<uikit::Button> btnTryAgain;

  // The try-again button's action. A retry belongs to the owner (through
  // blockForRemove or its own watch of the network), so nothing happens here.
  void btnTryAgainClicked(uikit::Button& sender);

  static constexpr const char* kNibName = "NoInternetConnectionView";
  // Declares the interface file (once).
  static void registerNib();
  // The file's first top-level object when it is this view, else none.
  static std::shared_ptr<NoInternetConnectionView> loadFromNib();
};
